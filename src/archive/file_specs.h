#pragma once
// Expanding the file patterns given to the archive writer into the files it stores.
// A pattern is a path or a wildcard mask, optionally with " /s" to take sub-folders too;
// a pattern that names a folder takes the files in it. Paths keep their letter case;
// masks ignore it. Recursion enters every sub-folder, hidden ones too, and never follows a link
// to a folder. Regular files (or links to them) are taken, and a link to a folder met in a listed
// folder is taken as the link itself (the archive records it as one); so is a path naming one
// when the options ask for it. A path costs one stat and a folder one listing, so a long list of
// files expands in time linear in its length.

#include <string>

#include "platform/text.h"

namespace vaultora {

class TArchiveFlags;

struct TFileSpecOptions {
  std::string ArchiveName;  // never taken into its own archive ("" for none)
  // Given for incremental backups: only files whose archive attribute is set are taken.
  TArchiveFlags* OnlyFlagged = nullptr;
  // When given, receives the paths named exactly (no wildcard, no " /s") that do not exist:
  // a list's file deleted since the list was filtered.
  TStringList* Missing = nullptr;
  // A path that names a link to a folder takes the link itself, not the folder's files.
  bool NamedFolderLinks = false;
};

// The absolute paths of the files, in the order of the patterns, each once.
TStringList ExpandFileSpecs(const TStringList& patterns, const TFileSpecOptions& options);

}  // namespace vaultora

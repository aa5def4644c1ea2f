#pragma once
// What a file record's packed DOS date cannot hold: the permission bits, the owner and group,
// the modification time to the nanosecond, and that a stored file was a symbolic link (its
// record holds the linked file's data, so that any reader of the archive format gets a copy).
// An archive carries them in one record named "FILE:META" after its file records: a text of
// CR LF separated lines, one for each stored file:
//   path TAB kind ("f" file, "l" link) TAB mode (octal) TAB uid TAB gid TAB seconds "."
//   nanoseconds (since the Unix epoch) [TAB link target, for "l"]
// A reader that does not know the record restores it as one small file named FILE:META.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vaultora {

inline constexpr std::string_view kMetadataName = "FILE:META";

struct TFileMetadata {
  char Kind = 'f';
  mode_t Mode = 0644;
  uid_t Uid = 0;
  gid_t Gid = 0;
  int64_t Seconds = 0;
  long Nanoseconds = 0;
  std::string LinkTarget;
};

// The line of the file at path as it is now (a link described as a link), without its line
// end; "" when it cannot be examined or its name or link target cannot be written in a line.
std::string MetadataLine(const std::string& path);

// Adds the lines of a metadata record to metadata; a path already there keeps what it had
// (a merged chain holds the newest record first). Lines that cannot be read are skipped.
void ReadMetadata(std::string_view text, std::map<std::string, TFileMetadata>& metadata);

// Applies metadata to the restored file target: mode, exact time, owner and group when this
// process may give them (as root); a link replaces the restored copy. Never follows a link
// that is there. False when any of it could not be applied.
bool ApplyMetadata(const TFileMetadata& metadata, const std::string& target);

}  // namespace vaultora

#pragma once
// The search record of one folder entry, as the file search reports it and the file lists keep
// it: name, size, attributes, last write time, and the raw status the platform returned.
// Attributes are those of platform/file_attributes.h, the archive attribute included.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/date_time.h"
#include "platform/file_attributes.h"

namespace vaultora {

struct TSearchRec {
  std::string Name;         // the entry's name, without its folder
  int64_t Size = 0;         // bytes
  uint32_t Attr = 0;        // TFileAttribute bits
  TDateTime Time = 0;       // last write time, local day number
  struct stat FindData {};  // what stat() returned (the link's target for a link)
};

class TArchiveFlags;

// Fills rec for the entry path (a link is read as its target); false when it cannot be read.
// The archive attribute is looked up in flags: one connection serves a whole walk or load.
bool FindSearchRec(const std::string& path, TSearchRec& rec, TArchiveFlags& flags);
// The record of the entry name of folder from the status already read (no further stat); the
// archive attribute is looked up only when flags is given.
TSearchRec SearchRecOf(const std::string& folder, const std::string& name,
                       const struct stat& status, TArchiveFlags* flags);

// The last write time of a status record as a local day number.
TDateTime ModificationTimeOf(const struct stat& status);

}  // namespace vaultora

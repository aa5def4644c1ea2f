#pragma once
// The search record of one folder entry, as the file search reports it and the file lists keep
// it: name, size, attributes, last write time, and the raw status the platform returned.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/date_time.h"

namespace vaultora {

// Attribute bits with their customary values; how each is derived on this platform is fixed by
// the platform mapping (read-only = the owner may not write, hidden = a leading '.', system and
// volume never).
enum TFileAttribute : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
};

struct TSearchRec {
  std::string Name;         // the entry's name, without its folder
  int64_t Size = 0;         // bytes
  uint32_t Attr = 0;        // TFileAttribute bits
  TDateTime Time = 0;       // last write time, local day number
  struct stat FindData {};  // what stat() returned (the link's target for a link)
};

// Fills rec for the entry path (a link is read as its target); false when it cannot be read.
bool FindSearchRec(const std::string& path, TSearchRec& rec);

// The last write time of a status record as a local day number.
TDateTime ModificationTimeOf(const struct stat& status);

}  // namespace vaultora

#pragma once
// What a backup of a file list will read: the file count and bytes of each of its folders
// (files as listed, monitoring rules expanded by walking their folders) and the total. The walk
// can take long on a large folder, so the editor runs it on a worker over a copy of the entries
// and shows the figures when they arrive.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vaultora {

class TFileList;

struct TTally {
  int64_t Files = 0;
  int64_t Bytes = 0;
};

struct TTallyEntry {
  std::string Text;  // full path or rule text
  int64_t Size = 0;  // as recorded when added or loaded
};

struct TListTally {
  std::vector<std::pair<std::string, TTally>> Folders;  // folder path (trailing '/'), in order
  TTally Total;
  bool Stopped = false;
};

// The entries to tally, copied so that another thread may work on them.
std::vector<TTallyEntry> TallyInput(const TFileList& list);
// stopped is asked between entries and during walks; a stopped tally is marked so.
TListTally TallyList(const std::vector<TTallyEntry>& entries, const std::function<bool()>& stopped);

// "12 file(s), 3.40 MB".
std::string TallyText(const TTally& tally);

}  // namespace vaultora

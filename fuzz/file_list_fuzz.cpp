// The backup file list: any file loads without harm, and what loads saves and loads again to
// the same lines.
#include <cstddef>
#include <cstdlib>

#include "fuzz_support.h"
#include "selection/file_list.h"
#include "selection/file_list_format.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::Scratch() + "input.bfl";
  fuzz::WriteBytes(path, data, size);
  TFileList list;
  list.LoadFromFile(path);
  const TStringList lines = list.Lines();
  for (const std::string& line : lines) {
    TMonitoringRule rule;
    if (IsRuleText(line)) ParseRule(line, rule);
    TRecordedState state;
    ParseRecordedState(EntrySuffix(line), state);
  }
  const std::string saved = fuzz::Scratch() + "saved.bfl";
  if (list.SaveToFile(saved)) {
    TFileList again;
    again.LoadFromFile(saved);
    if (again.Lines() != lines) std::abort();
  }
  DeleteFile(saved);
  return 0;
}

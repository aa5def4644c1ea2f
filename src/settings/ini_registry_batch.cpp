// The batch lines of Data (docs/settings_store.md): WriteSectionData, ApplyData, SplitData.
#include "settings/ini_registry_editor.h"
#include "settings/registry_change.h"

namespace vaultora {

void TIniRegistryEditor::WriteSectionData(const std::string& section, const TStringList* lines) {
  if (lines) FData = *lines;
  if (FData.empty()) return;
  FData.insert(FData.begin(), "[" + section + "]");
  ApplyData();
}

void TIniRegistryEditor::ApplyData() {
  if (!Open()) return;
  TChange change(*this, kSetFailed, FFilename);
  std::string section;
  bool inSection = false;
  int counter = 1;
  for (const std::string& raw : FData) {
    std::string line = TrimRight(raw);
    if (!line.empty() && line[0] == '[') {
      section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
      inSection = true;
      counter = 1;
      continue;
    }
    if (!inSection) continue;
    int kind = vkString;
    if (line.size() >= 2 && line[1] == '~') {
      if (line[0] < '0' || line[0] > '9') continue;
      kind = line[0] - '0';
    } else {
      line = "1~" + line;
    }
    if (kind == 0) continue;
    std::string name, value;
    if (const size_t equals = line.find('='); equals != std::string::npos) {
      name = line.substr(2, equals - 2);
      value = line.substr(equals + 1);
    } else {
      name = IntToStr(counter++);
      value = line.substr(2);
    }
    DeleteValue(section, name);
    WriteTyped(kind, section, name, value);
  }
  change.Done();
}

void TIniRegistryEditor::SplitData(char character, bool keepRight) {
  for (std::string& line : FData) {
    const size_t at = line.find(character);
    if (at == std::string::npos) continue;
    line = keepRight ? line.substr(at + 1) : line.substr(0, at);
  }
}

}  // namespace vaultora

// The settings store's batch lines: any lines apply or are refused as a whole, and the store
// stays readable.
#include <cstddef>
#include <cstdlib>

#include "fuzz_support.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 1024) return 0;
  static TIniRegistryEditor* store = [] {
    fuzz::Scratch();  // sets VAULTORA_HOME first
    auto* editor = new TIniRegistryEditor();
    editor->SetRootKey(rtHKEY_CURRENT_USER);
    editor->SetLazyWrite(true);
    editor->SetFilename("Software\\Vaultora\\Fuzz");
    return editor;
  }();
  TStringList lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(data[i]);
    }
  }
  lines.push_back(line);
  try {
    store->SetData(lines);
    store->ApplyData();
    store->SetData(lines);
    store->SplitData('=', data[0] % 2 == 0);
  } catch (const std::exception&) {
  }
  try {
    store->ReadSections();
    for (const std::string& section : TStringList(store->Data())) {
      store->ReadValueNames(section);
      store->EraseSection(section);
    }
  } catch (const std::exception&) {
  }
  return 0;
}

#include "settings/registry_key.h"

#include <utility>

namespace vaultora {

namespace {

// Selects a key of the store for one call and puts back what was selected before, also when the
// call raises.
class TKeySelection {
 public:
  TKeySelection(TIniRegistryEditor& store, const std::string& path, TRootKeys root)
      : FStore(store), FFilename(store.Filename()), FRoot(store.RootKey()) {
    store.SetRootKey(root);
    store.SetFilename(path);
  }
  ~TKeySelection() {
    FStore.SetRootKey(FRoot);
    FStore.SetFilename(FFilename);
  }
  TKeySelection(const TKeySelection&) = delete;
  TKeySelection& operator=(const TKeySelection&) = delete;

 private:
  TIniRegistryEditor& FStore;
  std::string FFilename;
  TRootKeys FRoot;
};

// The store's Data is scratch space of whoever calls it; the calls that fill it give it back.
class TDataKept {
 public:
  explicit TDataKept(TIniRegistryEditor& store) : FStore(store), FData(store.Data()) {}
  ~TDataKept() { FStore.Data().swap(FData); }
  TDataKept(const TDataKept&) = delete;
  TDataKept& operator=(const TDataKept&) = delete;

 private:
  TIniRegistryEditor& FStore;
  TStringList FData;
};

}  // namespace

TRegistryKey::TRegistryKey(TIniRegistryEditor& store, std::string path, TRootKeys root)
    : FStore(&store), FPath(std::move(path)), FRoot(root) {}

template <class F>
auto TRegistryKey::At(F&& operation) const {
  TKeySelection selected(*FStore, FPath, FRoot);
  return operation(*FStore);
}

template <class F>
auto TRegistryKey::AtKeepingData(F&& operation) const {
  TKeySelection selected(*FStore, FPath, FRoot);
  TDataKept kept(*FStore);
  return operation(*FStore);
}

TRegistryKey TRegistryKey::Sub(const std::string& section) const {
  return TRegistryKey(*FStore, FPath + '\\' + section, FRoot);
}

bool TRegistryKey::SectionExists(const std::string& section) const {
  return At([&](TIniRegistryEditor& s) { return s.SectionExists(section); });
}

bool TRegistryKey::ValueExists(const std::string& section, const std::string& name) const {
  return At([&](TIniRegistryEditor& s) { return s.ValueExists(section, name); });
}

bool TRegistryKey::KeyExists(const std::string& section) const {
  return At([&](TIniRegistryEditor& s) { return s.KeyExists(section); });
}

TNamedValues TRegistryKey::SectionValues(const std::string& section) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadSectionValues(section); });
}

std::vector<std::pair<std::string, TNamedValues>> TRegistryKey::SubKeyValues() const {
  return At([&](TIniRegistryEditor& s) { return s.ReadSubKeyValues(); });
}

std::string TRegistryKey::ReadString(const std::string& section, const std::string& name,
                                     const std::string& def) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadString(section, name, def); });
}

int32_t TRegistryKey::ReadInteger(const std::string& section, const std::string& name,
                                  int32_t def) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadInteger(section, name, def); });
}

bool TRegistryKey::ReadBool(const std::string& section, const std::string& name, bool def) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadBool(section, name, def); });
}

TDateTime TRegistryKey::ReadDateTime(const std::string& section, const std::string& name,
                                     TDateTime def) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadDateTime(section, name, def); });
}

std::optional<TRegistryValue> TRegistryKey::ReadValue(const std::string& section,
                                                      const std::string& name) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadValue(section, name); });
}

void TRegistryKey::WriteString(const std::string& section, const std::string& name,
                               const std::string& value) const {
  At([&](TIniRegistryEditor& s) { s.WriteString(section, name, value); });
}

void TRegistryKey::WriteInteger(const std::string& section, const std::string& name,
                                int32_t value) const {
  At([&](TIniRegistryEditor& s) { s.WriteInteger(section, name, value); });
}

void TRegistryKey::WriteBool(const std::string& section, const std::string& name,
                             bool value) const {
  At([&](TIniRegistryEditor& s) { s.WriteBool(section, name, value); });
}

void TRegistryKey::WriteTyped(int kind, const std::string& section, const std::string& name,
                              const TVariant& value) const {
  At([&](TIniRegistryEditor& s) { s.WriteTyped(kind, section, name, value); });
}

void TRegistryKey::WriteDateTime(const std::string& section, const std::string& name,
                                 TDateTime value) const {
  At([&](TIniRegistryEditor& s) { s.WriteDateTime(section, name, value); });
}

void TRegistryKey::DeleteValue(const std::string& section, const std::string& name) const {
  At([&](TIniRegistryEditor& s) { s.DeleteValue(section, name); });
}

void TRegistryKey::EraseSection(const std::string& section) const {
  At([&](TIniRegistryEditor& s) { s.EraseSection(section); });
}

void TRegistryKey::ClearSection(const std::string& section) const {
  AtKeepingData([&](TIniRegistryEditor& s) { s.ClearSection(section); });
}

TStringList TRegistryKey::ValueNames(const std::string& section) const {
  return AtKeepingData([&](TIniRegistryEditor& s) {
    s.ReadValueNames(section);
    return s.Data();
  });
}

TStringList TRegistryKey::Sections() const {
  return AtKeepingData([&](TIniRegistryEditor& s) {
    s.ReadSections();
    return s.Data();
  });
}

void TRegistryKey::MoveKey(const std::string& oldName, const std::string& newName,
                           bool deleteOld) const {
  At([&](TIniRegistryEditor& s) { s.MoveKey(oldName, newName, deleteOld); });
}

void TRegistryKey::WriteSectionData(const std::string& section, const TStringList& lines) const {
  AtKeepingData([&](TIniRegistryEditor& s) { s.WriteSectionData(section, &lines); });
}

void TRegistryKey::WriteBinary(const std::string& name, TMemoryStream& stream) const {
  At([&](TIniRegistryEditor& s) { s.WriteBinary(name, stream); });
}

std::unique_ptr<TMemoryStream> TRegistryKey::ReadBinary(const std::string& name) const {
  return At([&](TIniRegistryEditor& s) { return s.ReadBinary(name); });
}

}  // namespace vaultora

// vaultora-cli settings dump|get|set|delete: a look into the settings store, and single
// changes to it. Key paths may be written with '/' as well as '\'. settings restore-last-good
// puts back the copy of the store made after the last successful backup.
#include <cstdio>
#include <string>

#include "archive/blowfish.h"  // HexText
#include "cli/cli_command.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"
#include "settings/key_path.h"
#include "settings/last_good_copy.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {
namespace {

std::string KeyArgument(const std::string& text) {
  return NormaliseKeyPath(ReplaceAll(text, "/", "\\"));
}

bool FromHex(const std::string& text, std::string& bytes) {
  if (text.size() % 2) return false;
  auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bytes.clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = nibble(text[i]), low = nibble(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

// Control characters are shown escaped, so that one value stays on one line.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c < ' ' || c == 127)
      out += Format("\\x%02x", c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string DataText(const TRegistryValue& value) {
  switch (value.Type) {
    case rdDword:
      return IntToStr(static_cast<int32_t>(value.Dword));
    case rdBinary:
      return HexText(reinterpret_cast<const uint8_t*>(value.Bytes.data()), value.Bytes.size());
    default:
      return Printable(value.Bytes);
  }
}

const char* TypeText(TRegDataType type) {
  switch (type) {
    case rdDword:
      return "dword";
    case rdBinary:
      return "binary";
    default:
      return "string";
  }
}

// The tool's own store instance, seen at one key.
TRegistryKey Store(const std::string& path) {
  static TIniRegistryEditor store;
  store.SetLazyWrite(true);
  return TRegistryKey(store, path);
}

// "[path]" then one line per value ("kind name=data"), then the sub-keys in name order.
void DumpKey(const std::string& path) {
  const TRegistryKey key = Store(path);
  std::printf("[%s]\n", path.c_str());
  for (const std::string& name : key.ValueNames(""))
    if (const auto value = key.ReadValue("", name))
      std::printf("%-6s %s=%s\n", TypeText(value->Type), name.c_str(), DataText(*value).c_str());
  for (const std::string& child : key.Sections())
    DumpKey(path + "\\" + child);
}

int Dump(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  const std::string key = KeyArgument(positional.empty() ? keys::kBaseKey : positional[0]);
  // The top key is opened (and so created) whatever KEY names; KEY itself must exist.
  const size_t slash = key.find('\\');
  const TRegistryKey top = Store(key.substr(0, slash));
  if (slash != std::string::npos && !top.KeyExists(key.substr(slash + 1)))
    return Fail("no key " + key);
  DumpKey(key);
  return 0;
}

int Get(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 2) return UsageError("usage: settings get SECTION NAME");
  const auto value = Store(keys::kBaseKey).ReadValue(KeyArgument(positional[0]), positional[1]);
  if (!value) return Fail("no value " + positional[1] + " in " + positional[0]);
  std::printf("%s\n", DataText(*value).c_str());
  return 0;
}

int Set(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 4) return UsageError("usage: settings set SECTION NAME KIND VALUE");
  const std::string section = KeyArgument(positional[0]);
  const std::string& name = positional[1];
  const std::string& kind = positional[2];
  const std::string& value = positional[3];
  if (kind == "b") {
    std::string bytes;
    if (!FromHex(value, bytes)) return Fail("a binary value is written as hex digits");
    if (bytes.size() > static_cast<size_t>(kMaxBinaryValueSize))
      return Fail(Format("a binary value holds at most %lld bytes",
                         static_cast<long long>(kMaxBinaryValueSize)));
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    Store(std::string(keys::kBaseKey) + "\\" + section).WriteBinary(name, stream);
    return 0;
  }
  if (kind.size() != 1 || kind[0] < '1' || kind[0] > '7')
    return Fail(
        "KIND is 1 (string), 2 (boolean), 3 (integer), 4 to 7 (float, time, date, "
        "date-time) or b (binary, hex)");
  const TRegistryKey store = Store(keys::kBaseKey);
  TRegistryTransaction transaction(store.Store());
  store.DeleteValue(section, name);
  try {
    store.WriteTyped(kind[0] - '0', section, name, value);
  } catch (const EVariantError& e) {
    return Fail("\"" + value + "\" is not a value of kind " + kind + " (" + e.what() + ")");
  }
  transaction.Commit();
  return 0;
}

int Delete(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.empty() || positional.size() > 2)
    return UsageError("usage: settings delete SECTION [NAME]");
  const std::string section = KeyArgument(positional[0]);
  const TRegistryKey store = Store(keys::kBaseKey);
  if (positional.size() == 2) {
    if (!store.ValueExists(section, positional[1]))
      return Fail("no value " + positional[1] + " in " + positional[0]);
    store.DeleteValue(section, positional[1]);
    return 0;
  }
  if (!store.KeyExists(section)) return Fail("no section " + positional[0]);
  store.EraseSection(section);
  if (store.KeyExists(section))
    return Fail("section " + positional[0] +
                " holds no values of its own; delete its "
                "sub-keys one by one");
  return 0;
}

int RestoreLastGood(const TArgs& args) {
  if (!Positional(args, {}).empty()) return UsageError("usage: settings restore-last-good");
  const std::string hive = RegistryFilePath();
  const TRestoredSettings restored = RestoreLastGoodCopy(hive);
  std::printf("The settings were put back from the copy made on %s.\n", restored.SavedOn.c_str());
  if (!restored.KeptAsPath.empty())
    std::printf("The file they replace was kept as \"%s\".\n", restored.KeptAsPath.c_str());
  return 0;
}

const TCliRegistrar kDump({"settings dump", "[KEY]",
                           "print the keys and values below Software\\Vaultora (or KEY)", Dump,
                           true});
const TCliRegistrar kGet({"settings get", "SECTION NAME", "print one value of Software\\Vaultora",
                          Get, true});
const TCliRegistrar kSet({"settings set", "SECTION NAME KIND VALUE",
                          "write one value (KIND 1-7 as in batch lines, or b for hex binary)", Set,
                          true});
const TCliRegistrar kDelete({"settings delete", "SECTION [NAME]",
                             "delete one value, or a section with its values and sub-keys", Delete,
                             true});
const TCliRegistrar kRestoreLastGood(
    {"settings restore-last-good", "",
     "put back the copy of the settings made after the last successful backup (close Vaultora "
     "first); the file it replaces is kept",
     RestoreLastGood, true});

}  // namespace
}  // namespace vaultora::cli

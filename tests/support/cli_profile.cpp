#include "support/cli_profile.h"

#include <set>

#include "archive/encryption_key.h"
#include "catalogue/catalogue.h"
#include "platform/text.h"
#include "settings/registry_keys.h"

namespace vaultora::test {

TCliProfile::TCliProfile(std::string cliPath)
    : Store(nullptr, FHome / "registry.db"), FCliPath(std::move(cliPath)) {
  Store.SetRootKey(rtHKEY_CURRENT_USER);
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, Home());
  Store.WriteBool(keys::kPreferences, keys::preferences::kKeepLogFiles, true);
}

void TCliProfile::Connect(int port, const TAccountItems& account) {
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
  Store.WriteInteger(keys::kConnection, keys::connection::kServerPort, port);
  Store.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  WriteAccountSetup(Store, account);
}

void TCliProfile::SetKey(const std::string& key) {
  WriteEncryptionKey(Store, key);
}

int TCliProfile::Run(const std::string& arguments, const std::string& input) {
  const std::string command =
      "VAULTORA_HOME=" + ShellQuote(Home()) + " " + ShellQuote(FCliPath) + " " + arguments;
  FLast = RunCommand(input.empty() ? command + " </dev/null"
                                   : "printf %s " + ShellQuote(input) + " | " + command);
  return FLast.Status;
}

int TCliProfile::RunApart(const std::string& arguments) {
  FLast = RunCommandApart("VAULTORA_HOME=" + ShellQuote(Home()) + " " + ShellQuote(FCliPath) + " " +
                          arguments + " </dev/null");
  return FLast.Status;
}

std::string TCliProfile::Backup(const std::string& arguments) {
  TCatalogue catalogue(Store);
  std::set<std::string> before;
  for (const TCatalogueEntry& entry : catalogue.Entries())
    before.insert(entry.Id);
  Run("backup " + arguments);
  for (const TCatalogueEntry& entry : catalogue.Entries())
    if (!before.count(entry.Id)) return entry.Id;
  return "";
}

std::string TCliProfile::FileOf(const std::string& id, const std::string& ext) const {
  return Home() + ReplaceAll(id, ".", "_") + ext;
}

}  // namespace vaultora::test

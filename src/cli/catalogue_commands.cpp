// vaultora-cli catalogue: the backups the client knows, with their values and state.
#include <cstdio>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/cli_command.h"
#include "platform/date_time.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

std::string TimeText(const std::string& dayNumber) {
  TDateTime when = 0;
  return TextToFloat(dayNumber, when) ? DateTimeText(when) : dayNumber;
}

std::string ViewsText(const TCatalogueEntry& entry) {
  std::string views;
  for (TCatalogueView view : kCatalogueViews)
    if (entry.InView(view)) views += std::string(views.empty() ? "" : ", ") + ViewCaption(view);
  return views;
}

void PrintValue(const char* name, const std::string& value) {
  if (!value.empty()) std::printf("  %s=%s\n", name, value.c_str());
}

int ListCatalogue(const TArgs& args) {
  const TArgs filter = Positional(args, {});
  TIniRegistryEditor store;
  TCatalogue backups(store);
  int shown = 0;
  for (const TCatalogueEntry& e : backups.Entries()) {
    if (!filter.empty() && !SameText(filter[0], e.Id)) continue;
    ++shown;
    namespace c = catalogue;
    std::printf("%s  %s  [%s]\n", e.Id.c_str(), BackupStateText(e.State()), ViewsText(e).c_str());
    std::printf("  Started=%s\n", TimeText(e.Id).c_str());
    std::printf("  %s=%s\n", c::kFinishDateTime,
                e.FinishDateTime.empty() ? kFailedBackupText : TimeText(e.FinishDateTime).c_str());
    PrintValue(c::kBackupTitle, e.BackupTitle);
    PrintValue(c::kSession, e.Session);
    PrintValue(c::kSize, e.Size);
    PrintValue(c::kUser, e.User);
    PrintValue(c::kMAC, e.MAC);
    PrintValue(c::kIncremental, e.Incremental);
    if (e.NeedToSend) std::printf("  %s\n", c::kNeedToSend);
    if (e.HasSendPosition) std::printf("  %s=%d\n", c::kSendPosition, e.SendPosition);
    if (e.HasReceivePosition) std::printf("  %s=%d\n", c::kReceivePosition, e.ReceivePosition);
    if (e.Deleted) std::printf("  %s\n", c::kDeleted);
    std::printf("  Archive=%s%s\n", backups.ArchivePath(e.Id).c_str(),
                e.ArchiveExists ? "" : " (not here)");
  }
  if (!filter.empty() && shown == 0)
    return Fail("no backup \"" + filter[0] + "\" in the catalogue");
  if (filter.empty()) std::printf("%d backup(s)\n", shown);
  return 0;
}

const TCliRegistrar kCatalogue({"catalogue", "[ID]",
                                "list the catalogued backups with their values and state",
                                ListCatalogue});

}  // namespace
}  // namespace vaultora::cli

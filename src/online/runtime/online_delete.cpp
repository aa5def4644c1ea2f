#include "online/runtime/online_delete.h"

#include "catalogue/catalogue.h"
#include "online/bk_server.h"
#include "online/runtime/online_thread.h"
#include "platform/folders.h"

namespace vaultora {

namespace {

const TTransferFailureTexts kDeleteTexts{
    "Unable to create close delete event", "Unable to create delete event",
    "Unable to create delete thread",
    "unable to execute thread delete event, waiting for 1 second"};

class TDeleteBackupThread : public TBaseOnlineThread {
 protected:
  bool Work() override;

 private:
  bool Select();
  void DeleteLocally();

  TStringList FList;
};

bool TDeleteBackupThread::Select() {
  FList.clear();
  for (const TCatalogueEntry& entry : TCatalogue(Settings()).EntriesToDelete())
    FList.push_back(entry.Id);
  if (FList.empty()) PostToOwner(UM_NOBACKUPSTODELETE);
  return !FList.empty();
}

bool TDeleteBackupThread::Work() {
  if (!Select()) return false;
  if (!Logon()) return false;
  if (StopRequested() || Failed()) return false;
  bool ok = false;
  try {
    PostStatus("Deleting backups on the server");
    TStringList names;
    for (const std::string& entry : FList)
      names.push_back(ExtractFileName(ArchivePath(entry)));
    ok = Server()->DeleteBackups(names);
    if (ok) DeleteLocally();
    if (!Failed()) CloseChannel();
  } catch (const std::exception& e) {
    PostText(UM_THREADEXCEPTION, e.what());
    ok = false;
  }
  return ok;
}

void TDeleteBackupThread::DeleteLocally() {
  if (!Select()) return;
  TCatalogue catalogue(Settings());
  for (const std::string& entry : FList) {
    const std::string archivePath = ArchivePath(entry);
    const std::string listPath = catalogue.FileListPath(entry);
    catalogue.Erase(entry);
    if (FileExists(listPath)) DeleteFile(listPath);
    if (FileExists(archivePath)) DeleteFile(archivePath);
    PostStatus("Deleting [ " + entry + " ] " + listPath);
  }
}

}  // namespace

TOnlineDeleteBackup::TOnlineDeleteBackup(TComponent* owner)
    : TBaseOnlineTransfer(owner, kDeleteTexts) {}

TOnlineDeleteBackup::~TOnlineDeleteBackup() = default;

std::unique_ptr<TBaseOnlineThread> TOnlineDeleteBackup::CreateThread() {
  return std::make_unique<TDeleteBackupThread>();
}

bool TOnlineDeleteBackup::HandleMessage(const TMessage& message) {
  if (message.Msg != UM_NOBACKUPSTODELETE) return false;
  Fire(OnNoBackupsToDelete, this);
  return true;
}

}  // namespace vaultora

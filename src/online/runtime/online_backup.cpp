#include "online/runtime/online_backup.h"

#include <exception>

#include "catalogue/catalogue.h"
#include "online/bandwidth_limit.h"
#include "online/bk_server.h"
#include "online/runtime/interval_gate.h"
#include "online/runtime/online_thread.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

const TTransferFailureTexts kBackupTexts{
    "Unable to create close thread event", "Unable to create backup event",
    "Unable to create backup thread",
    "unable to execute thread backup event, waiting for 1 second"};

constexpr int32_t kDefaultChunk = 512;

class TBackupThread : public TBaseOnlineThread {
 protected:
  bool Work() override;
  void ConfigureServer(TBkServer& server) override {
    server.OnBackup = [this](TBkServer*, int64_t size, int64_t position, int& next, bool& cont) {
      ChunkSent(size, position, next, cont);
    };
  }

 private:
  void BuildList();
  bool SendBackup(const std::string& entry, int index);
  bool Transfer(TFileStream& archive, int64_t size);
  void ChunkSent(int64_t size, int64_t position, int& nextChunk, bool& cont);
  int32_t ChunkSize();
  void FlushPosition();

  bool FListBuilt = false;
  TStringList FList;
  std::string FEntry;
  std::string FTitle;
  std::string FArchiveName;
  int FIndex = 0;
  TIntervalGate FReportGate{kTransferReportInterval};
  int32_t FChunk = kDefaultChunk;
  int64_t FPendingPosition = -1;  // the last position not yet written to the catalogue
  int64_t FLastPosition = 0;      // where the last chunk ended, for the bandwidth limit
  TBandwidthLimit FLimit;
};

bool TBackupThread::Work() {
  if (!FListBuilt) BuildList();
  if (FList.empty()) {
    PostToOwner(UM_NOBACKUPSTOSEND);
    return true;
  }
  return LogonAndForEach(
      FList, [this](const std::string& entry, int i) { return SendBackup(entry, i); }, true);
}

void TBackupThread::BuildList() {
  FList.clear();
  for (const TCatalogueEntry& entry : TCatalogue(Settings()).EntriesToSend())
    FList.push_back(entry.Id);
  FListBuilt = true;
}

bool TBackupThread::SendBackup(const std::string& entry, int index) {
  SetFailed(false);
  TCatalogue catalogue(Settings());
  if (!catalogue.Exists(entry)) {
    PostText(UM_NOTREGISTERED, entry);
    return false;
  }
  const std::string archivePath = ArchivePath(entry);
  const TCatalogueEntry values = catalogue.Entry(entry);
  const std::string listPath = values.Session;
  const bool haveArchive = !archivePath.empty() && FileExists(archivePath);
  const bool haveList = !listPath.empty() && FileExists(listPath);
  if (!haveArchive || !haveList) {
    if (!haveArchive) PostText(UM_FILENOTFOUND, archivePath);
    if (!haveList) PostText(UM_FILENOTFOUND, listPath);
    return false;
  }

  auto archive = std::make_unique<TFileStream>(archivePath, fmOpenRead);
  std::vector<uint8_t> encipheredList;
  {
    TMemoryStream list;
    list.LoadFromFile(listPath);
    encipheredList = SealFileList(list);
  }
  TDateTime finished = 0;
  if (!TextToFloat(values.FinishDateTime, finished))
    throw std::runtime_error("'" + values.FinishDateTime + "' is not a valid floating point value");
  FEntry = entry;
  FTitle = values.BackupTitle;
  FIndex = index;
  FArchiveName = ExtractFileName(archivePath);
  const int64_t size = archive->Size();

  PostProgress(FArchiveName, FTitle, static_cast<int>(FList.size()), index + 1, 0,
               static_cast<double>(size), 0);
  if (Connected() &&
      !Server()->InitBackup(FArchiveName, FTitle, ExtractFileName(listPath), finished, size,
                            values.MAC, encipheredList, values.Incremental)) {
    PostStatus("Failed to intialize the backup on the server");
    return false;
  }
  PostText(UM_INITBACKUP, FTitle);
  if (Connected()) archive->SetPosition(Server()->RemoteSize());

  const bool sent = Transfer(*archive, size);
  const bool completed = sent && !Failed() && Connected() && Server()->EndBackup(Now());
  archive.reset();
  if (completed) {
    catalogue.MarkSent(entry);
    DeleteFile(archivePath);
  }
  return completed;
}

// Sends the rest of the archive from its position; true when the server holds it all.
bool TBackupThread::Transfer(TFileStream& archive, int64_t size) {
  const int64_t start = archive.Position();
  if (start > size) {
    // The server holds more than this archive: it cannot be the same file.
    PostStatus("Transfere Failed");
    return false;
  }
  if (start == size) return true;
  if (!Online() || StopRequested() || Failed()) {
    PostStatus("Transfere Failed");
    return false;
  }
  FReportGate.Reset();
  FChunk = ChunkSize();
  FLimit.SetKilobytesPerSecond(ReadSetting(Settings(), keys::setting::BandwidthLimit));
  FPendingPosition = -1;
  FLastPosition = start;
  bool ok = true;
  try {
    const int64_t sent = Server()->SendFile(archive, FChunk);
    if (sent != size - start) {
      PostStatus("Socket packets lost on transfere");
      ok = false;
    }
  } catch (const std::exception& e) {
    ReportFailure(e.what(), "Transfer interrupted");
    ok = false;
  }
  FlushPosition();
  return ok;
}

int32_t TBackupThread::ChunkSize() {
  return ReadSetting(Settings(), keys::setting::TrxOutBufferSize);
}

void TBackupThread::FlushPosition() {
  if (FPendingPosition < 0) return;
  TCatalogue(Settings()).WriteSendPosition(FEntry, static_cast<int32_t>(FPendingPosition));
  FPendingPosition = -1;
}

void TBackupThread::ChunkSent(int64_t size, int64_t position, int& nextChunk, bool& cont) {
  if (StopRequested() || Failed() || !Online()) {
    cont = false;
    PostStatus("Socket transfere interrupted");
    return;
  }
  // Writing the position, reporting and rereading the chunk size for every 4 KB would cost
  // more than the transfer: they happen once per interval and at the end of the transfer.
  FPendingPosition = position;
  if (FReportGate.Due() || position == size) {
    FlushPosition();
    PostProgress(FArchiveName, FTitle, static_cast<int>(FList.size()), FIndex + 1,
                 size > 0 ? 100.0 * static_cast<double>(position) / static_cast<double>(size) : 0,
                 static_cast<double>(size), static_cast<double>(position));
    FChunk = ChunkSize();
    FLimit.SetKilobytesPerSecond(ReadSetting(Settings(), keys::setting::BandwidthLimit));
  }
  nextChunk = FChunk;
  FLimit.Pace(position - FLastPosition, [this] { return StopRequested(); });
  FLastPosition = position;
}

}  // namespace

TOnLineBackup::TOnLineBackup(TComponent* owner) : TBaseOnlineTransfer(owner, kBackupTexts) {}

TOnLineBackup::~TOnLineBackup() = default;

std::unique_ptr<TBaseOnlineThread> TOnLineBackup::CreateThread() {
  return std::make_unique<TBackupThread>();
}

bool TOnLineBackup::HandleMessage(const TMessage& message) {
  switch (message.Msg) {
    case UM_FILENOTFOUND:
      Fire(OnFileNotFound, this, TextOf(message));
      return true;
    case UM_NOBACKUPSTOSEND:
      Fire(OnNoBackupsToSend, this);
      return true;
    case UM_INITBACKUP:
      Fire(OnInitBackup, this, TextOf(message));
      return true;
  }
  return false;
}

}  // namespace vaultora

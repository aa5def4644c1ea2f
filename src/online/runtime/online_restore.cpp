#include "online/runtime/online_restore.h"

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

const TTransferFailureTexts kRestoreTexts{
    "Unable to create close thread event", "Unable to create Restore event",
    "Unable to create Restore thread",
    "unable to execute thread Restore event, waiting for 1 second"};

class TRestoreThread : public TBaseOnlineThread {
 public:
  explicit TRestoreThread(TStringList list) : FList(std::move(list)) {}

 protected:
  bool Work() override;
  void ConfigureServer(TBkServer& server) override {
    server.OnRestore = [this](TBkServer*, TMemoryStream& data, bool& cont) {
      PieceReceived(data, cont);
    };
  }

 private:
  bool Download(const std::string& entry, int index);
  void ReceiveRest(int64_t total);
  int32_t ReceiveBufferSize();
  void PieceReceived(TMemoryStream& data, bool& cont);
  void PostPieceProgress();

  TStringList FList;
  std::unique_ptr<TFileStream> FFile;
  std::string FTitle;
  std::string FLocalPath;
  int64_t FTotal = 0;  // the server's size of the current archive
  double FCatalogueSize = 0;
  int FIndex = 0;
  int32_t FAnnounced = 0;  // the buffer size last announced for the current backup
  TIntervalGate FReportGate{kTransferReportInterval};
  TBandwidthLimit FLimit;
};

bool TRestoreThread::Work() {
  if (FList.empty()) {
    PostToOwner(UM_NOBACKUPSPECIFIED);
    return false;
  }
  return LogonAndForEach(
      FList, [this](const std::string& entry, int i) { return Download(entry, i); }, false);
}

bool TRestoreThread::Download(const std::string& entry, int index) {
  SetFailed(false);
  TCatalogue catalogue(Settings());
  if (!catalogue.Exists(entry)) {
    PostText(UM_NOTREGISTERED, entry);
    return false;
  }
  FLocalPath = ArchivePath(entry);
  const TCatalogueEntry values = catalogue.Entry(entry);
  FTitle = values.BackupTitle;
  FCatalogueSize = 0;
  TextToFloat(values.Size, FCatalogueSize);  // a size that is not a number shows as 0
  FIndex = index;
  FAnnounced = 0;
  const std::string archiveName = ExtractFileName(FLocalPath);
  PostProgress(archiveName, FTitle, static_cast<int>(FList.size()), index + 1, 0, FCatalogueSize,
               0);
  if (!Connected()) return false;

  const int32_t answer = Server()->InitRestore(archiveName, FTitle, Date());
  if (answer != 1) {
    if (answer == -1)
      PostText(UM_NOTONSERVER, FTitle);
    else if (answer == 2)
      PostText(UM_INSTORAGE, FTitle);
    else
      PostStatus("Init restore backup returned a invalid result from the server");
    return false;
  }
  PostText(UM_INITRESTORE, FTitle);
  FFile = std::make_unique<TFileStream>(FLocalPath,
                                        FileExists(FLocalPath) ? fmOpenReadWrite : fmCreate);
  bool confirmed = false;
  // Whatever ends this backup, the catalogue keeps how far the local file got.
  struct TFinally {
    TRestoreThread& thread;
    TCatalogue& catalogue;
    const std::string& entry;
    bool& confirmed;
    ~TFinally() {
      try {
        if (confirmed)
          catalogue.ClearReceivePosition(entry);
        else
          catalogue.WriteReceivePosition(entry, static_cast<int32_t>(thread.FFile->Position()));
      } catch (...) {
      }
      thread.FFile.reset();
    }
  } finally{*this, catalogue, entry, confirmed};

  FFile->Seek(0, TSeekOrigin::soEnd);
  catalogue.WriteReceivePosition(entry, static_cast<int32_t>(FFile->Position()));
  FTotal = Connected() ? Server()->RemoteSize() : 0;
  if (FFile->Position() > FTotal) {
    // Appending cannot make a longer file equal the server's copy: stop here and leave the
    // file for the user to discard.
    PostStatus("The local copy of " + FTitle + " is longer than the server's copy (" +
               IntToStr(FFile->Position()) + " of " + IntToStr(FTotal) + " bytes); delete " +
               FLocalPath + " and retrieve the backup again");
    return false;
  }
  ReceiveRest(FTotal);
  if (!Failed() && Connected() && FFile->Position() == FTotal)
    confirmed = Server()->EndRestore(Date());
  return confirmed;
}

void TRestoreThread::ReceiveRest(int64_t total) {
  FReportGate.Reset();
  FLimit.SetKilobytesPerSecond(ReadSetting(Settings(), keys::setting::BandwidthLimit));
  while (FFile->Position() != total) {
    if (StopRequested() || Failed() || !Connected()) return;
    const int32_t bufferSize = ReceiveBufferSize();
    const int64_t before = FFile->Position();
    try {
      if (bufferSize != FAnnounced) {
        Server()->SetReceiveBufferSize(bufferSize);
        FAnnounced = bufferSize;
      }
      Server()->ReceiveFile(static_cast<int32_t>(before));
    } catch (const std::exception& e) {
      ReportFailure(e.what(), "Transfer interrupted");
      continue;
    }
    PostPieceProgress();
    // A request that brought nothing would be asked again for ever.
    if (FFile->Position() == before && !StopRequested() && !Failed()) {
      PostStatus("Transfer interrupted");
      SetFailed(true);
    }
  }
}

int32_t TRestoreThread::ReceiveBufferSize() {
  return ReadSetting(Settings(), keys::setting::TrxInBufferSize);
}

void TRestoreThread::PieceReceived(TMemoryStream& data, bool& cont) {
  if (StopRequested() || Failed() || !Connected()) {
    cont = false;
    return;
  }
  try {
    FFile->WriteBuffer(data.Memory(), data.Size());
  } catch (const std::exception& e) {
    ReportFailure(e.what(), "Transfere interrupted");
    cont = false;
  }
  // One report per interval: a message per 4 KB piece would cost more than the piece.
  if (FReportGate.Due() || FFile->Position() == FTotal) {
    PostPieceProgress();
    FLimit.SetKilobytesPerSecond(ReadSetting(Settings(), keys::setting::BandwidthLimit));
  }
  FLimit.Pace(data.Size(), [this] { return StopRequested(); });
}

void TRestoreThread::PostPieceProgress() {
  const double position = static_cast<double>(FFile->Position());
  const double percent = FTotal > 0 ? position / static_cast<double>(FTotal) * 100 : 0;
  PostProgress(FLocalPath, FTitle, static_cast<int>(FList.size()), FIndex + 1, percent,
               FCatalogueSize, position);
}

}  // namespace

TOnLineRestore::TOnLineRestore(TComponent* owner) : TBaseOnlineTransfer(owner, kRestoreTexts) {
  FClearWorkOnStop = true;
}

TOnLineRestore::~TOnLineRestore() = default;

std::unique_ptr<TBaseOnlineThread> TOnLineRestore::CreateThread() {
  return std::make_unique<TRestoreThread>(FRestoreList);
}

bool TOnLineRestore::HandleMessage(const TMessage& message) {
  switch (message.Msg) {
    case UM_NOBACKUPSPECIFIED:
      Fire(OnNoBackupSpecified, this);
      return true;
    case UM_NOTONSERVER:
      Fire(OnBackupNotOnServer, this, TextOf(message));
      return true;
    case UM_INSTORAGE:
      Fire(OnBackupInStorage, this, TextOf(message));
      return true;
    case UM_INITRESTORE:
      Fire(OnInitRestore, this, TextOf(message));
      return true;
  }
  return false;
}

}  // namespace vaultora

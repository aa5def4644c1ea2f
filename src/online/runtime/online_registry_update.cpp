#include "online/runtime/online_registry_update.h"

#include <exception>

#include "online/bk_server.h"
#include "online/data_interleave_stream.h"
#include "online/runtime/online_thread.h"

namespace vaultora {

namespace {

const TTransferFailureTexts kUpdateTexts{
    "Unable to create close update event", "Unable to create update event",
    "Unable to create update thread",
    "unable to execute thread update event, waiting for 1 second"};

class TRegistryUpdateThread : public TBaseOnlineThread {
 protected:
  bool Work() override;

 private:
  bool HandOver(const TDataInterleaveStream& images);
};

bool TRegistryUpdateThread::Work() {
  if (!Logon()) return false;
  if (StopRequested() || Failed()) return false;
  PostStatus("Retrieving the available backups, information from the server");
  std::unique_ptr<TMemoryStream> answer = Server()->AvailableBackups();
  bool ok = false;
  if (!answer) {
    PostText(UM_NOTREGISTERED, "There are no backups available on the server");
  } else {
    try {
      TDataInterleaveStream images;
      images.Unpack(answer.get());
      ok = HandOver(images);
    } catch (const std::exception& e) {
      PostText(UM_THREADEXCEPTION, e.what());
      SetFailed(true);
      ok = false;
    }
  }
  if (!Failed()) CloseChannel();
  return ok;
}

bool TRegistryUpdateThread::HandOver(const TDataInterleaveStream& images) {
  for (int i = 0; i < images.Count(); ++i) {
    try {
      std::vector<uint8_t> image = images.Item(i);
      PostStatus("Downloading data for backup entry [ " + IntToStr(i) + " ]");
      const auto size = static_cast<intptr_t>(image.size());
      PostValueToOwner(UM_ITEMTOREGISTER, size, std::move(image));
    } catch (const std::exception& e) {
      PostText(UM_THREADEXCEPTION, e.what());
      SetFailed(true);
      PostStatus("Backup entry [ " + IntToStr(i) + " ] ignored");
      return false;
    }
  }
  return images.Count() > 0;
}

}  // namespace

TOnlineRegistryUpdate::TOnlineRegistryUpdate(TComponent* owner)
    : TBaseOnlineTransfer(owner, kUpdateTexts) {}

TOnlineRegistryUpdate::~TOnlineRegistryUpdate() = default;

std::unique_ptr<TBaseOnlineThread> TOnlineRegistryUpdate::CreateThread() {
  return std::make_unique<TRegistryUpdateThread>();
}

bool TOnlineRegistryUpdate::HandleMessage(const TMessage& message) {
  if (message.Msg != UM_ITEMTOREGISTER) return false;
  if (auto* image = message.PayloadAs<std::vector<uint8_t>>())
    Fire(OnItemsToRegister, this, std::move(*image));
  return true;
}

}  // namespace vaultora

#pragma once
// The event types of the online components and the messages their worker threads post to them.
// Events fire on the thread that owns the component (the window thread), never on a worker.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/runtime/message_receiver.h"

namespace vaultora {

enum TVaConnectionState { vcsClosed = 0, vcsConnected = 1, vcsFailed = 2 };

using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TNotifyTransferProgress = std::function<void(
    TComponent* Sender, const std::string& BackupName, const std::string& BackupTitle, int Count,
    int Index, double FileProgress, double TotalBytes, double BytesWritten)>;
using TNotifyError = std::function<void(TComponent* Sender, const std::string& Error)>;
using TNotifyLogon = std::function<void(TComponent* Sender, bool LogonAccepted)>;
using TNotifyBackupNotRegistered =
    std::function<void(TComponent* Sender, const std::string& BackupName)>;
using TNotifyInitBackup = TNotifyBackupNotRegistered;
using TNotifyRestoreBackup = TNotifyBackupNotRegistered;
using TNotifyFileNotFound = std::function<void(TComponent* Sender, const std::string& FileName)>;
using TNotifyAppServConnection = std::function<void(
    TComponent* Sender, TVaConnectionState ConnectionState, const std::string& Status)>;
using TNotifyStatus = std::function<void(TComponent* Sender, const std::string& Status)>;
using TNotifyStart = std::function<void(TComponent* Sender, bool& CanStart)>;
// The image of one backup on the server: the handler takes the bytes over.
using TNotifyItemsToRegister = std::function<void(TComponent* Sender, std::vector<uint8_t> Item)>;

// Messages from a worker thread to its component.
enum TOnlineMessage : unsigned {
  UM_THREADENDED = WM_USER + 101,
  UM_WORKDONE = WM_USER + 102,
  UM_WORKFAILED = WM_USER + 103,
  UM_PROGRESS = WM_USER + 104,
  UM_LOGON = WM_USER + 105,
  UM_NOBACKUPSPECIFIED = WM_USER + 106,
  UM_NOTREGISTERED = WM_USER + 107,
  UM_NOTONSERVER = WM_USER + 108,
  UM_INSTORAGE = WM_USER + 109,
  UM_INITBACKUP = WM_USER + 110,
  UM_INITRESTORE = WM_USER + 111,
  UM_CONNECTIONSTATE = WM_USER + 112,
  UM_FILENOTFOUND = WM_USER + 113,
  UM_NOBACKUPSTOSEND = WM_USER + 114,
  UM_THREADEXCEPTION = WM_USER + 115,
  UM_STATUS = WM_USER + 116,
  UM_NOBACKUPSTODELETE = WM_USER + 120,
  UM_ITEMTOREGISTER = WM_USER + 121,
};

// The payload of UM_PROGRESS; the backup name travels as the message's text.
struct TProgressBlock {
  std::string BackupName;
  std::string BackupTitle;
  int32_t Count = 0;
  int32_t Index = 0;
  double FileProgress = 0;
  double TotalBytes = 0;
  double BytesWritten = 0;
};

}  // namespace vaultora

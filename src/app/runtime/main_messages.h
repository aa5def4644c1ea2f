#pragma once
// The messages of the client's main message receiver (numbers count from WM_USER). Transfer
// sessions post the "done" messages; the work queue posts the "do" messages to itself.

namespace vaultora::messages {

inline constexpr unsigned TWM_RESTOREDONE = 790;
inline constexpr unsigned TWM_BACKUPSENDDONE = 791;
inline constexpr unsigned TWM_RELEASEWINDOW = 792;
inline constexpr unsigned TWM_DODELETEBACKUPS = 793;
inline constexpr unsigned TWM_DOBACKUPSEND = 794;
inline constexpr unsigned TWM_DORESTORERECEIVE = 795;
inline constexpr unsigned TWM_DOSENDRECEIVE = 796;
inline constexpr unsigned TWM_DOBACKUPNOW = 797;
inline constexpr unsigned TWM_DOSCHEDULEDBACKUP = 798;
inline constexpr unsigned TWM_DOBACKUPWIZARD = 799;
inline constexpr unsigned TWM_SHUTDOWNPOLL = 800;
inline constexpr unsigned TWM_STARTTRANSFER = 803;
inline constexpr unsigned TWM_SHOWMAINWINDOW = 901;
inline constexpr unsigned TWM_DOEXTRACT = 904;
inline constexpr unsigned TWM_DELETEDONE = 905;
inline constexpr unsigned TWM_REGISTRYUPDATEDONE = 906;
inline constexpr unsigned TWM_DOREGISTRYUPDATE = 907;
inline constexpr unsigned TWM_SHOWAVAILABLEBACKUPS = 908;
// Payload: the catalogue keys of the backups to verify (std::vector<std::string>).
inline constexpr unsigned TWM_DOVERIFY = 909;

}  // namespace vaultora::messages

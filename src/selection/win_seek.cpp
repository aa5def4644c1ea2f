#include "selection/win_seek.h"

namespace vaultora {

void TWinSeek::Execute() {
  Fire(OnBeforeScan, this);
  FBusy = true;
  bool stopScan = false;  // each search starts afresh, whatever the last one was told
  if (Root.empty()) Root = AbsoluteSeekRoot("");
  TSeekRequest request = SeekRequestFor(Root, IncludeSubFolders, SeekView, Mask);
  request.IncludeHidden = IncludeHidden;
  std::string error;
  WalkFolders(
      request,
      [&](const std::string& folder, const TSearchRec& found) {
        Fire(OnFileFind, this, folder, found, stopScan);
        return stopScan;
      },
      [&] { return stopScan; }, error);
  FBusy = false;
  Fire(OnScanCompleted, this);
}

}  // namespace vaultora

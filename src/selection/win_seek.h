#pragma once
// TWinSeek: the synchronous file search. Execute walks Root (and its subfolders when asked) and
// reports every entry that passes the filter through OnFileFind, inside the call. Hidden entries
// (names beginning with '.') are reported unless IncludeHidden is cleared; SeekView chooses
// files, folders or both. Used on one thread; events fire on it.

#include <functional>
#include <string>

#include "platform/component.h"
#include "selection/folder_walk.h"

namespace vaultora {

// One matching entry; setting stopScan ends the whole search.
using TOnFileFound = std::function<void(TComponent* sender, const std::string& folder,
                                        const TSearchRec& fileFound, bool& stopScan)>;
using TSeekNotifyEvent = std::function<void(TComponent* sender)>;

class TWinSeek : public TComponent {
 public:
  explicit TWinSeek(TComponent* owner = nullptr) : TComponent(owner) {}
  ~TWinSeek() override { Destroying(); }

  // Folder to search; when empty at the start, the current folder is used and stored here.
  std::string Root;
  bool IncludeSubFolders = false;
  TSeekView SeekView = skFiles;
  std::string Mask = "*.*";
  bool IncludeHidden = true;

  TSeekNotifyEvent OnBeforeScan;
  TOnFileFound OnFileFind;
  // After every search, also a stopped one or one whose root could not be listed.
  TSeekNotifyEvent OnScanCompleted;

  // Runs one search; returns when the walk is done. Errors end the walk silently.
  void Execute();
  bool Busy() const { return FBusy; }

 private:
  bool FBusy = false;
};

}  // namespace vaultora

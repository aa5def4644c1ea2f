#pragma once
// Sets a busy flag for the length of an operation and clears it however the operation ends.

namespace vaultora {

class TBusyScope {
 public:
  explicit TBusyScope(bool& busy) : FBusy(busy) { FBusy = true; }
  ~TBusyScope() { FBusy = false; }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  bool& FBusy;
};

}  // namespace vaultora

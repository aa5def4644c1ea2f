#pragma once
// TApiMessageServer: a small ordered list of messages that can be armed one by one and then
// posted together. Posting walks the items in order and posts every armed item of the group, so
// the receiver sees them in the list's order. Used on one thread (the user-interface thread).

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/message_receiver.h"

namespace vaultora {

class TAPIItem {
 public:
  std::string Caption;
  unsigned APIMsg = 0;
  bool UserMessage = true;  // APIMsg counts from WM_USER
  int GroupIndex = 0;
  bool Enabled = false;  // armed
  intptr_t WParam = 0;
  intptr_t LParam = 0;
  std::function<void(TAPIItem& item)> BeforePost;
  std::function<void(TAPIItem& item)> AfterPost;

  unsigned MessageNumber() const { return UserMessage ? WM_USER + APIMsg : APIMsg; }
};

class TApiMessageServer {
 public:
  TAPIItem& Add(std::string caption, unsigned apiMsg, int groupIndex = 0);
  TAPIItem& Item(size_t index) { return FItems.at(index); }
  const TAPIItem& Item(size_t index) const { return FItems.at(index); }
  size_t Count() const { return FItems.size(); }

  // Posts every armed item of the group to the receiver, in list order.
  void Post(TMessageReceiver& receiver, int groupIndex);

 private:
  std::vector<TAPIItem> FItems;
};

}  // namespace vaultora

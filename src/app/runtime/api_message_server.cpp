#include "app/runtime/api_message_server.h"

namespace vaultora {

TAPIItem& TApiMessageServer::Add(std::string caption, unsigned apiMsg, int groupIndex) {
  TAPIItem& item = FItems.emplace_back();
  item.Caption = std::move(caption);
  item.APIMsg = apiMsg;
  item.GroupIndex = groupIndex;
  return item;
}

void TApiMessageServer::Post(TMessageReceiver& receiver, int groupIndex) {
  for (TAPIItem& item : FItems) {
    if (!item.Enabled || item.GroupIndex != groupIndex) continue;
    if (item.BeforePost) item.BeforePost(item);
    receiver.Post(item.MessageNumber(), item.WParam, item.LParam);
    if (item.AfterPost) item.AfterPost(item);
  }
}

}  // namespace vaultora

#include "server/connection_table.h"

namespace vaultora::server {

int TConnectionTable::Open() const {
  int open = 0;
  for (const auto& [handle, entry] : FEntries)
    open += entry.Evicted ? 0 : 1;
  return open;
}

int TConnectionTable::Unauthenticated(uint32_t address) const {
  int count = 0;
  for (const auto& [handle, entry] : FEntries)
    count += !entry.Evicted && !entry.LoggedOn && entry.Address == address ? 1 : 0;
  return count;
}

int TConnectionTable::Unauthenticated() const {
  int count = 0;
  for (const auto& [handle, entry] : FEntries)
    count += !entry.Evicted && !entry.LoggedOn ? 1 : 0;
  return count;
}

uint32_t TConnectionTable::BusiestAddress() const {
  std::map<uint32_t, int> counts;
  uint32_t busiest = 0;
  int most = 0;
  for (const auto& [handle, entry] : FEntries) {
    if (entry.Evicted || entry.LoggedOn) continue;
    const int count = ++counts[entry.Address];
    if (count > most) {
      most = count;
      busiest = entry.Address;
    }
  }
  return busiest;
}

int TConnectionTable::EvictOldest(uint32_t address) {
  TEntry* oldest = nullptr;
  int oldestHandle = -1;
  for (auto& [handle, entry] : FEntries) {
    if (entry.Evicted || entry.LoggedOn || entry.Address != address) continue;
    if (oldest == nullptr || entry.Order < oldest->Order) {
      oldest = &entry;
      oldestHandle = handle;
    }
  }
  if (oldest) oldest->Evicted = true;
  return oldestHandle;
}

TAdmission TConnectionTable::Admit(int handle, uint32_t address) {
  TAdmission admission;
  auto evict = [&](uint32_t from) {
    const int victim = EvictOldest(from);
    if (victim >= 0) admission.Evicted.push_back(victim);
    return victim >= 0;
  };
  if (Unauthenticated(address) >= FLimits.MaxPerAddress)
    evict(address);
  else if (Unauthenticated() >= FLimits.MaxUnauthenticated)
    evict(BusiestAddress());
  if (Open() >= FLimits.MaxConnections && !evict(BusiestAddress())) return admission;
  FEntries[handle] = TEntry{address, ++FNextOrder, false, false};
  admission.Accepted = true;
  return admission;
}

void TConnectionTable::SetLoggedOn(int handle, bool loggedOn) {
  const auto found = FEntries.find(handle);
  if (found != FEntries.end()) found->second.LoggedOn = loggedOn;
}

void TConnectionTable::Remove(int handle) {
  FEntries.erase(handle);
}

std::vector<int> TConnectionTable::Handles() const {
  std::vector<int> handles;
  for (const auto& [handle, entry] : FEntries)
    handles.push_back(handle);
  return handles;
}

}  // namespace vaultora::server

#pragma once
// TConnectionTable: the open connections of a server and who may open the next one. A new
// connection has not logged on yet; such connections are capped on their own (all together and
// per peer address) below the connection limit, so the rest of the limit stays for clients that
// logged on. When a cap is reached, the oldest connection that has not logged on gives way
// (of the newcomer's address when that address is at its cap, else of the address holding the
// most), so a flood from one address cannot lock others out and a legitimate client from the
// same address still gets in. Not thread-safe: the server guards it with its own lock.

#include <cstdint>
#include <map>
#include <vector>

namespace vaultora::server {

struct TAdmissionLimits {
  int MaxConnections = 64;
  int MaxUnauthenticated = 48;  // connections that have not logged on, all addresses
  int MaxPerAddress = 8;        // connections that have not logged on, one address
};

struct TAdmission {
  bool Accepted = false;
  std::vector<int> Evicted;  // handles to shut down to make room
};

class TConnectionTable {
 public:
  explicit TConnectionTable(TAdmissionLimits limits) : FLimits(limits) {}

  // Decides on a new connection; an accepted one is entered under its handle.
  TAdmission Admit(int handle, uint32_t address);
  void SetLoggedOn(int handle, bool loggedOn);
  void Remove(int handle);
  bool Empty() const { return FEntries.empty(); }
  std::vector<int> Handles() const;

  // Connections that count against the limits (not those already told to give way).
  int Open() const;
  int Unauthenticated(uint32_t address) const;
  int Unauthenticated() const;

 private:
  struct TEntry {
    uint32_t Address = 0;
    uint64_t Order = 0;
    bool LoggedOn = false;
    bool Evicted = false;
  };
  // Marks the oldest unauthenticated connection of the address as evicted; -1 when none.
  int EvictOldest(uint32_t address);
  uint32_t BusiestAddress() const;

  TAdmissionLimits FLimits;
  std::map<int, TEntry> FEntries;
  uint64_t FNextOrder = 0;
};

}  // namespace vaultora::server

#pragma once
// The seam to the platform's dial-up facility: exactly the operations the dialer needs (list the
// phone book, read an entry's stored credentials, list active connections, dial with
// notifications, status, hang up, error texts, edit and create entries, IP address). Codes are
// the remote-access error numbers; 0 is success. Called on the owner's thread, except that a
// dial's notification routine may be called on any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vaultora {

using TRasHandle = uintptr_t;  // 0 = none

// The room the dialer gives each enumeration, and the field sizes of an entry.
constexpr size_t kMaxPhoneBookEntries = 16;
constexpr size_t kMaxActiveConnections = 11;
constexpr size_t kMaxEntryName = 256;
constexpr size_t kMaxUserName = 256;
constexpr size_t kMaxPassword = 256;
constexpr size_t kMaxDomain = 15;

// Error codes the dialer itself tells apart.
constexpr unsigned kErrorInvalidHandle = 6;
constexpr unsigned kErrorBufferTooSmall = 603;
constexpr unsigned kErrorInvalidParams = 610;
constexpr unsigned kErrorCorruptPhoneBook = 621;
constexpr unsigned kErrorCannotFindEntry = 623;
constexpr unsigned kErrorRemoteDisconnection = 629;
constexpr unsigned kErrorAuthenticationFailure = 691;

// Dial states reached on the way; the last two end a dial.
constexpr unsigned kRasConnected = 8192;
constexpr unsigned kRasDisconnected = 8193;

struct TRasConnection {
  std::string EntryName;
  TRasHandle Handle = 0;
};

struct TRasDialParams {
  std::string EntryName;
  std::string PhoneNumber;
  std::string CallbackNumber;
  std::string UserName;
  std::string Password;
  std::string Domain;
};

// The notification routine of a dial: a state reached (error 0) or the error that ended it.
using TRasNotify = std::function<void(unsigned state, unsigned error)>;

class TRasAdapter {
 public:
  virtual ~TRasAdapter() = default;
  // Fills names; more than capacity entries fail with kErrorBufferTooSmall and no names.
  virtual unsigned EnumEntries(size_t capacity, TStringList& names) = 0;
  // The entry's stored dial parameters; the password only when one is saved.
  virtual unsigned GetEntryDialParams(const std::string& entry, TRasDialParams& params) = 0;
  virtual unsigned EnumConnections(size_t capacity, std::vector<TRasConnection>& connections) = 0;
  // Starts a dial. handle receives the connection's handle whenever one was made, also when the
  // dial fails to start, so that the caller can hang it up.
  virtual unsigned Dial(const TRasDialParams& params, TRasNotify notify, TRasHandle& handle) = 0;
  // 0 while the connection is up; kErrorInvalidHandle once it is gone.
  virtual unsigned GetConnectStatus(TRasHandle handle) = 0;
  virtual unsigned HangUp(TRasHandle handle) = 0;
  virtual std::string ErrorString(unsigned code) = 0;
  virtual bool EditEntry(const std::string& entry) = 0;
  virtual bool CreateEntry() = 0;
  // The connection's IP address, "" when it has none.
  virtual std::string IpAddress(TRasHandle handle) = 0;
};

// The texts of the remote-access error codes, shared by the adapters that have no system text.
std::string RasErrorText(unsigned code);

// A platform without any dial-up facility: an empty phone book, nothing to dial.
class TNoDialupAdapter : public TRasAdapter {
 public:
  unsigned EnumEntries(size_t, TStringList& names) override;
  unsigned GetEntryDialParams(const std::string&, TRasDialParams&) override;
  unsigned EnumConnections(size_t, std::vector<TRasConnection>& connections) override;
  unsigned Dial(const TRasDialParams&, TRasNotify, TRasHandle& handle) override;
  unsigned GetConnectStatus(TRasHandle) override { return kErrorInvalidHandle; }
  unsigned HangUp(TRasHandle) override { return 0; }
  std::string ErrorString(unsigned code) override { return RasErrorText(code); }
  bool EditEntry(const std::string&) override { return false; }
  bool CreateEntry() override { return false; }
  std::string IpAddress(TRasHandle) override { return ""; }
};

}  // namespace vaultora

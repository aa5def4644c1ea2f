#pragma once
// The dial-up facility of NetworkManager, through its command-line client: its connections are
// the phone book, "connection up" dials, "connection down" hangs up. NetworkManager keeps the
// secrets itself, so every entry reports stored credentials ("*") and they are not passed on.

#include <map>
#include <string>

#include "connect/ras_adapter.h"

namespace vaultora {

class TNmcliRasAdapter : public TRasAdapter {
 public:
  // True when nmcli can be found on the search path.
  static bool Available();

  unsigned EnumEntries(size_t capacity, TStringList& names) override;
  unsigned GetEntryDialParams(const std::string& entry, TRasDialParams& params) override;
  unsigned EnumConnections(size_t capacity, std::vector<TRasConnection>& connections) override;
  unsigned Dial(const TRasDialParams& params, TRasNotify notify, TRasHandle& handle) override;
  unsigned GetConnectStatus(TRasHandle handle) override;
  unsigned HangUp(TRasHandle handle) override;
  std::string ErrorString(unsigned code) override { return RasErrorText(code); }
  bool EditEntry(const std::string& entry) override;
  bool CreateEntry() override;
  std::string IpAddress(TRasHandle handle) override;

 private:
  TRasHandle HandleOf(const std::string& entry);
  std::string EntryOf(TRasHandle handle) const;
  bool ListNames(bool activeOnly, TStringList& names);

  std::map<std::string, TRasHandle> FHandles;  // one handle per connection name
  TRasHandle FNextHandle = 1;
};

}  // namespace vaultora

#include "connect/ras_adapter.h"

#include <map>

namespace vaultora {

std::string RasErrorText(unsigned code) {
  static const std::map<unsigned, const char*> kTexts = {
      {kErrorInvalidHandle, "The handle is invalid."},
      {kErrorBufferTooSmall, "The buffer is too small."},
      {kErrorInvalidParams,
       "The lprasdialparams or lpfPassword pointer is invalid, or the lprasdialparams buffer is "
       "invalid."},
      {kErrorCorruptPhoneBook, "The phone book is corrupted or missing components."},
      {kErrorCannotFindEntry, "The phone-book entry does not exist"},
      {kErrorRemoteDisconnection, "The connection was closed by the remote computer."},
      {633, "The modem or other connecting device is already in use or is not configured."},
      {651, "The modem or other connecting device has reported an error."},
      {668, "The connection was dropped."},
      {676, "The phone line is busy."},
      {678, "There was no answer."},
      {680, "There is no dial tone."},
      {kErrorAuthenticationFailure,
       "Access was denied because the username and/or password was invalid on the domain."},
  };
  const auto found = kTexts.find(code);
  if (found != kTexts.end()) return found->second;
  return "Remote access error " + std::to_string(code) + ".";
}

unsigned TNoDialupAdapter::EnumEntries(size_t, TStringList& names) {
  names.clear();
  return 0;
}

unsigned TNoDialupAdapter::GetEntryDialParams(const std::string&, TRasDialParams&) {
  return kErrorCannotFindEntry;
}

unsigned TNoDialupAdapter::EnumConnections(size_t, std::vector<TRasConnection>& connections) {
  connections.clear();
  return 0;
}

unsigned TNoDialupAdapter::Dial(const TRasDialParams&, TRasNotify, TRasHandle& handle) {
  handle = 0;
  return kErrorCannotFindEntry;
}

}  // namespace vaultora

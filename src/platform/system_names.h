#pragma once
// Names of this computer and its user, as pieces of the logon key and of each backup's record.

#include <string>

namespace vaultora {

std::string ComputerName();  // the host name
std::string UserName();      // the login name of the effective user

}  // namespace vaultora

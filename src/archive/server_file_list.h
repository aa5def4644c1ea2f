#pragma once
// The file list that travels with each backup to the server. By the protocol it is enciphered
// under the fixed stream pass phrase, so the server, and anyone who reads its storage, can read
// every name, size and date in it. A private list is enciphered under the user's own key
// instead, with a marker line in front of the plain text so that the owner's client knows it
// opened the list with the right key. A peer that follows the protocol deciphers a private list
// into noise of the list's length; the backup's title, times, size, MAC, incremental mark and the
// list's file name still travel in the clear.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/streams.h"

namespace vaultora {

// The first line of a private list's plain text.
inline constexpr const char* kPrivateFileListMarker = "Vaultora private file list 1\r\n";

// The bytes to send for list (from its start): empty for an empty list. userKey empty: the
// protocol's public form; otherwise the private form under that key. Raises EKeyError for a
// key longer than 56 bytes.
std::vector<uint8_t> SealServerFileList(TStream& list, const std::string& userKey);

struct TOpenedFileList {
  std::unique_ptr<TMemoryStream> List;  // null when the list cannot be opened
  bool Private = false;                 // it was enciphered under the user's key
};

// The plain list from the bytes received: a private list when userKey opens it, otherwise the
// public form. A private list under another key (or noise) gives no list: its deciphered text
// is not a list (it holds a NUL byte or starts with no folder line).
TOpenedFileList OpenServerFileList(const std::vector<uint8_t>& bytes, const std::string& userKey);

}  // namespace vaultora

#include "archive/server_file_list.h"

#include <cstring>
#include <string_view>

#include "archive/cipher_helpers.h"
#include "selection/file_list_format.h"

namespace vaultora {

namespace {

std::vector<uint8_t> Sealed(TStream& plain, const std::string& passphrase) {
  TEncryptedStream sealed = EncryptWithPassphrase(&plain, passphrase);
  return sealed.Stream ? sealed.Stream->Bytes() : std::vector<uint8_t>();
}

std::unique_ptr<TMemoryStream> Opened(const std::vector<uint8_t>& bytes,
                                      const std::string& passphrase) {
  TMemoryStream sealed(bytes);
  return DecryptWithPassphrase(&sealed, passphrase);
}

bool StartsWithMarker(const std::vector<uint8_t>& plain) {
  const size_t length = std::strlen(kPrivateFileListMarker);
  return plain.size() >= length && std::memcmp(plain.data(), kPrivateFileListMarker, length) == 0;
}

// A list written by any client is text of CR LF ended lines whose first names a folder;
// deciphered noise almost never is (odds below one in 10^6 for any length).
bool LooksLikeList(const std::vector<uint8_t>& plain) {
  const std::string_view text(reinterpret_cast<const char*>(plain.data()), plain.size());
  if (text.size() < 2 || !text.ends_with(kFileListLineEnd)) return false;
  if (text.find('\0') != std::string_view::npos) return false;
  for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
    if (at == 0 || text[at - 1] != '\r') return false;
  const std::string_view first = text.substr(0, text.find('\n'));
  return first.find(kFileListFolderMark) != std::string_view::npos;
}

}  // namespace

std::vector<uint8_t> SealServerFileList(TStream& list, const std::string& userKey) {
  list.SetPosition(0);
  if (list.Size() == 0) return {};
  if (userKey.empty()) return Sealed(list, kStreamPassphrase);
  TMemoryStream plain;
  plain.Write(kPrivateFileListMarker, static_cast<int64_t>(std::strlen(kPrivateFileListMarker)));
  plain.CopyFrom(list, list.Size());
  plain.SetPosition(0);
  return Sealed(plain, userKey);
}

TOpenedFileList OpenServerFileList(const std::vector<uint8_t>& bytes, const std::string& userKey) {
  TOpenedFileList result;
  if (bytes.empty()) {
    result.List = std::make_unique<TMemoryStream>();
    return result;
  }
  if (!userKey.empty()) {
    std::unique_ptr<TMemoryStream> plain = Opened(bytes, userKey);
    if (plain && StartsWithMarker(plain->Bytes())) {
      const auto& all = plain->Bytes();
      const auto body =
          all.begin() + static_cast<std::ptrdiff_t>(std::strlen(kPrivateFileListMarker));
      result.List = std::make_unique<TMemoryStream>(std::vector<uint8_t>(body, all.end()));
      result.Private = true;
      return result;
    }
  }
  std::unique_ptr<TMemoryStream> plain = Opened(bytes, kStreamPassphrase);
  if (plain && LooksLikeList(plain->Bytes())) result.List = std::move(plain);
  return result;
}

}  // namespace vaultora

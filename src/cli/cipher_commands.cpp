// vaultora-cli archive encrypt|decrypt: archives enciphered under the stored key as the builder
// and the restore do it; prints the MAC that the catalogue records.
#include <cstdio>
#include <string>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "cli/cli_command.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

const std::vector<std::string> kValueOptions = {"--mac"};

int Run(const TArgs& args, bool encrypt) {
  const TArgs files = Positional(args, kValueOptions);
  if (files.size() != 2) return UsageError("give the input file and the output file");
  TIniRegistryEditor store;
  const std::string key = ReadEncryptionKey(store);
  if (key.empty()) return Fail(kNoEncryptionKeyText);
  TBlowfish cipher;
  if (encrypt) {
    std::printf("%s\n", EncryptArchiveFile(cipher, key, files[0], files[1]).c_str());
    return 0;
  }
  // Deciphered beside OUT first, so that a MAC that differs leaves an earlier OUT as it was.
  const std::string pending = files[1] + ".partial";
  const std::string mac = DecryptArchiveFile(cipher, key, files[0], pending);
  const std::string expected = OptionValue(args, "--mac");
  if (!expected.empty() && !SameText(expected, mac)) {
    DeleteFile(pending);
    return Fail("Decryption failed, MAC mismatch");
  }
  if (!ReplaceFile(pending, files[1])) {
    DeleteFile(pending);
    return Fail("cannot write \"" + files[1] + "\"");
  }
  std::printf("%s\n", mac.c_str());
  return 0;
}

const TCliRegistrar kEncrypt({"archive encrypt", "IN OUT",
                              "encipher an archive under the stored key and print its MAC",
                              [](const TArgs& args) { return Run(args, true); }, true});
const TCliRegistrar kDecrypt({"archive decrypt", "IN OUT [--mac MAC]",
                              "decipher an archive and print its MAC; with --mac, a different "
                              "MAC fails and leaves OUT alone",
                              [](const TArgs& args) { return Run(args, false); }, true});

}  // namespace
}  // namespace vaultora::cli

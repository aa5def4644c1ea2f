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
  if (files.size() != 2) return Fail("give the input file and the output file");
  TIniRegistryEditor store;
  const std::string key = ReadEncryptionKey(store);
  if (key.empty()) return Fail(kNoEncryptionKeyText);
  TBlowfish cipher;
  const std::string mac = encrypt ? EncryptArchiveFile(cipher, key, files[0], files[1])
                                  : DecryptArchiveFile(cipher, key, files[0], files[1]);
  const std::string expected = OptionValue(args, "--mac");
  if (!encrypt && !expected.empty() && !SameText(expected, mac)) {
    DeleteFile(files[1]);
    return Fail("Decryption failed, MAC mismatch");
  }
  std::printf("%s\n", mac.c_str());
  return 0;
}

const TCliRegistrar kEncrypt({"archive encrypt", "IN OUT",
                              "encipher an archive under the stored key and print its MAC",
                              [](const TArgs& args) { return Run(args, true); }});
const TCliRegistrar kDecrypt({"archive decrypt", "IN OUT [--mac MAC]",
                              "decipher an archive and print its MAC; with --mac, a different "
                              "MAC fails and removes OUT",
                              [](const TArgs& args) { return Run(args, false); }});

}  // namespace
}  // namespace vaultora::cli

#pragma once
// TBackupVerifier: proves catalogued backups without restoring them. For each backup it
// deciphers the archive as it reads it (the plain text never reaches the disk), compares the
// MAC with the catalogue's and inflates every block of every file, and says per backup
// "verified" or what is wrong. Behind `vaultora-cli verify` and the desktop's verify window.
//
// Works on its own settings-store instance, so it may run on a worker thread of its own.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

enum TVerifyOutcome {
  voVerified,     // the MAC and every block are sound
  voNotOnDisk,    // not received (completely): receive it first
  voDamaged,      // MAC mismatch or a block that does not read
  voCannotCheck,  // no key, no such backup, no MAC recorded, the file cannot be read
};

struct TVerifyResult {
  std::string Key;
  std::string Title;
  TVerifyOutcome Outcome = voCannotCheck;
  std::string Text;  // "verified: ..." or what is wrong, in words
  int Files = 0;
  int64_t Bytes = 0;
};

class TBackupVerifier {
 public:
  explicit TBackupVerifier(TIniRegistryEditor& store) : FStore(store) {}

  // Whether the backup's archive must be received before it can be checked.
  bool NeedsReceiving(const std::string& key);
  TVerifyResult Verify(const std::string& key);
  std::vector<TVerifyResult> Verify(const TStringList& keys);

  // Progress of the backup being checked (percent of its files' bytes).
  std::function<void(const std::string& key, int percent)> OnProgress;
  // Set from any thread: the check in progress ends after its current block.
  std::atomic<bool> Stopped{false};

 private:
  TIniRegistryEditor& FStore;
};

// "verified" results say so; others start with the backup's title.
std::string VerifyLine(const TVerifyResult& result);

}  // namespace vaultora

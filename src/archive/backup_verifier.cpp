#include "archive/backup_verifier.h"

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/size_text.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

namespace {

TVerifyResult Outcome(TVerifyResult result, TVerifyOutcome outcome, std::string text) {
  result.Outcome = outcome;
  result.Text = std::move(text);
  return result;
}

}  // namespace

bool TBackupVerifier::NeedsReceiving(const std::string& key) {
  TCatalogue catalogue(FStore);
  if (!catalogue.Exists(key)) return false;
  const TCatalogueEntry entry = catalogue.Entry(key);
  return entry.HasReceivePosition || FileSizeOf(catalogue.ArchivePath(key)) <= 0;
}

TVerifyResult TBackupVerifier::Verify(const std::string& key) {
  TCatalogue catalogue(FStore);
  TVerifyResult result;
  result.Key = key;
  if (!catalogue.Exists(key))
    return Outcome(result, voCannotCheck, "there is no backup " + key + " in the catalogue");
  const TCatalogueEntry entry = catalogue.Entry(key);
  result.Title = entry.BackupTitle;
  const std::string archive = catalogue.ArchivePath(key);
  if (entry.HasReceivePosition)
    return Outcome(result, voNotOnDisk, "not completely received yet: receive it first");
  if (FileSizeOf(archive) <= 0)
    return Outcome(result, voNotOnDisk,
                   "its archive \"" + archive + "\" is not on this computer: receive it first");
  if (entry.MAC.empty())
    return Outcome(result, voCannotCheck, "the catalogue holds no MAC to check it against");
  const std::string userKey = ReadEncryptionKey(FStore);
  if (Trim(userKey).empty()) return Outcome(result, voCannotCheck, kNoEncryptionKeyText);

  TBlowfish cipher;
  TBackupFile reader;
  reader.OnProgress = [&](TComponent*, const std::string&, TPercentage percent, bool& go) {
    if (OnProgress) OnProgress(key, percent);
    if (Stopped) go = false;
  };
  std::string problem;
  std::string mac;
  bool wellFormed = false;
  bool blocksRead = false;
  try {
    TArchiveDecryptor plain(cipher, userKey, archive);
    wellFormed = plain.WellFormed();
    if (wellFormed) blocksRead = reader.TestArchive(plain, problem);
    if (Stopped) return Outcome(result, voCannotCheck, "the check was stopped");
    mac = plain.Finish();
  } catch (const std::exception& e) {
    return Outcome(result, voCannotCheck,
                   "its archive \"" + archive + "\" cannot be read: " + e.what());
  }
  // The MAC first: with another key or a changed file every later fault is only its echo.
  if (!wellFormed || mac != entry.MAC)
    return Outcome(result, voDamaged,
                   "MAC mismatch: the archive was changed or damaged, or the stored encryption "
                   "key is not the one it was made with");
  if (!blocksRead) return Outcome(result, voDamaged, "the archive does not read: " + problem);
  result.Files = reader.FilesProcessed();
  result.Bytes = reader.BytesProcessed();
  return Outcome(result, voVerified,
                 "verified: " + IntToStr(result.Files) + " file(s), " + KBSizeText(result.Bytes));
}

std::vector<TVerifyResult> TBackupVerifier::Verify(const TStringList& keys) {
  std::vector<TVerifyResult> results;
  for (const std::string& key : keys)
    results.push_back(Verify(key));
  return results;
}

std::string VerifyLine(const TVerifyResult& result) {
  const std::string name = result.Title.empty() ? result.Key : "\"" + result.Title + "\"";
  return name + " (" + result.Key + "): " + result.Text;
}

}  // namespace vaultora

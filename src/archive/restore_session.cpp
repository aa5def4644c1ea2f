#include "archive/restore_session.h"

#include <algorithm>
#include <functional>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "archive/restore_target.h"
#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "platform/private_file.h"
#include "platform/process_messages.h"
#include "platform/prompts.h"
#include "platform/size_text.h"
#include "selection/file_list.h"
#include "selection/file_list_format.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr const char* kAbortQuestion = "Are you sure you want to abort the current process?";

// A file-ID list line: path, TAB, packed DOS date, "=", size in bytes.
bool ParseFileIdLine(const std::string& line, std::string& path, uint32_t& date, int64_t& size) {
  const size_t tab = line.rfind('\t');
  if (tab == std::string::npos) return false;
  const size_t equals = line.find('=', tab);
  if (equals == std::string::npos) return false;
  long long dateValue = 0;
  long long sizeValue = 0;
  if (!TryStrToInt(line.substr(tab + 1, equals - tab - 1), dateValue) ||
      !TryStrToInt(line.substr(equals + 1), sizeValue) || sizeValue < 0)
    return false;
  path = line.substr(0, tab);
  date = static_cast<uint32_t>(dateValue);
  size = sizeValue;
  return true;
}

}  // namespace

TRestoreSession::TRestoreSession(TComponent* owner, TIniRegistryEditor& store, std::string key)
    : TComponent(owner),
      FStore(store),
      FCatalogue(store),
      FKey(std::move(key)),
      FBackupFile(new TBackupFile(this)),
      FCipher(new TBlowfish(this)) {
  FCipher->SetCipherMode(TCipherMode::CBC);
  FCipher->SetStringMode(TStringMode::smEncode);
  FBackupFile->SetRestoreMode(rmNewer);
  FBackupFile->SetRestoreFullPath(true);
  FBackupFile->SetSaveFileID(true);
  FBackupFile->OnProgress = [this](TComponent*, const std::string& file, TPercentage percent,
                                   bool& canContinue) {
    if (!file.empty()) SetStatus(file);
    Fire(OnProgress, file, static_cast<int>(percent));
    if (FCancelled) canContinue = false;
  };
  FBackupFile->OnError = [this](TComponent*, int32_t, const std::string& text) { Log(text); };
  // Deciphering a large archive takes a while: it shows progress and lets the window live.
  FCipher->OnProgress = [this](int64_t done, int64_t total) {
    Fire(OnProgress, FDeciphering, total > 0 ? static_cast<int>(done * 100 / total) : 100);
    ProcessMessages();
  };
  FBackupFile->OnRestoreFile = [this](TComponent*, std::string& target, const std::string& stored,
                                      int32_t, bool& doRestore) {
    RestoreFileDecision(target, stored, doRestore);
  };
}

TRestoreSession::~TRestoreSession() {
  Destroying();
  Close();
}

std::string TRestoreSession::Caption() {
  return "Restore \"" + FCatalogue.Entry(FKey).BackupTitle + "\"";
}

void TRestoreSession::Log(const std::string& line) {
  if (ReadSetting(FStore, keys::setting::KeepLogFiles)) FLogLines.push_back(line);
  Fire(OnLog, line);
}

void TRestoreSession::SetStatus(const std::string& text) {
  FStatus = text;
  Fire(OnStatus, text);
}

std::string TRestoreSession::RestoreArchive() {
  if (!FMergedName.empty()) return FMergedName;
  if (FChain.empty()) return "";
  return FCatalogue.PlainArchivePath(FChain.front());
}

// --- deciphering ----------------------------------------------------------------------------

bool TRestoreSession::Start() {
  FBusy = true;
  FCancelled = false;
  FRows.clear();
  FMergedName.clear();
  const std::string userKey = ReadEncryptionKey(FStore);
  bool listed = false;
  if (Trim(userKey).empty()) {
    Log(kNoEncryptionKeyText);
    Log("Encryption failed");
  } else {
    try {
      if (DecryptChain(userKey)) listed = ListFiles();
    } catch (...) {
      FBusy = false;
      throw;
    }
  }
  FBusy = false;
  return listed && !FRows.empty();
}

void TRestoreSession::RemoveStalePlaintext() {
  // A restore that was killed left the archives it deciphered or merged: the user's files in
  // plain text. A backup being built has no catalogue entry yet, so its archive is not touched.
  for (const std::string& id : FCatalogue.Ids())
    for (const std::string& path :
         {FCatalogue.PlainArchivePath(id), FCatalogue.MergedArchivePath(id),
          FCatalogue.MergedArchivePath(id) + ".part"})
      if (FileExists(path) && DeleteFile(path))
        Log("Removed \"" + path + "\" left by an earlier restore");
}

bool TRestoreSession::DecryptChain(const std::string& userKey) {
  RemoveStalePlaintext();
  FChain = FCatalogue.RestoreChain(FKey);
  try {
    for (size_t i = FChain.size(); i-- > 0;) {
      const std::string id = FChain[i];
      // Not completely downloaded yet: nothing to decipher.
      if (FCatalogue.Entry(id).HasReceivePosition) {
        FChain.erase(FChain.begin() + static_cast<long>(i));
        continue;
      }
      const std::string archive = FCatalogue.ArchivePath(id);
      if (FileSizeOf(archive) <= 0) {
        Log("File \"" + archive + "\" not found or file corrupt");
        DeleteArchiveOf(id);
        FChain.erase(FChain.begin() + static_cast<long>(i));
        continue;
      }
      if (!DecryptOne(id, userKey)) return false;
      if (FCancelled) {  // stopped or cancelled while it was deciphered
        DeleteDecryptedFiles();
        return false;
      }
    }
  } catch (const std::exception& e) {
    Log(std::string("Decryption execption, ") + e.what());
    DeleteDecryptedFiles();
    FChain.clear();
    throw;
  }
  return true;
}

bool TRestoreSession::DecryptOne(const std::string& id, const std::string& userKey) {
  const std::string archive = FCatalogue.ArchivePath(id);
  Log("Decrypting " + archive);
  FDeciphering = archive;
  CreatePrivateFile(FCatalogue.PlainArchivePath(id));  // the user's files in plain text
  const std::string mac =
      DecryptArchiveFile(*FCipher, userKey, archive, FCatalogue.PlainArchivePath(id));
  ProcessMessages();
  if (mac == FCatalogue.Entry(id).MAC) {
    Log("Decryption Completed");
    return true;
  }
  Log(kMacMismatchText);
  DeleteDecryptedFiles();
  return false;
}

// --- listing --------------------------------------------------------------------------------

bool TRestoreSession::ListFiles() {
  if (FChain.empty()) {
    Log("No files");
    SetStatus("No Files");
    return false;
  }
  TStringList lines;
  std::string title;
  if (FChain.size() == 1) {
    FBackupFile->ReadArchiveInfo(RestoreArchive(), &lines, title);
  } else {
    Log("Appending incremental archives");
    // Newest first: the chosen backup (last in the chain), then the one it was appended to,
    // and so on back to the full backup; the first copy of a file is its newest.
    TStringList archives = {FCatalogue.PlainArchivePath(FChain.back())};
    for (size_t i = 0; i + 1 < FChain.size(); ++i)
      archives.push_back(FCatalogue.PlainArchivePath(FChain[i]));
    FMergedName = FCatalogue.MergedArchivePath(FChain.back());
    if (!FBackupFile->MergeArchives(FMergedName, archives)) {
      Log("Append failed, Failed to consolidate the backup file");
      return false;
    }
    Log("Append completed");
    FBackupFile->ReadArchiveInfo(FMergedName, &lines, title);
  }
  LoadContents();
  AddRows(lines);
  Log("Archive : " + title);
  if (FRows.empty()) {
    Log("No files");
    SetStatus("No Files");
    return true;
  }
  int64_t total = FBackupFile->TotalSize64();
  // A merged archive's header holds no total; the listed sizes give it.
  if (!FMergedName.empty()) {
    total = 0;
    for (const TRestoreRow& row : FRows)
      total += row.Bytes;
  }
  const std::string count = IntToStr(static_cast<long long>(FRows.size()));
  Log(count + " files, " + IntToStr(total / 1024) + " KB total");
  SetStatus("Viewing " + count + " files");
  return true;
}

void TRestoreSession::LoadContents() {
  // Only a chain can hold files the backup did not name; a list that cannot be read (an older
  // profile, a new computer) leaves the whole chain to restore.
  FContents.clear();
  if (FChain.size() < 2) return;
  TStringList lines;
  std::string error;
  if (!ReadListLines(FCatalogue.Entry(FKey).Session, lines, error)) return;
  for (const std::string& entry : ExpandListLines(lines))
    if (!IsRuleText(entry)) FContents.emplace(EntryPath(entry));
}

void TRestoreSession::AddRows(const TStringList& lines) {
  std::set<std::string> listed;  // a chain names a file once per backup that took it
  for (const std::string& line : lines) {
    std::string path;
    uint32_t date = 0;
    int64_t size = 0;
    if (!ParseFileIdLine(line, path, date, size) || !listed.insert(path).second) continue;
    const std::string when = DateTimeText(DosDateTimeToDateTime(date));
    const size_t blank = when.find(' ');
    TRestoreRow& row = FRows.emplace_back();
    row.Name = ExtractFileName(path);
    row.Date = when.substr(0, blank);
    row.Time = blank == std::string::npos ? "" : when.substr(blank + 1);
    row.Size = KBSizeText(size);
    row.Path = ExtractFilePath(path);
    row.Bytes = size;
    row.DosDate = static_cast<int32_t>(date);
    row.Deleted = !FContents.empty() && FContents.count(path) == 0;
  }
}

// --- extracting -----------------------------------------------------------------------------

std::string TRestoreSession::CheckOptions(const TRestoreOptions& options) {
  if (!options.OriginalPath && Trim(options.Folder).empty()) return "Invalid folder name";
  return "";
}

void TRestoreSession::RestoreFileDecision(std::string& target, const std::string& stored,
                                          bool& doRestore) {
  // A merged chain holds a file once per backup, the newest copy first: only that copy is a
  // candidate, so an older copy can never overwrite it (whatever the overwrite rule).
  const bool firstCopy = FHandledNames.insert(stored).second;
  if (!firstCopy) doRestore = false;
  if (doRestore && FOptions && !FOptions->Everything && !FContents.empty() &&
      FContents.count(stored) == 0)
    doRestore = false;  // deleted before the backup was made
  if (doRestore && FOptions && !FOptions->AllFiles) {
    doRestore = FSelectedNames.count(ExtractFilePath(stored) + ExtractFileName(stored)) > 0;
  }
  if (!doRestore) return;
  if (const std::string folder = ExtractFilePath(target); FCleanedFolders.insert(folder).second) {
    if (const int stale = RemoveStaleTemporaries(folder); stale > 0)
      Log("Removed " + IntToStr(stale) + " temporary file(s) an earlier restore left in \"" +
          folder + "\"");
  }
  // Two stored files that meet at one target (a flat restore): the first one stays.
  const auto [restored, fresh] = FTargets.emplace(target, stored);
  if (!fresh && restored->second != stored) {
    doRestore = false;
    ++FCollisions;
    Log("Not restored \"" + stored + "\": \"" + restored->second + "\" was restored to \"" +
        target + "\" already");
  }
}

bool TRestoreSession::Extract(const TRestoreOptions& options) {
  const std::string problem = CheckOptions(options);
  if (!problem.empty()) {
    ShowError(problem);
    return false;
  }
  FBusy = true;
  FCancelled = false;
  FOptions = &options;
  FHandledNames.clear();
  // Looked up once per stored file: a set, so that all of 100,000 selected rows stay quick.
  FSelectedNames.clear();
  for (size_t i : options.Selected)
    if (i < FRows.size()) FSelectedNames.insert(FRows[i].Path + FRows[i].Name);
  FTargets.clear();
  FCleanedFolders.clear();
  FCollisions = 0;
  FBackupFile->SetRestoreMode(options.Mode);
  FBackupFile->SetRestoreFullPath(options.OriginalPath || options.UseFolderNames);
  const std::string archive = RestoreArchive();
  bool ok = false;
  try {
    ok = !archive.empty() &&
         FBackupFile->ExtractArchive(archive, options.OriginalPath ? "" : options.Folder);
  } catch (const std::exception& e) {
    Log(e.what());
  }
  FFilesRestored = FBackupFile->FilesProcessed();
  if (ok && FCollisions > 0)
    Log("Restore incomplete, " + IntToStr(FFilesRestored) + " file(s) unpacked, " +
        IntToStr(FCollisions) + " not restored: their names met at the target");
  else if (ok)
    Log("Restore completed, " + IntToStr(FFilesRestored) + " file(s) unpacked");
  else if (archive.empty() || !FileExists(archive))
    Log("Restore failed, file not found " + archive);
  else
    Log("Restore failed, " + IntToStr(FFilesRestored) + " file(s) unpacked");
  FOptions = nullptr;
  FBusy = false;
  SetStatus("Ready");
  return ok;
}

// --- stopping and clean-up ------------------------------------------------------------------

void TRestoreSession::DeleteArchiveOf(const std::string& id) {
  // Never sent: this file is the only copy of the backup.
  if (FCatalogue.Entry(id).NeedToSend) return;
  DeleteFile(FCatalogue.ArchivePath(id));
}

void TRestoreSession::DeleteDecryptedFiles() {
  for (const std::string& id : FChain)
    DeleteFile(FCatalogue.PlainArchivePath(id));
  if (!FMergedName.empty()) DeleteFile(FMergedName);
}

int64_t TRestoreSession::BytesDone() const {
  return FBackupFile->BytesProcessed();
}

int64_t TRestoreSession::BytesInAll() const {
  return FBackupFile->TotalSize64();
}

bool TRestoreSession::RequestStop() {
  if (!AskQuestion(kAbortQuestion)) return false;
  FBackupFile->Stop();
  FCancelled = true;
  Fire(OnStopDownload);
  DeleteDecryptedFiles();
  for (const std::string& id : FChain)
    DeleteArchiveOf(id);
  return true;
}

void TRestoreSession::Close() noexcept {
  if (FClosed) return;
  FClosed = true;
  // Each step runs whatever became of the one before: the deciphered archives (the user's files
  // in plain text) go even when the store fails. A failure is said in the log.
  auto guarded = [this](const char* what, const std::function<void()>& step) {
    try {
      step();
    } catch (const std::exception& e) {
      const std::string line = std::string("Closing the restore: ") + what + " failed: " + e.what();
      FLogLines.push_back(line);
      Fire(OnLog, line);
    }
  };
  guarded("deleting the deciphered archives", [this] { DeleteDecryptedFiles(); });
  guarded("recording the archives to clear from the cache", [this] {
    for (const std::string& id : FChain) {
      const TCatalogueEntry entry = FCatalogue.Entry(id);
      if (!entry.NeedToSend && !entry.HasReceivePosition)
        FCatalogue.AddToDelCache(id, FCatalogue.ArchivePath(id));
    }
  });
  guarded("writing the restore log",
          [this] { WriteLogFile(kRestoreLog, FLogLines, ReadLogPolicy(FStore)); });
}

}  // namespace vaultora

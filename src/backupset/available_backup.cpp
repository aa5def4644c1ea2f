#include "backupset/available_backup.h"

#include <cstring>
#include <exception>

#include "archive/encryption_key.h"
#include "archive/server_file_list.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "platform/plain_file_name.h"
#include "platform/prompts.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr int kItemCount = 9;
constexpr size_t kDateLength = 8;
constexpr size_t kSizeLength = 4;
// The log list is emptied before a line is added once it holds more than this many.
constexpr size_t kMaxShownLines = 51;

template <class T>
T FromBytes(const std::vector<uint8_t>& bytes) {
  T value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

template <class T>
void AppendItem(std::vector<uint8_t>& out, const T* data, size_t size) {
  const auto length = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(length >> (8 * i)));
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

std::string TAvailableBackup::BackupId() const {
  std::string name = ArchiveName;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return ReplaceAll(name, "_", ".");
}

std::optional<TAvailableBackup> ParseAvailableBackup(const std::vector<uint8_t>& record) {
  std::vector<std::vector<uint8_t>> items;
  size_t at = 0;
  while (static_cast<int>(items.size()) < kItemCount) {
    if (record.size() - at < 4) return std::nullopt;
    const uint32_t length = record[at] | record[at + 1] << 8 | record[at + 2] << 16 |
                            static_cast<uint32_t>(record[at + 3]) << 24;
    at += 4;
    if (length > record.size() - at) return std::nullopt;
    items.emplace_back(record.begin() + static_cast<ptrdiff_t>(at),
                       record.begin() + static_cast<ptrdiff_t>(at + length));
    at += length;
  }
  if (items[3].size() != kDateLength || items[4].size() != kDateLength ||
      items[5].size() != kSizeLength)
    return std::nullopt;
  auto text = [&](int i) { return std::string(items[i].begin(), items[i].end()); };
  TAvailableBackup backup;
  backup.ArchiveName = text(0);
  backup.Title = text(1);
  backup.FileListName = text(2);
  backup.Started = FromBytes<double>(items[3]);
  backup.Finished = FromBytes<double>(items[4]);
  backup.Size = FromBytes<int32_t>(items[5]);
  backup.MAC = text(6);
  backup.Incremental = text(7);
  backup.FileList = std::move(items[8]);
  // The names name files in the working folder and catalogue keys: nothing that leads elsewhere,
  // and nothing that is only dots and blanks.
  if (!IsPlainFileName(backup.BackupId()) || !IsPlainFileName(backup.ArchiveName) ||
      !IsPlainFileName(backup.FileListName) ||
      (!backup.Incremental.empty() && !IsPlainFileName(backup.Incremental)))
    return std::nullopt;
  return backup;
}

std::vector<uint8_t> BuildAvailableBackup(const TAvailableBackup& backup) {
  std::vector<uint8_t> out;
  auto add = [&](const std::string& s) { AppendItem(out, s.data(), s.size()); };
  add(backup.ArchiveName);
  add(backup.Title);
  add(backup.FileListName);
  AppendItem(out, &backup.Started, sizeof backup.Started);
  AppendItem(out, &backup.Finished, sizeof backup.Finished);
  AppendItem(out, &backup.Size, sizeof backup.Size);
  add(backup.MAC);
  add(backup.Incremental);
  AppendItem(out, backup.FileList.data(), backup.FileList.size());
  return out;
}

TAvailableBackupsImport::TAvailableBackupsImport(TIniRegistryEditor& store) : FStore(store) {}

TAvailableBackupsImport::~TAvailableBackupsImport() {
  try {
    if (!FKept.empty()) WriteLogFile(kRegUpDateLog, FKept, ReadLogPolicy(FStore));
  } catch (const std::exception&) {
    // A log that cannot be written is lost; the catalogue is not.
  }
}

void TAvailableBackupsImport::Log(const std::string& line) {
  if (FLines.size() > kMaxShownLines) FLines.clear();
  FLines.push_back(line);
  if (ReadSetting(FStore, keys::setting::KeepLogFiles)) FKept.push_back(line);
  if (OnLine) OnLine(line);
}

bool TAvailableBackupsImport::Add(const std::vector<uint8_t>& record) {
  std::optional<TAvailableBackup> backup = ParseAvailableBackup(record);
  if (!backup) {
    Log("A backup record from Vaultora's server was skipped: it cannot be read, or a name in it "
        "cannot be used here");
    return false;
  }
  Log(backup->Title + " retrieved from Vaultora's server");
  FItems.push_back(std::move(*backup));
  FChecked.push_back(false);
  return true;
}

bool TAvailableBackupsImport::RegisterOne(const TAvailableBackup& item) {
  // An empty list was sent as an empty item: it is restored empty. A private list opens only
  // with the key it was sent under; without it nothing of the backup is entered.
  TOpenedFileList opened = OpenServerFileList(item.FileList, ReadEncryptionKey(FStore));
  if (!opened.List) {
    Log("The file list of " + item.Title +
        " is enciphered under another key than the one stored here");
    return false;
  }
  const std::string session = TCatalogue(FStore).WorkingFolder() + item.FileListName;
  const std::string id = item.BackupId();
  const TRegistryKey backups(FStore, keys::kBackupsKey);
  backups.WriteString(id, catalogue::kBackupTitle, item.Title);
  backups.WriteString(id, catalogue::kSession, session);
  backups.WriteString(id, catalogue::kFinishDateTime, FloatToText(item.Finished));
  backups.WriteString(id, catalogue::kSize, IntToStr(item.Size));
  backups.WriteString(id, catalogue::kMAC, item.MAC);
  if (!item.Incremental.empty()) backups.WriteString(id, catalogue::kIncremental, item.Incremental);
  opened.List->SaveToFile(session);
  return true;
}

bool TAvailableBackupsImport::Register() {
  Log("Updating settings");
  bool all = true;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (!FChecked[i]) continue;
    bool restored = false;
    try {
      restored = RegisterOne(FItems[i]);
    } catch (const std::exception& e) {
      Log(e.what());
    }
    // One backup that cannot be registered does not keep the others out.
    if (!restored) {
      Log("Update failed: " + FItems[i].Title + " (" + FItems[i].BackupId() + ") was skipped");
      all = false;
      continue;
    }
    FChecked[i] = false;
    Log(FItems[i].Title + " unpacked.");
  }
  Log("Completed");
  ShowInformation("Settings have been updated");
  return all;
}

}  // namespace vaultora

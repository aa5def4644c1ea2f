#pragma once
// The available-backup record: the server's description of one backup it holds, from which a
// backup missing here (after a reinstallation, on a second computer of the account) is entered
// into the catalogue. docs/available_backup.md gives the layout. Core; not thread-safe.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

// One parsed record (the window's TRegItem).
struct TAvailableBackup {
  std::string ArchiveName;  // the ".BFE" file name
  std::string Title;
  std::string FileListName;  // the ".bfl" file name
  TDateTime Started = 0;
  TDateTime Finished = 0;
  int32_t Size = 0;
  std::string MAC;
  std::string Incremental;        // the ID it appends to, or empty
  std::vector<uint8_t> FileList;  // enciphered with the stream key

  // The catalogue entry: the archive name without its extension, every "_" turned into ".".
  std::string BackupId() const;
};

// The nine items, each an int32 little-endian length and its bytes. Nothing when the record is
// short, an item overruns it, a date or the size has another length, or a name is not a plain
// file name (IsPlainFileName: a path separator, "..", empty, or only dots and blanks).
std::optional<TAvailableBackup> ParseAvailableBackup(const std::vector<uint8_t>& record);
// The reverse, as the server builds it.
std::vector<uint8_t> BuildAvailableBackup(const TAvailableBackup& backup);

// The non-visual half of the "Available Backups" window: the records it lists, registering the
// chosen ones and its log lines (written as "RegUpDate.log" while logging is on).
class TAvailableBackupsImport {
 public:
  explicit TAvailableBackupsImport(TIniRegistryEditor& store);
  ~TAvailableBackupsImport();  // writes the kept log lines as "RegUpDate.log"

  // Parses and lists a record; a record that cannot be parsed is dropped. True when listed.
  bool Add(const std::vector<uint8_t>& record);
  const std::vector<TAvailableBackup>& Items() const { return FItems; }
  std::vector<bool>& Checked() { return FChecked; }

  // Registers the checked items in list order, unchecking each one done. One that cannot be
  // registered (its file list cannot be restored) gets an "Update failed" line and is skipped;
  // false when any was.
  bool Register();

  const TStringList& Lines() const { return FLines; }
  std::function<void(const std::string& line)> OnLine;

 private:
  void Log(const std::string& line);
  bool RegisterOne(const TAvailableBackup& item);

  TIniRegistryEditor& FStore;
  std::vector<TAvailableBackup> FItems;
  std::vector<bool> FChecked;
  TStringList FLines;
  TStringList FKept;
};

}  // namespace vaultora

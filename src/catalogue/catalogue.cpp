#include "catalogue/catalogue.h"

#include <algorithm>

#include "platform/folder_listing.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"
#include "settings/value_set.h"

namespace vaultora {

namespace c = catalogue;

const char* BackupStateText(TBackupState state) {
  switch (state) {
    case bsToSend:
      return "To send";
    case bsPartlySent:
      return "Partly sent";
    case bsSentNotCached:
      return "Sent, not cached";
    case bsSentCached:
      return "Sent, cached";
    case bsReceiving:
      return "To receive";
    case bsDeleted:
      return "Marked for deletion";
  }
  return "";
}

const char* ViewCaption(TCatalogueView view) {
  switch (view) {
    case cvOutbox:
      return "Outbox";
    case cvInbox:
      return "Inbox";
    case cvSentItems:
      return "Sent Items";
    case cvReceivingItems:
      return "Receiving Items";
    case cvDeleted:
      return "Deleted";
  }
  return "";
}

TBackupState TCatalogueEntry::State() const {
  if (Deleted) return bsDeleted;
  if (HasSendPosition) return bsPartlySent;
  if (NeedToSend) return bsToSend;
  if (HasReceivePosition) return bsReceiving;
  return ArchiveExists ? bsSentCached : bsSentNotCached;
}

bool TCatalogueEntry::InView(TCatalogueView view) const {
  switch (view) {
    case cvOutbox:
      return (NeedToSend || HasSendPosition) && !Deleted;
    case cvInbox:
      return !HasFlags() && ArchiveExists;
    case cvSentItems:
      return !HasFlags() && !ArchiveExists;
    case cvReceivingItems:
      return HasReceivePosition && !Deleted;
    case cvDeleted:
      return Deleted;
  }
  return false;
}

std::string BackupIdOf(TDateTime started) {
  return FloatToText(started);
}

bool BackupIdTime(const std::string& id, TDateTime& started) {
  return TextToFloat(id, started);
}

std::string BackupFileBase(const std::string& id) {
  return ReplaceAll(id, ".", "_");
}

std::string BackupIdFromFileName(const std::string& path) {
  std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return ReplaceAll(name, "_", ".");
}

TCatalogue::TCatalogue(TIniRegistryEditor& store) : FStore(store) {}

TRegistryKey TCatalogue::Root() const {
  return BaseKey(FStore);
}

TRegistryKey TCatalogue::Backups() const {
  return TRegistryKey(FStore, keys::kBackupsKey);
}

std::string TCatalogue::WorkingFolder() {
  return ReadWorkingFolder(FStore);
}

std::string TCatalogue::ArchivePath(const std::string& id) {
  return WorkingFolder() + BackupFileBase(id) + kEncryptedArchiveExt;
}

std::string TCatalogue::FileListPath(const std::string& id) {
  return WorkingFolder() + BackupFileBase(id) + kFileListExt;
}

std::string TCatalogue::PlainArchivePath(const std::string& id) {
  return WorkingFolder() + BackupFileBase(id) + kPlainArchiveExt;
}

std::string TCatalogue::MergedArchivePath(const std::string& id) {
  return WorkingFolder() + BackupFileBase(id) + kMergedArchiveExt;
}

std::string TCatalogue::ZipCompanionPath(const std::string& id) {
  return WorkingFolder() + BackupFileBase(id) + kZipCompanionExt;
}

TStringList TCatalogue::Ids() {
  return Backups().Sections();
}

bool TCatalogue::Exists(const std::string& id) {
  const TStringList ids = Ids();
  return std::any_of(ids.begin(), ids.end(), [&](const std::string& x) { return SameText(x, id); });
}

namespace {

// archives: the names of the working folder's files when the caller listed it, else nullptr
// (one entry looks its archive up by itself).
TCatalogueEntry EntryOf(const std::string& id, const TValueSet& values,
                        const std::string& workingFolder,
                        const std::unordered_set<std::string>* archives = nullptr) {
  TCatalogueEntry e;
  e.Id = id;
  e.FinishDateTime = values.ReadString(c::kFinishDateTime, "");
  e.Session = values.ReadString(c::kSession, "");
  e.Size = values.ReadString(c::kSize, "");
  e.User = values.ReadString(c::kUser, "");
  e.MAC = values.ReadString(c::kMAC, "");
  e.BackupTitle = values.ReadString(c::kBackupTitle, "");
  e.Incremental = values.ReadString(c::kIncremental, "");
  e.NeedToSend = values.ValueExists(c::kNeedToSend);
  e.Deleted = values.ValueExists(c::kDeleted);
  e.HasSendPosition = values.ValueExists(c::kSendPosition);
  if (e.HasSendPosition) e.SendPosition = values.ReadInteger(c::kSendPosition, 0);
  e.HasReceivePosition = values.ValueExists(c::kReceivePosition);
  if (e.HasReceivePosition) e.ReceivePosition = values.ReadInteger(c::kReceivePosition, 0);
  const std::string archive = BackupFileBase(id) + kEncryptedArchiveExt;
  e.ArchiveExists = archives ? archives->count(archive) != 0 : FileExists(workingFolder + archive);
  return e;
}

}  // namespace

TCatalogueEntry TCatalogue::Entry(const std::string& id) {
  const TNamedValues values = Backups().SectionValues(id);
  return EntryOf(id, TValueSet(values), WorkingFolder());
}

std::vector<TCatalogueEntry> TCatalogue::Entries() {
  // One read of the whole catalogue: a list of thousands of entries refreshes at once.
  const auto keys = Backups().SubKeyValues();
  const std::string folder = WorkingFolder();
  // One listing of the working folder instead of a look-up of each entry's archive.
  const std::unordered_set<std::string> archives = RegularFilesIn(folder);
  std::vector<TCatalogueEntry> entries;
  entries.reserve(keys.size());
  for (const auto& [id, values] : keys)
    entries.push_back(EntryOf(id, TValueSet(values), folder, &archives));
  return entries;
}

namespace {

template <class Predicate>
std::vector<TCatalogueEntry> Select(std::vector<TCatalogueEntry> entries, Predicate keep) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const TCatalogueEntry& e) { return !keep(e); }),
                entries.end());
  return entries;
}

}  // namespace

std::vector<TCatalogueEntry> TCatalogue::EntriesInView(TCatalogueView view) {
  return Select(Entries(), [view](const TCatalogueEntry& e) { return e.InView(view); });
}

std::vector<TCatalogueEntry> TCatalogue::EntriesToSend() {
  return Select(Entries(), [](const TCatalogueEntry& e) { return e.NeedToSend && !e.Deleted; });
}

std::vector<TCatalogueEntry> TCatalogue::EntriesToReceive() {
  return Select(Entries(),
                [](const TCatalogueEntry& e) { return e.HasReceivePosition && !e.Deleted; });
}

std::vector<TCatalogueEntry> TCatalogue::EntriesToDelete() {
  return Select(Entries(), [](const TCatalogueEntry& e) { return e.Deleted; });
}

TStringList TCatalogue::RestoreChain(const std::string& id) {
  const TStringList ids = Ids();
  auto listed = [](const TStringList& list, const std::string& x) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& y) { return SameText(x, y); });
  };
  TStringList chain;
  TStringList seen{id};
  const TRegistryKey store = Backups();
  for (std::string link = store.ReadString(id, c::kIncremental, "");
       !link.empty() && listed(ids, link) && !listed(seen, link);
       link = store.ReadString(link, c::kIncremental, "")) {
    chain.push_back(link);
    seen.push_back(link);
  }
  chain.push_back(id);
  return chain;
}

std::vector<TCatalogue::TChainGap> TCatalogue::ChainGaps(const std::string& id) {
  std::vector<TChainGap> gaps;
  const TStringList chain = RestoreChain(id);
  // The chain runs from the chosen backup's base back to the full one, then the chosen one; it
  // ends early at a link to a backup that is not catalogued.
  const std::string& oldest = chain.size() >= 2 ? chain[chain.size() - 2] : chain.back();
  if (const std::string link = Backups().ReadString(oldest, c::kIncremental, "");
      !link.empty() && !Exists(link))
    gaps.push_back({TChainGap::cgNotCatalogued, link});
  for (const std::string& member : chain) {
    const TCatalogueEntry entry = Entry(member);
    if (entry.HasReceivePosition)
      gaps.push_back({TChainGap::cgPartlyReceived, member});
    else if (!entry.ArchiveExists)
      gaps.push_back({entry.NeedToSend ? TChainGap::cgLost : TChainGap::cgOnServer, member});
  }
  return gaps;
}

namespace {

bool AnyHas(const TRegistryKey& store, const TStringList& ids, const char* name) {
  return std::any_of(ids.begin(), ids.end(),
                     [&](const std::string& id) { return store.ValueExists(id, name); });
}

}  // namespace

bool TCatalogue::AnythingToSend() {
  const TStringList ids = Ids();
  return AnyHas(Backups(), ids, c::kNeedToSend);
}

bool TCatalogue::AnythingToReceive() {
  const TStringList ids = Ids();
  return AnyHas(Backups(), ids, c::kReceivePosition);
}

bool TCatalogue::AnythingToDelete() {
  const TStringList ids = Ids();
  return AnyHas(Backups(), ids, c::kDeleted);
}

void TCatalogue::RecordBackup(const std::string& id, const TBackupRecord& record) {
  const TRegistryKey store = Backups();
  TRegistryTransaction transaction(FStore);
  store.WriteString(id, c::kFinishDateTime, FloatToText(record.FinishDateTime));
  store.WriteString(id, c::kSession, record.Session);
  store.WriteString(id, c::kSize, IntToStr(record.Size));
  store.WriteString(id, c::kUser, record.User);
  store.WriteString(id, c::kMAC, record.MAC);
  store.WriteString(id, c::kBackupTitle, record.BackupTitle);
  store.WriteBool(id, c::kNeedToSend, true);
  if (!record.Incremental.empty()) store.WriteString(id, c::kIncremental, record.Incremental);
  transaction.Commit();
}

void TCatalogue::WriteSendPosition(const std::string& id, int32_t position) {
  Backups().WriteInteger(id, c::kSendPosition, position);
}

void TCatalogue::MarkSent(const std::string& id) {
  const TRegistryKey store = Backups();
  TRegistryTransaction transaction(FStore);
  store.DeleteValue(id, c::kNeedToSend);
  store.DeleteValue(id, c::kSendPosition);
  transaction.Commit();
}

bool TCatalogue::MarkForFetching(const std::string& id) {
  const TRegistryKey store = Backups();
  if (store.ValueExists(id, c::kReceivePosition) || store.ValueExists(id, c::kDeleted))
    return false;
  store.WriteInteger(id, c::kReceivePosition, 0);
  return true;
}

void TCatalogue::WriteReceivePosition(const std::string& id, int32_t position) {
  Backups().WriteInteger(id, c::kReceivePosition, position);
}

void TCatalogue::ClearReceivePosition(const std::string& id) {
  Backups().DeleteValue(id, c::kReceivePosition);
}

void TCatalogue::MarkDeleted(const std::string& id) {
  Backups().WriteBool(id, c::kDeleted, true);
}

void TCatalogue::UndoDelete(const std::string& id) {
  Backups().DeleteValue(id, c::kDeleted);
}

void TCatalogue::Erase(const std::string& id) {
  Backups().EraseSection(id);
}

void TCatalogue::AddToDelCache(const std::string& id, const std::string& archivePath) {
  Root().WriteString(keys::kDelCache, id, archivePath);
}

std::vector<std::pair<std::string, std::string>> TCatalogue::DelCacheEntries() {
  const TRegistryKey root = Root();
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& name : root.ValueNames(keys::kDelCache))
    entries.emplace_back(name, root.ReadString(keys::kDelCache, name, ""));
  return entries;
}

void TCatalogue::EraseDelCache() {
  Root().EraseSection(keys::kDelCache);
}

}  // namespace vaultora

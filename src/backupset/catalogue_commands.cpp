#include "backupset/catalogue_commands.h"

#include <algorithm>

#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/prompts.h"

namespace vaultora {

const char* const kRemoveUnsentQuestion =
    "This backup has not been sent to the backup server,\rare you sure you want to remove the "
    "this backup from your system ?";
const char* const kClearCacheQuestion =
    "There are backups cached on your local disk, would you like to clear the cache?";

namespace {

void Remove(TStringList& list, const std::string& key) {
  list.erase(std::remove(list.begin(), list.end(), key), list.end());
}

}  // namespace

TCatalogueCommands::TCatalogueCommands(TIniRegistryEditor& store, TStringList& restoreList)
    : FStore(store), FRestoreList(restoreList) {}

void TCatalogueCommands::DeleteArchiveFiles(const std::string& key) {
  TCatalogue catalogue(FStore);
  DeleteFile(catalogue.ArchivePath(key));
  DeleteFile(catalogue.ZipCompanionPath(key));
}

TDeleteResult TCatalogueCommands::Delete(const std::string& key) {
  TCatalogue catalogue(FStore);
  if (!catalogue.Exists(key)) return drKept;
  // On the server at least in part: only the delete worker may remove it.
  if (catalogue.Entry(key).ReachedServer()) {
    catalogue.MarkDeleted(key);
    return drMarked;
  }
  if (!AskQuestion(kRemoveUnsentQuestion)) return drKept;
  DeleteArchiveFiles(key);
  catalogue.Erase(key);
  Remove(FRestoreList, key);
  return drRemoved;
}

void TCatalogueCommands::Undo(const std::string& key) {
  TCatalogue(FStore).UndoDelete(key);
}

void TCatalogueCommands::MoveToSentItems(const std::string& key) {
  TCatalogue catalogue(FStore);
  if (!catalogue.Exists(key)) return;
  DeleteArchiveFiles(key);
  catalogue.ClearReceivePosition(key);
  Remove(FRestoreList, key);
}

bool TCatalogueCommands::ClearCache() {
  TCatalogue catalogue(FStore);
  bool asked = false;
  for (const auto& [id, path] : catalogue.DelCacheEntries()) {
    if (path.empty() || !FileExists(path)) continue;
    if (!asked) {
      if (!AskQuestion(kClearCacheQuestion)) return false;
      asked = true;
    }
    DeleteFile(path);
  }
  catalogue.EraseDelCache();
  return true;
}

TStringList TCatalogueCommands::ToggleRestoreRequest(const std::string& key, bool ticked) {
  // The entry and, through its Incremental links, every backup it needs to be restored.
  TStringList keys = TCatalogue(FStore).RestoreChain(key);
  if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  for (const std::string& k : keys) {
    const bool listed =
        std::find(FRestoreList.begin(), FRestoreList.end(), k) != FRestoreList.end();
    if (ticked && !listed) FRestoreList.push_back(k);
    if (!ticked) Remove(FRestoreList, k);
  }
  return keys;
}

void TCatalogueCommands::PrepareRestoreList() {
  TCatalogue catalogue(FStore);
  for (const TCatalogueEntry& entry : catalogue.EntriesToReceive())
    if (std::find(FRestoreList.begin(), FRestoreList.end(), entry.Id) == FRestoreList.end())
      FRestoreList.push_back(entry.Id);
  for (size_t i = FRestoreList.size(); i-- > 0;) {
    const std::string& id = FRestoreList[i];
    // A name without a catalogue entry is left for the download to report as not registered;
    // marking it would create an entry that holds nothing but a ReceivePosition.
    if (!catalogue.Exists(id)) continue;
    const TCatalogueEntry entry = catalogue.Entry(id);
    // A download appends to the local archive: never to the only copy of an unsent backup.
    if (entry.Deleted || (entry.NeedToSend && !entry.HasReceivePosition))
      FRestoreList.erase(FRestoreList.begin() + static_cast<long>(i));
    else
      catalogue.MarkForFetching(id);
  }
}

}  // namespace vaultora

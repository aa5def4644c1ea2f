#pragma once
// The local commands of the catalogue: what the main window's Delete, Undo, Move to "Sent
// Items", Clear cache and the "Restore" check box of "Sent Items" do to the catalogue and the
// working folder. Questions go through the prompt interface. Callers on the user-interface thread
// use the one store instance of that thread; the caller checks that no download is running
// before MoveToSentItems and ClearCache.

#include <string>

#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

enum TDeleteResult {
  drMarked,   // the entry is on the server (at least in part): it is marked Deleted
  drRemoved,  // never sent: the entry and its files are gone
  drKept,     // never sent and the question was answered No (or the entry is unknown)
};

class TCatalogueCommands {
 public:
  // restoreList is the download's list of requested entries, shared with the work queue.
  TCatalogueCommands(TIniRegistryEditor& store, TStringList& restoreList);

  TDeleteResult Delete(const std::string& key);
  // Removes the Deleted mark; the entry's mark is then waiting (SendPosition) or done.
  void Undo(const std::string& key);
  // Forgets the local copy of a received entry: it shows under "Sent Items" again.
  void MoveToSentItems(const std::string& key);
  // Offers to delete the archives kept after restores (section DelCache); true when the section
  // is gone afterwards.
  bool ClearCache();
  // Ticks or unticks the entry and every entry it is incremental upon; returns those keys.
  TStringList ToggleRestoreRequest(const std::string& key, bool ticked);

 private:
  void DeleteArchiveFiles(const std::string& key);

  TIniRegistryEditor& FStore;
  TStringList& FRestoreList;
};

// The question asked before a backup that never reached the server is removed.
extern const char* const kRemoveUnsentQuestion;
extern const char* const kClearCacheQuestion;

}  // namespace vaultora

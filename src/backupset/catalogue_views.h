#pragma once
// The rows of the catalogue's five views as the main window (and `vaultora-cli catalogue view`)
// shows them: the columns, the cells of each row, the marks and the status texts. Which entries
// a view lists is the catalogue's rule (TCatalogueEntry::InView). Every call re-reads the
// catalogue through the store.

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/text.h"

namespace vaultora {

// Outside "Sent Items" each row carries one of three marks; there it carries a check box.
enum TRowMark { mkDeleted, mkWaiting, mkDone };

struct TViewColumn {
  std::string Caption;
  int Width = 0;
};

struct TCatalogueRow {
  TBackupId Id;
  std::string Name;         // BackupTitle
  std::string Started;      // the key as a date-time
  std::string Finished;     // FinishDateTime, or "Failed Backup"
  std::string Size;         // Size as a size text
  std::string Transferred;  // SendPosition / ReceivePosition (views 0 and 3 only)
  TRowMark Mark = mkDone;
  bool Checked = false;  // view 2: the key is in the restore list
};

// The columns, the "Restore" check-box column of "Sent Items" first.
std::vector<TViewColumn> ViewColumns(TCatalogueView view);
// The rows of a view in catalogue order; restoreList ticks the rows of "Sent Items".
std::vector<TCatalogueRow> ViewRows(TIniRegistryEditor& store, TCatalogueView view,
                                    const TStringList& restoreList);
TRowMark EntryMark(const TCatalogueEntry& entry);

// The first status panel: count + " item(s) to be sent." and so on.
std::string ViewStatusText(TCatalogueView view, size_t rowCount);
// The second status panel of "Sent Items": count + " item(s) requested.".
std::string RequestedStatusText(size_t requestCount);

}  // namespace vaultora

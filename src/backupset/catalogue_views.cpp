#include "backupset/catalogue_views.h"

#include <algorithm>

#include "platform/date_time.h"
#include "platform/size_text.h"

namespace vaultora {

namespace {

std::string DateCell(const std::string& dayNumberText) {
  double value = 0;
  return TextToFloat(dayNumberText, value) ? DateTimeText(value) : dayNumberText;
}

std::string SizeCell(const std::string& bytesText) {
  long long bytes = 0;
  return TryStrToInt(Trim(bytesText), bytes) ? KBSizeText(bytes) : bytesText;
}

std::string PositionCell(bool present, int32_t position) {
  return present ? KBSizeText(position) : "0 KB";
}

}  // namespace

std::vector<TViewColumn> ViewColumns(TCatalogueView view) {
  std::vector<TViewColumn> columns;
  if (view == cvSentItems) columns.push_back({"Restore", 20});
  columns.insert(columns.end(), {{"Name", 70}, {"Started", 135}, {"Finished", 135}, {"Size", 75}});
  if (view == cvOutbox) columns.push_back({"Transfered", 75});
  if (view == cvReceivingItems) columns.push_back({"Received", 75});
  return columns;
}

TRowMark EntryMark(const TCatalogueEntry& entry) {
  if (entry.Deleted) return mkDeleted;
  if (entry.NeedToSend) return mkWaiting;
  return mkDone;
}

std::vector<TCatalogueRow> ViewRows(TIniRegistryEditor& store, TCatalogueView view,
                                    const TStringList& restoreList) {
  std::vector<TCatalogueRow> rows;
  for (const TCatalogueEntry& entry : TCatalogue(store).EntriesInView(view)) {
    TCatalogueRow& row = rows.emplace_back();
    row.Id = {entry.Id, entry.Session};
    row.Name = entry.BackupTitle;
    row.Started = DateCell(entry.Id);
    row.Finished =
        entry.FinishDateTime.empty() ? kFailedBackupText : DateCell(entry.FinishDateTime);
    row.Size = SizeCell(entry.Size);
    if (view == cvOutbox) row.Transferred = PositionCell(entry.HasSendPosition, entry.SendPosition);
    if (view == cvReceivingItems)
      row.Transferred = PositionCell(entry.HasReceivePosition, entry.ReceivePosition);
    row.Mark = EntryMark(entry);
    row.Checked = std::find(restoreList.begin(), restoreList.end(), entry.Id) != restoreList.end();
  }
  return rows;
}

std::string ViewStatusText(TCatalogueView view, size_t rowCount) {
  const char* text = "";
  switch (view) {
    case cvOutbox:
      text = " item(s) to be sent.";
      break;
    case cvInbox:
      text = " item(s) in the inbox.";
      break;
    case cvSentItems:
      text = " item(s) on the server.";
      break;
    case cvReceivingItems:
      text = " item(s) requested.";
      break;
    case cvDeleted:
      text = " item(s) to delete.";
      break;
  }
  return IntToStr(static_cast<long long>(rowCount)) + text;
}

std::string RequestedStatusText(size_t requestCount) {
  return IntToStr(static_cast<long long>(requestCount)) + " item(s) requested.";
}

}  // namespace vaultora

// vaultora-cli catalogue view, delete, undo, move-to-sent, clear-cache: the main window's views
// of the catalogue and its local commands.
#include <cstdio>
#include <functional>

#include "backupset/catalogue_commands.h"
#include "backupset/catalogue_views.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {

namespace {

const char* MarkText(const TCatalogueRow& row, TCatalogueView view) {
  if (view == cvSentItems) return row.Checked ? "[x]" : "[ ]";
  switch (row.Mark) {
    case mkDeleted:
      return "deleted";
    case mkWaiting:
      return "waiting";
    case mkDone:
      return "done";
  }
  return "";
}

bool ParseView(const std::string& text, TCatalogueView& view) {
  const std::string name = LowerCase(text);
  const std::pair<const char*, TCatalogueView> names[] = {{"outbox", cvOutbox},
                                                          {"inbox", cvInbox},
                                                          {"sent", cvSentItems},
                                                          {"receiving", cvReceivingItems},
                                                          {"deleted", cvDeleted}};
  for (const auto& [candidate, value] : names) {
    if (name == candidate || SameText(text, ViewCaption(value))) {
      view = value;
      return true;
    }
  }
  return false;
}

void PrintRow(const std::vector<std::string>& cells) {
  // The widths of the window's columns, in characters.
  static const int kWidths[] = {8, 24, 24, 24, 14, 14};
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    std::string cell = cells[i];
    const size_t width = static_cast<size_t>(kWidths[i < 6 ? i : 5]);
    if (cell.size() < width) cell.resize(width, ' ');
    line += cell + " ";
  }
  std::printf("%s\n", TrimRight(line).c_str());
}

int ViewCommand(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  TCatalogueView view = cvOutbox;
  if (positional.size() != 1 || !ParseView(positional[0], view))
    return UsageError("name a view: outbox, inbox, sent, receiving or deleted");
  TIniRegistryEditor store;
  TStringList restoreList;
  const auto rows = ViewRows(store, view, restoreList);
  std::vector<std::string> header = {view == cvSentItems ? "Restore" : "State", "Key"};
  for (const TViewColumn& column : ViewColumns(view))
    if (column.Caption != "Restore") header.push_back(column.Caption);
  PrintRow(header);
  for (const TCatalogueRow& row : rows) {
    std::vector<std::string> cells = {MarkText(row, view), row.Id.Key,   row.Name,
                                      row.Started,         row.Finished, row.Size};
    if (view == cvOutbox || view == cvReceivingItems) cells.push_back(row.Transferred);
    PrintRow(cells);
  }
  std::printf("%s\n", ViewStatusText(view, rows.size()).c_str());
  return 0;
}

// Runs a local command on the entry the arguments name; its exit status.
int OnEntry(const TArgs& args,
            const std::function<int(TCatalogueCommands& commands, const std::string& key)>& run) {
  TIniRegistryEditor store;
  std::string key;
  if (const int status = ResolveEntry(store, args, key)) return status;
  TStringList restoreList;
  TCatalogueCommands commands(store, restoreList);
  return run(commands, key);
}

int Report(const std::string& key, const char* what, int status = 0) {
  std::printf("%s %s\n", key.c_str(), what);
  return status;
}

int DeleteCommand(const TArgs& args) {
  return OnEntry(args, [](TCatalogueCommands& commands, const std::string& key) {
    switch (commands.Delete(key)) {
      case drMarked:
        return Report(key, "marked for deletion on the server");
      case drRemoved:
        return Report(key, "removed");
      case drKept:
        break;
    }
    return Report(key, "kept", 1);
  });
}

int UndoCommand(const TArgs& args) {
  return OnEntry(args, [](TCatalogueCommands& commands, const std::string& key) {
    commands.Undo(key);
    return Report(key, "no longer marked for deletion");
  });
}

int MoveToSentCommand(const TArgs& args) {
  return OnEntry(args, [](TCatalogueCommands& commands, const std::string& key) {
    commands.MoveToSentItems(key);
    return Report(key, "moved to \"Sent Items\"");
  });
}

// The "Restore" box of "Sent Items" and the preparation of the next download in one step: the
// backup and those it was appended to move to "Receiving Items".
int RequestCommand(const TArgs& args) {
  return OnEntry(args, [](TCatalogueCommands& commands, const std::string& key) {
    commands.ToggleRestoreRequest(key, true);
    commands.PrepareRestoreList();
    return Report(key, "and the backups it needs moved to \"Receiving Items\"");
  });
}

int ClearCacheCommand(const TArgs&) {
  TIniRegistryEditor store;
  TStringList restoreList;
  if (!TCatalogueCommands(store, restoreList).ClearCache()) {
    std::printf("The cache was kept\n");
    return 1;
  }
  std::printf("The cache is clear\n");
  return 0;
}

const TCliRegistrar kView({"catalogue view", "outbox|inbox|sent|receiving|deleted",
                           "one view of the catalogue with the main window's columns and status",
                           ViewCommand});
const TCliRegistrar kDelete({"delete", "BACKUP [--yes]",
                             "mark a backup for deletion on the server, or remove one never sent",
                             DeleteCommand});
const TCliRegistrar kUndo({"undo", "BACKUP", "take back the deletion mark of a backup",
                           UndoCommand});
const TCliRegistrar kMoveToSent({"move-to-sent", "BACKUP",
                                 "forget the local copy of a received backup (\"Sent Items\")",
                                 MoveToSentCommand});
const TCliRegistrar kRequest({"request", "BACKUP",
                              "ask for a backup on the server (and those it was appended to)",
                              RequestCommand});
const TCliRegistrar kClearCache({"clear-cache", "[--yes]",
                                 "delete the archives kept on disk after restores",
                                 ClearCacheCommand});

}  // namespace

}  // namespace vaultora::cli

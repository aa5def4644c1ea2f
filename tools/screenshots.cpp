// Renders every window of the desktop client on the offscreen platform over a sample profile it
// makes in a temporary folder (backups made by the real builder, spread over the five views),
// into the folder given as the first argument. Run by scripts/screenshots.sh.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/ui/about_dialog.h"
#include "app/ui/log_files_window.h"
#include "app/ui/main_window.h"
#include "app/ui/splash_window.h"
#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "backupset/creating_backup_run.h"
#include "backupset/ui/creating_backup_window.h"
#include "catalogue/catalogue.h"
#include "connect/runtime/shutdown_countdown.h"
#include "connect/runtime/shutdown_intercept.h"
#include "connect/ui/shutdown_window.h"
#include "platform/folders.h"
#include "platform/runtime/event_loop_hook.h"
#include "screenshots_online.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "tools/screenshots_restore.h"
#include "tools/screenshots_setup.h"
#include "tools/screenshots_wizards.h"

using namespace vaultora;

namespace {

std::string gOut;

void Save(QWidget& window, const char* name) {
  window.show();
  for (int i = 0; i < 5; ++i)
    QCoreApplication::processEvents();
  const std::string path = gOut + name + ".png";
  if (!window.grab().save(QString::fromStdString(path)))
    std::fprintf(stderr, "screenshots: %s could not be written\n", path.c_str());
  else
    std::printf("%s\n", path.c_str());
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A backup of the sample folder by the builder, titled as given; returns its key.
std::string MakeBackup(TIniRegistryEditor& store, const std::string& list, const char* title) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, title);
  const TStringList before = TCatalogue(store).Ids();
  TBlowfish cipher;
  TCreatingBackupRun run(store, &cipher);
  if (!run.Run()) std::fprintf(stderr, "screenshots: the sample backup %s failed\n", title);
  for (const std::string& id : TCatalogue(store).Ids())
    if (std::find(before.begin(), before.end(), id) == before.end()) return id;
  return "";
}

// Text that compresses like a document does, not like one repeated letter.
std::string SampleText(size_t size) {
  std::string text;
  unsigned seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += "word" + std::to_string(seed % 9973) + ((seed >> 8) % 7 == 0 ? ".\n" : " ");
  }
  text.resize(size);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vaultora-screenshots FOLDER\n");
    return 2;
  }
  gOut = IncludeTrailingSlash(argv[1]);
  ForceDirectories(gOut);
  char pattern[] = "/tmp/vaultora-screenshots-XXXXXX";
  const std::string home = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", home.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vaultora");
  InstallEventLoopHook();

  // The sample profile: a server, a key, a folder of documents and its file list.
  const std::string docs = home + "Documents/";
  ForceDirectories(docs);
  WriteFile(docs + "report.odt", SampleText(180000));
  WriteFile(docs + "budget.ods", SampleText(64000));
  WriteFile(docs + "notes.txt", "Things to keep.\n");
  const std::string list = home + "documents.bfl";
  WriteFile(list, docs + "\r\nreport.odt\r\nbudget.ods\r\nnotes.txt\r\n");
  {
    TMainWindowOptions options;
    options.TrayAvailable = false;
    TfrmMain first(options);  // the first start writes the defaults
  }
  TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kConnection, keys::connection::kHost, "192.0.2.10");
  store.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  WriteEncryptionKey(store, "sample key");
  TCatalogue catalogue(store);
  const char* titles[] = {"Documents",  "Photos 2026", "Mail archive", "Projects",
                          "Old laptop", "Music",       "Tax papers"};
  std::string ids[7];
  for (int i = 0; i < 7; ++i)
    ids[i] = MakeBackup(store, list, titles[i]);
  // Outbox: 0; Inbox: 1; Sent Items: 2, 5, 6; Receiving Items: 3; Deleted: 4.
  for (int i : {1, 2, 3, 4, 5, 6})
    catalogue.MarkSent(ids[i]);
  for (int i : {2, 3, 5, 6})
    DeleteFile(catalogue.ArchivePath(ids[i]));
  catalogue.WriteReceivePosition(ids[3], 90112);
  catalogue.MarkDeleted(ids[4]);
  catalogue.WriteSendPosition(ids[0], 512);

  TMainWindowOptions options;
  options.TrayAvailable = false;
  TfrmMain window(options);
  window.resize(980, 520);
  window.SelectNode("Outbox");
  Save(window, "main-window");
  window.SelectNode("Sent Items");
  auto* list0 = window.findChild<QTreeWidget*>("lvBackups");
  if (QTreeWidgetItem* item = list0->topLevelItem(0)) item->setCheckState(0, Qt::Checked);
  Save(window, "main-sent-items");
  window.SelectNode("Inbox");
  window.SelectRow(ids[1]);  // the file list viewer (on by default) shows its list
  Save(window, "main-inbox");
  SaveRestoreWindows(store, ids[1], docs,
                     [](QWidget& shot, const char* name) { Save(shot, name); });

  store.SetRootKey(rtHKEY_CURRENT_USER);

  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Documents");
  store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, ids[0]);
  TfrmCreatingBackup creating(store, "");
  creating.show();
  for (int i = 0; i < 5 && !creating.Finished(); ++i)
    QCoreApplication::processEvents();
  Save(creating, "creating-backup");
  creating.hide();

  TfrmLogs logs(store, window.Receiver());
  logs.SelectLog(0);
  Save(logs, "log-files");
  logs.hide();

  TShutDownItercept intercept;
  TShutDownCountdown countdown(store, intercept);
  countdown.Load();
  TfrmShutDown shutDown(countdown);
  Save(shutDown, "shut-down-windows");
  shutDown.hide();

  SaveSetupScreenshots(store, docs, list,
                       [](QWidget& shot, const char* name) { Save(shot, name); });

  SaveWizardScreenshots(store, list, [](QWidget& shot, const char* name) { Save(shot, name); });

  Save(*CreateAboutDialog(&window), "about");
  Save(*CreateHelpWindow(&window), "help");
  Save(*CreateSplash(), "splash");
  SaveOnlineWindows(store, Save);
  return 0;
}

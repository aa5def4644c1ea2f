#pragma once
// The main window over a profile that reaches a vaultora-server on loopback (started by the
// test, with its own storage and account), with scripted prompts and helpers to run the event
// loop until the online work is done.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

#include "app/ui/main_window.h"
#include "app/ui/online_windows.h"
#include "archive/encryption_key.h"
#include "online/ui/transfer_window.h"
#include "settings/registry_keys.h"
#include "support/recording_session_adapter.h"
#include "support/runtime/online_test_fixture.h"
#include "support/scripted_prompts.h"

namespace vaultora::test {

class TransferWindowsTest : public OnlineTest {
 protected:
  // A profile set up as far as the main window asks before online work: server and key.
  TransferWindowsTest() : OnlineTest(VAULTORA_SERVER_PATH) {
    SetUpProfile();
    WriteEncryptionKey(*FStore, "transfer windows key");
  }
  void TearDown() override { Window.reset(); }

  void UseLAN(bool on = true) {
    FStore->SetFilename(keys::kBaseKey);
    if (on)
      FStore->WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
    else
      FStore->DeleteValue(keys::kConnection, keys::connection::kUseLANServer);
  }
  void SetPreference(const char* name, int32_t value) {
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteInteger(keys::kPreferences, name, value);
  }
  void SetFlag(const char* name) {
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteBool(keys::kPreferences, name, true);
  }
  bool Marked(const char* section, const char* mark) {
    FStore->SetFilename(keys::kBaseKey);
    return FStore->ValueExists(section, mark);
  }

  void Open(TRasAdapter* dialup = nullptr) {
    TMainWindowOptions options;
    options.ProgramPath = "/opt/vaultora/bin/vaultora";
    options.Session = &Session;
    options.Dialup = dialup;
    Window = std::make_unique<TfrmMain>(options);
    // A set-up dialog the main window opens is recorded, never run: it would wait for a user.
    Window->OnModalDialog = [this](QDialog& dialog) {
      ModalDialogs.push_back(dialog.objectName());
    };
    Window->OnTransferOpening = [this](TWorkKind kind) {
      Opened.push_back(kind);
      if (TfrmTransfer* window = Transfer(kind)) ShownOnOpening.push_back(window->isVisible());
    };
  }
  void Trigger(TMainCommand command) { Window->Action(command)->trigger(); }

  // Runs the event loop until done() or the time-out; false on the time-out.
  static bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > timeoutMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
  }
  // Until every run has closed and nothing waits in the queue, then once more for the windows'
  // deferred deletes.
  bool RunToIdle(int timeoutMs = 20000) {
    const bool idle = RunUntil([this] { return Window->Runtime().Idle(); }, timeoutMs);
    for (int i = 0; i < 5; ++i) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return idle;
  }

  TfrmTransfer* Transfer(TWorkKind kind) { return Window->Online().Window(kind); }
  static QPushButton* Button(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(name);
  }
  static QStringList Lines(QWidget* window) {
    QStringList lines;
    auto* list = window->findChild<QTreeWidget*>("lvStatus");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      lines << list->topLevelItem(i)->text(0);
    return lines;
  }
  // The upload's percent while it runs (0 when it is not open).
  double SendProgress() {
    const TTransferSession* session = Window->Host().Session(wkSend);
    return session ? session->FileProgress() : 0;
  }

  TScriptedPrompts Prompts{true};
  TRecordingSessionAdapter Session;
  std::unique_ptr<TfrmMain> Window;
  std::vector<TWorkKind> Opened;
  std::vector<QString> ModalDialogs;
  std::vector<bool> ShownOnOpening;
};

}  // namespace vaultora::test

#include "app/ui/about_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/ui/app_icons.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "vaultora_version.h"

namespace vaultora {

std::unique_ptr<QDialog> CreateAboutDialog(QWidget* parent) {
  auto window = std::make_unique<QDialog>(parent);
  QDialog& dialog = *window;
  dialog.setObjectName("frmAbout");
  dialog.setWindowTitle("About");
  auto* icon = new QLabel;
  icon->setPixmap(ApplicationIcon().pixmap(64, 64));
  auto* text =
      new QLabel(QString("<h2>%1</h2>"
                         "<p>Version %2</p>"
                         "<p>Online backup for your files: each backup is packed, "
                         "enciphered with your own key, sent to your backup server "
                         "and can be fetched back and restored on any computer.</p>"
                         "<p>Your settings and catalogue: %3</p>")
                     .arg(QString::fromUtf8(kApplicationTitle), QString::fromUtf8(VAULTORA_VERSION),
                          QString::fromStdString(AppDataFolder()).toHtmlEscaped()));
  text->setObjectName("lblAbout");
  text->setWordWrap(true);
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addWidget(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(row);
  layout->addWidget(buttons);
  dialog.resize(420, 200);
  return window;
}

void ShowAbout(QWidget* parent) {
  CreateAboutDialog(parent)->exec();
}

std::unique_ptr<QDialog> CreateHelpWindow(QWidget* parent) {
  InitAppResources();
  auto owned = std::make_unique<QDialog>(parent);
  QDialog& window = *owned;
  window.setObjectName("frmHelp");
  window.setWindowTitle(QString("%1 Help").arg(QString::fromUtf8(kApplicationTitle)));
  auto* browser = new QTextBrowser;
  browser->setObjectName("tbGuide");
  browser->setOpenExternalLinks(true);
  QFile guide(":/help/user-guide.md");
  if (guide.open(QIODevice::ReadOnly))
    browser->setMarkdown(QString::fromUtf8(guide.readAll()));
  else
    browser->setPlainText("The user guide is missing from this installation.");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(browser);
  layout->addWidget(buttons);
  window.resize(720, 620);
  return owned;
}

void ShowHelp(QWidget* parent) {
  CreateHelpWindow(parent)->exec();
}

}  // namespace vaultora

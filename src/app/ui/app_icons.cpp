#include "app/ui/app_icons.h"

#include <QApplication>
#include <QStyle>

#include <cstring>

// Resources of a static library are registered by name, outside any namespace.
static void InitVaultoraResources() {
  Q_INIT_RESOURCE(vaultora);
}

namespace vaultora {

namespace {

struct TFallback {
  const char* ThemeName;
  QStyle::StandardPixmap Pixmap;
};

// The style's pictures stand in where the desktop's icon theme has none.
constexpr TFallback kFallbacks[] = {
    {"x-office-calendar", QStyle::SP_FileDialogDetailedView},
    {"preferences-system", QStyle::SP_FileDialogInfoView},
    {"network-wired", QStyle::SP_DriveNetIcon},
    {"edit-delete", QStyle::SP_TrashIcon},
    {"edit-undo", QStyle::SP_ArrowBack},
    {"document-open", QStyle::SP_DialogOpenButton},
    {"mail-send-receive", QStyle::SP_BrowserReload},
    {"mail-send", QStyle::SP_ArrowUp},
    {"mail-receive", QStyle::SP_ArrowDown},
    {"go-down", QStyle::SP_ArrowDown},
    {"document-save", QStyle::SP_DialogSaveButton},
    {"document-revert", QStyle::SP_DialogResetButton},
    {"text-x-generic", QStyle::SP_FileIcon},
    {"go-jump", QStyle::SP_ArrowForward},
    {"edit-clear", QStyle::SP_DialogDiscardButton},
    {"help-contents", QStyle::SP_DialogHelpButton},
    {"help-about", QStyle::SP_MessageBoxInformation},
    {"application-exit", QStyle::SP_DialogCloseButton},
};

QIcon StyleIcon(QStyle::StandardPixmap pixmap) {
  return QApplication::style()->standardIcon(pixmap);
}

}  // namespace

void InitAppResources() {
  static const bool done = (InitVaultoraResources(), true);
  (void)done;
}

QIcon ApplicationIcon() {
  InitAppResources();
  QIcon bundled;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    bundled.addFile(QString(":/icons/hicolor/%1x%1/apps/vaultora.png").arg(size));
  return QIcon::fromTheme("vaultora", bundled);
}

QList<QIcon> TrayFrames() {
  InitAppResources();
  QList<QIcon> frames;
  for (int i = 0; i < 4; ++i)
    frames << QIcon(QString(":/icons/tray/vaultora-tray-%1.png").arg(i));
  return frames;
}

QIcon CommandIcon(const char* themeName) {
  for (const TFallback& fallback : kFallbacks)
    if (std::strcmp(fallback.ThemeName, themeName) == 0)
      return QIcon::fromTheme(themeName, StyleIcon(fallback.Pixmap));
  return QIcon::fromTheme(themeName);
}

QIcon FolderIcon(const char* caption) {
  if (std::strcmp(caption, "Deleted") == 0)
    return QIcon::fromTheme("user-trash", StyleIcon(QStyle::SP_TrashIcon));
  if (std::strcmp(caption, "Outbox") == 0)
    return QIcon::fromTheme("mail-outbox", StyleIcon(QStyle::SP_DirIcon));
  if (std::strcmp(caption, "Inbox") == 0)
    return QIcon::fromTheme("mail-inbox", StyleIcon(QStyle::SP_DirIcon));
  if (std::strcmp(caption, "Backups") == 0 || std::strcmp(caption, "Restores") == 0)
    return ApplicationIcon();
  return QIcon::fromTheme("folder", StyleIcon(QStyle::SP_DirIcon));
}

QIcon MarkIcon(TRowMark mark) {
  switch (mark) {
    case mkDeleted:
      return QIcon::fromTheme("edit-delete", StyleIcon(QStyle::SP_DialogCancelButton));
    case mkWaiting:
      return QIcon::fromTheme("appointment-soon", StyleIcon(QStyle::SP_BrowserReload));
    case mkDone:
      return QIcon::fromTheme("emblem-default", StyleIcon(QStyle::SP_DialogApplyButton));
  }
  return {};
}

}  // namespace vaultora

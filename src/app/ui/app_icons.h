#pragma once
// The program's pictures: the application icon (from the icon theme, else the bundled one), the
// four frames of the notification icon's animation, the command and folder icons (themed, with
// the style's standard pixmaps as fallbacks) and the marks of the list rows.

#include <QIcon>
#include <QList>

#include "backupset/catalogue_views.h"

namespace vaultora {

// Registers the bundled resources (icons, user guide); safe to call more than once.
void InitAppResources();

QIcon ApplicationIcon();
QList<QIcon> TrayFrames();
QIcon CommandIcon(const char* themeName);
QIcon FolderIcon(const char* caption);
QIcon MarkIcon(TRowMark mark);

}  // namespace vaultora

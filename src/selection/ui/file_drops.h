#pragma once
// Drops from the desktop's file manager: the local files and folders a drag carries as URLs.

#include <QMimeData>

#include "platform/text.h"

namespace vaultora {

// The local paths of the payload's file URLs; empty when it carries none.
TStringList DroppedPaths(const QMimeData& data);

}  // namespace vaultora

#include "selection/ui/file_drops.h"

#include <QUrl>

namespace vaultora {

TStringList DroppedPaths(const QMimeData& data) {
  TStringList paths;
  if (!data.hasUrls()) return paths;
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}

}  // namespace vaultora

#include "app/ui/kept_geometry.h"

#include <QByteArray>
#include <QHeaderView>
#include <QSplitter>
#include <QStringList>
#include <QTreeWidget>

#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

QByteArray Decode(const std::string& text) {
  return QByteArray::fromBase64(QByteArray::fromStdString(text));
}

std::string Encode(const QByteArray& bytes) {
  return bytes.toBase64().toStdString();
}

}  // namespace

std::string TKeptGeometry::Read(const std::string& name) {
  try {
    FStore.AtUserKey(keys::kBaseKey);
    return FStore.ReadString(kLayoutSection, name, "");
  } catch (const std::exception&) {
    return "";  // a layout that cannot be read is the default layout
  }
}

void TKeptGeometry::Write(const std::string& name, const std::string& value) {
  try {
    FStore.AtUserKey(keys::kBaseKey);
    if (Read(name) != value) FStore.WriteString(kLayoutSection, name, value);
  } catch (const std::exception&) {
    // Losing a window position is not worth an error box.
  }
  FStore.AtUserKey(keys::kBaseKey);
}

void TKeptGeometry::KeepWindow(const QWidget& window, const std::string& name) {
  Write(name + "Geometry", Encode(window.saveGeometry()));
}

void TKeptGeometry::RestoreWindow(QWidget& window, const std::string& name) {
  const std::string text = Read(name + "Geometry");
  if (!text.empty()) window.restoreGeometry(Decode(text));
}

void TKeptGeometry::KeepSplitter(const QSplitter& splitter, const std::string& name) {
  Write(name, Encode(splitter.saveState()));
}

void TKeptGeometry::RestoreSplitter(QSplitter& splitter, const std::string& name) {
  const std::string text = Read(name);
  if (!text.empty()) splitter.restoreState(Decode(text));
}

void TKeptGeometry::KeepColumns(const QTreeWidget& list, const std::string& name) {
  QStringList widths;
  for (int i = 0; i < list.columnCount(); ++i)
    widths << QString::number(list.columnWidth(i));
  if (!widths.isEmpty()) Write(name, widths.join(',').toStdString());
}

void TKeptGeometry::RestoreColumns(QTreeWidget& list, const std::string& name) {
  const QStringList widths = QString::fromStdString(Read(name)).split(',', Qt::SkipEmptyParts);
  if (widths.size() != list.columnCount()) return;  // kept for another set of columns
  for (int i = 0; i < widths.size(); ++i) {
    bool ok = false;
    const int width = widths[i].toInt(&ok);
    if (ok && width > 4 && width < 4000) list.setColumnWidth(i, width);
  }
}

}  // namespace vaultora

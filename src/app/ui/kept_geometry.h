#pragma once
// Window geometry, splitter positions and column widths kept between runs in the settings store
// (key Software\Vaultora\Layout, one binary-as-text value per name).

#include <string>

class QSplitter;
class QTreeView;
class QTreeWidget;
class QWidget;

namespace vaultora {

class TIniRegistryEditor;

class TKeptGeometry {
 public:
  explicit TKeptGeometry(TIniRegistryEditor& store) : FStore(store) {}
  void KeepWindow(const QWidget& window, const std::string& name);
  void RestoreWindow(QWidget& window, const std::string& name);
  void KeepSplitter(const QSplitter& splitter, const std::string& name);
  void RestoreSplitter(QSplitter& splitter, const std::string& name);
  void KeepColumns(const QTreeWidget& list, const std::string& name);
  void RestoreColumns(QTreeWidget& list, const std::string& name);

 private:
  std::string Read(const std::string& name);
  void Write(const std::string& name, const std::string& value);
  TIniRegistryEditor& FStore;
};

inline constexpr const char* kLayoutSection = "Layout";

}  // namespace vaultora

#pragma once
// The About window and the help command's user guide window, both modal.

#include <memory>

class QDialog;
class QWidget;

namespace vaultora {

std::unique_ptr<QDialog> CreateAboutDialog(QWidget* parent);
void ShowAbout(QWidget* parent);
// The bundled user guide in a window of the program.
std::unique_ptr<QDialog> CreateHelpWindow(QWidget* parent);
void ShowHelp(QWidget* parent);

}  // namespace vaultora

#pragma once
// The splash window shown at start-up: the program's picture and name, modal, closing itself.

#include <memory>

class QDialog;

namespace vaultora {

inline constexpr int kSplashMs = 3000;
std::unique_ptr<QDialog> CreateSplash();
// Shows the splash modally; it closes itself after the given time.
void ShowSplash(int milliseconds = kSplashMs);

}  // namespace vaultora

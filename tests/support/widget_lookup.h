#pragma once
// Finding a window's controls by object name and using them as a user does, for the window
// tests (header only: the core test support links no widgets).

#include <QAbstractButton>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace vaultora::test {

// The child of that name and type; throws (failing the test) when the window has none.
template <class T>
T& Find(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(name);
  if (!found) throw std::runtime_error(std::string("no control ") + name);
  return *found;
}

inline void Click(QWidget& window, const char* name) {
  Find<QAbstractButton>(window, name).click();
}

}  // namespace vaultora::test

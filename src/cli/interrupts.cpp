#include "cli/interrupts.h"

#include <csignal>

namespace vaultora::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void Interrupt(int) {
  gInterrupted = 1;
}

}  // namespace

void CatchInterrupts() {
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
}

bool Interrupted() {
  return gInterrupted != 0;
}

}  // namespace vaultora::cli

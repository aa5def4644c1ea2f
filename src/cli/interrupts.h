#pragma once
// Ctrl+C and TERM for the long commands: the first one asks the running work to stop as its
// Stop or Cancel button would (so nothing is left half made), and the command then ends
// normally. The request is a flag the work looks at between files, blocks and messages.

namespace vaultora::cli {

// Installs the handlers for SIGINT and SIGTERM (again is harmless).
void CatchInterrupts();
bool Interrupted();

}  // namespace vaultora::cli

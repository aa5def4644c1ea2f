#pragma once
// The exit statuses of vaultora-cli, as the Linux backup tools use them; scripts rely on them,
// so they are listed in `vaultora-cli --help` and the README and never renumbered.

namespace vaultora::cli {

constexpr int kExitDone = 0;           // the work was done
constexpr int kExitFailed = 1;         // the work failed; the message says why
constexpr int kExitUsage = 2;          // the command line could not be used: nothing was done
constexpr int kExitIncomplete = 3;     // done, but some files could not be read or written
constexpr int kExitInterrupted = 130;  // stopped by Ctrl+C or TERM (128 + SIGINT)

// The text of --help that lists them.
constexpr const char* kExitStatusHelp =
    "Exit status:\n"
    "  0    done\n"
    "  1    failed (the message says why)\n"
    "  2    the command line could not be used; nothing was done\n"
    "  3    done, but incomplete: some files could not be read or written\n"
    "  130  interrupted by Ctrl+C or TERM\n";

}  // namespace vaultora::cli

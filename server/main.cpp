// vaultora-server: the reference backup server.
#include <cstdio>
#include <cstring>

namespace {

void PrintHelp() {
  std::printf(
      "Usage: vaultora-server COMMAND [OPTIONS]\n\n"
      "The Vaultora backup server.\n\n"
      "Commands:\n"
      "  serve --storage DIR [--listen 127.0.0.1] [--port N]   serve backups from DIR\n"
      "  --help                                                this text\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintHelp();
    return argc < 2 ? 2 : 0;
  }
  std::fprintf(stderr, "vaultora-server: unknown command \"%s\" (see vaultora-server --help)\n",
               argv[1]);
  return 2;
}

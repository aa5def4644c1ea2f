#include "archive/file_metadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vaultora {

namespace {

bool Writable(std::string_view text) {
  return !text.empty() && text.find_first_of("\t\r\n") == std::string_view::npos;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

bool Number(std::string_view text, int base, long long& value) {
  if (text.empty() || text.size() > 20) return false;
  const std::string copy(text);
  char* end = nullptr;
  value = std::strtoll(copy.c_str(), &end, base);
  return end && *end == 0 && value >= 0;
}

bool ParseLine(std::string_view line, std::string& path, TFileMetadata& m) {
  const std::vector<std::string_view> f = Fields(line);
  if (f.size() < 6 || f[0].empty() || f[1].size() != 1 || (f[1][0] != 'f' && f[1][0] != 'l'))
    return false;
  long long mode = 0, uid = 0, gid = 0, seconds = 0, nanoseconds = 0;
  const size_t dot = f[5].find('.');
  if (!Number(f[2], 8, mode) || mode > 07777 || !Number(f[3], 10, uid) || uid > UINT_MAX ||
      !Number(f[4], 10, gid) || gid > UINT_MAX || dot == std::string_view::npos ||
      !Number(f[5].substr(0, dot), 10, seconds) || !Number(f[5].substr(dot + 1), 10, nanoseconds) ||
      nanoseconds > 999999999)
    return false;
  m.Kind = f[1][0];
  if (m.Kind == 'l' && (f.size() != 7 || f[6].empty())) return false;
  m.Mode = static_cast<mode_t>(mode);
  m.Uid = static_cast<uid_t>(uid);
  m.Gid = static_cast<gid_t>(gid);
  m.Seconds = seconds;
  m.Nanoseconds = static_cast<long>(nanoseconds);
  m.LinkTarget = m.Kind == 'l' ? std::string(f[6]) : "";
  path = std::string(f[0]);
  return true;
}

}  // namespace

std::string MetadataLine(const std::string& path) {
  struct stat st {};
  if (!Writable(path) || ::lstat(path.c_str(), &st) != 0) return "";
  std::string link;
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return "";
    link.assign(buffer.data(), static_cast<size_t>(n));
    if (!Writable(link)) return "";
  } else if (!S_ISREG(st.st_mode)) {
    return "";
  }
  char numbers[128];
  std::snprintf(numbers, sizeof numbers, "\t%c\t%o\t%u\t%u\t%lld.%09ld", link.empty() ? 'f' : 'l',
                static_cast<unsigned>(st.st_mode & 07777), static_cast<unsigned>(st.st_uid),
                static_cast<unsigned>(st.st_gid), static_cast<long long>(st.st_mtim.tv_sec),
                static_cast<long>(st.st_mtim.tv_nsec));
  return path + numbers + (link.empty() ? "" : "\t" + link);
}

void ReadMetadata(std::string_view text, std::map<std::string, TFileMetadata>& metadata) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string path;
    TFileMetadata m;
    if (ParseLine(line, path, m)) metadata.emplace(std::move(path), std::move(m));
    start = end + 1;
  }
}

bool ApplyMetadata(const TFileMetadata& m, const std::string& target) {
  const timespec times[2] = {{static_cast<time_t>(m.Seconds), m.Nanoseconds},
                             {static_cast<time_t>(m.Seconds), m.Nanoseconds}};
  const bool root = ::geteuid() == 0;
  if (m.Kind == 'l') {
    // The restored copy gives way to the link; nothing is ever written through it.
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::unlink(target.c_str()) != 0 || ::symlink(m.LinkTarget.c_str(), target.c_str()) != 0)
      return false;
    bool ok = !root || ::lchown(target.c_str(), m.Uid, m.Gid) == 0;
    return ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 && ok;
  }
  const int fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = !root || ::fchown(fd, m.Uid, m.Gid) == 0;  // before the mode: chown clears set-id bits
  ok = ::fchmod(fd, m.Mode) == 0 && ok;
  ok = ::futimens(fd, times) == 0 && ok;
  return ::close(fd) == 0 && ok;
}

}  // namespace vaultora

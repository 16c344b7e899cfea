// Files, clock and environment on POSIX, for the native build. Paths arrive
// in Windows form and are turned into POSIX paths here.
#include "core/operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "core/file_table.h"

namespace {

// Every "\" that starts a character becomes "/"; a GBK second byte 0x5C
// belongs to its character and stays.
std::string NativePath(const Text& path) {
  std::string p = path;
  for (size_t i = 0; i < p.size();) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == '\\') p[i] = '/';
    i += (c >= 0x80 && i + 1 < p.size()) ? 2 : 1;
  }
  return p;
}

OpenFileTable<int>& Files() {
  static OpenFileTable<int> files;
  return files;
}

int FdOf(FileNumber f) { return Files().Find(f).value_or(-1); }

// Only regular files get a number: not folders, devices or pipes.
FileNumber AddRegular(int fd) {
  struct stat st;
  if (fd < 0) return 0;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 0;
  }
  return Files().Add(fd);
}

bool IsWritable(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

FileInfo InfoFromStat(const struct stat& st) {
  FileInfo info;
  info.size = st.st_size;
  info.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  info.volume = st.st_dev;
  info.id = st.st_ino;
  return info;
}

}  // namespace

FileNumber FileOpen(const Text& path) {
  if (path.empty()) return 0;
  int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  return AddRegular(fd);
}

int64_t FileLengthOf(FileNumber f) {
  int fd = FdOf(f);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  return st.st_size;
}

int64_t FileReadInto(FileNumber f, void* buffer, int64_t n) {
  int fd = FdOf(f);
  if (fd < 0) return -1;
  if (n <= 0) return 0;
  char* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    size_t want = static_cast<size_t>(n - done < (1 << 30) ? n - done : (1 << 30));
    ssize_t got = ::read(fd, out + done, want);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

int64_t FilePosition(FileNumber f) {
  int fd = FdOf(f);
  return fd < 0 ? -1 : static_cast<int64_t>(::lseek(fd, 0, SEEK_CUR));
}

bool FileMoveTo(FileNumber f, int64_t position) {
  int fd = FdOf(f);
  return fd >= 0 && position >= 0 && ::lseek(fd, static_cast<off_t>(position), SEEK_SET) >= 0;
}

void FileClose(FileNumber f) {
  if (std::optional<int> fd = Files().Take(f)) ::close(*fd);
}

FileNumber FileCreate(const Text& path) {
  if (path.empty()) return 0;
  // A file without write permission counts as read-only, also for root, as
  // it does on Windows.
  struct stat existing;
  if (::stat(NativePath(path).c_str(), &existing) == 0 && !IsWritable(existing)) return 0;
  int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return AddRegular(fd);
}

bool FileWrite(FileNumber f, const void* data, int64_t n) {
  int fd = FdOf(f);
  if (fd < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    size_t want = static_cast<size_t>(n < (1 << 30) ? n : (1 << 30));
    ssize_t put = ::write(fd, p, want);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= put;
  }
  return true;
}

bool FileCommit(FileNumber f) {
  std::optional<int> fd = Files().Take(f);
  return fd && ::close(*fd) == 0;
}

bool DirectoryCreate(const Text& path) {
  return !path.empty() && ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool FileDelete(const Text& path) {
  if (path.empty()) return false;
  std::string p = NativePath(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || !IsWritable(st)) return false;
  return ::unlink(p.c_str()) == 0;
}

int64_t FileSize(const Text& path) {
  struct stat st;
  if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

std::optional<FileInfo> FileInfoOf(FileNumber f) {
  int fd = FdOf(f);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return std::nullopt;
  return InfoFromStat(st);
}

std::optional<FileInfo> FileInfoAt(const Text& path) {
  struct stat st;
  if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return InfoFromStat(st);
}

Text AbsolutePath(const Text& path) {
  if (path.empty() || path[0] == '\\' || path[0] == '/') return path;
  char buf[PATH_MAX];
  if (::getcwd(buf, sizeof buf) == nullptr) return path;
  Text folder = buf;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + path;
}

DateTime CurrentTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  DateTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  return t;
}

void PumpEvents() {}  // no window messages natively

Text ExecutablePath() {
  static const Text name = [] {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return Text();
    Text full(buf, static_cast<size_t>(n));
    size_t slash = full.rfind('/');
    return slash == Text::npos ? full : full.substr(slash + 1);
  }();
  return name;
}

// Files, clock and environment on Win32 (kernel32), for the Windows build.
#include "core/operations.h"

#include <windows.h>


#include "core/file_table.h"

namespace {

OpenFileTable<HANDLE>& Files() {
  static OpenFileTable<HANDLE> files;
  return files;
}

HANDLE HandleOf(FileNumber f) { return Files().Find(f).value_or(INVALID_HANDLE_VALUE); }

// Only files on a disk get a number: not consoles, pipes or devices.
FileNumber AddDiskFile(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) return 0;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return 0;
  }
  return Files().Add(h);
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows refuses to replace or delete read-only files; Wine running as
// root does not, so ask first.
bool IsReadOnly(const Text& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool HasWildcard(const Text& path) { return path.find_first_of("*?") != Text::npos; }

std::optional<FileInfo> InfoOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(h, &fi)) return std::nullopt;
  if (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  FileInfo info;
  info.size = (static_cast<int64_t>(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
  info.modified = (static_cast<int64_t>(fi.ftLastWriteTime.dwHighDateTime) << 32) |
                  fi.ftLastWriteTime.dwLowDateTime;
  info.volume = fi.dwVolumeSerialNumber;
  info.id = (static_cast<uint64_t>(fi.nFileIndexHigh) << 32) | fi.nFileIndexLow;
  return info;
}

}  // namespace

FileNumber FileOpen(const Text& path) {
  if (path.empty() || HasWildcard(path)) return 0;
  // Reading only, and sharing everything: the source is never written, a
  // read-only file opens, and other programs keep working on it.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return AddDiskFile(h);
}

int64_t FileLengthOf(FileNumber f) {
  HANDLE h = HandleOf(f);
  LARGE_INTEGER size;
  if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &size)) return -1;
  return size.QuadPart;
}

int64_t FileReadInto(FileNumber f, void* buffer, int64_t n) {
  HANDLE h = HandleOf(f);
  if (h == INVALID_HANDLE_VALUE) return -1;
  char* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    DWORD want = static_cast<DWORD>(n - done < (1 << 30) ? n - done : (1 << 30));
    DWORD got = 0;
    if (!ReadFile(h, out + done, want, &got, nullptr)) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

int64_t FilePosition(FileNumber f) {
  HANDLE h = HandleOf(f);
  LARGE_INTEGER zero{}, here{};
  if (h == INVALID_HANDLE_VALUE || !SetFilePointerEx(h, zero, &here, FILE_CURRENT)) return -1;
  return here.QuadPart;
}

bool FileMoveTo(FileNumber f, int64_t position) {
  HANDLE h = HandleOf(f);
  LARGE_INTEGER target;
  target.QuadPart = position;
  return h != INVALID_HANDLE_VALUE && position >= 0 &&
         SetFilePointerEx(h, target, nullptr, FILE_BEGIN) != 0;
}

void FileClose(FileNumber f) {
  if (std::optional<HANDLE> h = Files().Take(f)) CloseHandle(*h);
}

FileNumber FileCreate(const Text& path) {
  if (path.empty() || HasWildcard(path)) return 0;
  if (IsReadOnly(path)) return 0;
  // No sharing: nobody opens a piece while it is being written.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return AddDiskFile(h);
}

bool FileWrite(FileNumber f, const void* data, int64_t n) {
  HANDLE h = HandleOf(f);
  if (h == INVALID_HANDLE_VALUE) return false;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD want = static_cast<DWORD>(n < (1 << 30) ? n : (1 << 30));
    DWORD put = 0;
    if (!WriteFile(h, p, want, &put, nullptr) || put == 0) return false;
    p += put;
    n -= put;
  }
  return true;
}

bool FileCommit(FileNumber f) {
  std::optional<HANDLE> h = Files().Take(f);
  return h && CloseHandle(*h) != 0;
}

bool DirectoryCreate(const Text& path) {
  return !path.empty() && CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool FileDelete(const Text& path) {
  if (path.empty() || HasWildcard(path)) return false;
  if (IsReadOnly(path)) return false;
  return DeleteFileA(path.c_str()) != 0;
}

int64_t FileSize(const Text& path) {
  if (path.empty() || HasWildcard(path)) return -1;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<FileInfo> FileInfoOf(FileNumber f) {
  HANDLE h = HandleOf(f);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return InfoOfHandle(h);
}

std::optional<FileInfo> FileInfoAt(const Text& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  // No access asked for: this opens even a file that another program holds
  // without sharing, which is exactly the kind we must not overwrite.
  HANDLE h = CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileInfo> info = InfoOfHandle(h);
  CloseHandle(h);
  return info;
}

Text AbsolutePath(const Text& path) {
  if (path.empty()) return path;
  char buf[MAX_PATH * 4];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  if (n == 0 || n >= sizeof buf) return path;
  return Text(buf, n);
}

DateTime CurrentTime() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  DateTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  return t;
}

void PumpEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;  // left for the main message loop
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
      // Only possible if it raced in between: put it back for the main loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

Text ExecutablePath() {
  static const Text name = [] {
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return Text();
    Text full(buf, n);
    return PathPart(full, 3);
  }();
  return name;
}

#include "tests/core/split_fixtures.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#endif

namespace fs = std::filesystem;

Bytes ReadPiece(const Text& path) { return ReadByFileLayer(path); }

void MakeFile(const Text& path, const Bytes& content) { FileWriteWhole(path, content); }

void MakeSparseFile(const Text& path, int64_t length) {
  FileWriteWhole(path, Bytes());
  std::error_code ignored;
  fs::resize_file(NativePath(path), static_cast<uintmax_t>(length), ignored);
}

void MakeFolder(const Text& path) {
  std::error_code ignored;
  fs::create_directories(NativePath(path), ignored);
}

bool MakeHardLink(const Text& existing, const Text& link) {
  std::error_code error;
  fs::create_hard_link(NativePath(existing), NativePath(link), error);
  return !error;
}

void AppendToFile(const Text& path, const Bytes& more) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::app);
  out << more;
}

void ResizeFile(const Text& path, int64_t length) {
  std::error_code ignored;
  fs::resize_file(NativePath(path), static_cast<uintmax_t>(length), ignored);
}

void MoveModifiedTime(const Text& path, int seconds) {
  std::error_code ignored;
  fs::file_time_type t = fs::last_write_time(NativePath(path), ignored);
  fs::last_write_time(NativePath(path), t + std::chrono::seconds(seconds), ignored);
}

bool ReplaceFileBy(const Text& path, const Text& other) {
  std::error_code error;
  fs::last_write_time(NativePath(other), fs::last_write_time(NativePath(path), error), error);
  if (error) return false;
  fs::rename(NativePath(other), NativePath(path), error);
  return !error;
}

bool MovePath(const Text& from, const Text& to) {
  std::error_code error;
  fs::rename(NativePath(from), NativePath(to), error);
  return !error;
}

void MakeReadOnly(const Text& path) {
  std::error_code ignored;
  fs::permissions(NativePath(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, ignored);
}

std::vector<Text> Listing(const Text& folder) {
  std::vector<Text> names;
  fs::path root = NativePath(folder);
  std::error_code ignored;
  for (auto& entry : fs::recursive_directory_iterator(root, ignored)) {
    std::string name = fs::relative(entry.path(), root, ignored).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    if (entry.is_directory(ignored)) name += '\\';
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<Bytes> ReferencePieces(const Bytes& source, int64_t P, int64_t N, bool plainText) {
  std::vector<Bytes> pieces;
  size_t position = 0;
  for (int64_t i = 1; i <= N; ++i) {
    Bytes data = i < N ? source.substr(position, static_cast<size_t>(P)) : source.substr(position);
    position += data.size();
    if (plainText && i < N) {
      int high = 0;
      for (int j = 1; j <= BytesLength(data); ++j) {
        if (TextLength(HexText(FirstByteCode(BytesToText(BytesMid(data, j, 1))))) > 2) ++high;
      }
      if (Remainder(high, 2) != 0) {
        data = BytesLeft(data, BytesLength(data) - 1);
        position -= 1;
      }
    }
    pieces.push_back(data);
  }
  return pieces;
}

SmallVolume::SmallVolume(const Text& folder) {
#ifdef _WIN32
  const char* given = std::getenv("QH_SMALL_VOLUME");
  if (given == nullptr || *given == '\0') {
    why_ = "no small volume to fill under Windows (set QH_SMALL_VOLUME to a folder on one)";
    return;
  }
  folder_ = given;
  if (folder_.back() != '\\') folder_ += '\\';
  (void)folder;
#else
  MakeFolder(folder);
  std::string native = NativePath(folder).string();
  if (::mount("tmpfs", native.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0) {
    why_ = "mounting a small tmpfs needs root with CAP_SYS_ADMIN, which this run lacks";
    return;
  }
  mounted_ = native;
  folder_ = folder + "\\";
#endif
  free_ = FreeNow();
}

SmallVolume::~SmallVolume() {
#ifndef _WIN32
  if (!mounted_.empty()) ::umount2(mounted_.c_str(), MNT_DETACH);
#endif
}

int64_t SmallVolume::FreeNow() const {
  std::error_code ignored;
  return static_cast<int64_t>(fs::space(NativePath(folder_), ignored).available);
}

CurrentFolder::CurrentFolder(const Text& folder) {
  previous_ = fs::current_path().string();
  fs::current_path(NativePath(folder));
}

CurrentFolder::~CurrentFolder() {
  std::error_code ignored;
  fs::current_path(fs::path(previous_), ignored);
}

#ifdef _WIN32
bool OpenedByNobody(const Text& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}
#else
bool OpenedByNobody(const Text&) { return true; }
#endif

#include "tests/core/test_support.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

fs::path NativePath(const Text& path) {
#ifdef _WIN32
  return fs::path(path);
#else
  std::string p = path;
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return fs::path(p);
#endif
}

namespace {

Text FromNative(const fs::path& p) {
  std::string s = p.string();
#ifndef _WIN32
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
#endif
  return s;
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device rd;
  std::ostringstream name;
  name << "qh-test-" << std::hex << rd() << rd();
  fs::path dir = fs::temp_directory_path() / name.str();
  fs::create_directories(dir);
  path_ = FromNative(dir);
  if (path_.back() != '\\') path_ += '\\';
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::path dir = NativePath(path_);
  // Read-only files would stop the removal on Windows.
  for (auto& entry : fs::recursive_directory_iterator(dir, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(dir, ignored);
}

Bytes ReadWhole(const Text& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

Bytes ReadByFileLayer(const Text& path) {
  FileNumber f = FileOpen(path);
  if (f == 0) return Bytes();
  Bytes all = FileRead(f, FileLengthOf(f));
  FileClose(f);
  return all;
}

bool Exists(const Text& path) {
  std::error_code ignored;
  return fs::exists(NativePath(path), ignored);
}

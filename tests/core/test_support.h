// A fresh temporary folder per test, named in the Windows path form that the
// core speaks on every platform, and removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

#include "core/operations.h"

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder with its trailing "\".
  const Text& path() const { return path_; }
  Text operator/(const Text& name) const { return path_ + name; }

 private:
  Text path_;
};

// The file system's own form of one of the core's "\" paths.
std::filesystem::path NativePath(const Text& path);

// The whole content of a file, or nothing when it cannot be read: by the
// standard library, apart from the file layer under test (ASCII paths only).
Bytes ReadWhole(const Text& path);
// The same through the program's own file layer, which takes GBK names.
Bytes ReadByFileLayer(const Text& path);
bool Exists(const Text& path);

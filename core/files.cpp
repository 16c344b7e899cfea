// The file operations that need nothing of the platform beyond the layer's
// primitives (open, read, position, write).
#include <new>

#include "core/operations.h"

Bytes FileRead(FileNumber f, int64_t n) {
  if (n <= 0) return Bytes();
  int64_t length = FileLengthOf(f);
  int64_t here = FilePosition(f);
  if (length < 0 || here < 0) return Bytes();
  int64_t left = length - here;
  if (left <= 0) return Bytes();
  // Never more than the file holds: n may be any size the caller likes.
  if (n > left) n = left;
  Bytes data;
  try {
    data.resize(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    FileMoveTo(f, length);
    return Bytes();
  }
  int64_t got = FileReadInto(f, data.data(), n);
  if (got < 0) {
    FileMoveTo(f, length);
    return Bytes();
  }
  data.resize(static_cast<size_t>(got));
  return data;
}

bool FileSeek(FileNumber f, int origin, int64_t distance) {
  int64_t base;
  switch (origin) {
    case 1: base = FilePosition(f) < 0 ? -1 : 0; break;
    case 2: base = FileLengthOf(f); break;
    case 3: base = FilePosition(f); break;
    default: return false;
  }
  if (base < 0) return false;
  if (distance < 0 ? base < -distance : base > INT64_MAX - distance) return false;
  return FileMoveTo(f, base + distance);
}

bool FileWriteWhole(const Text& path, const Bytes& data) {
  FileNumber f = FileCreate(path);
  if (f == 0) return false;
  bool written = FileWrite(f, data.data(), static_cast<int64_t>(data.size()));
  return FileCommit(f) && written;
}

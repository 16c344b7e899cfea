// PathPart: codes 5 and 3 put together rebuild the path, 4 is the length of
// 3, 1 is the start of 3 up to its last dot, 2 the end of the path after
// the last dot; 3 holds no "\" at a character start; codes outside 1 to 5
// give the empty text and a left-out code counts as 1.
#include <climits>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

namespace {

bool IsCharStart(const std::string& t, size_t at) {
  size_t i = 0;
  while (i < at) i = NextChar(t, i);
  return i == at;
}

bool HoldsAtCharStart(const std::string& t, size_t from, char c) {
  for (size_t i = from; i < t.size(); i = NextChar(t, i)) {
    if (t[i] == c) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const Text stem = PathPart(path, 1), ext = PathPart(path, 2), name = PathPart(path, 3);
  const Text length = PathPart(path, 4), folder = PathPart(path, 5);

  FUZZ_CHECK(folder + name == path);
  FUZZ_CHECK(folder.empty() || folder.back() == '\\');
  FUZZ_CHECK(length == NumberToText(TextLength(name)));
  // The folder ends in a "\" of its own, not in a second byte 0x5C, and the
  // name after it holds no separator.
  FUZZ_CHECK(folder.empty() || IsCharStart(path, folder.size() - 1));
  FUZZ_CHECK(!HoldsAtCharStart(path, folder.size(), '\\'));

  FUZZ_CHECK(name.compare(0, stem.size(), stem) == 0);
  if (!stem.empty()) FUZZ_CHECK(name.size() > stem.size() && name[stem.size()] == '.');
  FUZZ_CHECK(ext.size() <= path.size());
  FUZZ_CHECK(path.compare(path.size() - ext.size(), ext.size(), ext) == 0);
  if (ext.size() < path.size()) {
    // The extension follows the last dot that starts a character.
    const size_t dot = path.size() - ext.size() - 1;
    FUZZ_CHECK(path[dot] == '.' && IsCharStart(path, dot));
    FUZZ_CHECK(!HoldsAtCharStart(path, dot + 1, '.'));
    if (!folder.empty() && dot >= folder.size()) FUZZ_CHECK(name == stem + "." + ext);
  }

  FUZZ_CHECK(PathPart(path) == stem);
  for (int code : {INT_MIN, -1, 0, 6, 7, INT_MAX}) FUZZ_CHECK(PathPart(path, code).empty());
  return 0;
}

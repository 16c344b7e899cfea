// FilterList, the file dialog's filter rule: the list has the text's length
// plus two, a zero byte exactly where the text had "|" (byte by byte, GBK
// second bytes included), every other byte as it was, and ends in two zeros.
//
// Input: the filter text; zero bytes are dropped, since a text never holds one.
#include <algorithm>

#include "dialogs/file_dialog_lists.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string t(reinterpret_cast<const char*>(data), size);
  t.erase(std::remove(t.begin(), t.end(), '\0'), t.end());
  const Bytes list = FilterList(t);

  FUZZ_CHECK(list.size() == t.size() + 2);
  for (size_t i = 0; i < t.size(); ++i) {
    FUZZ_CHECK((list[i] == '\0') == (t[i] == '|'));
    if (t[i] != '|') FUZZ_CHECK(list[i] == t[i]);
  }
  FUZZ_CHECK(list[t.size()] == '\0' && list[t.size() + 1] == '\0');
  return 0;
}

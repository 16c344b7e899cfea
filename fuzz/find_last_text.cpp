// FindLastText: a found position starts a character, the pattern stands
// there, and no later character start holds it; -1 only when no character
// start does. On a text without double bytes it is a plain last match.
//
// Input: a first byte n; n % 5 is 0 for "\", 1 for ".", else the next
// n % 5 - 2 bytes (0 to 2) are the pattern. The rest is the text.
#include <algorithm>
#include <vector>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const size_t n = in.Byte() % 5;
  const std::string s = n == 0 ? std::string("\\") : n == 1 ? std::string(".") : in.Take(n - 2);
  const std::string t = in.Rest();
  const int found = FindLastText(t, s);

  std::vector<size_t> starts;
  for (size_t i = 0; i < t.size(); i = NextChar(t, i)) starts.push_back(i);
  // The end of the text is where an empty pattern is last found, unless the
  // scan stopped at an incomplete last character.
  if (!EndsIncomplete(t)) starts.push_back(t.size());
  auto holds = [&](size_t i) { return i + s.size() <= t.size() && t.compare(i, s.size(), s) == 0; };

  if (found == -1) {
    for (size_t i : starts) FUZZ_CHECK(!holds(i));
  } else {
    FUZZ_CHECK(found >= 1);
    const size_t at = static_cast<size_t>(found) - 1;
    FUZZ_CHECK(std::find(starts.begin(), starts.end(), at) != starts.end());
    FUZZ_CHECK(holds(at));
    for (size_t i : starts) FUZZ_CHECK(i <= at || !holds(i));
  }

  if (std::none_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    const size_t last = t.rfind(s);
    FUZZ_CHECK(found == (last == std::string::npos ? -1 : static_cast<int>(last) + 1));
  }
  return 0;
}

// TrimText: the result is the input without its leading blanks, cut where
// its trailing run of blanks begins; an incomplete last character goes, and
// the blanks before it stay. Trimming the result again changes nothing,
// except when such a character went: then the blanks it kept go too.
#include "core/operations.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string t(reinterpret_cast<const char*>(data), size);
  const Text r = TrimText(t);

  size_t lead = 0;
  while (lead < t.size() && IsBlankAt(t, lead)) lead = NextChar(t, lead);
  FUZZ_CHECK(lead + r.size() <= t.size());
  FUZZ_CHECK(t.compare(lead, r.size(), r) == 0);
  FUZZ_CHECK(r.empty() || !IsBlankAt(r, 0));

  if (EndsIncomplete(t)) {
    FUZZ_CHECK(r.size() == t.size() - 1 - lead);
    FUZZ_CHECK(TrimText(r) == TrimText(t.substr(0, t.size() - 1)));
    return 0;
  }
  FUZZ_CHECK(TrimText(r) == r);
  // What was cut off the end is whole blanks, starting on a character.
  size_t i = lead;
  while (i < lead + r.size()) i = NextChar(t, i);
  FUZZ_CHECK(i == lead + r.size());
  for (; i < t.size(); i = NextChar(t, i)) FUZZ_CHECK(IsBlankAt(t, i));
  // And the result does not end in a blank.
  size_t last = std::string::npos;
  for (size_t j = 0; j < r.size(); j = NextChar(r, j)) last = j;
  FUZZ_CHECK(last == std::string::npos || !IsBlankAt(r, last));
  return 0;
}

// ReplaceBytes against the plain walk: left to right, no overlaps, and the
// inserted bytes are not searched again.
//
// Input: a first byte n; the next n % 4 bytes are the pattern, the next
// n / 4 % 4 bytes the replacement, the rest the byte string.
#include <algorithm>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string Replaced(const std::string& b, const std::string& p, const std::string& r) {
  if (p.empty()) return b;
  std::string out;
  size_t i = 0;
  while (i < b.size()) {
    if (b.size() - i >= p.size() && std::equal(p.begin(), p.end(), b.begin() + static_cast<std::ptrdiff_t>(i))) {
      out += r;
      i += p.size();
    } else {
      out += b[i];
      i += 1;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const uint8_t n = in.Byte();
  const std::string p = in.Take(n % 4);
  const std::string r = in.Take(n / 4 % 4);
  const std::string b = in.Rest();

  FUZZ_CHECK(ReplaceBytes(b, p, r) == Replaced(b, p, r));
  FUZZ_CHECK(ReplaceBytes(b, p, p) == b);
  // The file dialog's rule: each "|" becomes a zero byte, in place.
  std::string zeros = b;
  std::replace(zeros.begin(), zeros.end(), '|', '\0');
  FUZZ_CHECK(ReplaceBytes(b, "|", std::string(1, '\0')) == zeros);
  return 0;
}

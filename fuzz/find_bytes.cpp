// FindBytes: the first occurrence, byte by byte, as std::string::find has
// it; -1 for none and for the empty pattern.
//
// Input: a first byte n; the next n % 4 bytes are the pattern (n % 4 == 0
// gives the pair of zero bytes that ends a file dialog's names), the rest
// the byte string.
#include "core/operations.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const size_t n = in.Byte() % 4;
  const std::string p = n == 0 ? std::string(2, '\0') : in.Take(n);
  const std::string b = in.Rest();

  const size_t at = b.find(p);
  const int want = p.empty() || at == std::string::npos ? -1 : static_cast<int>(at) + 1;
  FUZZ_CHECK(FindBytes(b, p) == want);
  FUZZ_CHECK(FindBytes(b, "") == -1);
  return 0;
}

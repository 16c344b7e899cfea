// CountHighBytes against its definition, one byte at a time: at every
// alignment and length near the input's; with every byte made high, so that
// all lanes fill up; and with the input repeated past two whole rounds of
// words, where a lane that could count beyond 255 would overflow.
#include <vector>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

namespace {

// Slices that leave out up to 8 bytes at the front and up to maxCut at the end.
void CheckEverySlice(const std::vector<uint8_t>& bytes, size_t maxCut) {
  const size_t size = bytes.size();
  // before[i]: the bytes of 0x80 and above among the first i.
  std::vector<int64_t> before(size + 1, 0);
  for (size_t i = 0; i < size; ++i) before[i + 1] = before[i] + (bytes[i] >= 0x80 ? 1 : 0);
  for (size_t from = 0; from <= 8 && from <= size; ++from) {
    for (size_t cut = 0; cut <= maxCut && from + cut <= size; ++cut) {
      const size_t to = size - cut;
      FUZZ_CHECK(CountHighBytes(bytes.data() + from, to - from) == before[to] - before[from]);
    }
  }
}

void CheckAsIsAndAllHigh(std::vector<uint8_t> bytes, size_t maxCut) {
  CheckEverySlice(bytes, maxCut);
  for (uint8_t& b : bytes) b |= 0x80;
  CheckEverySlice(bytes, maxCut);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckAsIsAndAllHigh(std::vector<uint8_t>(data, data + size), 8);
  const size_t twoRounds = 2 * 255 * 8 + 9;
  if (size == 0 || size >= twoRounds) return 0;
  std::vector<uint8_t> repeated;
  while (repeated.size() < twoRounds) repeated.insert(repeated.end(), data, data + size);
  CheckAsIsAndAllHigh(repeated, 0);  // the tails are the input's own
  return 0;
}

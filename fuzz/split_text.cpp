// SplitText: the pieces, joined with the separator, give back the text, with
// one separator more at the end when the text ends in one (that trailing
// empty piece is dropped); no piece holds the separator at a character
// start, and no character runs across a cut.
//
// Input: a first byte n; n % 4 == 0 splits at "|", else the next n % 4
// bytes are the separator. The rest is the text.
#include <vector>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const size_t n = in.Byte() % 4;
  const std::string sep = n == 0 ? std::string("|") : in.Take(n);
  const std::string t = in.Rest();
  const std::vector<Text> pieces = SplitText(t, sep);

  if (t.empty()) {
    FUZZ_CHECK(pieces.empty());
    return 0;
  }
  FUZZ_CHECK(!pieces.empty());
  size_t at = 0;  // where the current piece begins in t
  for (size_t k = 0; k < pieces.size(); ++k) {
    const Text& piece = pieces[k];
    FUZZ_CHECK(t.compare(at, piece.size(), piece) == 0);
    // Walk the piece by the characters of the whole text.
    size_t i = at;
    for (; i < at + piece.size(); i = NextChar(t, i)) {
      FUZZ_CHECK(sep.empty() || t.compare(i, sep.size(), sep) != 0);
    }
    FUZZ_CHECK(i == at + piece.size());
    at += piece.size();
    const bool last = k + 1 == pieces.size();
    if (at == t.size()) {
      FUZZ_CHECK(last);
      FUZZ_CHECK(!piece.empty());  // an empty rest is never a piece
      break;
    }
    FUZZ_CHECK(!sep.empty() && t.compare(at, sep.size(), sep) == 0);
    at += sep.size();
    if (last) FUZZ_CHECK(at == t.size());  // the dropped trailing piece
  }
  FUZZ_CHECK(at == t.size());
  return 0;
}

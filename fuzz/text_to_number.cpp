// TextToNumber: takes the decimal number a text begins with, so on a plain
// ASCII text of blanks, signs, digits, points and exponent letters it agrees
// with strtod, whatever follows the number; the same text in full-width
// forms gives the same number; no text makes it fail or give NaN.
//
// Input: a first byte n; the next n % 32 bytes, each mapped into the number
// alphabet (a byte already in it stays), make the number text. The rest
// follows it, behind an "x" that no number can take in.
#include <cmath>

#include "core/operations.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string kAlphabet = "0123456789.eE+- \t\r\n";

// The two-byte form of an ASCII character: the full-width space, or 0xA3
// and the byte + 0x80; tab and line breaks have none.
std::string FullWidth(char c) {
  if (c == ' ') return "\xA1\xA1";
  if (c == '\t' || c == '\r' || c == '\n') return std::string(1, c);
  return std::string{'\xA3', static_cast<char>(static_cast<unsigned char>(c) + 0x80)};
}

bool SameReal(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string whole(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(!std::isnan(TextToNumber(whole)));

  Input in{data, size};
  std::string number = in.Take(in.Byte() % 32);
  for (char& c : number) {
    if (kAlphabet.find(c) == std::string::npos) c = kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
  }
  const std::string rest = in.Rest();
  const double want = std::strtod(number.c_str(), nullptr);

  FUZZ_CHECK(SameReal(TextToNumber(number), want));
  FUZZ_CHECK(SameReal(TextToNumber(number + "x" + rest), want));
  std::string wide;
  for (char c : number) wide += FullWidth(c);
  FUZZ_CHECK(SameReal(TextToNumber(wide + "x" + rest), want));
  return 0;
}

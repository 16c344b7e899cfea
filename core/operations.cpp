// The portable operations: texts, byte strings, numbers, PathPart, ZeroPad.
#include "core/operations.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

inline unsigned char At(const std::string& s, size_t i) {
  return static_cast<unsigned char>(s[i]);
}

// Bytes that a character starting at i takes: a byte of 0x80 or above takes
// the next one along, unless it is the last byte of the text.
inline size_t CharWidth(const std::string& s, size_t i) {
  return (At(s, i) >= 0x80 && i + 1 < s.size()) ? 2 : 1;
}

bool IsFullWidthSpace(const std::string& s, size_t i) {
  return i + 1 < s.size() && At(s, i) == 0xA1 && At(s, i + 1) == 0xA1;
}

}  // namespace

// ---- Text --------------------------------------------------------------

int TextLength(const Text& t) { return static_cast<int>(t.size()); }

Text TextLeft(const Text& t, int n) {
  if (n <= 0) return Text();
  return t.substr(0, static_cast<size_t>(n));
}

Text TextRight(const Text& t, int n) {
  if (n <= 0) return Text();
  if (static_cast<size_t>(n) >= t.size()) return t;
  return t.substr(t.size() - static_cast<size_t>(n));
}

Text TextMid(const Text& t, int pos, int n) {
  if (pos < 1 || static_cast<size_t>(pos) > t.size() || n <= 0) return Text();
  return t.substr(static_cast<size_t>(pos) - 1, static_cast<size_t>(n));
}

int FindLastText(const Text& t, const Text& s) {
  int found = -1;
  size_t i = 0;
  while (t.size() - i >= s.size()) {
    if (t.compare(i, s.size(), s) == 0) found = static_cast<int>(i) + 1;
    if (i >= t.size()) break;
    if (At(t, i) >= 0x80) {
      if (i + 1 >= t.size()) break;  // a first byte with no second byte
      i += 2;
    } else {
      i += 1;
    }
    if (i > t.size()) break;
  }
  return found;
}

Text TrimText(const Text& t) {
  size_t begin = 0;
  while (begin < t.size()) {
    if (At(t, begin) == 0x20) {
      begin += 1;
    } else if (IsFullWidthSpace(t, begin)) {
      begin += 2;
    } else {
      break;
    }
  }
  size_t i = begin;
  size_t runStart = std::string::npos;
  while (i < t.size()) {
    unsigned char c = At(t, i);
    if (c >= 0x80 && i + 1 >= t.size()) {
      // A cut last character is dropped; the blanks before it stay.
      return t.substr(begin, i - begin);
    }
    bool blank = c == 0x20 || IsFullWidthSpace(t, i);
    if (blank) {
      if (runStart == std::string::npos) runStart = i;
    } else {
      runStart = std::string::npos;
    }
    i += CharWidth(t, i);
  }
  size_t end = runStart == std::string::npos ? t.size() : runStart;
  return t.substr(begin, end - begin);
}

Text RepeatText(int n, const Text& t) {
  Text r;
  if (n <= 0) return r;
  r.reserve(t.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) r += t;
  return r;
}

Text BlankText(int n) { return n < 1 ? Text() : Text(static_cast<size_t>(n), ' '); }

int CompareText(const Text& a, const Text& b) {
  int c = a.compare(b);  // std::string compares its chars as unsigned
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Text JoinText(std::initializer_list<std::string_view> parts) {
  size_t total = 0;
  for (std::string_view p : parts) total += p.size();
  Text r;
  r.reserve(total);
  for (std::string_view p : parts) r.append(p.data(), p.size());
  return r;
}

std::vector<Text> SplitText(const Text& t, const Text& sep) {
  std::vector<Text> pieces;
  if (t.empty()) return pieces;
  size_t pieceStart = 0;
  size_t i = 0;
  while (i < t.size()) {
    if (!sep.empty() && t.compare(i, sep.size(), sep) == 0) {
      pieces.push_back(t.substr(pieceStart, i - pieceStart));
      i += sep.size();
      pieceStart = i;
      continue;
    }
    i += CharWidth(t, i);
  }
  if (pieceStart < t.size()) pieces.push_back(t.substr(pieceStart));
  return pieces;
}

Text NumberToText(int64_t n) { return std::to_string(n); }

Text NumberToText(double x) {
  if (x == 0) x = 0;  // no '-0'
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", x);
  // Exponents have at least three digits: '1e-007', '1e+013'.
  Text s = buf;
  size_t e = s.find('e');
  if (e == Text::npos || e + 1 >= s.size()) return s;
  size_t digits = e + 2;  // after the sign
  while (s.size() - digits < 3) s.insert(digits, 1, '0');
  return s;
}

double TextToNumber(const Text& t) {
  // Full-width digits, signs, point and letters count as their one-byte
  // forms, the full-width space as a space. Stop at any other double byte:
  // it cannot be part of a number.
  std::string s;
  s.reserve(t.size());
  for (size_t i = 0; i < t.size();) {
    unsigned char c = At(t, i);
    if (c < 0x80) {
      s += static_cast<char>(c);
      i += 1;
    } else if (i + 1 < t.size() && c == 0xA3 && At(t, i + 1) >= 0xA1 && At(t, i + 1) <= 0xFE) {
      s += static_cast<char>(At(t, i + 1) - 0x80);
      i += 2;
    } else if (IsFullWidthSpace(t, i)) {
      s += ' ';
      i += 2;
    } else {
      break;
    }
  }
  auto isDigit = [&](size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
  size_t start = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissa = i;
  while (isDigit(i)) ++i;
  bool intDigits = i > mantissa;
  bool fracDigits = false;
  if (i < s.size() && s[i] == '.') {
    size_t f = i + 1;
    while (isDigit(f)) ++f;
    fracDigits = f > i + 1;
    if (intDigits || fracDigits) i = f;
  }
  if (!intDigits && !fracDigits) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t e = i + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    if (isDigit(e)) {
      while (isDigit(e)) ++e;
      i = e;
    }
  }
  std::string number = s.substr(start, i - start);
  return std::strtod(number.c_str(), nullptr);
}

int FirstByteCode(const Text& t) {
  return t.empty() ? 0 : static_cast<int>(static_cast<signed char>(t[0]));
}

Text HexText(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(n));
  return buf;
}

// ---- Byte strings ------------------------------------------------------

Bytes TextToBytes(const Text& t) { return t; }

Text BytesToText(const Bytes& b) { return b.substr(0, b.find('\0')); }

int BytesLength(const Bytes& b) { return static_cast<int>(b.size()); }

Bytes BytesLeft(const Bytes& b, int n) {
  if (n <= 0) return Bytes();
  return b.substr(0, static_cast<size_t>(n));
}

Bytes BytesMid(const Bytes& b, int pos, int n) {
  if (pos < 1) pos = 1;
  if (static_cast<size_t>(pos) > b.size() || n <= 0) return Bytes();
  return b.substr(static_cast<size_t>(pos) - 1, static_cast<size_t>(n));
}

int FindBytes(const Bytes& b, const Bytes& p) {
  if (p.empty()) return -1;
  size_t at = b.find(p);
  return at == Bytes::npos ? -1 : static_cast<int>(at) + 1;
}

Bytes ReplaceBytes(const Bytes& b, const Bytes& p, const Bytes& r) {
  if (b.empty()) return Bytes();
  if (p.empty()) return b;
  Bytes out;
  out.reserve(b.size());
  size_t i = 0;
  while (i < b.size()) {
    size_t at = b.find(p, i);
    if (at == Bytes::npos) break;
    out.append(b, i, at - i);
    out += r;
    i = at + p.size();
  }
  out.append(b, i, Bytes::npos);
  return out;
}

Bytes ZeroBytes(int n) { return n <= 0 ? Bytes() : Bytes(static_cast<size_t>(n), '\0'); }

Bytes JoinBytes(std::initializer_list<std::string_view> parts) { return JoinText(parts); }

int64_t CountHighBytes(const void* data, size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  int64_t count = 0;
#ifdef __SSE2__
  // Sixteen bytes at a time: a high byte is a negative one, whose compare
  // mask (-1) is subtracted into a per-byte counter; two counters for two
  // loads in flight, summed every 255 rounds before a lane can overflow.
  const __m128i zero = _mm_setzero_si128();
  while (n >= 32) {
    size_t rounds = n / 32 < 255 ? n / 32 : 255;
    __m128i a = zero, b = zero;
    for (size_t r = 0; r < rounds; ++r) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r * 32));
      __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r * 32 + 16));
      a = _mm_sub_epi8(a, _mm_cmplt_epi8(x, zero));
      b = _mm_sub_epi8(b, _mm_cmplt_epi8(y, zero));
    }
    __m128i sums = _mm_add_epi64(_mm_sad_epu8(a, zero), _mm_sad_epu8(b, zero));
    count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    p += rounds * 32;
    n -= rounds * 32;
  }
#endif
  // Eight bytes at a time: the top bit of each byte is moved to the bottom
  // of its lane and the lanes are summed, at most 255 words per round so
  // that no lane overflows.
  const uint64_t ones = 0x0101010101010101ULL;
  while (n >= 8) {
    size_t words = n / 8 < 255 ? n / 8 : 255;
    uint64_t lanes = 0;
    for (size_t w = 0; w < words; ++w) {
      uint64_t v;
      std::memcpy(&v, p + w * 8, 8);
      lanes += (v >> 7) & ones;
    }
    uint64_t pairs = (lanes & 0x00FF00FF00FF00FFULL) + ((lanes >> 8) & 0x00FF00FF00FF00FFULL);
    count += static_cast<int64_t>((pairs * 0x0001000100010001ULL) >> 48);
    p += words * 8;
    n -= words * 8;
  }
  for (size_t i = 0; i < n; ++i) count += p[i] >> 7;
  return count;
}

// ---- Numbers -----------------------------------------------------------

double IntegerDivide(double a, double b) { return std::trunc(a / b); }

double Remainder(double a, double b) { return a - b * std::trunc(a / b); }

int BitOr(std::initializer_list<int> values) {
  int r = 0;
  for (int v : values) r |= v;
  return r;
}

int64_t RealToInt64(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775807.0) return INT64_MAX;
  if (x <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(x);
}

int32_t RealToInt32(double x) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(RealToInt64(x))));
}

// ---- PathPart and ZeroPad ----------------------------------------------

Text PathPart(const Text& path, std::optional<int> code) {
  int s = FindLastText(path, "\\");
  int d = FindLastText(path, ".");
  int L = TextLength(path);
  switch (code.value_or(1)) {
    case 1: return TextMid(path, s + 1, d - s - 1);
    case 2: return TextRight(path, L - d);
    case 3: return TextRight(path, L - s);
    case 4: return NumberToText(TextLength(TextRight(path, L - s)));
    case 5: return TextLeft(path, s);
    default: return Text();
  }
}

Text ZeroPad(int64_t number, std::optional<int> width) {
  Text t = NumberToText(number);
  int n = TextLength(t);
  int w = width.value_or(n + 2);
  if (w > n) return JoinText({RepeatText(w - n, "0"), t});
  return t;
}

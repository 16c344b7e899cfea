// What the fuzz targets share: a check that stops the run, the character
// walk of the character-aware operations, and cutting an input into parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken property is a finding like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "property broken: %s at %s:%d\n", #condition,       \
                   __FILE__, __LINE__);                                        \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

inline unsigned char ByteAt(const std::string& t, size_t i) {
  return static_cast<unsigned char>(t[i]);
}

// Where the character that starts at i ends: a byte of 0x80 or above takes
// the next one too. A first byte that is the last byte is a character of
// its own, an incomplete one.
inline size_t NextChar(const std::string& t, size_t i) {
  return ByteAt(t, i) >= 0x80 && i + 1 < t.size() ? i + 2 : i + 1;
}

// True when the text ends in a first byte that has no second byte.
inline bool EndsIncomplete(const std::string& t) {
  for (size_t i = 0; i < t.size(); i = NextChar(t, i)) {
    if (ByteAt(t, i) >= 0x80 && i + 1 == t.size()) return true;
  }
  return false;
}

// The blanks of TrimText: the space and the full-width space 0xA1 0xA1.
inline bool IsBlankAt(const std::string& t, size_t i) {
  return ByteAt(t, i) == 0x20 ||
         (i + 1 < t.size() && ByteAt(t, i) == 0xA1 && ByteAt(t, i + 1) == 0xA1);
}

// Takes parts off the front of a fuzz input.
struct Input {
  const uint8_t* data;
  size_t size;

  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::string Take(size_t n) {
    if (n > size) n = size;
    std::string part(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return part;
  }
  std::string Rest() { return Take(size); }
};

// Contracts and edges of the text, byte-string and number operations.
#include <gtest/gtest.h>

#include <cmath>

#include "core/operations.h"

namespace {

// GBK characters whose second byte is a path separator or a filter bar.
const Text kBackslashChar = "\x95\x5C";  // second byte 0x5C, "\"
const Text kBarChar = "\x81\x7C";        // second byte 0x7C, "|"
const Text kFullWidthSpace = "\xA1\xA1";

TEST(TextSlices, PositionsAndCountsAtTheEdges) {
  struct Case { const char* name; Text got; Text want; } cases[] = {
      {"left 2", TextLeft("abc", 2), "ab"},
      {"left 0", TextLeft("abc", 0), ""},
      {"left negative", TextLeft("abc", -1), ""},
      {"left beyond", TextLeft("abc", 9), "abc"},
      {"right 2", TextRight("abc", 2), "bc"},
      {"right 0", TextRight("abc", 0), ""},
      {"right beyond", TextRight("abc", 9), "abc"},
      {"mid 2,1", TextMid("abc", 2, 1), "b"},
      {"mid position 0 is not moved to 1", TextMid("abc", 0, 2), ""},
      {"mid position beyond", TextMid("abc", 4, 1), ""},
      {"mid count 0", TextMid("abc", 1, 0), ""},
      {"mid count past the end", TextMid("abc", 2, 9), "bc"},
      {"bytes mid position 0 counts as 1", BytesMid("abc", 0, 2), "ab"},
      {"bytes mid negative position", BytesMid("abc", -5, 1), "a"},
      {"bytes mid beyond", BytesMid("abc", 4, 1), ""},
      {"bytes mid count 0", BytesMid("abc", 1, 0), ""},
      {"bytes left beyond", BytesLeft(Bytes("a\0b", 3), 9), Bytes("a\0b", 3)},
      {"bytes left 0", BytesLeft("abc", 0), ""},
      {"repeat", RepeatText(3, "ab"), "ababab"},
      {"repeat 0", RepeatText(0, "ab"), ""},
      {"blank", BlankText(3), "   "},
      {"blank 0", BlankText(0), ""},
      {"join", JoinText({"a", "", "bc"}), "abc"},
      {"join empty", JoinText({"", ""}), ""},
      {"join bytes keeps zeros", JoinBytes({Bytes("\0", 1), Bytes("a\0", 2)}), Bytes("\0a\0", 3)},
      {"join empty bytes", JoinBytes({"", ""}), ""},
      {"zero bytes", ZeroBytes(2), Bytes("\0\0", 2)},
      {"zero bytes negative", ZeroBytes(-1), ""},
      {"bytes to text stops at zero", BytesToText(Bytes("ab\0cd", 5)), "ab"},
      {"bytes to text leading zero", BytesToText(Bytes("\0a", 2)), ""},
      {"text to bytes", TextToBytes("ab"), "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
  EXPECT_EQ(TextLength("\xB0\xA1x"), 3);
  EXPECT_EQ(BytesLength(Bytes("a\0", 2)), 2);
}

TEST(CompareText, UnsignedBytesAndPrefixes) {
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_EQ(CompareText("a", "a"), 0);
  EXPECT_EQ(CompareText("", "a"), -1);
  EXPECT_EQ(CompareText("ab", "a"), 1);
  EXPECT_EQ(CompareText("a", "\xB0"), -1);  // 0xB0 is above 'a' when unsigned
  EXPECT_EQ(CompareText(" ", ""), 1);
}

TEST(FindLastText, OnlyAtCharacterStarts) {
  struct Case { Text t, s; int want; } cases[] = {
      {"C:\\a\\b", "\\", 5},
      {"abc", "\\", -1},
      {"", "\\", -1},
      {"a.b.c", ".", 4},
      // The 0x5C of a double byte is not a separator.
      {"C:\\" + kBackslashChar + "x", "\\", 3},
      {"C:\\d\\" + kBackslashChar, "\\", 5},
      // A first byte at the very end stops the scan.
      {"a\\\xB0", "\\", 2},
      {"\xB0\\", "\\", -1},
      {"ab", "abc", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindLastText(c.t, c.s), c.want) << c.t;
}

TEST(TrimText, SpacesFullWidthSpacesAndCutCharacters) {
  struct Case { Text t, want; } cases[] = {
      {"  ab  ", "ab"},
      {kFullWidthSpace + "ab" + kFullWidthSpace + " ", "ab"},
      {" " + kFullWidthSpace + "  " + kFullWidthSpace, ""},
      {"", ""},
      {"\tab\r\n", "\tab\r\n"},
      {"a b", "a b"},
      // 'ab', a space and a lone first byte: the byte goes, the space stays.
      {"ab \xB0", "ab "},
      // A 0x20 that is a GBK second byte is not a blank.
      {"\x81\x20", "\x81\x20"},
      {"a" + kFullWidthSpace + "b", "a" + kFullWidthSpace + "b"},
      // A 0xA1 0xA1 across two characters is not a full-width space.
      {"\xB0\xA1\xA1", "\xB0\xA1"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimText(c.t), c.want) << c.t;
}

TEST(SplitText, PiecesAndTheTrailingRule) {
  using List = std::vector<Text>;
  struct Case { Text t; List want; } cases[] = {
      {"a||b", {"a", "", "b"}},
      {"|a", {"", "a"}},
      {"a|", {"a"}},
      {"a", {"a"}},
      {"", {}},
      {"C:\\dir|a.txt|b.txt", {"C:\\dir", "a.txt", "b.txt"}},
      {"C:\\dir|a.txt|b.txt|", {"C:\\dir", "a.txt", "b.txt"}},
      {"x" + kBarChar + "y|z", {"x" + kBarChar + "y", "z"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitText(c.t, "|"), c.want) << c.t;
}

TEST(NumberToText, IntegerAndRealForms) {
  struct Case { Text got, want; } cases[] = {
      {NumberToText(0), "0"},
      {NumberToText(42), "42"},
      {NumberToText(-5), "-5"},
      {NumberToText(int64_t{5000000000}), "5000000000"},
      {NumberToText(1024.0), "1024"},
      {NumberToText(1024.0 / 1024), "1"},
      {NumberToText(300.0), "300"},
      {NumberToText(5.0), "5"},
      {NumberToText(0.5), "0.5"},
      {NumberToText(1.5), "1.5"},
      {NumberToText(1.0 / 3), "0.3333333333333"},
      {NumberToText(-2.5), "-2.5"},
      {NumberToText(0.0001), "0.0001"},
      {NumberToText(1e-7), "1e-007"},
      {NumberToText(1e13), "1e+013"},
      {NumberToText(1.5e300), "1.5e+300"},
      {NumberToText(999999999999.0), "999999999999"},
      {NumberToText(-0.0), "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(TextToNumber, LeadingNumberOrZero) {
  const Text fw3 = "\xA3\xB3", fw0 = "\xA3\xB0";  // full-width 3 and 0
  struct Case { Text t; double want; } cases[] = {
      {"300", 300},
      {" 12", 12},
      {"\t\r\n7", 7},
      {"12abc", 12},
      {"1.5", 1.5},
      {"2.9", 2.9},
      {"-3", -3},
      {"+4", 4},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {".5", 0.5},
      {"5.", 5},
      {"1e3", 1000},
      {"1e", 1},
      {"1e+", 1},
      {"2E-1x", 0.2},
      {"0x10", 0},
      {"inf", 0},
      {fw3 + fw0 + fw0, 300},
      {kFullWidthSpace + "\xA3\xAD" "5", -5},  // full-width space and minus
      {"12" "\xB0\xA1" "3", 12},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(TextToNumber(c.t), c.want) << c.t;
}

TEST(ByteCodes, FirstByteCodeAndHexText) {
  EXPECT_EQ(FirstByteCode("A"), 65);
  EXPECT_EQ(FirstByteCode("\xB0"), -80);
  EXPECT_EQ(FirstByteCode(""), 0);
  EXPECT_EQ(FirstByteCode(BytesToText(Bytes("\0", 1))), 0);
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(65), "41");
  EXPECT_EQ(HexText(-80), "FFFFFFB0");
  // The long hex form marks exactly the high bytes.
  for (int b = 0; b < 256; ++b) {
    Text one(1, static_cast<char>(b));
    bool longForm = TextLength(HexText(FirstByteCode(BytesToText(one)))) > 2;
    EXPECT_EQ(longForm, b >= 0x80) << b;
  }
}

TEST(CountHighBytes, AgreesWithTheByteByByteDefinition) {
  // Lengths around the word size and the 255-word rounds, every alignment.
  std::string data;
  uint32_t seed = 12345;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1103515245 + 12345;
    data += static_cast<char>(seed >> 24);
  }
  data += std::string(3000, '\xFF');  // every lane full for a whole round
  for (size_t offset : {0, 1, 7}) {
    for (size_t n : {0, 1, 7, 8, 9, 2039, 2040, 2041, 4100, 7900}) {
      int64_t slow = 0;
      for (size_t i = 0; i < n; ++i) slow += static_cast<unsigned char>(data[offset + i]) >= 0x80;
      EXPECT_EQ(CountHighBytes(data.data() + offset, n), slow) << offset << " " << n;
    }
  }
  // Whole rounds of the 16-byte form with every byte counted: no lane wraps.
  const std::string high(20000, '\x80');
  EXPECT_EQ(CountHighBytes(high.data() + 1, high.size() - 1), 19999);
}

TEST(FindAndReplaceBytes, ByteByByte) {
  EXPECT_EQ(FindBytes(Bytes("ab\0\0c", 5), Bytes("\0\0", 2)), 3);
  EXPECT_EQ(FindBytes("abc", ""), -1);
  EXPECT_EQ(FindBytes("abc", "x"), -1);
  EXPECT_EQ(ReplaceBytes(Bytes("a\0b\0", 4), Bytes("\0", 1), "|"), "a|b|");
  EXPECT_EQ(ReplaceBytes("", "a", "b"), "");
  EXPECT_EQ(ReplaceBytes("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceBytes("aaa", "aa", "b"), "ba");  // no overlaps
  EXPECT_EQ(ReplaceBytes("aa", "a", "aa"), "aaaa");  // not searched again
  EXPECT_EQ(ReplaceBytes("xab", "abc", "_"), "xab");
  // Bytes, not characters: the second byte of a GBK character is replaced.
  EXPECT_EQ(ReplaceBytes(kBarChar, "|", Bytes("\0", 1)), Bytes("\x81\0", 2));
}

TEST(Numbers, DivideRemainderOrAndTruncation) {
  EXPECT_EQ(IntegerDivide(7, 2), 3);
  EXPECT_EQ(IntegerDivide(-7, 2), -3);
  EXPECT_EQ(IntegerDivide(-1, 1024), 0);
  EXPECT_EQ(Remainder(7, 2), 1);
  EXPECT_EQ(Remainder(-7, 2), -1);
  EXPECT_EQ(Remainder(4, 2), 0);
  EXPECT_EQ(BitOr({4, 0x80000, 0x800000}), 0x880004);
  EXPECT_EQ(RealToInt32(1.9), 1);
  EXPECT_EQ(RealToInt32(-1.9), -1);
  EXPECT_EQ(RealToInt32(4294967297.0), 1);  // the low 32 bits
  EXPECT_EQ(RealToInt64(4294967297.0), 4294967297);
  EXPECT_EQ(RealToInt64(1e300), INT64_MAX);
  EXPECT_EQ(RealToInt64(-1e300), INT64_MIN);
  EXPECT_EQ(RealToInt64(std::nan("")), 0);
}

TEST(PathPart, EveryCodeOnEveryPath) {
  struct Case { Text path; Text want[6]; } cases[] = {
      // path                 code 1    2                3             4     5              6
      {"C:\\books\\novel.txt", {"novel", "txt", "novel.txt", "9", "C:\\books\\", ""}},
      {"C:\\books\\novel", {"", "C:\\books\\novel", "novel", "5", "C:\\books\\", ""}},
      {"C:\\my.books\\novel", {"", "books\\novel", "novel", "5", "C:\\my.books\\", ""}},
      {"C:\\books\\a.b.txt", {"a.b", "txt", "a.b.txt", "7", "C:\\books\\", ""}},
      {"C:\\books\\.txt", {"", "txt", ".txt", "4", "C:\\books\\", ""}},
      {"novel.txt", {"", "txt", "novel.txt", "9", "", ""}},
      {"C:\\books\\", {"", "C:\\books\\", "", "0", "C:\\books\\", ""}},
      {"", {"", "", "", "0", "", ""}},
  };
  for (const Case& c : cases) {
    for (int code = 1; code <= 6; ++code) {
      EXPECT_EQ(PathPart(c.path, code), c.want[code - 1]) << c.path << " code " << code;
    }
    EXPECT_EQ(PathPart(c.path), c.want[0]) << c.path << " code left out";
    EXPECT_EQ(PathPart(c.path, 0), "") << c.path;
    EXPECT_EQ(PathPart(c.path, 7), "") << c.path;
  }
  // A GBK 0x5C inside the name does not split it.
  EXPECT_EQ(PathPart("C:\\" + kBackslashChar + ".txt", 1), kBackslashChar);
  EXPECT_EQ(PathPart("C:\\" + kBackslashChar + ".txt", 5), "C:\\");
}

TEST(ZeroPad, PadsButNeverCuts) {
  struct Case { int64_t n; std::optional<int> width; Text want; } cases[] = {
      {7, 3, "007"},  {42, 3, "042"},   {123, 3, "123"},     {1234, 3, "1234"},
      {1000, 3, "1000"}, {0, 3, "000"}, {5, std::nullopt, "005"},
      {12, std::nullopt, "0012"}, {7, 0, "7"}, {-5, 4, "00-5"},
  };
  for (const Case& c : cases) EXPECT_EQ(ZeroPad(c.n, c.width), c.want) << c.n;
}

}  // namespace

// The pieces themselves: their bytes, the plain-text rule, streaming, and
// what a failure leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <vector>

#include "core/piece_writer.h"
#include "core/split_job.h"
#include "tests/core/split_fixtures.h"
#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const Text kCannotWrite = "老大，这一份写不进去呀：";
const Text kWouldOverwrite = "老大，分割后的文件会把原文件盖掉的，换个名字或者换个位置吧！";

// The pieces that an accepted request wrote, in index order, as far as they exist.
std::vector<Bytes> PiecesOf(const SplitRequest& filled, int64_t count) {
  PieceLayout layout = LayOutPieces(filled);
  std::vector<Bytes> pieces;
  for (int64_t i = 1; i <= count; ++i) {
    if (!FileInfoAt(PiecePath(layout, i))) break;
    pieces.push_back(ReadPiece(PiecePath(layout, i)));
  }
  return pieces;
}

SplitRequest ByCount(const Text& source, int64_t count, bool plainText) {
  SplitRequest r;
  r.sourcePath = source;
  r.splitMode = 2;
  r.amount = count;
  r.namingMode = 2;
  r.createFolder = false;
  r.plainText = plainText;
  return r;
}

TEST(PlainTextRule, Fixtures) {
  struct Case {
    const char* name;
    Bytes source;
    int64_t count;
    bool plainText;
    std::vector<Bytes> pieces;
  } cases[] = {
      {"three high bytes: the last goes on", "\x41\x42\xB0\xA1\x43\x44\x45\xB0" "abcdefgh", 2, true,
       {"\x41\x42\xB0\xA1\x43\x44\x45", "\xB0" "abcdefgh"}},
      {"raw mode cuts anywhere", "\x41\x42\xB0\xA1\x43\x44\x45\xB0" "abcdefgh", 2, false,
       {"\x41\x42\xB0\xA1\x43\x44\x45\xB0", "abcdefgh"}},
      {"a pair with a low second byte counts once", "\x41\x81\x40" "xyz", 2, true,
       {"\x41\x81", "\x40" "xyz"}},
      {"two high bytes stay, though the last begins a pair", "\x81\x40\xB0" "xyz", 2, true,
       {"\x81\x40\xB0", "xyz"}},
      {"the rule may empty a piece", "\xB0\xA1", 2, true, {"", "\xB0\xA1"}},
      {"the last piece is never shortened", "\x41\x42\x43\xB0", 2, true, {"\x41\x42", "\x43\xB0"}},
      {"zero-byte pieces stay whole and empty", "\x41\x42\x43", 5, true,
       {"\x41", "\x42", "\x43", "", ""}},
      {"one-byte pieces pass every high byte on to the last", "\xB0\xA1\xB0\xA1", 4, true,
       {"", "", "", "\xB0\xA1\xB0\xA1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    MakeFile(dir / "s.txt", c.source);
    SplitRequest request = ByCount(dir / "s.txt", c.count, c.plainText);
    RecordingSink sink;
    std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
    ASSERT_TRUE(plan);
    SplitRequest filled = plan->request;
    ASSERT_TRUE(WritePieces(*plan, sink.sink()));
    EXPECT_EQ(PiecesOf(filled, c.count + 1), c.pieces);
    EXPECT_EQ(ReferencePieces(c.source, plan->pieceSize, c.count, c.plainText), c.pieces);
    EXPECT_TRUE(sink.shown.empty());
  }
}

// Sizes around the streaming buffer: a piece that ends exactly where the
// buffer does, one byte before or after, and given-back bytes that make the
// pieces after them start one byte early, across refills of the buffer.
TEST(PieceWriter, PieceBoundariesAtTheBufferEnd) {
  const Bytes patterns[] = {
      Bytes(64, '\xB0'),                                    // every byte high: odd pieces
      Bytes("\xB0\xA1" "ab\xC4\xE3" "c\xBA\xC3" "defgh\xB0"),  // pairs, some cut
      Bytes("a\xB0" "bcdefg"),                              // a lone high byte now and then
  };
  for (int64_t buffer : {1, 4, 8, 4096}) {
    for (int64_t P : {buffer - 1, buffer, buffer + 1, 2 * buffer, 2 * buffer + 1}) {
      if (P < 1) continue;
      for (const Bytes& pattern : patterns) {
        SCOPED_TRACE(testing::Message() << "buffer " << buffer << ", P " << P);
        Bytes source;
        while (static_cast<int64_t>(source.size()) < 5 * P + 3) source += pattern;
        TempFolder dir;
        MakeFile(dir / "s.txt", source);
        RecordingSink sink;
        std::optional<SplitPlan> plan = PlanSplit(ByCount(dir / "s.txt", 2, true), sink.sink());
        ASSERT_TRUE(plan);
        plan->pieceSize = P;
        plan->pieceCount = (plan->sourceLength + P - 1) / P;
        SplitRequest filled = plan->request;
        ASSERT_TRUE(WritePieces(*plan, sink.sink(), buffer));
        EXPECT_EQ(PiecesOf(filled, plan->pieceCount + 1),
                  ReferencePieces(source, P, plan->pieceCount, true));
      }
    }
  }
}

// The same with the real buffer: pieces of exactly its size, the first
// ending on a lone high byte that has to move on.
TEST(PieceWriter, PieceOfExactlyTheBuffer) {
  const int64_t P = kPieceBufferSize;
  ASSERT_EQ(P % 1024, 0);
  Bytes source(static_cast<size_t>(2 * P + 5), 'a');
  source[static_cast<size_t>(P - 1)] = '\xB0';
  source[static_cast<size_t>(2 * P - 2)] = '\xB0';
  TempFolder dir;
  MakeFile(dir / "s.txt", source);
  SplitRequest request;
  request.sourcePath = dir / "s.txt";
  request.amount = P / 1024;
  request.namingMode = 2;
  request.createFolder = false;
  request.plainText = true;
  EXPECT_EQ(SplitJob(request, RecordingSink().sink()), std::vector<bool>{true});
  Bytes first = ReadPiece(dir / "001.txt"), second = ReadPiece(dir / "002.txt");
  EXPECT_EQ(static_cast<int64_t>(first.size()), P - 1);
  EXPECT_EQ(static_cast<int64_t>(second.size()), P);
  EXPECT_EQ(second.front(), '\xB0');
  EXPECT_EQ(first + second + ReadPiece(dir / "003.txt"), source);
}

Bytes Content(std::mt19937& rng, int kind, int64_t n) {
  Bytes b;
  auto any = [&](int lo, int hi) { return static_cast<char>(lo + static_cast<int>(rng() % (hi - lo + 1))); };
  while (static_cast<int64_t>(b.size()) < n) {
    switch (kind) {
      case 0: b += any(0x20, 0x7E); break;
      case 1:  // GBK text: characters, some ASCII, line breaks
        if (rng() % 8 == 0) {
          b += rng() % 2 ? Bytes("\r\n") : Bytes(1, any(0x20, 0x7E));
        } else {
          b += any(0xB0, 0xF7);
          b += any(0xA1, 0xFE);
        }
        break;
      case 2:  // pairs whose second byte is below 0x80
        b += any(0x81, 0xFE);
        b += any(0x40, 0x7E);
        break;
      case 3: b += any(0x00, 0xFF); break;
      default: b += any(0x80, 0xFF); break;
    }
  }
  b.resize(static_cast<size_t>(n));
  return b;
}

// Across sizes, modes, options and buffer sizes, into folders that already
// hold longer files of the pieces' names: every piece is exactly the plain
// algorithm's, so together they give back the source.
TEST(PieceWriter, RoundTripOverASeededSpread) {
  std::mt19937 rng(20240607);
  const std::optional<int64_t> buffers[] = {1, 2, 3, 7, 64, 4093, 4096, 6000, 65536, std::nullopt};
  const Text names[] = {"", "part", "p a.rt"};
  for (int k = 0; k < 48; ++k) {
    bool bySize = rng() % 2 == 0;
    int64_t L = bySize ? 2049 + rng() % (120 * 1024) : 1 + rng() % 20000;
    int64_t amount = bySize ? 2 + rng() % ((L - 1) / 1024 - 1) : 2 + rng() % 40;
    int kind = static_cast<int>(rng() % 5);
    std::optional<int64_t> buffer = buffers[rng() % 10];
    SplitRequest request;
    request.splitMode = bySize ? 1 : 2;
    request.amount = amount;
    request.namingMode = 1 + static_cast<int>(rng() % 2);
    request.customName = names[rng() % 3];
    request.createFolder = rng() % 2 == 0;
    request.plainText = rng() % 3 != 0;
    request.mergeScript = rng() % 2 == 0;
    request.deleteSource = rng() % 4 == 0;
    SCOPED_TRACE(testing::Message() << "case " << k << ": L " << L << (bySize ? " KB " : " pieces ")
                                    << amount << ", content " << kind << ", plain "
                                    << *request.plainText << ", buffer " << buffer.value_or(0));

    TempFolder dir;
    Bytes source = Content(rng, kind, L);
    request.sourcePath = dir / "novel.txt";
    MakeFile(request.sourcePath, source);
    RecordingSink sink;
    std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
    ASSERT_TRUE(plan);
    const int64_t P = plan->pieceSize, N = plan->pieceCount;
    if (bySize) {
      EXPECT_EQ(P, amount * 1024);
      EXPECT_EQ(N, (L + P - 1) / P);
    } else {
      EXPECT_EQ(N, amount);
      EXPECT_EQ(P, (L + N - 1) / N);
    }
    SplitRequest filled = plan->request;
    PieceLayout layout = LayOutPieces(filled);
    if (!layout.subFolder.empty()) DirectoryCreate(layout.subFolder);
    for (int64_t i = 1; i <= std::min<int64_t>(N, 2); ++i) {
      MakeFile(PiecePath(layout, i), Bytes(static_cast<size_t>(P + 50), 'J'));
    }

    ASSERT_TRUE(WritePieces(*plan, sink.sink(), buffer)) << (sink.shown.empty() ? "" : sink.shown[0].text);
    std::vector<Bytes> pieces = PiecesOf(filled, N + 1);
    EXPECT_EQ(pieces, ReferencePieces(source, P, N, *request.plainText));
    Bytes joined;
    for (const Bytes& p : pieces) joined += p;
    EXPECT_EQ(joined, source);
    EXPECT_EQ(Exists(request.sourcePath), !*request.deleteSource);
    EXPECT_TRUE(sink.shown.empty());
  }
}

// A failure at a piece: one box naming it, false, the earlier pieces kept,
// the one being written gone, the source closed, intact and not deleted.
void ExpectFailureAt(const std::vector<bool>& result, const RecordingSink& sink,
                     const Text& piece, const Text& source, const Bytes& content) {
  EXPECT_EQ(result, std::vector<bool>{false});
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, kCannotWrite + piece);
  EXPECT_EQ(sink.shown[0].title, "我靠");
  EXPECT_EQ(sink.shown[0].style, 16);
  EXPECT_EQ(ReadPiece(source), content);
  EXPECT_TRUE(OpenedByNobody(source));
}

TEST(PieceWriter, FailureKeepsTheSourceAndTheFinishedPieces) {
  struct Case {
    const char* name;
    Text destination;       // relative to the test's folder
    bool createFolder;
    Text blocker;           // made before the split: a folder, or (Windows) a held file
    Text failing;           // the piece named in the box
    std::vector<Text> files;  // what the test's folder holds afterwards
    bool windowsOnly = false;
  } cases[] = {
      {"destination missing", "missing\\", false, "", "missing\\001.ayk", {}},
      {"destination missing, with a sub-folder", "missing\\", true, "",
       "missing\\novel\\001.ayk", {}},
      {"a folder where piece 2 goes", "", false, "002.ayk\\", "002.ayk",
       {"001.ayk", "002.ayk\\"}},
      {"piece 2 held open by another program", "", false, "002.ayk", "002.ayk",
       {"001.ayk", "002.ayk"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifndef _WIN32
    if (c.windowsOnly) continue;  // POSIX has no opening that denies sharing
#endif
    TempFolder dir;
    Bytes content(10000, 'x');
    MakeFile(dir / "novel.txt", content);
    SplitRequest request;
    request.sourcePath = dir / "novel.txt";
    if (!c.destination.empty()) request.destinationFolder = dir / c.destination;
    request.amount = 4;
    request.namingMode = 2;
    request.createFolder = c.createFolder;
    request.deleteSource = true;
    RecordingSink sink;
    std::vector<bool> result;
    if (c.blocker.empty()) {
      result = SplitJob(request, sink.sink());
    } else if (c.blocker.back() == '\\') {
      MakeFolder(dir / c.blocker);
      result = SplitJob(request, sink.sink());
    } else {
#ifdef _WIN32
      MakeFile(dir / c.blocker, "someone else's");
      HANDLE held = CreateFileA((dir / c.blocker).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
      result = SplitJob(request, sink.sink());
      CloseHandle(held);
      EXPECT_EQ(ReadPiece(dir / c.blocker), "someone else's");  // not ours: left alone
#endif
    }
    ExpectFailureAt(result, sink, dir / c.failing, dir / "novel.txt", content);
    std::vector<Text> want = c.files;
    want.push_back("novel.txt");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(Listing(dir.path()), want);
    if (want[0] == "001.ayk") {
      EXPECT_EQ(ReadPiece(dir / "001.ayk"), Bytes(4096, 'x'));
    }
  }
}

TEST(PieceWriter, FullDiskRemovesTheCutPiece) {
  TempFolder dir;
  SmallVolume volume(dir / "small");
  if (!volume.why().empty()) GTEST_SKIP() << volume.why();
  ASSERT_GT(volume.free(), 256 * 1024);
  ASSERT_LT(volume.free(), 64 << 20);
  // Two pieces: the first fits, the second runs out of room halfway.
  Bytes content(static_cast<size_t>(volume.free() + 200 * 1024), 'x');
  MakeFile(dir / "novel.txt", content);
  SplitRequest request = ByCount(dir / "novel.txt", 2, false);
  request.destinationFolder = volume.folder();
  request.deleteSource = true;
  RecordingSink sink;
  std::vector<bool> result = SplitJob(request, sink.sink());
  ExpectFailureAt(result, sink, volume.folder() + "002.ayk", dir / "novel.txt", content);
  EXPECT_EQ(ReadPiece(volume.folder() + "001.ayk").size(), (content.size() + 1) / 2);
  EXPECT_FALSE(Exists(volume.folder() + "002.ayk"));
  FileDelete(volume.folder() + "001.ayk");  // a given volume is left as it was found
}

// Any piece path that is the source itself, however it is spelt, stops the
// job before the first byte is written.
TEST(PieceWriter, NeverOverwritesTheSource) {
  struct Case {
    const char* name;
    Text source;
    Text destination;  // relative to the test's folder; empty: the source's
    bool createFolder;
    bool windowsOnly = false;
  } cases[] = {
      {"automatic names, no sub-folder, plain text", "001.txt", "", false},
      {"the destination spelt another way", "001.txt", "sub\\..\\", false},
      {"a hard link among the pieces", "novel.txt", "", true},
      {"the destination in other letter case", "001.txt", "SUB\\..\\", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifndef _WIN32
    if (c.windowsOnly) continue;  // case matters to POSIX names
#endif
    TempFolder dir;
    Bytes content(10000, 'x');
    MakeFile(dir / c.source, content);
    MakeFolder(dir / "sub");
    SplitRequest request;
    request.sourcePath = dir / c.source;
    if (!c.destination.empty()) request.destinationFolder = dir / c.destination;
    if (c.windowsOnly) {
      Text upper = *request.destinationFolder;
      std::transform(upper.begin(), upper.end(), upper.begin(),
                     [](char ch) { return ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch; });
      request.destinationFolder = upper;
    }
    request.amount = 4;
    request.namingMode = c.createFolder ? 1 : 2;
    request.createFolder = c.createFolder;
    request.plainText = true;
    request.deleteSource = true;
    if (c.createFolder) {
      MakeFolder(dir / "novel");
      ASSERT_TRUE(MakeHardLink(dir / c.source, dir / "novel\\novel_002.txt"));
    }
    std::vector<Text> before = Listing(dir.path());
    RecordingSink sink;
    EXPECT_EQ(SplitJob(request, sink.sink()), std::vector<bool>{false});
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, kWouldOverwrite);
    EXPECT_EQ(sink.shown[0].title, "我晕");
    EXPECT_EQ(sink.shown[0].style, 16);
    EXPECT_EQ(Listing(dir.path()), before);
    EXPECT_EQ(ReadPiece(dir / c.source), content);
    EXPECT_TRUE(OpenedByNobody(dir / c.source));
  }
}

// The source goes only when every piece is complete and it is still the
// file it was: another program may write to it while it is being split.
TEST(PieceWriter, DeletesTheSourceOnlyWhenUnchanged) {
  struct Case {
    const char* name;
    void (*meanwhile)(const TempFolder& dir);
    bool deleted;
    bool posixOnly = false;
  } cases[] = {
      {"left alone", [](const TempFolder&) {}, true},
      {"grown", [](const TempFolder& dir) { AppendToFile(dir / "novel.txt", "more"); }, false},
      {"touched", [](const TempFolder& dir) { MoveModifiedTime(dir / "novel.txt", -3600); },
       false},
      {"replaced by a copy of the same size and time",
       [](const TempFolder& dir) {
         MakeFile(dir / "copy.txt", Bytes(10000, 'x'));
         ASSERT_TRUE(ReplaceFileBy(dir / "novel.txt", dir / "copy.txt"));
       },
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifdef _WIN32
    if (c.posixOnly) continue;  // Windows cannot replace a file that is open
#endif
    TempFolder dir;
    Bytes content(10000, 'x');
    MakeFile(dir / "novel.txt", content);
    SplitRequest request = ByCount(dir / "novel.txt", 3, false);
    request.deleteSource = true;
    RecordingSink sink;
    std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
    ASSERT_TRUE(plan);
    SplitRequest filled = plan->request;
    c.meanwhile(dir);
    EXPECT_TRUE(WritePieces(*plan, sink.sink()));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(Exists(dir / "novel.txt"), !c.deleted);
    std::vector<Bytes> pieces = PiecesOf(filled, 4);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0] + pieces[1] + pieces[2], content);  // the source as it was measured
  }
}

// A source that shrinks under the job cannot give the piece it promised.
TEST(PieceWriter, ShrunkSourceFailsThePieceItCannotFill) {
  TempFolder dir;
  MakeFile(dir / "novel.txt", Bytes(10000, 'x'));
  SplitRequest request = ByCount(dir / "novel.txt", 3, false);
  request.deleteSource = true;
  RecordingSink sink;
  std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
  ASSERT_TRUE(plan);
  ResizeFile(dir / "novel.txt", 5000);
  EXPECT_FALSE(WritePieces(*plan, sink.sink()));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, kCannotWrite + dir / "002.ayk");
  EXPECT_EQ(Listing(dir.path()), (std::vector<Text>{"001.ayk", "novel.txt"}));
}

}  // namespace

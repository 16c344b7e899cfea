// The split job's checks, defaults, plan and naming, seen from its caller.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "core/piece_writer.h"
#include "core/split_job.h"
#include "tests/core/split_fixtures.h"
#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const Text kTooSmall = "我靠，BT，你想累死我啊！";
const Text kTooLarge = "晕。。。。。";

Bytes Filler(int64_t n) {
  Bytes b(static_cast<size_t>(n), 'a');
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>('a' + i % 26);
  return b;
}

TEST(SplitJob, WorkedExamples) {
  struct Case {
    const char* name;
    int mode;
    std::optional<int64_t> amount;
    int64_t length;
    std::vector<int64_t> pieces;  // sizes, when accepted
    Text text = "", title = "";   // the rejection otherwise
  } cases[] = {
      {"4 KB of 10 000", 1, 4, 10000, {4096, 4096, 1808}},
      {"2 KB of 4096, exactly 2", 1, 2, 4096, {2048, 2048}},
      {"2 KB of 2049", 1, 2, 2049, {2048, 1}},
      {"size left out", 1, std::nullopt, 1000000, {307200, 307200, 307200, 78400}},
      {"count 4", 2, 4, 10000, {2500, 2500, 2500, 2500}},
      {"count 3 rounds up", 2, 3, 10000, {3334, 3334, 3332}},
      {"count 7 of 10 runs out", 2, 7, 10, {2, 2, 2, 2, 2, 0, 0}},
      {"count 2 of 1 byte", 2, 2, 1, {1, 0}},
      {"count left out", 2, std::nullopt, 10, {5, 5}},
      {"mode 0 counts too", 0, 3, 10000, {3334, 3334, 3332}},
      {"1 KB", 1, 1, 10000, {}, "老大，你没搞错吧？？分成 1KB 这么小一份？", kTooSmall},
      {"0 KB", 1, 0, 10000, {}, "老大，你没搞错吧？？分成 0KB 这么小一份？", kTooSmall},
      {"negative KB", 1, -3, 10000, {}, "老大，你没搞错吧？？分成 -3KB 这么小一份？", kTooSmall},
      {"10 KB of 10 000", 1, 10, 10000, {},
       "老大，你没搞错吧？？要宰割的东东都没有 10 KB这么大！", kTooLarge},
      {"P = L", 1, 4, 4096, {}, "老大，你没搞错吧？？要宰割的东东都没有 4 KB这么大！", kTooLarge},
      {"2 KB of 2048", 1, 2, 2048, {}, "老大，你没搞错吧？？要宰割的东东都没有 2 KB这么大！",
       kTooLarge},
      // At 32 bits these would wrap to -2 GiB and to 1 KB.
      {"2 GiB pieces", 1, 2097152, 10000, {},
       "老大，你没搞错吧？？要宰割的东东都没有 2097152 KB这么大！", kTooLarge},
      {"4 GiB and 1 KB pieces", 1, 4194305, 10000, {},
       "老大，你没搞错吧？？要宰割的东东都没有 4194305 KB这么大！", kTooLarge},
      {"count 1", 2, 1, 10000, {}, "老大，你没搞错吧？？分成 1 份？", "我靠"},
      {"count 0", 2, 0, 10000, {}, "老大，你没搞错吧？？分成 0 份？", "我靠"},
      {"count -2", 2, -2, 10000, {}, "老大，你没搞错吧？？分成 -2 份？", "我靠"},
      {"empty, by size", 1, 4, 0, {}, "老大，0KB的东东，还要怎么宰割呀？", "我靠"},
      {"empty, by count", 2, 3, 0, {}, "老大，0KB的东东，还要怎么宰割呀？", "我靠"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    Bytes content = Filler(c.length);
    MakeFile(dir / "novel.txt", content);
    SplitRequest request;
    request.sourcePath = dir / "novel.txt";
    request.splitMode = c.mode;
    request.amount = c.amount;
    request.namingMode = 2;
    request.createFolder = false;
    RecordingSink sink;
    std::vector<bool> result = SplitJob(request, sink.sink());
    ASSERT_EQ(result.size(), 1u);

    std::vector<Text> want = {"novel.txt"};
    if (c.pieces.empty()) {
      EXPECT_FALSE(result[0]);
      ASSERT_EQ(sink.shown.size(), 1u);
      EXPECT_EQ(sink.shown[0].text, c.text);
      EXPECT_EQ(sink.shown[0].title, c.title);
      EXPECT_EQ(sink.shown[0].style, 16);
    } else {
      EXPECT_TRUE(result[0]);
      EXPECT_TRUE(sink.shown.empty());
      Bytes joined;
      for (size_t i = 0; i < c.pieces.size(); ++i) {
        Text name = ZeroPad(static_cast<int64_t>(i + 1), 3) + ".ayk";
        Bytes piece = ReadPiece(dir / name);
        EXPECT_EQ(static_cast<int64_t>(piece.size()), c.pieces[i]) << name;
        joined += piece;
        want.push_back(name);
      }
      EXPECT_EQ(joined, content);
    }
    std::sort(want.begin(), want.end());
    EXPECT_EQ(Listing(dir.path()), want);
    EXPECT_EQ(ReadPiece(dir / "novel.txt"), content);
  }
}

#ifdef _WIN32
// Holds a file open the way a program that shares nothing does.
class HeldWithoutSharing {
 public:
  explicit HeldWithoutSharing(const Text& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldWithoutSharing() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  HeldWithoutSharing(const HeldWithoutSharing&) = delete;
  HeldWithoutSharing& operator=(const HeldWithoutSharing&) = delete;
  bool held() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};
#endif

// Blank first, then the open, then the empty file, and only then the amount:
// each case would also fail a later check.
TEST(SplitJob, RejectionsComeInOrder) {
  const Text kBlank = "老大，你还没选择要宰割的东东哦。。。";
  const Text kUnopenable = "老大，要宰割的东东打不开哦，是不是不存在或者正被别的程序占用？";
  const Text kEmpty = "老大，0KB的东东，还要怎么宰割呀？";
  struct Case {
    const char* name;
    const char* source;  // in the test's folder; empty: given as it stands
    Text given;
    int mode;
    int64_t amount;
    Text text, title;
    bool windowsOnly = false;
  } cases[] = {
      {"empty path", "", "", 2, 1, kBlank, "我晕"},
      {"blanks only", "", "   ", 1, 1, kBlank, "我晕"},
      {"full-width blanks", "", "\xA1\xA1 \xA1\xA1", 2, 1, kBlank, "我晕"},
      {"missing, by size", "missing.txt", "", 1, 1, kUnopenable, "我晕"},
      {"missing, by count", "missing.txt", "", 2, 1, kUnopenable, "我晕"},
      {"a folder", "folder", "", 1, 4, kUnopenable, "我晕"},
      {"held without sharing", "held.txt", "", 2, 3, kUnopenable, "我晕", true},
      {"empty, count 1", "empty.txt", "", 2, 1, kEmpty, "我靠"},
      {"empty, 1 KB", "empty.txt", "", 1, 1, kEmpty, "我靠"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifndef _WIN32
    if (c.windowsOnly) continue;  // POSIX has no opening that denies sharing
#endif
    TempFolder dir;
    MakeFile(dir / "empty.txt", "");
    MakeFile(dir / "held.txt", "held");
    MakeFolder(dir / "folder");
    SplitRequest request;
    request.sourcePath = *c.source ? dir / c.source : c.given;
    request.splitMode = c.mode;
    request.amount = c.amount;
    request.deleteSource = true;
    std::vector<Text> before = Listing(dir.path());
    RecordingSink sink;
    {
#ifdef _WIN32
      std::optional<HeldWithoutSharing> held;
      if (c.windowsOnly) {
        held.emplace(dir / "held.txt");
        ASSERT_TRUE(held->held());
      }
#endif
      EXPECT_EQ(SplitJob(request, sink.sink()), std::vector<bool>{false});
    }
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, c.text);
    EXPECT_EQ(sink.shown[0].title, c.title);
    EXPECT_EQ(sink.shown[0].style, 16);
    EXPECT_EQ(Listing(dir.path()), before);
    EXPECT_EQ(ReadPiece(dir / "held.txt"), "held");
  }
}

TEST(SplitJob, EveryFieldLeftOut) {
  TempFolder dir;
  MakeFile(dir / "novel.txt", Filler(700 * 1024));
  SplitRequest request;
  request.sourcePath = dir / "novel.txt";
  RecordingSink sink;
  EXPECT_EQ(SplitJob(request, sink.sink()), std::vector<bool>{true});
  EXPECT_EQ(Listing(dir.path()),
            (std::vector<Text>{"novel.txt", "novel\\", "novel\\novel_001.ayk",
                               "novel\\novel_002.ayk", "novel\\novel_003.ayk"}));
  EXPECT_EQ(ReadPiece(dir / "novel\\novel_003.ayk").size(), 100u * 1024);
  EXPECT_TRUE(sink.shown.empty());
}

// Sub-folder, names and extension, for a source of 10 000 bytes in 4 KB pieces.
TEST(SplitJob, NamesAndPlacesThePieces) {
  struct Case {
    const char* name;
    Text source;  // relative to the test's folder
    std::optional<Text> destination;  // relative to the test's folder
    int naming;
    std::optional<Text> customName;
    bool createFolder, plainText;
    std::vector<Text> files;  // everything in the test's folder afterwards
  } cases[] = {
      {"custom, name blank, folder, plain text", "novel.txt", std::nullopt, 1, "", true, true,
       {"novel.txt", "novel\\", "novel\\novel_001.txt", "novel\\novel_002.txt",
        "novel\\novel_003.txt"}},
      {"custom 'part', folder", "novel.txt", std::nullopt, 1, "part", true, false,
       {"novel.txt", "part\\", "part\\part_001.ayk", "part\\part_002.ayk", "part\\part_003.ayk"}},
      {"automatic, folder after the source, not the custom name", "novel.txt", std::nullopt, 2,
       "part", true, true,
       {"novel.txt", "novel\\", "novel\\001.txt", "novel\\002.txt", "novel\\003.txt"}},
      {"automatic, no folder", "novel.txt", std::nullopt, 2, std::nullopt, false, false,
       {"001.ayk", "002.ayk", "003.ayk", "novel.txt"}},
      {"blank destination is the source's folder", "novel.txt", Text(" "), 2, std::nullopt,
       false, false, {"001.ayk", "002.ayk", "003.ayk", "novel.txt"}},
      {"destination without its last \\", "novel.txt", Text("out"), 2, std::nullopt, false,
       false, {"novel.txt", "out\\", "out\\001.ayk", "out\\002.ayk", "out\\003.ayk"}},
      {"destination with its last \\", "novel.txt", Text("out\\"), 1, Text("p"), false, false,
       {"novel.txt", "out\\", "out\\p_001.ayk", "out\\p_002.ayk", "out\\p_003.ayk"}},
      {"no extension, plain text: no dot", "novel", std::nullopt, 2, std::nullopt, false, true,
       {"001", "002", "003", "novel"}},
      {"no extension, raw: ayk", "novel", std::nullopt, 1, std::nullopt, false, false,
       {"novel", "novel_001.ayk", "novel_002.ayk", "novel_003.ayk"}},
      {"no extension, a folder asked: the source holds its name, the pieces stay beside it",
       "novel", std::nullopt, 1, std::nullopt, true, false,
       {"novel", "novel_001.ayk", "novel_002.ayk", "novel_003.ayk"}},
      {"a dot only in the folder's name", "my.books\\novel", std::nullopt, 1, std::nullopt,
       false, true,
       {"my.books\\", "my.books\\novel", "my.books\\novel_001", "my.books\\novel_002",
        "my.books\\novel_003"}},
      {"several dots", "a.b.txt", std::nullopt, 1, std::nullopt, false, true,
       {"a.b.txt", "a.b_001.txt", "a.b_002.txt", "a.b_003.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    MakeFolder(dir / "out");
    MakeFolder(dir / "my.books");
    Bytes content = Filler(10000);
    MakeFile(dir / c.source, content);
    SplitRequest request;
    request.sourcePath = dir / c.source;
    if (c.destination) {
      request.destinationFolder = c.destination->find_first_not_of(' ') == Text::npos
                                      ? *c.destination
                                      : dir / *c.destination;
    }
    request.splitMode = 1;
    request.amount = 4;
    request.namingMode = c.naming;
    request.customName = c.customName;
    request.createFolder = c.createFolder;
    request.plainText = c.plainText;
    RecordingSink sink;
    EXPECT_EQ(SplitJob(request, sink.sink()), std::vector<bool>{true});
    EXPECT_TRUE(sink.shown.empty());
    std::vector<Text> want = c.files;
    if (c.source.find('\\') == Text::npos) want.push_back("my.books\\");
    if (!c.destination || c.destination->find('o') == Text::npos) want.push_back("out\\");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(Listing(dir.path()), want);
  }
}

// A relative source is taken against the current folder, blanks included.
TEST(SplitJob, RelativeSourceLandsBesideIt) {
  for (Text name : {"novel.txt", " novel.txt"}) {
    SCOPED_TRACE(name);
    TempFolder dir;
    MakeFile(dir / name, Filler(5000));
    SplitRequest request;
    request.sourcePath = name;
    request.splitMode = 2;
    {
      CurrentFolder here(dir.path());
      RecordingSink sink;
      std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
      ASSERT_TRUE(plan);
      EXPECT_EQ(plan->request.sourcePath, dir / name);
      EXPECT_EQ(plan->request.destinationFolder, dir.path());
      EXPECT_TRUE(WritePieces(*plan, sink.sink()));
    }
    Text base = name.substr(0, name.size() - 4);
    std::vector<Text> want = {name, base + "\\", base + "\\" + base + "_001.ayk",
                              base + "\\" + base + "_002.ayk"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(Listing(dir.path()), want);
  }
}

TEST(SplitJob, ThousandthPieceHasFourDigits) {
  TempFolder dir;
  MakeFile(dir / "novel.txt", Filler(1000));
  SplitRequest request;
  request.sourcePath = dir / "novel.txt";
  request.splitMode = 2;
  request.amount = 1000;
  request.createFolder = false;
  request.plainText = true;
  EXPECT_EQ(SplitJob(request, RecordingSink().sink()), std::vector<bool>{true});
  EXPECT_EQ(ReadPiece(dir / "novel_999.txt"), "k");
  EXPECT_EQ(ReadPiece(dir / "novel_1000.txt"), "l");
  EXPECT_EQ(Listing(dir.path()).size(), 1001u);
}

// Sizes beyond 32 bits and the tolerance of the rounded-up quotient, seen
// in the plan (sparse sources; nothing is written).
TEST(SplitPlan, SixtyFourBitSizesAndTheTolerance) {
  const int64_t GiB = int64_t{1} << 30;
  struct Case {
    const char* name;
    int64_t length;
    int mode;
    int64_t amount;
    int64_t P, N;
  } cases[] = {
      {"a remainder within the tolerance is not a piece", 39999489, 1, 19531, 19999744, 2},
      {"one byte more is", 39999489 + 2, 1, 19531, 19999744, 3},
      {"2 GiB pieces of 5 GiB", 5 * GiB, 1, 2097152, 2 * GiB, 3},
      {"4 GiB and 1 KB pieces of 5 GiB", 5 * GiB, 1, 4194305, 4 * GiB + 1024, 2},
      {"2 pieces of 5 GiB", 5 * GiB, 2, 2, 5 * GiB / 2, 2},
      {"3 000 000 000 pieces", 5 * GiB, 2, 3000000000, 2, 3000000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    MakeSparseFile(dir / "big.bin", c.length);
    ASSERT_EQ(FileSize(dir / "big.bin"), c.length);
    SplitRequest request;
    request.sourcePath = dir / "big.bin";
    request.splitMode = c.mode;
    request.amount = c.amount;
    RecordingSink sink;
    std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->sourceLength, c.length);
    EXPECT_EQ(plan->pieceSize, c.P);
    EXPECT_EQ(plan->pieceCount, c.N);
    FileClose(plan->sourceFile);
    EXPECT_TRUE(sink.shown.empty());
  }
}

// A GBK character whose second byte is 0x5C ("\\") belongs to its name: it
// neither ends a folder nor needs one more "\\" after it.
TEST(SplitJob, GbkNamesWithABackslashByte) {
  const Text name = "\x95\x5C";
  TempFolder dir;
  if (!FileWriteWhole(dir / name + ".txt", Filler(5000))) {
    GTEST_SKIP() << "this system cannot store a GBK file name (under Wine the host needs "
                    "the zh_CN.UTF-8 locale)";
  }
  SplitRequest request;
  request.sourcePath = dir / name + ".txt";
  request.splitMode = 2;
  EXPECT_EQ(SplitJob(request, RecordingSink().sink()), std::vector<bool>{true});
  EXPECT_EQ(ReadPiece(dir / name + "\\" + name + "_002.ayk"), Filler(5000).substr(2500));

  DirectoryCreate(dir / "out" + name);
  request.destinationFolder = dir / "out" + name;
  request.createFolder = false;
  request.namingMode = 2;
  EXPECT_EQ(SplitJob(request, RecordingSink().sink()), std::vector<bool>{true});
  EXPECT_TRUE(FileInfoAt(dir / "out" + name + "\\001.ayk"));
}

}  // namespace

// The faults a split can meet half-way, one row each: the disk filling up
// at the first, a middle and the last piece, the destination vanishing, a
// piece's file held by another program, the source cut short or grown by
// another program, and the source's deletion refused. Each row checks what
// the user is shown, the flag, the pieces, and that no byte of the source is
// lost; the rows are printed as a table when the run ends.
//
// A fault strikes through WritePieces' hook, before the piece it is meant
// for and after the earlier ones are complete, so no row races the writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/piece_writer.h"
#include "core/split_job.h"
#include "tests/core/split_fixtures.h"
#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

const Text kCannotWrite = "老大，这一份写不进去呀：";
const int64_t kPiece = 64 * 1024;  // P
const int64_t kCount = 5;          // N
// Smaller than a piece, so that the source is read while the pieces are
// written, as it is for a file larger than the writer's buffer.
const int64_t kBuffer = 16 * 1024;

// ---- The table ----------------------------------------------------------

struct Row {
  std::string fault, made, shown, flag, pieces, source, result;
};

std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

// The texts are GBK at run time; the table is printed as UTF-8.
std::string Utf8(const std::string& gbk) {
#ifdef _WIN32
  int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0], n);
  int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
  return out;
#else
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return gbk;
  std::string out(gbk.size() * 2 + 1, '\0');
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size(), outLeft = out.size();
  char* to = &out[0];
  size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return gbk;
  out.resize(out.size() - outLeft);
  return out;
#endif
}

// Columns on a terminal: a CJK character takes two.
size_t Width(const std::string& utf8) {
  size_t w = 0;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    w += len >= 3 ? 2 : 1;
    i += len;
  }
  return w;
}

void Print(const std::string& utf8) {
#ifdef _WIN32
  // A console wants wide characters; a pipe or a file takes the bytes.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  if (GetConsoleMode(out, &mode)) {
    std::fflush(stdout);
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    DWORD written;
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(n), &written, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

class MatrixPrinter : public testing::Environment {
 public:
  void TearDown() override {
    if (Rows().empty()) return;
    std::vector<std::vector<std::string>> cells = {
        {"Fault", "Made by", "The user is shown", "Flag", "Pieces", "Source", "Result"}};
    for (const Row& r : Rows()) {
      cells.push_back({r.fault, r.made, r.shown, r.flag, r.pieces, r.source, r.result});
    }
    std::vector<size_t> widths(cells[0].size(), 0);
    for (const auto& line : cells) {
      for (size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], Width(line[c]));
    }
    std::string table = "\nFault matrix (" + std::to_string(kCount) + " pieces of " +
                        std::to_string(kPiece / 1024) + " KiB, delete-source asked every time):\n";
    for (size_t l = 0; l < cells.size(); ++l) {
      std::string line = "|";
      for (size_t c = 0; c < cells[l].size(); ++c) {
        line += " " + cells[l][c] + std::string(widths[c] - Width(cells[l][c]), ' ') + " |";
      }
      table += line + "\n";
      if (l == 0) {
        std::string rule = "|";
        for (size_t w : widths) rule += std::string(w + 2, '-') + "|";
        table += rule + "\n";
      }
    }
    Print(table);
  }
};

[[maybe_unused]] testing::Environment* const kPrinter = testing::AddGlobalTestEnvironment(new MatrixPrinter);

// ---- The split every row runs -------------------------------------------

// GBK-like text with line breaks: the plain-text rule has bytes to hold back.
Bytes NovelText(int64_t n) {
  std::mt19937 rng(20240611);
  Bytes b;
  while (static_cast<int64_t>(b.size()) < n) {
    if (rng() % 10 == 0) {
      b += "\r\n";
    } else if (rng() % 7 == 0) {
      b += static_cast<char>('a' + rng() % 26);
    } else {
      b += static_cast<char>(0xB0 + rng() % 0x48);
      b += static_cast<char>(0xA1 + rng() % 0x5E);
    }
  }
  b.resize(static_cast<size_t>(n));
  return b;
}

enum class Fault { DiskFull, DestinationGone, PieceHeld, SourceCut, SourceGrown, DeleteRefused };

struct Case {
  const char* name;
  Fault fault;
  int64_t at;  // the piece before which it strikes
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FaultMatrix : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    content = NovelText(kPiece * kCount);
    source = dir / "novel.txt";
    MakeFile(source, content);
    destination = dir / "out\\";
    MakeFolder(destination);
  }

  // Plans the split by count, then writes the pieces with the fault's hook.
  void Split(const std::function<void(int64_t)>& fault) {
    SplitRequest request;
    request.sourcePath = source;
    request.destinationFolder = destination;
    request.splitMode = 2;
    request.amount = kCount;
    request.namingMode = 2;
    request.createFolder = false;
    request.plainText = true;
    request.deleteSource = true;
    std::optional<SplitPlan> plan = PlanSplit(request, sink.sink());
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->pieceSize, kPiece);
    layout = LayOutPieces(plan->request);
    reference = ReferencePieces(content, kPiece, kCount, true);
    PieceHook hook = [&](int64_t index) {
      if (index == GetParam().at) fault(index);
    };
    flag = WritePieces(*plan, sink.sink(), kBuffer, hook);
  }

  Text Piece(int64_t i) const { return PiecePath(layout, i); }

  // The one box of a piece that could not be written, naming that piece.
  void ExpectStoppedAt(int64_t k) {
    EXPECT_FALSE(flag);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, kCannotWrite + AbsolutePath(Piece(k)));
    EXPECT_EQ(sink.shown[0].title, "我靠");
    EXPECT_EQ(sink.shown[0].style, 16);
    for (int64_t i = k + 1; i <= kCount; ++i) EXPECT_FALSE(Exists(Piece(i))) << i;
  }

  void ExpectCompleted() {
    EXPECT_TRUE(flag);
    EXPECT_TRUE(sink.shown.empty());
    for (int64_t i = 1; i <= kCount; ++i) {
      EXPECT_EQ(ReadPiece(Piece(i)), reference[static_cast<size_t>(i - 1)]) << i;
    }
  }

  // The pieces found in folder (the destination, or where it went), as the
  // table shows them: runs of pieces that are complete, missing, or someone
  // else's file left as it was.
  std::string DescribePieces(const Text& folder) const {
    std::string out;
    int64_t runStart = 1;
    std::string runState;
    for (int64_t i = 1; i <= kCount + 1; ++i) {
      std::string state;
      if (i <= kCount) {
        Text path = folder + ZeroPad(i, 3) + layout.suffix;
        state = !Exists(path) ? "absent"
                : ReadPiece(path) == reference[static_cast<size_t>(i - 1)] ? "complete"
                                                                           : "not ours, untouched";
      }
      if (i > 1 && state != runState) {
        out += (out.empty() ? "" : "; ") + ZeroPad(runStart, 3) +
               (i - 1 > runStart ? "-" + ZeroPad(i - 1, 3) : "") + " " + runState;
        runStart = i;
      }
      runState = state;
    }
    return out;
  }

  void Record(const std::string& made, const std::string& sourceState, const std::string& pieces) {
    row.made = made;
    row.source = sourceState;
    row.pieces = pieces;
  }

  std::string Shown() const {
    if (sink.shown.empty()) return "nothing";
    Text text = sink.shown[0].text;
    const Text folder = AbsolutePath(destination);
    size_t at = text.find(folder);
    if (at != Text::npos) text.replace(at, folder.size(), "<dest>\\");
    return Utf8(sink.shown[0].title + ": " + text);
  }

  void TearDown() override {
    row.fault = GetParam().name;
    if (IsSkipped()) {
      row.result = "skipped: " + skipped;
    } else {
      if (row.shown.empty()) row.shown = Shown();
      row.flag = flag ? "true" : "false";
      row.result = HasFailure() ? "FAIL" : "ok";
    }
    Rows().push_back(row);
  }

  TempFolder dir;
  Bytes content;
  Text source, destination;
  PieceLayout layout;
  std::vector<Bytes> reference;
  RecordingSink sink;
  bool flag = false;
  Row row;
  std::string skipped;
};

// The source still holds every byte it had, and is still there.
std::string SourceState(const Text& source, const Bytes& before) {
  if (!Exists(source)) return "DELETED";
  Bytes now = ReadPiece(source);
  if (now == before) return "intact, kept";
  return "CHANGED";
}

TEST_P(FaultMatrix, NoByteOfTheSourceIsLost) {
  const Case& c = GetParam();
  switch (c.fault) {
    case Fault::DiskFull: {
#ifdef _WIN32
      row.made = "QH_SMALL_VOLUME filled before " + ZeroPad(c.at, 3);
#else
      row.made = "1 MiB tmpfs filled before " + ZeroPad(c.at, 3);
#endif
      SmallVolume volume(dir / "small");
      if (!volume.why().empty()) {
        skipped = volume.why();
        GTEST_SKIP() << volume.why();
      }
      ASSERT_GT(volume.free(), 2 * kPiece * kCount);
      ASSERT_LT(volume.free(), 64 << 20);
      destination = volume.folder();
      const Text filler = volume.folder() + "qh-filler.tmp";
      // Everything but half a piece is taken just before piece k.
      Split([&](int64_t) {
        int64_t fill = volume.FreeNow() - kPiece / 2;
        ASSERT_GT(fill, 0);
        MakeFile(filler, Bytes(static_cast<size_t>(fill), 'f'));
      });
      ExpectStoppedAt(c.at);
      EXPECT_FALSE(Exists(Piece(c.at)));
      for (int64_t i = 1; i < c.at; ++i) EXPECT_EQ(ReadPiece(Piece(i)), reference[static_cast<size_t>(i - 1)]);
      Record(row.made, SourceState(source, content), DescribePieces(volume.folder()));
      // A given volume is left as it was found.
      FileDelete(filler);
      for (int64_t i = 1; i <= kCount; ++i) FileDelete(Piece(i));
      break;
    }
    case Fault::DestinationGone: {
      const Text moved = dir / "moved";
      Split([&](int64_t) { ASSERT_TRUE(MovePath(dir / "out", moved)); });
      ExpectStoppedAt(c.at);
      for (int64_t i = 1; i < c.at; ++i) {
        EXPECT_EQ(ReadPiece(moved + "\\" + ZeroPad(i, 3) + layout.suffix),
                  reference[static_cast<size_t>(i - 1)]);
      }
      Record("out\\ moved away before " + ZeroPad(c.at, 3), SourceState(source, content),
             DescribePieces(moved + "\\") + " (moved with out\\)");
      break;
    }
    case Fault::PieceHeld: {
      const Bytes theirs = "someone else's";
#ifdef _WIN32
      HANDLE held = INVALID_HANDLE_VALUE;
      Split([&](int64_t i) {
        MakeFile(Piece(i), theirs);
        held = CreateFileA(Piece(i).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
      });
      CloseHandle(held);
      const std::string made = ZeroPad(c.at, 3) + " opened without sharing";
#else
      // POSIX has no opening that keeps others out; a file the writer may
      // not replace is the nearest.
      Split([&](int64_t i) {
        MakeFile(Piece(i), theirs);
        MakeReadOnly(Piece(i));
      });
      const std::string made = ZeroPad(c.at, 3) + " made read-only";
#endif
      ExpectStoppedAt(c.at);
      EXPECT_EQ(ReadPiece(Piece(c.at)), theirs);
      Record(made, SourceState(source, content), DescribePieces(destination));
      break;
    }
    case Fault::SourceCut: {
      const int64_t left = kPiece * (c.at - 1) + kPiece / 2;
      Split([&](int64_t) { ResizeFile(source, left); });
      ExpectStoppedAt(c.at);
      EXPECT_FALSE(Exists(Piece(c.at)));
      const Bytes theirs = content.substr(0, static_cast<size_t>(left));
      std::string state = !Exists(source) ? "DELETED"
                          : ReadPiece(source) == theirs
                              ? "as the other program left it, kept"
                              : "CHANGED";
      EXPECT_EQ(ReadPiece(source), theirs);
      EXPECT_TRUE(OpenedByNobody(source));
      Record("cut to " + std::to_string(left / 1024) + " KiB before " + ZeroPad(c.at, 3), state,
             DescribePieces(destination));
      break;
    }
    case Fault::SourceGrown: {
      const Bytes more = "\r\n\xB5\xDA\xB6\xFE\xD5\xC2";  // another chapter begins
      Split([&](int64_t) { AppendToFile(source, more); });
      ExpectCompleted();
      std::string state = !Exists(source) ? "DELETED"
                          : ReadPiece(source) == content + more
                              ? "grown, kept (not deleted: it changed)"
                              : "CHANGED";
      EXPECT_EQ(ReadPiece(source), content + more);
      Record("8 bytes appended before " + ZeroPad(c.at, 3), state,
             DescribePieces(destination) + " (the source as it was)");
      break;
    }
    case Fault::DeleteRefused: {
#ifdef _WIN32
      // Like an editor that has the file open and lets others read and write.
      HANDLE held = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
      Split([](int64_t) {});
      CloseHandle(held);
      const std::string made = "source held open without delete sharing";
#else
      MakeReadOnly(source);
      Split([](int64_t) {});
      const std::string made = "source made read-only";
#endif
      ExpectCompleted();
      EXPECT_EQ(ReadPiece(source), content);
      Record(made, SourceState(source, content), DescribePieces(destination));
      break;
    }
  }
  if (c.fault != Fault::SourceCut) {
    if (c.fault != Fault::SourceGrown) {
      EXPECT_EQ(ReadPiece(source), content);
    }
    EXPECT_TRUE(OpenedByNobody(source));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrix,
    testing::Values(Case{"disk full at the first piece", Fault::DiskFull, 1},
                    Case{"disk full at a middle piece", Fault::DiskFull, 3},
                    Case{"disk full at the last piece", Fault::DiskFull, kCount},
                    Case{"destination vanishes mid-split", Fault::DestinationGone, 3},
                    Case{"a piece's file held open", Fault::PieceHeld, 3},
                    Case{"source cut short mid-split", Fault::SourceCut, 3},
                    Case{"source grown mid-split", Fault::SourceGrown, 3},
                    Case{"deleting the source refused", Fault::DeleteRefused, 1}),
    [](const testing::TestParamInfo<Case>& param) {
      std::string name;
      for (const char* p = param.param.name; *p; ++p) {
        if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) name += *p;
      }
      return name;
    });

}  // namespace

// Splits started from the window: what lands on disk, what the status bar
// and the boxes say, and the page opened after a success (by a stand-in
// browser that only notes the address).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/core/test_support.h"
#include "tests/e2e/driver.h"

namespace {

// What winebrowser has been asked to open so far, one address a line.
std::vector<std::string> BrowserCalls() {
  Bytes all = ReadByFileLayer(WindowsPath(QH_E2E_BROWSER_RECORD));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] != '\n') continue;
    lines.push_back(all.substr(start, i - start));
    start = i + 1;
  }
  return lines;
}

// Every file below folder as "relative\path size", sorted; folders end in "\".
void ListInto(const Text& folder, const Text& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    Text name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(prefix + name + "\\");
      ListInto(folder + name + "\\", prefix + name + "\\", out);
    } else {
      out.push_back(prefix + name + " " + std::to_string(fd.nFileSizeLow));
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::vector<std::string> ListFiles(const Text& folder) {
  std::vector<std::string> out;
  ListInto(folder, "", out);
  std::sort(out.begin(), out.end());
  return out;
}

// Plain ASCII lines, so that no piece end moves under the plain-text rule.
Bytes SourceBytes(int size) {
  Bytes b;
  for (int i = 0; static_cast<int>(b.size()) < size; ++i) b += "line " + std::to_string(i) + "\r\n";
  b.resize(static_cast<size_t>(size));
  return b;
}

// Everything the window lets the user set for one split.
struct Settings {
  Text source;
  Text destination;  // written as the folder chooser writes it
  bool bySize = true;
  Text size, count;
  bool customNames = true;
  Text name;
  bool createFolder = true, plainText = true, deleteSource = false, mergeScript = false;
};

void Configure(const Program& p, const Settings& s) {
  p.SetText("待宰文件_编辑框", s.source);
  p.SetText("宰后位置_编辑框", s.destination);
  p.SetText("分割大小_编辑框", s.size);
  p.SetText("分割份数_编辑框", s.count);
  p.SetText("自定名称_编辑框", s.name);
  p.Click(s.bySize ? "大小分割_单选框" : "平均分割_单选框");
  p.Click(s.customNames ? "自定名称_单选框" : "自动命名_单选框");
  struct { const char* box; bool want; } marks[] = {
      {"创建文件夹_复选框", s.createFolder},
      {"纯文本_复选框", s.plainText},
      {"删除原文件_复选框", s.deleteSource},
      {"合并脚本_复选框", s.mergeScript},
  };
  p.Sync();
  for (const auto& m : marks) {
    if (p.Checked(m.box) != m.want) p.Click(m.box);
  }
  p.Sync();
}

class Split : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileA(WindowsPath(QH_E2E_BROWSER_RECORD).c_str()); }

  // Presses the start button and waits for the box the split ends with.
  std::optional<SeenBox> Start(const Program& p) const {
    p.Click("开宰钮");
    return p.WaitForBox(20000);
  }

  // While a box of the split is open: the split is still under way.
  void ExpectSplitHolding(const Program& p, const SeenBox& box) const {
    EXPECT_EQ(GetWindow(box.box, GW_OWNER), p.window()) << "the box belongs to the window";
    EXPECT_FALSE(IsWindowEnabled(p.window())) << "the box is modal";
    EXPECT_TRUE(p.Enabled("停宰钮"));
  }

  bool WaitForSplitEnd(const Program& p) const {
    return WaitUntil([&] { return !p.Enabled("停宰钮") && IsWindowEnabled(p.window()); }, 10000);
  }

  TempFolder temp_;
};

TEST_F(Split, SuccessWritesThePiecesReportsAndThenOpensThePage) {
  Text source = temp_ / "小说.txt";
  Bytes content = SourceBytes(10000);
  ASSERT_TRUE(FileWriteWhole(source, content));
  Program p;
  ASSERT_TRUE(p.ready());
  Settings s;
  s.source = source;
  s.size = "4";
  Configure(p, s);

  std::optional<SeenBox> box = Start(p);
  ASSERT_TRUE(box) << "no box after the split";
  EXPECT_EQ(box->caption, "胜利！！Oh,Yeah！！");
  EXPECT_EQ(box->text, "报告，文件分割完毕，请指示！");
  EXPECT_EQ(p.Pane(2), "嘎嘎，分割成功了！！");
  ExpectSplitHolding(p, *box);
  EXPECT_EQ(ListFiles(temp_.path()),
            (std::vector<std::string>{"小说.txt 10000", "小说\\", "小说\\小说_001.txt 4096",
                                      "小说\\小说_002.txt 4096", "小说\\小说_003.txt 1808"}));
  Bytes joined;
  for (const char* piece : {"小说_001.txt", "小说_002.txt", "小说_003.txt"}) {
    joined += ReadByFileLayer(temp_ / JoinText({"小说\\", piece}));
  }
  EXPECT_TRUE(joined == content) << "the pieces in order are not the source";

  // Not before the box is gone (winebrowser takes a moment to get going).
  EXPECT_FALSE(WaitUntil([] { return !BrowserCalls().empty(); }, 2500)) << "page opened before the box closed";
  p.CloseBox(*box);
  ASSERT_TRUE(WaitForSplitEnd(p));
  EXPECT_EQ(p.Pane(2), "嘎嘎，分割成功了！！");
  EXPECT_STREQ(p.NameOf(p.Focus()), "开宰钮") << "the focus is not back where it was";
  ASSERT_TRUE(WaitUntil([] { return !BrowserCalls().empty(); }, 10000)) << "no page opened";
  EXPECT_EQ(BrowserCalls(), std::vector<std::string>{ExpectedPage()});
}

TEST_F(Split, SuccessBoxClosesItselfAfterTenSeconds) {
  Text source = temp_ / "novel.txt";
  ASSERT_TRUE(FileWriteWhole(source, SourceBytes(5000)));
  Program p;
  ASSERT_TRUE(p.ready());
  Settings s;
  s.source = source;
  s.bySize = false;
  s.count = "2";
  Configure(p, s);

  std::optional<SeenBox> box = Start(p);
  ASSERT_TRUE(box);
  DWORD shown = GetTickCount();
  ASSERT_TRUE(WaitUntil([&] { return !p.IsOpen(*box); }, 15000)) << "the box stayed open";
  DWORD open = GetTickCount() - shown;
  EXPECT_GE(open, 9000u);
  EXPECT_LE(open, 13000u);
  ASSERT_TRUE(WaitForSplitEnd(p));
  EXPECT_TRUE(WaitUntil([] { return BrowserCalls() == std::vector<std::string>{ExpectedPage()}; }, 10000));
}

TEST_F(Split, EachRejectionShowsItsBoxThenTheFailureAndNoPage) {
  Text tenThousand = temp_ / "novel.txt";
  Text empty = temp_ / "empty.txt";
  ASSERT_TRUE(FileWriteWhole(tenThousand, SourceBytes(10000)));
  ASSERT_TRUE(FileWriteWhole(empty, ""));
  std::vector<std::string> before = ListFiles(temp_.path());

  struct Case {
    const char* what;
    Settings settings;
    Text text, title;
  };
  auto bySize = [&](Text source, Text size) {
    Settings s;
    s.source = source;
    s.size = size;
    s.count = "5";  // never looked at by size
    return s;
  };
  auto byCount = [&](Text source, Text count) {
    Settings s;
    s.source = source;
    s.bySize = false;
    s.count = count;
    s.size = "4";  // never looked at by count
    return s;
  };
  const Case cases[] = {
      {"blank source", bySize("   ", "4"), "老大，你还没选择要宰割的东东哦。。。", "我晕"},
      {"missing source", bySize(temp_ / "gone.txt", "4"),
       "老大，要宰割的东东打不开哦，是不是不存在或者正被别的程序占用？", "我晕"},
      {"empty source", byCount(empty, "1"), "老大，0KB的东东，还要怎么宰割呀？", "我靠"},
      {"1 KB", bySize(tenThousand, "1"), "老大，你没搞错吧？？分成 1KB 这么小一份？", "我靠，BT，你想累死我啊！"},
      // Pasted "0.9" is cut to 0 by the window, not turned into 921 bytes.
      {"0.9 KB", bySize(tenThousand, "0.9"), "老大，你没搞错吧？？分成 0KB 这么小一份？", "我靠，BT，你想累死我啊！"},
      {"size box empty", bySize(tenThousand, ""), "老大，你没搞错吧？？分成 0KB 这么小一份？",
       "我靠，BT，你想累死我啊！"},
      {"10 KB of 10000 bytes", bySize(tenThousand, "10"), "老大，你没搞错吧？？要宰割的东东都没有 10 KB这么大！",
       "晕。。。。。"},
      {"1 piece", byCount(tenThousand, "1"), "老大，你没搞错吧？？分成 1 份？", "我靠"},
      {"-3 pieces", byCount(tenThousand, "-3"), "老大，你没搞错吧？？分成 -3 份？", "我靠"},
      {"count box empty", byCount(tenThousand, ""), "老大，你没搞错吧？？分成 0 份？", "我靠"},
  };

  Program p;
  ASSERT_TRUE(p.ready());
  for (const Case& c : cases) {
    Configure(p, c.settings);
    std::optional<SeenBox> box = Start(p);
    ASSERT_TRUE(box) << c.what << ": no box";
    EXPECT_EQ(box->text, c.text) << c.what;
    EXPECT_EQ(box->caption, c.title) << c.what;
    EXPECT_EQ(p.Pane(2), "分割进行中……") << c.what;
    ExpectSplitHolding(p, *box);
    p.CloseBox(*box);
    ASSERT_TRUE(WaitForSplitEnd(p)) << c.what;
    EXPECT_EQ(p.Pane(2), "啊哦，分割失败了……") << c.what;
    EXPECT_FALSE(p.OpenBox()) << c.what << ": a second box";
  }
  EXPECT_EQ(ListFiles(temp_.path()), before) << "a rejected split wrote something";
  // Give a wrongly started browser time to show up.
  WaitUntil([] { return !BrowserCalls().empty(); }, 2000);
  EXPECT_TRUE(BrowserCalls().empty()) << "a page was opened after a rejection";
}

TEST_F(Split, TheWindowsChoicesDecideNamesPlacesAndTheAmount) {
  struct Case {
    const char* what;
    Settings settings;
    std::vector<std::string> files;  // the case's folder afterwards
  };
  // Each case works in a folder of its own, with a 10000-byte novel.txt.
  auto folder = [&](int i) { return temp_ / ("c" + std::to_string(i) + "\\"); };
  auto base = [&](int i) {
    Settings s;
    s.source = folder(i) + "novel.txt";
    return s;
  };
  std::vector<Case> cases;
  {
    Settings s = base(0);
    s.bySize = false;
    s.count = "2";
    s.size = "1";  // would be rejected if it were read
    cases.push_back({"by count, the size box ignored", s,
                     {"novel.txt 10000", "novel\\", "novel\\novel_001.txt 5000", "novel\\novel_002.txt 5000"}});
  }
  {
    Settings s = base(1);
    s.size = "4";
    s.count = "1";  // would be rejected if it were read
    cases.push_back({"by size, the count box ignored", s,
                     {"novel.txt 10000", "novel\\", "novel\\novel_001.txt 4096", "novel\\novel_002.txt 4096",
                      "novel\\novel_003.txt 1808"}});
  }
  {
    Settings s = base(2);
    s.size = "4";
    s.customNames = false;
    s.name = "ignored";
    cases.push_back({"automatic names, the custom name ignored", s,
                     {"novel.txt 10000", "novel\\", "novel\\001.txt 4096", "novel\\002.txt 4096",
                      "novel\\003.txt 1808"}});
  }
  {
    Settings s = base(3);
    s.size = "4";
    s.name = "part";
    s.createFolder = false;
    s.plainText = false;
    cases.push_back({"blank destination: beside the source", s,
                     {"novel.txt 10000", "part_001.ayk 4096", "part_002.ayk 4096", "part_003.ayk 1808"}});
  }
  {
    Settings s = base(4);
    s.destination = folder(4) + "out\\";
    s.bySize = false;
    s.count = "4";
    s.deleteSource = true;
    s.mergeScript = true;
    cases.push_back({"chosen destination, source deleted, no merge script", s,
                     {"out\\", "out\\novel\\", "out\\novel\\novel_001.txt 2500", "out\\novel\\novel_002.txt 2500",
                      "out\\novel\\novel_003.txt 2500", "out\\novel\\novel_004.txt 2500"}});
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    ASSERT_TRUE(CreateDirectoryA(folder(static_cast<int>(i)).c_str(), nullptr));
    ASSERT_TRUE(FileWriteWhole(cases[i].settings.source, SourceBytes(10000)));
  }
  ASSERT_TRUE(CreateDirectoryA((folder(4) + "out\\").c_str(), nullptr));

  Program p;
  ASSERT_TRUE(p.ready());
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Configure(p, c.settings);
    std::optional<SeenBox> box = Start(p);
    ASSERT_TRUE(box) << c.what;
    EXPECT_EQ(box->caption, "胜利！！Oh,Yeah！！") << c.what << ": " << box->text;
    p.CloseBox(*box);
    ASSERT_TRUE(WaitForSplitEnd(p)) << c.what;
    EXPECT_EQ(p.Pane(2), "嘎嘎，分割成功了！！") << c.what;
    EXPECT_EQ(ListFiles(folder(static_cast<int>(i))), c.files) << c.what;
  }
  EXPECT_TRUE(WaitUntil([&] { return BrowserCalls().size() == cases.size(); }, 10000));
}

TEST_F(Split, RelativeSourceIsTakenFromTheProgramsFolder) {
  Text inProgramFolder = ProgramFolder() + "relative.txt";
  ASSERT_TRUE(FileWriteWhole(inProgramFolder, SourceBytes(3000)));
  {
    Program p(temp_.path());  // started with another current folder
    ASSERT_TRUE(p.ready());
    Settings s;
    s.source = "relative.txt";
    s.bySize = false;
    s.count = "3";
    Configure(p, s);
    std::optional<SeenBox> box = Start(p);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "胜利！！Oh,Yeah！！") << box->text;
    p.CloseBox(*box);
    ASSERT_TRUE(WaitForSplitEnd(p));
  }
  Text pieces = ProgramFolder() + "relative\\";
  std::vector<std::string> files = ListFiles(pieces);
  for (const char* f : {"relative_001.txt", "relative_002.txt", "relative_003.txt"}) DeleteFileA((pieces + f).c_str());
  RemoveDirectoryA(pieces.c_str());
  DeleteFileA(inProgramFolder.c_str());
  EXPECT_EQ(files, (std::vector<std::string>{"relative_001.txt 1000", "relative_002.txt 1000",
                                             "relative_003.txt 1000"}));
  EXPECT_EQ(ListFiles(temp_.path()), std::vector<std::string>{}) << "pieces went to the current folder";
}

TEST_F(Split, StopButtonSaysItCannotStop) {
  Program p;
  ASSERT_TRUE(p.ready());
  // The button works only while a split holds the window; enable it as the
  // start handler does.
  EnableWindow(p.control("停宰钮"), TRUE);
  ASSERT_TRUE(WaitUntil([&] { return p.Enabled("停宰钮"); }, 2000));
  p.Click("停宰钮");
  std::optional<SeenBox> box = p.WaitForBox(5000);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "开弓没有回头箭！！停不下来了！！");
  EXPECT_EQ(box->caption, "别停");
  EXPECT_EQ(GetWindow(box->box, GW_OWNER), p.window());
  Sleep(1500);
  EXPECT_TRUE(p.IsOpen(*box)) << "the stop box has no time-out";
  p.CloseBox(*box);
  EXPECT_FALSE(p.IsOpen(*box));
  EXPECT_EQ(p.Pane(2), "") << "nothing else happens";
  EXPECT_FALSE(p.WaitForExit(0));
}

}  // namespace

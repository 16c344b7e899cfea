// The file dialog object: its record, flags, buffers and the reading of the
// platform's answer without a dialog, then the real open dialog driven by a
// robot thread.
#include <gtest/gtest.h>

#include "dialogs/file_dialog.h"
#include "tests/core/test_support.h"
#include "tests/win/dialog_robot.h"

#include <dlgs.h>  // after windows.h

namespace {

const Text kSystemTitle = "请选择将要被分割的东东！";
const Text kSystemFilter =
    "文本文件(*.txt)|*.txt|压缩文件(rar，zip，7z，iso)|*.rar;*.zip;*.7z;*.iso|所有文件|*.*";
const int kUnknownKind = 2;  // Show builds its buffer, then shows nothing

Bytes Zeros(int n) { return Bytes(static_cast<size_t>(n), '\0'); }

// The file buffer as the platform leaves it: the answer, then zeros.
Bytes Answer(const Bytes& written, int size) {
  return written + Zeros(size - static_cast<int>(written.size()));
}

Bytes FileBufferOf(const FileDialog& d) {
  const OPENFILENAMEA& r = d.DialogRecord();
  return r.lpstrFile == nullptr ? Bytes() : Bytes(r.lpstrFile, r.nMaxFile);
}

TEST(FileDialogFilter, BarsBecomeZeroBytesByteByByte) {
  struct Case { const char* name; Text filter; Bytes want; } cases[] = {
      {"the system's filter", kSystemFilter,
       Bytes("文本文件(*.txt)") + Zeros(1) + "*.txt" + Zeros(1) + "压缩文件(rar，zip，7z，iso)" +
           Zeros(1) + "*.rar;*.zip;*.7z;*.iso" + Zeros(1) + "所有文件" + Zeros(1) + "*.*" +
           Zeros(2)},
      // 0x81 0x7C is one GBK character; its second byte is still cut.
      {"GBK second byte 0x7C", "\x81\x7C(*.a)|*.a", Bytes("\x81") + Zeros(1) + "(*.a)" +
                                                         Zeros(1) + "*.a" + Zeros(2)},
      {"no bar: a description with an empty pattern", "所有文件(*.*)",
       Bytes("所有文件(*.*)") + Zeros(2)},
      {"empty", "", Zeros(2)},
  };
  for (const Case& c : cases) EXPECT_EQ(FilterList(c.filter), c.want) << c.name;
}

TEST(FileDialogSetUp, LeftOutTextsTakeTheirDefaultsAgain) {
  FileDialog d;
  EXPECT_EQ(d.DialogRecord().lpstrFilter, nullptr);  // nothing before SetUp

  d.SetUp(0, Text("t"), Text("a|*.a"), 2, Text("C:\\in"), Text("n.txt"), Text("txt"));
  const OPENFILENAMEA& r = d.DialogRecord();
  EXPECT_STREQ(r.lpstrTitle, "t");
  EXPECT_STREQ(r.lpstrInitialDir, "C:\\in");
  EXPECT_STREQ(r.lpstrDefExt, "txt");
  EXPECT_EQ(r.nFilterIndex, 3u);

  d.SetUp(0);
  EXPECT_EQ(r.lpstrTitle, nullptr);
  EXPECT_EQ(r.lpstrInitialDir, nullptr);
  EXPECT_EQ(r.lpstrDefExt, nullptr);
  EXPECT_EQ(r.nFilterIndex, 1u);
  Bytes defaultList = FilterList("所有文件(*.*)");
  ASSERT_NE(r.lpstrFilter, nullptr);
  EXPECT_EQ(Bytes(r.lpstrFilter, defaultList.size()), defaultList);
  EXPECT_EQ(r.hwndOwner, GetActiveWindow());
  EXPECT_EQ(r.hInstance, GetModuleHandleA(nullptr));
}

TEST(FileDialogSetUp, FilterIndexIsOneBasedAndNeverBelowOne) {
  struct Case { int index; DWORD want; } cases[] = {{-5, 1}, {0, 1}, {1, 2}, {2, 3}};
  for (const Case& c : cases) {
    FileDialog d;
    d.SetUp(0, {}, {}, c.index);
    EXPECT_EQ(d.DialogRecord().nFilterIndex, c.want) << c.index;
  }
}

// SetUp with one truth value (by its position 8 to 12) given or left out.
void SetUpWith(FileDialog& d, int kind, int which, std::optional<bool> v) {
  std::optional<bool> a[5];
  a[which - 8] = v;
  d.SetUp(kind, {}, {}, {}, {}, {}, {}, a[0], a[1], a[2], a[3], a[4]);
}

TEST(FileDialogFlags, EachTruthValueSetsItsWordAndLeftOutKeepsIt) {
  const DWORD kOpenBase = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
  const DWORD kSaveBase = OFN_EXPLORER | OFN_ENABLESIZING;
  FileDialog fresh;
  fresh.SetUp(0);
  EXPECT_EQ(fresh.Flags(), 0x883806u);
  fresh.SetUp(1);
  EXPECT_EQ(fresh.Flags(), kSaveBase | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
  fresh.SetUp(kUnknownKind);
  EXPECT_EQ(fresh.Flags(), 0u);

  struct Case { int which; DWORD word; bool onByDefault; bool inSave; } cases[] = {
      {8, OFN_CREATEPROMPT, true, false},     {9, OFN_FILEMUSTEXIST, true, false},
      {10, OFN_OVERWRITEPROMPT, true, true},  {11, OFN_PATHMUSTEXIST, true, true},
      {12, OFN_ALLOWMULTISELECT, false, true},
  };
  for (const Case& c : cases) {
    for (int kind : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "argument " << c.which << ", kind " << kind);
      const DWORD base = kind == 0 ? kOpenBase : kSaveBase;
      const DWORD on = kind == 0 || c.inSave ? c.word : 0;
      FileDialog d;
      SetUpWith(d, kind, c.which, std::nullopt);
      EXPECT_EQ(d.Flags() & c.word, c.onByDefault ? on : 0);
      SetUpWith(d, kind, c.which, false);
      EXPECT_EQ(d.Flags() & c.word, 0u);
      SetUpWith(d, kind, c.which, std::nullopt);
      EXPECT_EQ(d.Flags() & c.word, 0u) << "left out must keep false";
      SetUpWith(d, kind, c.which, true);
      EXPECT_EQ(d.Flags() & c.word, on);
      SetUpWith(d, kind, c.which, std::nullopt);
      EXPECT_EQ(d.Flags() & c.word, on) << "left out must keep true";
      EXPECT_EQ(d.Flags() & ~(OFN_CREATEPROMPT | OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT |
                              OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT),
                base);
    }
  }
}

TEST(FileDialogShow, FileBufferSizesAndInitialContent) {
  const Text longName(300, 'n');
  const Text longerThanMulti(3000, 'm');
  struct Case {
    const char* name;
    Text initialName;
    bool multiSelect;
    Bytes wantStart;
    DWORD wantSize;
  } cases[] = {
      {"empty", "", false, "", 257},
      {"multi-select", "", true, "", 2049},
      {"up to the first ';' shows", "a.txt;b.txt", false, Bytes("a.txt") + Zeros(1) + "b.txt",
       257},
      {"256 bytes: one zero still fits", Text(256, 'x'), false, Text(256, 'x'), 257},
      {"longer than 256: the buffer grows", longName, false, longName, 301},
      {"longer than 2048 with multi-select", longerThanMulti, true, longerThanMulti, 3001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialog d;
    d.SetUp(kUnknownKind, {}, {}, {}, {}, c.initialName, {}, {}, {}, {}, {}, c.multiSelect);
    EXPECT_FALSE(d.Show());
    EXPECT_EQ(d.FileName(), c.initialName);
    const OPENFILENAMEA& r = d.DialogRecord();
    EXPECT_EQ(r.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A));
    ASSERT_EQ(r.nMaxFile, c.wantSize);
    Bytes buffer = FileBufferOf(d);
    EXPECT_EQ(buffer, c.wantStart + Zeros(static_cast<int>(c.wantSize - c.wantStart.size())));
  }

  FileDialog d;
  d.SetUp(kUnknownKind, {}, {}, {}, {}, Text("kept"));
  d.Show();
  d.SetUp(kUnknownKind);
  EXPECT_EQ(d.FileName(), "") << "SetUp clears the outcome";
}

TEST(FileDialogAnswer, SinglePathsAndMultiSelectLists) {
  struct Case { const char* name; Bytes written; int multiSelectFlag; Text want; } cases[] = {
      {"one path", "D:\\books\\x.txt", 0, "D:\\books\\x.txt"},
      {"multi-select, one file", "D:\\books\\x.txt", 512, "D:\\books\\x.txt"},
      {"multi-select in a folder", Bytes("D:\\books") + Zeros(1) + "x.txt" + Zeros(1) + "y.txt",
       512, "D:\\books\\x.txt;D:\\books\\y.txt"},
      {"multi-select in a drive root", Bytes("D:\\") + Zeros(1) + "x.txt" + Zeros(1) + "y.txt",
       512, "D:\\x.txt;D:\\y.txt"},
      // 0x95 0x5C ends in the byte of "\" but is a character of the folder's name.
      {"folder ending in a GBK second byte 0x5C",
       Bytes("D:\\\x95\x5C") + Zeros(1) + "x.txt" + Zeros(1) + "y.txt", 512,
       "D:\\\x95\x5C\\x.txt;D:\\\x95\x5C\\y.txt"},
      {"GBK names", Bytes("D:\\书") + Zeros(1) + "小说.txt" + Zeros(1) + "b.txt", 512,
       "D:\\书\\小说.txt;D:\\书\\b.txt"},
      {"without multi-select only the first name counts",
       Bytes("D:\\books") + Zeros(1) + "x.txt", 0, "D:\\books"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChosenNamesFrom(Answer(c.written, 257), c.multiSelectFlag), c.want) << c.name;
  }
  // A 256-byte path fills the 257-byte buffer up to its one last zero.
  const Text full(256, 'p');
  EXPECT_EQ(ChosenNamesFrom(Answer(full, 257), 0), full);
}

TEST(FileDialogCopy, OwnsItsOwnBuffers) {
  auto original = std::make_unique<FileDialog>();
  original->SetUp(kUnknownKind, Text("title"), Text("a|*.a"), 1, Text("C:\\in"),
                  Text("a.txt;b.txt"), Text("txt"), false, {}, {}, {}, true);
  original->Show();  // builds the file buffer
  const OPENFILENAMEA& o = original->DialogRecord();
  std::unique_ptr<FileDialog> copy = original->Copy();
  const OPENFILENAMEA& c = copy->DialogRecord();

  const void* originalPointers[] = {o.lpstrFilter, o.lpstrFile, o.lpstrInitialDir, o.lpstrTitle,
                                    o.lpstrDefExt};
  const void* copyPointers[] = {c.lpstrFilter, c.lpstrFile, c.lpstrInitialDir, c.lpstrTitle,
                                c.lpstrDefExt};
  for (int i = 0; i < 5; ++i) {
    ASSERT_NE(copyPointers[i], nullptr) << i;
    EXPECT_NE(copyPointers[i], originalPointers[i]) << i;
  }
  const Bytes originalBuffer = FileBufferOf(*original);
  const Bytes originalFilter = Bytes(o.lpstrFilter, FilterList("a|*.a").size());
  const DWORD originalFlags = original->Flags();

  // Changing and then destroying the original must leave the copy whole.
  original->SetUp(0, Text("other"), Text("b|*.b"), 0, Text("C:\\x"), Text("z"), Text("b"));
  original.reset();
  EXPECT_STREQ(c.lpstrTitle, "title");
  EXPECT_STREQ(c.lpstrInitialDir, "C:\\in");
  EXPECT_STREQ(c.lpstrDefExt, "txt");
  EXPECT_EQ(Bytes(c.lpstrFilter, originalFilter.size()), originalFilter);
  EXPECT_EQ(FileBufferOf(*copy), originalBuffer);
  EXPECT_EQ(c.nFilterIndex, 2u);
  EXPECT_EQ(copy->Flags(), originalFlags);
  EXPECT_EQ(copy->FileName(), "a.txt;b.txt");
  EXPECT_FALSE(copy->Show());  // still usable, with its own settings
  EXPECT_EQ(c.nMaxFile, 2049u);
}

// ---- The real open dialog ------------------------------------------------

// What the robot saw in the open dialog before it acted.
struct Seen {
  Text title;
  Text nameBox;
  int filterEntries = -1;
  Text firstFilter;
};

void Look(HWND dialog, Seen& seen) {
  seen.title = ControlText(dialog);
  seen.nameBox = ControlText(FindDescendant(GetDlgItem(dialog, cmb13), "Edit"));
  HWND types = GetDlgItem(dialog, cmb1);
  seen.filterEntries = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
  seen.firstFilter = ControlText(types);
}

TEST(FileDialogShown, TypedPathConfirmedIsTheFileName) {
  TempFolder temp;
  const Text path = temp / "小说.txt";
  ASSERT_TRUE(FileWriteWhole(path, "text"));

  FileDialog d;
  d.SetUp(0, kSystemTitle, kSystemFilter);
  Seen seen;
  DialogRobot robot([&](HWND dialog) {
    Look(dialog, seen);
    TypeText(FindDescendant(GetDlgItem(dialog, cmb13), "Edit"), path);
    ClickButton(dialog, IDOK);
  });
  bool chosen = d.Show();
  robot.Finish();

  ASSERT_TRUE(robot.SawDialog());
  EXPECT_FALSE(robot.HadToCancel());
  EXPECT_EQ(seen.title, kSystemTitle);
  EXPECT_EQ(seen.filterEntries, 3);
  EXPECT_EQ(seen.firstFilter, "文本文件(*.txt)");
  EXPECT_EQ(seen.nameBox, "");
  EXPECT_TRUE(chosen);
  EXPECT_EQ(d.FileName(), path);
}

TEST(FileDialogShown, CancelKeepsTheInitialName) {
  FileDialog d;
  d.SetUp(0, kSystemTitle, kSystemFilter, {}, {}, Text("a.txt;b.txt"));
  Seen seen;
  DialogRobot robot([&](HWND dialog) {
    Look(dialog, seen);
    ClickButton(dialog, IDCANCEL);
  });
  bool chosen = d.Show();
  robot.Finish();

  ASSERT_TRUE(robot.SawDialog());
  EXPECT_FALSE(robot.HadToCancel());
  EXPECT_EQ(seen.nameBox, "a.txt");
  EXPECT_FALSE(chosen);
  EXPECT_EQ(d.FileName(), "a.txt;b.txt");
  EXPECT_EQ(d.DialogRecord().nMaxFile, 257u);
}

TEST(FileDialogShown, MultiSelectJoinsTheChosenFiles) {
  TempFolder temp;
  ASSERT_TRUE(FileWriteWhole(temp / "x.txt", "x"));
  ASSERT_TRUE(FileWriteWhole(temp / "y.txt", "y"));
  const Text folder = TextLeft(temp.path(), TextLength(temp.path()) - 1);

  FileDialog d;
  d.SetUp(0, {}, {}, {}, folder, {}, {}, {}, {}, {}, {}, true);
  DialogRobot robot([&](HWND dialog) {
    TypeText(FindDescendant(GetDlgItem(dialog, cmb13), "Edit"), "\"x.txt\" \"y.txt\"");
    ClickButton(dialog, IDOK);
  });
  bool chosen = d.Show();
  robot.Finish();

  ASSERT_TRUE(robot.SawDialog());
  EXPECT_TRUE(chosen);
  EXPECT_EQ(d.FileName(), temp / "x.txt;" + temp.path() + "y.txt");
}

}  // namespace

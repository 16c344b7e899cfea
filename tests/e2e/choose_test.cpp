// The two "选择..." buttons with the real dialogs behind them: the open dialog
// and the folder browser of the program, driven from here as a user would
// drive them, and a split made through them alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "tests/core/test_support.h"
#include "tests/e2e/driver.h"

namespace {

const Text kOpenTitle = "请选择将要被分割的东东！";
const Text kBrowserTitle = "请选择分割后要保存的位置！";
// The folder browser's own controls.
const int kBrowserTitleText = 0x3742;
const int kBrowserEditBox = 0x3745;

Bytes Lines(int size) {
  Bytes b;
  for (int i = 0; static_cast<int>(b.size()) < size; ++i) b += "line " + std::to_string(i) + "\r\n";
  b.resize(static_cast<size_t>(size));
  return b;
}

// Wine keeps a folder's access time inside the browser's item ids and
// matches a selected path against the tree byte by byte. On a host that
// updates access times on the first listing after a change (relatime), the
// dialog's own listing moves them between the two, and a folder made just
// before is not found. Listing every folder on the path once settles them.
void SettleAccessTimes(const Text& folder) {
  for (size_t end = folder.find('\\'); end != Text::npos; end = folder.find('\\', end + 1)) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder.substr(0, end + 1) + "*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
}

// Clicks button and waits for the dialog it opens, modal to the window.
HWND OpenDialog(const Program& p, const char* button) {
  p.Click(button);
  std::optional<SeenBox> dialog = p.WaitForBox(10000);
  if (!dialog) {
    ADD_FAILURE() << "no dialog after a click on " << button;
    return nullptr;
  }
  EXPECT_EQ(GetWindow(dialog->box, GW_OWNER), p.window()) << button << ": not owned by the window";
  EXPECT_FALSE(IsWindowEnabled(p.window())) << button << ": the dialog is not modal";
  // Visible means initialised; a moment more lets its lists fill.
  Sleep(300);
  return dialog->box;
}

// Presses button of dialog and waits until the handler behind it is done.
bool Answer(const Program& p, HWND dialog, int button) {
  PressDialogButton(dialog, button);
  bool closed = WaitUntil([&] { return !IsWindow(dialog) && IsWindowEnabled(p.window()); }, 10000);
  p.Sync();
  return closed;
}

HWND NameBox(HWND openDialog) {
  HWND box = FindDescendant(GetDlgItem(openDialog, cmb13), "Edit");
  return box != nullptr ? box : GetDlgItem(openDialog, edt1);
}

void ChooseFile(const Program& p, const Text& path) {
  HWND dialog = OpenDialog(p, "待宰钮");
  ASSERT_NE(dialog, nullptr);
  TypeInto(NameBox(dialog), path);
  ASSERT_TRUE(Answer(p, dialog, IDOK));
}

// Selects folder in the browser's tree, as a click on it would, and answers
// with button.
void ChooseFolder(const Program& p, const std::optional<Text>& folder, int button) {
  HWND dialog = OpenDialog(p, "宰后钮");
  ASSERT_NE(dialog, nullptr);
  // The answer is the dialog's, not the selection's: only the result tells.
  if (folder) p.SendText(dialog, BFFM_SETSELECTIONA, TRUE, *folder);
  ASSERT_TRUE(Answer(p, dialog, button));
}

TEST(ChooseSource, TypedPathFillsTheSourceTheCustomNameAndTheSize) {
  TempFolder temp;
  ASSERT_TRUE(FileWriteWhole(temp / "小说.txt", Lines(2048)));
  ASSERT_TRUE(FileWriteWhole(temp / "novel.txt", Lines(10000)));
  Program p;
  ASSERT_TRUE(p.ready());
  // The chosen file's name replaces a name typed by hand, also with
  // automatic names selected.
  p.Click("自动命名_单选框");
  p.SetText("自定名称_编辑框", "typed");
  p.Sync();

  HWND dialog = OpenDialog(p, "待宰钮");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(dialog), kOpenTitle);
  HWND types = GetDlgItem(dialog, cmb1);
  EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(TextOf(types), "文本文件(*.txt)");
  EXPECT_EQ(TextOf(NameBox(dialog)), "");
  TypeInto(NameBox(dialog), temp / "小说.txt");
  ASSERT_TRUE(Answer(p, dialog, IDOK));
  EXPECT_EQ(p.GetText("待宰文件_编辑框"), temp / "小说.txt");
  EXPECT_EQ(p.GetText("自定名称_编辑框"), "小说");
  // Whole KiB plus one, also for an exact multiple.
  EXPECT_EQ(p.Pane(0), "分割文件尺寸：3KB");
  EXPECT_TRUE(p.Checked("自动命名_单选框"));

  ChooseFile(p, temp / "novel.txt");
  EXPECT_EQ(p.GetText("待宰文件_编辑框"), temp / "novel.txt");
  EXPECT_EQ(p.GetText("自定名称_编辑框"), "novel");
  EXPECT_EQ(p.Pane(0), "分割文件尺寸：10KB");
  EXPECT_EQ(p.GetText("宰后位置_编辑框"), "");
}

TEST(ChooseSource, CancelChangesNothing) {
  Program p;
  ASSERT_TRUE(p.ready());
  p.SetText("待宰文件_编辑框", "typed.txt");
  p.SetText("自定名称_编辑框", "mine");
  HWND dialog = OpenDialog(p, "待宰钮");
  ASSERT_NE(dialog, nullptr);
  TypeInto(NameBox(dialog), "C:\\windows\\win.ini");  // typed, then thought better of
  ASSERT_TRUE(Answer(p, dialog, IDCANCEL));
  EXPECT_EQ(p.GetText("待宰文件_编辑框"), "typed.txt");
  EXPECT_EQ(p.GetText("自定名称_编辑框"), "mine");
  EXPECT_EQ(p.Pane(0), "欢迎使用！");
  EXPECT_EQ(p.GetText("宰后位置_编辑框"), "");
}

// The program gives the browser no initial folder, so what it opens on is
// the platform's choice; opening on a given folder is the browser's own
// business, tested with the browser itself.
TEST(ChooseFolder, ConfirmedFolderWithOneBackslashCancelKeepsTheLast) {
  TempFolder temp;
  const Text folder = temp / "输出";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  SettleAccessTimes(folder + "\\");
  Program p;
  ASSERT_TRUE(p.ready());

  HWND dialog = OpenDialog(p, "宰后钮");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kBrowserTitleText)), kBrowserTitle);
  HWND edit = GetDlgItem(dialog, kBrowserEditBox);
  EXPECT_FALSE(edit != nullptr && IsWindowVisible(edit)) << "the browser shows an edit box";
  ASSERT_TRUE(Answer(p, dialog, IDCANCEL));
  EXPECT_EQ(p.GetText("宰后位置_编辑框"), "");

  struct Case {
    const char* what;
    std::optional<Text> select;
    int button;
    Text want;
  };
  const Case cases[] = {
      {"a folder", folder, IDOK, folder + "\\"},
      {"the same again: no piling up", folder, IDOK, folder + "\\"},
      {"another folder, then cancel", Text("C:\\windows"), IDCANCEL, folder + "\\"},
      {"a drive root keeps its own backslash", Text("C:\\"), IDOK, "C:\\\\"},
      {"cancel with nothing touched", std::nullopt, IDCANCEL, "C:\\\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChooseFolder(p, c.select, c.button);
    EXPECT_EQ(p.GetText("宰后位置_编辑框"), c.want);
  }
  EXPECT_EQ(p.GetText("待宰文件_编辑框"), "");
  EXPECT_EQ(p.Pane(0), "欢迎使用！");
}

TEST(ChooseBoth, WholeSplitThroughTheDialogsAndTheStartButton) {
  TempFolder temp;
  const Text source = temp / "小说.txt";
  const Text out = temp / "out";
  const Bytes content = Lines(10000);
  ASSERT_TRUE(FileWriteWhole(source, content));
  ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
  SettleAccessTimes(out + "\\");
  Program p;
  ASSERT_TRUE(p.ready());

  ChooseFile(p, source);
  ChooseFolder(p, out, IDOK);
  ASSERT_EQ(p.GetText("宰后位置_编辑框"), out + "\\");
  p.Type("分割大小_编辑框", "4");
  p.Click("开宰钮");
  std::optional<SeenBox> box = p.WaitForBox(20000);
  ASSERT_TRUE(box) << "no box after the split";
  EXPECT_EQ(box->caption, "胜利！！Oh,Yeah！！") << box->text;
  p.CloseBox(*box);
  ASSERT_TRUE(WaitUntil([&] { return !p.Enabled("停宰钮") && IsWindowEnabled(p.window()); }, 10000));

  const Text pieces = out + "\\小说\\";
  Bytes joined;
  const struct {
    const char* name;
    int64_t size;
  } want[] = {{"小说_001.txt", 4096}, {"小说_002.txt", 4096}, {"小说_003.txt", 1808}};
  for (const auto& w : want) {
    EXPECT_EQ(FileSize(pieces + w.name), w.size) << w.name;
    joined += ReadByFileLayer(pieces + w.name);
  }
  EXPECT_TRUE(joined == content) << "the pieces in order are not the source";
  EXPECT_EQ(FileSize(temp / "小说\\小说_001.txt"), -1) << "pieces beside the source, not in the chosen folder";
}

}  // namespace

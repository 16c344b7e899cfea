// The folder browser: its flags, and the real dialog driven by a robot thread.
#include <gtest/gtest.h>

#include "dialogs/folder_browser.h"
#include "tests/core/test_support.h"
#include "tests/win/dialog_robot.h"

// After windows.h.
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

namespace {

// The browser's own controls.
const int kTitleText = 0x3742;
const int kEditBox = 0x3745;

TEST(FolderBrowserFlags, FromTheThreeTruthValuesAndTheirDefaults) {
  struct Case {
    std::optional<bool> includeFiles, editBox, newDialogStyle;
    UINT want;
  } cases[] = {
      {{}, {}, {}, BIF_EDITBOX | BIF_NEWDIALOGSTYLE},  // 80
      {{}, false, {}, BIF_NEWDIALOGSTYLE},             // 64, as the window uses it
      {true, {}, {}, BIF_BROWSEINCLUDEFILES | BIF_EDITBOX | BIF_NEWDIALOGSTYLE},
      {false, false, false, 0},
      {{}, true, false, BIF_EDITBOX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BrowseFlags(c.includeFiles, c.editBox, c.newDialogStyle), c.want);
  }
  EXPECT_EQ(BrowseFlags({}, {}, {}), 80u);
}

// Wine keeps a folder's access time inside the browser's item ids and
// matches the initial folder against the tree byte by byte. On a host that
// updates access times on the first listing after a change (relatime), the
// dialog's own listing moves them between the two, and a folder changed
// just before the dialog is not found. Listing every folder on the path once
// beforehand settles them.
void SettleAccessTimes(const Text& path) {
  for (size_t end = path.find('\\'); end != Text::npos; end = path.find('\\', end + 1)) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((path.substr(0, end + 1) + "*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

// The new dialog style needs OLE on the calling thread, as at the program's
// start.
class FolderBrowserShown : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

struct Seen {
  Text title;
  bool editBoxShown = false;
  Text selected;  // the tree's selected item
};

void Look(HWND dialog, Seen& seen) {
  seen.title = ControlText(GetDlgItem(dialog, kTitleText));
  HWND edit = GetDlgItem(dialog, kEditBox);
  seen.editBoxShown = edit != nullptr && IsWindowVisible(edit);
  HWND tree = FindDescendant(dialog, "SysTreeView32");
  TVITEMA item = {};
  char text[260] = {};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (item.hItem != nullptr && SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
    seen.selected = text;
}

// Runs the browser with the robot pressing button; what it saw goes to seen.
Text Browse(int button, Seen& seen, std::optional<Text> title, std::optional<Text> initial,
            std::optional<bool> editBox) {
  DialogRobot robot([&](HWND dialog) {
    Look(dialog, seen);
    ClickButton(dialog, button);
  });
  Text result = FolderBrowser(title, initial, {}, editBox);
  robot.Finish();
  EXPECT_TRUE(robot.SawDialog());
  EXPECT_FALSE(robot.HadToCancel());
  return result;
}

TEST_F(FolderBrowserShown, ConfirmedGivesTheInitialFolderWithoutTrailingBackslash) {
  TempFolder temp;
  const Text folder = temp / "小说";
  ASSERT_TRUE(DirectoryCreate(folder));
  SettleAccessTimes(folder);
  Seen seen;
  Text result = Browse(IDOK, seen, Text("请选择分割后要保存的位置！"), folder + "\\", false);
  EXPECT_EQ(seen.title, "请选择分割后要保存的位置！");
  EXPECT_FALSE(seen.editBoxShown);
  EXPECT_EQ(seen.selected, "小说");
  EXPECT_EQ(result, folder);
  EXPECT_EQ(InitialFolder, folder + "\\");
}

TEST_F(FolderBrowserShown, DriveRootKeepsItsBackslash) {
  Seen seen;
  EXPECT_EQ(Browse(IDOK, seen, {}, Text("C:\\"), {}), "C:\\");
}

TEST_F(FolderBrowserShown, CancelGivesTheEmptyText) {
  TempFolder temp;
  Seen seen;
  EXPECT_EQ(Browse(IDCANCEL, seen, {}, temp.path(), {}), "");
  // Everything left out: the default title and an edit box.
  EXPECT_EQ(Browse(IDCANCEL, seen, {}, {}, {}), "");
  EXPECT_EQ(seen.title, "请选择一个文件夹");
  EXPECT_TRUE(seen.editBoxShown);
  // A title given as the empty text stays empty.
  EXPECT_EQ(Browse(IDCANCEL, seen, Text(""), {}, {}), "");
  EXPECT_EQ(seen.title, "");
}

TEST_F(FolderBrowserShown, EachCallReplacesTheInitialFolder) {
  TempFolder temp;
  const Text folder = TextLeft(temp.path(), TextLength(temp.path()) - 1);
  SettleAccessTimes(folder);
  Seen seen;
  ASSERT_EQ(Browse(IDOK, seen, {}, folder, {}), folder);
  Text second = Browse(IDOK, seen, {}, {}, {});
  EXPECT_EQ(InitialFolder, "");
  EXPECT_NE(second, folder) << "the second dialog opened on the first one's folder";
}

}  // namespace

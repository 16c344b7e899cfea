// Keys and typing: the focus order, Esc and Enter, the filtered boxes, the
// read-only box, and every way out of the program.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

const std::vector<std::string> kFocusOrder = {
    "开宰钮",          "停宰钮",          "退出钮",          "待宰文件_编辑框", "宰后位置_编辑框",
    "待宰钮",          "宰后钮",          "大小分割_单选框", "平均分割_单选框", "分割大小_编辑框",
    "分割份数_编辑框", "自定名称_单选框", "自动命名_单选框", "自定名称_编辑框", "创建文件夹_复选框",
    "删除原文件_复选框", "合并脚本_复选框", "纯文本_复选框",
};

// The names the focus visits, one Tab (or Shift+Tab) at a time.
std::vector<std::string> Walk(const Program& p, int steps, bool backwards) {
  std::vector<std::string> seen;
  for (int i = 0; i < steps; ++i) {
    p.Press(VK_TAB, backwards);
    p.Sync();
    seen.push_back(p.NameOf(p.Focus()));
  }
  return seen;
}

void PutOnClipboard(const Text& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
  GlobalUnlock(mem);
  SetClipboardData(CF_TEXT, mem);
  CloseClipboard();
}

Text FromClipboard() {
  Text text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE mem = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(mem));
    GlobalUnlock(mem);
  }
  CloseClipboard();
  return text;
}

TEST(Keyboard, TabAndShiftTabCycleInTheListedOrderThroughEnabledControls) {
  Program p;
  ASSERT_TRUE(p.ready());
  ASSERT_TRUE(p.FocusOn("开宰钮"));

  std::vector<std::string> enabled;  // the stop button starts greyed
  for (const std::string& name : kFocusOrder) {
    if (name != "停宰钮") enabled.push_back(name);
  }
  std::vector<std::string> forwards(enabled.begin() + 1, enabled.end());
  forwards.push_back(enabled.front());  // wraps round
  EXPECT_EQ(Walk(p, static_cast<int>(enabled.size()), false), forwards);

  std::vector<std::string> backwards(enabled.rbegin(), enabled.rend());
  EXPECT_EQ(Walk(p, static_cast<int>(enabled.size()), true), backwards);

  // Passing the radio buttons selects none of them.
  EXPECT_TRUE(p.Checked("大小分割_单选框"));
  EXPECT_FALSE(p.Checked("平均分割_单选框"));
  EXPECT_TRUE(p.Checked("自定名称_单选框"));
  EXPECT_FALSE(p.Checked("自动命名_单选框"));

  // Once the stop button works, it takes its place in the order.
  EnableWindow(p.control("停宰钮"), TRUE);
  ASSERT_TRUE(WaitUntil([&] { return p.Enabled("停宰钮"); }, 2000));
  EXPECT_EQ(Walk(p, 2, false), (std::vector<std::string>{"停宰钮", "退出钮"}));
  EXPECT_EQ(Walk(p, 3, true), (std::vector<std::string>{"停宰钮", "开宰钮", "纯文本_复选框"}));
}

TEST(Keyboard, EnterPressesNothing) {
  Program p;
  ASSERT_TRUE(p.ready());
  for (const char* name : {"开宰钮", "退出钮", "待宰文件_编辑框"}) {
    ASSERT_TRUE(p.FocusOn(name)) << name;
    p.Press(VK_RETURN);
    p.Sync();
    EXPECT_STREQ(p.NameOf(p.Focus()), name) << "Enter moved the focus";
  }
  EXPECT_FALSE(p.WaitForBox(500)) << "Enter started a split";
  EXPECT_EQ(p.Pane(2), "");
  EXPECT_FALSE(p.WaitForExit(0)) << "Enter pressed the exit button";
  EXPECT_EQ(p.GetText("待宰文件_编辑框"), "");
}

TEST(Keyboard, EveryWayOutEndsWithExitCodeZero) {
  struct Way {
    const char* what;
    std::function<void(const Program&)> act;
  };
  auto escOn = [](const char* name) {
    return [name](const Program& p) {
      ASSERT_TRUE(p.FocusOn(name)) << name;
      p.Press(VK_ESCAPE);
    };
  };
  const Way ways[] = {
      {"exit button", [](const Program& p) { p.Click("退出钮"); }},
      {"close box", [](const Program& p) { PostMessageA(p.window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Alt+F4",
       [](const Program& p) {
         LPARAM altDown = 1 | (static_cast<LPARAM>(MapVirtualKeyA(VK_F4, MAPVK_VK_TO_VSC)) << 16) |
                          (1 << 29);
         PostMessageA(p.Focus(), WM_SYSKEYDOWN, VK_F4, altDown);
       }},
      {"Esc in the source box", escOn("待宰文件_编辑框")},
      {"Esc on the start button", escOn("开宰钮")},
      {"Esc on a radio button", escOn("平均分割_单选框")},
      {"Esc on a check box", escOn("合并脚本_复选框")},
  };
  for (const Way& way : ways) {
    Program p;
    ASSERT_TRUE(p.ready()) << way.what;
    way.act(p);
    std::optional<DWORD> code = p.WaitForExit(5000);
    ASSERT_TRUE(code.has_value()) << way.what << ": the program did not end";
    EXPECT_EQ(*code, 0u) << way.what;
  }
}

TEST(Keyboard, SizeAndCountBoxesTakeTypedDigitsAndMinusOnly) {
  Program p;
  ASSERT_TRUE(p.ready());
  struct Case {
    const char* box;
    std::string typed;
    Text want;
  } cases[] = {
      {"分割大小_编辑框", "12a.5", "125"},
      {"分割大小_编辑框", "-5-", "-5-"},
      {"分割大小_编辑框", "-5-\b", "-5"},                      // Backspace passes
      {"分割大小_编辑框", "7 +e\xA3\xB1", "7"},                // blank, sign, letter, full-width 1
      {"分割份数_编辑框", "1234", "123"},                      // three at most
      {"分割份数_编辑框", "9x-", "9-"},
      {"自定名称_编辑框", "ab-1.x", "ab-1.x"},                 // no filter on the name
      {"待宰文件_编辑框", "C:\\a b", "C:\\a b"},
  };
  for (const Case& c : cases) {
    p.SetText(c.box, "");
    ASSERT_TRUE(p.FocusOn(c.box)) << c.box;
    p.Type(c.box, c.typed);
    EXPECT_EQ(p.GetText(c.box), c.want) << c.box << " after typing " << c.typed;
  }
}

TEST(Keyboard, PastedTextIsNotFilteredButTheCountBoxKeepsThree) {
  Program p;
  ASSERT_TRUE(p.ready());
  struct Case {
    const char* box;
    Text pasted;
    Text want;
    bool byCtrlV;  // the control character Ctrl+V types, or the menu's paste
  } cases[] = {
      {"分割大小_编辑框", "abc", "abc", false},
      {"分割大小_编辑框", "0.9", "0.9", true},
      {"分割份数_编辑框", "98765", "987", false},
      {"分割份数_编辑框", "x-y", "x-y", true},
  };
  for (const Case& c : cases) {
    p.SetText(c.box, "");
    PutOnClipboard(c.pasted);
    if (c.byCtrlV) {
      p.Type(c.box, "\x16");
    } else {
      PostMessageA(p.control(c.box), WM_PASTE, 0, 0);
      p.Sync();
    }
    EXPECT_EQ(p.GetText(c.box), c.want) << c.box << " after pasting " << c.pasted;
  }
}

TEST(Keyboard, DestinationBoxTakesNoTypingButCopies) {
  Program p;
  ASSERT_TRUE(p.ready());
  const char* box = "宰后位置_编辑框";
  ASSERT_TRUE(p.FocusOn(box));
  p.Type(box, "abc");
  EXPECT_EQ(p.GetText(box), "");
  PutOnClipboard("pasted");
  PostMessageA(p.control(box), WM_PASTE, 0, 0);
  p.Sync();
  EXPECT_EQ(p.GetText(box), "");

  p.SetText(box, "C:\\分割\\");  // as the folder chooser writes it
  PutOnClipboard("");
  PostMessageA(p.control(box), EM_SETSEL, 0, -1);
  PostMessageA(p.control(box), WM_COPY, 0, 0);
  p.Sync();
  EXPECT_EQ(FromClipboard(), "C:\\分割\\");
}

}  // namespace

// The program's one window: its controls with their places and start states,
// the keyboard rules, and the five operations through which the handlers read
// and change it. The handlers see nothing else of the window.
#pragma once

#include <windows.h>

#include "core/operations.h"

// Every object on the window but the clock timer, in the order in which they
// are created (which is also the order in which Windows enumerates them).
enum class Control {
  分组框1,
  标签1,
  待宰文件_编辑框,
  待宰钮,
  标签2,
  宰后位置_编辑框,
  宰后钮,
  分组框2,
  大小分割_单选框,
  分割大小_编辑框,
  标签3,
  平均分割_单选框,
  分割份数_编辑框,
  标签4,
  分组框3,
  自定名称_单选框,
  自定名称_编辑框,
  标签5,
  自动命名_单选框,
  分组框4,
  创建文件夹_复选框,
  纯文本_复选框,
  删除原文件_复选框,
  合并脚本_复选框,
  开宰钮,
  停宰钮,
  退出钮,
  状态条1,
};
constexpr int kControlCount = static_cast<int>(Control::状态条1) + 1;

struct MainWindow {
  HWND window = nullptr;
  HWND controls[kControlCount] = {};
  HWND lastFocus = nullptr;  // given back when the window is activated again
};

// Creates the window with every control in its start state, centred, and
// shows it. False when Windows refuses; nothing is left behind then.
bool CreateMainWindow(MainWindow& w, HINSTANCE instance, int show);

// Runs until the window is gone or the program is told to end. Esc, Enter and
// Tab are taken here, before any control sees them.
void RunMessageLoop(MainWindow& w);

// The text an edit box holds now.
Text GetControlText(const MainWindow& w, Control c);
// True while a check box or radio button shows its mark.
bool GetControlChecked(const MainWindow& w, Control c);
// Replaces the whole text, also of the read-only box, and shows it at once.
void SetControlText(const MainWindow& w, Control c, const Text& text);
// True greys the control and takes it out of the focus order.
void SetControlDisabled(const MainWindow& w, Control c, bool disabled);
// Panes 0 to 2 of the status bar; any other index changes nothing.
void SetStatusPaneText(const MainWindow& w, int pane, const Text& text);

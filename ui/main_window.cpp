#include "ui/main_window.h"

#include <commctrl.h>

#include "ui/handlers.h"
#include "ui/publisher.h"

namespace {

const char kClassName[] = "QingheSplitMainWindow";
const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const int kOuterWidth = 553, kOuterHeight = 368;
const int kClientWidth = 547, kClientHeight = 343;

const UINT_PTR 时钟1 = 1;
const UINT kClockPeriodMs = 1000;
const int kFirstControlId = 100;

// Children of the window itself rather than of a group box.
const Control kOnWindow = Control::状态条1;

enum class Kind { GroupBox, Label, Edit, ReadOnlyEdit, IntegerEdit, PushButton, CheckBox, Radio };

struct ControlLayout {
  Control name;
  Kind kind;
  Control parent;  // kOnWindow, or the group box
  int left, top, width, height;
  const char* text;
  bool startsOn;  // checked, selected; for a push button: enabled
};

// The status bar is not in here: it places itself.
const ControlLayout kControls[] = {
    {Control::分组框1, Kind::GroupBox, kOnWindow, 3, 9, 542, 103, "分割设置", false},
    {Control::标签1, Kind::Label, Control::分组框1, 32, 29, 57, 19, "分割文件：", false},
    {Control::待宰文件_编辑框, Kind::Edit, Control::分组框1, 93, 26, 338, 24, "", false},
    {Control::待宰钮, Kind::PushButton, Control::分组框1, 438, 26, 70, 24, "选择...", true},
    {Control::标签2, Kind::Label, Control::分组框1, 32, 66, 57, 19, "保存目录：", false},
    {Control::宰后位置_编辑框, Kind::ReadOnlyEdit, Control::分组框1, 93, 63, 338, 24, "", false},
    {Control::宰后钮, Kind::PushButton, Control::分组框1, 438, 63, 70, 24, "选择...", true},
    {Control::分组框2, Kind::GroupBox, kOnWindow, 3, 120, 240, 85, "分割方式", false},
    {Control::大小分割_单选框, Kind::Radio, Control::分组框2, 20, 27, 95, 15, "每份大小为：", true},
    {Control::分割大小_编辑框, Kind::IntegerEdit, Control::分组框2, 117, 25, 84, 21, "", false},
    {Control::标签3, Kind::Label, Control::分组框2, 206, 27, 18, 20, "KB", false},
    {Control::平均分割_单选框, Kind::Radio, Control::分组框2, 20, 56, 95, 15, "平均分配为：", false},
    {Control::分割份数_编辑框, Kind::IntegerEdit, Control::分组框2, 117, 53, 84, 21, "", false},
    {Control::标签4, Kind::Label, Control::分组框2, 206, 56, 16, 18, "份", false},
    {Control::分组框3, Kind::GroupBox, kOnWindow, 252, 120, 293, 85, "改头换面", false},
    {Control::自定名称_单选框, Kind::Radio, Control::分组框3, 14, 27, 99, 13, "自定名称为：", true},
    {Control::自定名称_编辑框, Kind::Edit, Control::分组框3, 103, 26, 114, 17, "", false},
    {Control::标签5, Kind::Label, Control::分组框3, 224, 27, 42, 16, "+ _序号", false},
    {Control::自动命名_单选框, Kind::Radio, Control::分组框3, 14, 56, 261, 13,
     "自动以数字序号命名(例：1.txt,2.txt...)", false},
    {Control::分组框4, Kind::GroupBox, kOnWindow, 3, 215, 542, 51, "其他设置", false},
    {Control::创建文件夹_复选框, Kind::CheckBox, Control::分组框4, 22, 25, 109, 13, "自动创建文件夹", true},
    {Control::纯文本_复选框, Kind::CheckBox, Control::分组框4, 153, 25, 109, 13, "是否纯文本分割", true},
    {Control::删除原文件_复选框, Kind::CheckBox, Control::分组框4, 285, 25, 117, 13, "分割后粉粹原文件", false},
    {Control::合并脚本_复选框, Kind::CheckBox, Control::分组框4, 428, 25, 95, 13, "生成合并脚本", false},
    {Control::开宰钮, Kind::PushButton, kOnWindow, 102, 275, 74, 34, "开始分割", true},
    {Control::停宰钮, Kind::PushButton, kOnWindow, 230, 275, 74, 34, "停止分割", false},
    {Control::退出钮, Kind::PushButton, kOnWindow, 358, 275, 74, 34, "关闭工具", true},
};

// Tab and Shift+Tab walk this list, skipping what is disabled.
const Control kFocusOrder[] = {
    Control::开宰钮,          Control::停宰钮,          Control::退出钮,
    Control::待宰文件_编辑框, Control::宰后位置_编辑框, Control::待宰钮,
    Control::宰后钮,          Control::大小分割_单选框, Control::平均分割_单选框,
    Control::分割大小_编辑框, Control::分割份数_编辑框, Control::自定名称_单选框,
    Control::自动命名_单选框, Control::自定名称_编辑框, Control::创建文件夹_复选框,
    Control::删除原文件_复选框, Control::合并脚本_复选框, Control::纯文本_复选框,
};
const int kFocusCount = sizeof kFocusOrder / sizeof kFocusOrder[0];

const int kPaneRightEdges[] = {170, 300, -1};

int IndexOf(Control c) { return static_cast<int>(c); }
HWND Handle(const MainWindow& w, Control c) { return w.controls[IndexOf(c)]; }
// A child window's identifier travels in the menu argument.
HMENU IdOf(Control c) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + IndexOf(c))); }

struct KindStyle {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

KindStyle StyleOf(Kind kind) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD edit = child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  switch (kind) {
    case Kind::GroupBox: return {"BUTTON", child | BS_GROUPBOX, 0};
    case Kind::Label: return {"STATIC", child | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, 0};
    case Kind::Edit:
    case Kind::IntegerEdit: return {"EDIT", edit, WS_EX_CLIENTEDGE};
    case Kind::ReadOnlyEdit: return {"EDIT", edit | ES_READONLY, WS_EX_CLIENTEDGE};
    case Kind::PushButton:
      return {"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER, 0};
    case Kind::CheckBox:
      return {"BUTTON", child | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER, 0};
    case Kind::Radio:
      return {"BUTTON", child | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_LEFT | BS_VCENTER, 0};
  }
  return {"STATIC", child, 0};
}

// A group box is the parent of the controls inside it, and a button or edit
// box tells only its parent about clicks and asks only it for colours. The
// group box hands those on to the window, where the handlers are.
LRESULT CALLBACK GroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageA(GetParent(box), message, wParam, lParam);
  }
  return DefSubclassProc(box, message, wParam, lParam);
}

// Typed characters from the space on are kept only when they are "-" or a
// digit; Backspace and the Ctrl combinations (copy, cut, paste) are below the
// space and pass. Pasted text never arrives as WM_CHAR, so it is not filtered.
LRESULT CALLBACK IntegerEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR, DWORD_PTR) {
  if (message == WM_CHAR && wParam >= 32 && wParam != '-' && !(wParam >= '0' && wParam <= '9'))
    return 0;
  return DefSubclassProc(edit, message, wParam, lParam);
}

bool CreateControls(MainWindow& w) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(w.window, GWLP_HINSTANCE));
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ControlLayout& entry : kControls) {
    KindStyle k = StyleOf(entry.kind);
    DWORD style = k.style;
    if (entry.kind == Kind::PushButton && !entry.startsOn) style |= WS_DISABLED;
    HWND parent = entry.parent == kOnWindow ? w.window : Handle(w, entry.parent);
    HWND h = CreateWindowExA(k.exStyle, k.className, entry.text, style, entry.left, entry.top,
                             entry.width, entry.height, parent, IdOf(entry.name), instance, nullptr);
    if (h == nullptr) return false;
    w.controls[IndexOf(entry.name)] = h;
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    switch (entry.kind) {
      case Kind::GroupBox:
        SetWindowSubclass(h, GroupBoxProc, 0, 0);
        break;
      case Kind::IntegerEdit:
        SetWindowSubclass(h, IntegerEditProc, 0, 0);
        [[fallthrough]];
      case Kind::Edit:
      case Kind::ReadOnlyEdit:
        // 0 is the largest limit; an edit box otherwise stops at 30000.
        SendMessageA(h, EM_SETLIMITTEXT, 0, 0);
        break;
      case Kind::CheckBox:
      case Kind::Radio:
        if (entry.startsOn) SendMessageA(h, BM_SETCHECK, BST_CHECKED, 0);
        break;
      default:
        break;
    }
  }
  SendMessageA(Handle(w, Control::分割份数_编辑框), EM_SETLIMITTEXT, 3, 0);

  HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0,
                             w.window, IdOf(Control::状态条1), instance, nullptr);
  if (bar == nullptr) return false;
  w.controls[IndexOf(Control::状态条1)] = bar;
  SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(bar, WM_SIZE, 0, 0);  // takes the height of its new font
  SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(kPaneRightEdges));
  SetStatusPaneText(w, 0, "欢迎使用！");

  SetFocus(Handle(w, Control::待宰文件_编辑框));
  return SetTimer(w.window, 时钟1, kClockPeriodMs, nullptr) != 0;
}

MainWindow* WindowOf(HWND hwnd) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

std::optional<Control> ControlOfId(int id) {
  int index = id - kFirstControlId;
  if (index < 0 || index >= kControlCount) return std::nullopt;
  return static_cast<Control>(index);
}

void OnCommand(MainWindow& w, int id, int code) {
  if (code != BN_CLICKED) return;
  std::optional<Control> c = ControlOfId(id);
  if (!c) return;
  switch (*c) {
    case Control::开宰钮: OnStart(w); break;
    case Control::停宰钮: OnStop(w); break;
    case Control::退出钮: OnExit(w); break;
    case Control::待宰钮: OnChooseSource(w); break;
    case Control::宰后钮: OnChooseFolder(w); break;
    default: break;
  }
}

// The read-only box draws itself as static text would, on the button face;
// it is to look like the other edit boxes, black on white.
LRESULT OnStaticColour(MainWindow& w, HWND hwnd, HDC dc, HWND control) {
  if (control != Handle(w, Control::宰后位置_编辑框))
    return DefWindowProcA(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

bool IsOurs(const MainWindow& w, HWND h) { return h != nullptr && IsChild(w.window, h); }

// Coming back to the window (after a message box, say) puts the focus back
// on the control that had it, not on the window itself.
void OnActivate(MainWindow& w, bool active) {
  if (!active && IsOurs(w, GetFocus())) w.lastFocus = GetFocus();
}

void OnFocus(MainWindow& w) {
  HWND target = IsOurs(w, w.lastFocus) && IsWindowEnabled(w.lastFocus)
                    ? w.lastFocus
                    : Handle(w, Control::待宰文件_编辑框);
  SetFocus(target);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* w = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    w->window = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  }
  MainWindow* w = WindowOf(hwnd);
  if (w == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      return CreateControls(*w) ? 0 : -1;
    case WM_COMMAND:
      OnCommand(*w, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == 时钟1) OnClock(*w);
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnStaticColour(*w, hwnd, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      OnActivate(*w, LOWORD(wParam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      OnFocus(*w);
      return 0;
    case WM_ENDSESSION:
      // Windows ends the process when this returns.
      if (wParam) RunExitCleanups();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, 时钟1);
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      w->window = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The position of the focus in the focus order, or -1 when it is elsewhere.
int FocusPosition(const MainWindow& w, HWND focus) {
  for (int i = 0; i < kFocusCount; ++i) {
    HWND h = Handle(w, kFocusOrder[i]);
    if (h == focus || IsChild(h, focus)) return i;
  }
  return -1;
}

void MoveFocus(const MainWindow& w, bool backwards) {
  int at = FocusPosition(w, GetFocus());
  if (at < 0) at = backwards ? 0 : kFocusCount - 1;
  for (int step = 1; step <= kFocusCount; ++step) {
    int i = ((at + (backwards ? -step : step)) % kFocusCount + kFocusCount) % kFocusCount;
    HWND h = Handle(w, kFocusOrder[i]);
    if (!IsWindowEnabled(h) || !IsWindowVisible(h)) continue;
    SetFocus(h);
    // As in a dialog: an edit box reached by Tab has its text selected.
    char cls[8] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0) SendMessageA(h, EM_SETSEL, 0, -1);
    return;
  }
}

// Esc closes the window as its close box does; Enter does nothing; Tab and
// Shift+Tab follow the focus order. True when the key was taken here.
bool TakeWindowKey(const MainWindow& w, const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  if (msg.hwnd != w.window && !IsOurs(w, msg.hwnd)) return false;
  switch (msg.wParam) {
    case VK_ESCAPE:
      SendMessageA(w.window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case VK_RETURN:
      return true;
    case VK_TAB:
      MoveFocus(w, GetKeyState(VK_SHIFT) < 0);
      return true;
  }
  return false;
}

}  // namespace

bool CreateMainWindow(MainWindow& w, HINSTANCE instance, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  // One 32 x 32 image serves as the large and the small icon.
  HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, LR_SHARED));
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kClassName;
  if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  // The layout needs a 547 x 343 client area; frames and captions larger
  // than 3 and 19 pixels make the window larger, never smaller.
  RECT r = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
  int width = r.right - r.left > kOuterWidth ? r.right - r.left : kOuterWidth;
  int height = r.bottom - r.top > kOuterHeight ? r.bottom - r.top : kOuterHeight;
  int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  Text title = JoinText({"青禾TXT小说分割工具V1.0    官网", kPublisherAddress});
  HWND hwnd = CreateWindowExA(0, kClassName, title.c_str(), kWindowStyle, left, top, width, height,
                              nullptr, nullptr, instance, &w);
  if (hwnd == nullptr) return false;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  return true;
}

void RunMessageLoop(MainWindow& w) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (w.window != nullptr && TakeWindowKey(w, msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (w.window != nullptr) DestroyWindow(w.window);
}

Text GetControlText(const MainWindow& w, Control c) {
  HWND h = Handle(w, c);
  int n = GetWindowTextLengthA(h);
  if (n <= 0) return Text();
  Text text(static_cast<size_t>(n) + 1, '\0');
  int got = GetWindowTextA(h, &text[0], n + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

bool GetControlChecked(const MainWindow& w, Control c) {
  return SendMessageA(Handle(w, c), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetControlText(const MainWindow& w, Control c, const Text& text) {
  SetWindowTextA(Handle(w, c), text.c_str());
  UpdateWindow(Handle(w, c));
}

void SetControlDisabled(const MainWindow& w, Control c, bool disabled) {
  HWND h = Handle(w, c);
  // A control greyed while it has the focus would keep it, and keys would go
  // nowhere: hand the focus on first, as Tab would.
  if (disabled && GetFocus() == h) MoveFocus(w, false);
  EnableWindow(h, disabled ? FALSE : TRUE);
  UpdateWindow(h);
}

void SetStatusPaneText(const MainWindow& w, int pane, const Text& text) {
  if (pane < 0 || pane > 2) return;
  HWND bar = Handle(w, Control::状态条1);
  SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str()));
  UpdateWindow(bar);
}

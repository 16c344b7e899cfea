#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "tests/core/test_support.h"

namespace {

RECT Place(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// The program runs from a folder of its own, so that its folder (its current
// folder at start) holds nothing but itself.
const Text& ProgramCopy() {
  static TempFolder folder;
  static const Text path = [] {
    Text copy = folder / "qinghe-split.exe";
    CopyFileA(WindowsPath(QH_E2E_PROGRAM).c_str(), copy.c_str(), FALSE);
    return copy;
  }();
  return path;
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct FoundWindow {
  DWORD pid;
  Text title;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND h, LPARAM lParam) {
  auto* f = reinterpret_cast<FoundWindow*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != f->pid || !IsWindowVisible(h)) return TRUE;
  char title[512] = {};
  GetWindowTextA(h, title, sizeof title);
  if (f->title != title) return TRUE;
  f->found = h;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(h);
  return TRUE;
}

BOOL CALLBACK FindBox(HWND h, LPARAM lParam) {
  char cls[16] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(h)) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = h;
  return FALSE;
}

struct Search {
  const char* className;
  int id;
  HWND found;
};

BOOL CALLBACK MatchDescendant(HWND h, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (lstrcmpiA(cls, s->className) != 0) return TRUE;
  if (s->id != 0 && GetDlgCtrlID(h) != s->id) return TRUE;
  s->found = h;
  return FALSE;
}

Text WindowText(HWND h) {
  char buf[4096] = {};
  // WM_GETTEXT is carried between processes; the answer is the control's
  // text as it is now, not the one it was made with.
  SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// A registry value of this Wine prefix set for the run, and put back after.
class ScopedRegistryValue {
 public:
  ScopedRegistryValue(const char* key, const char* name, const Text& value) : key_(key), name_(name) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
      return;
    char old[2048] = {};
    DWORD size = sizeof old - 1;
    had_ = RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
    old_ = old;
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
  }
  ~ScopedRegistryValue() {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
    if (had_) {
      RegSetValueExA(k, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                     static_cast<DWORD>(old_.size() + 1));
    } else {
      RegDeleteValueA(k, name_);
    }
    RegCloseKey(k);
  }
  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

 private:
  const char* key_;
  const char* name_;
  bool had_ = false;
  Text old_;
};

// The Wine settings the program runs under in these tests.
class WineSettings : public ::testing::Environment {
 public:
  void SetUp() override {
    // winebrowser starts the first program of this list: the stand-in, so
    // that no real browser ever starts.
    browser_ = std::make_unique<ScopedRegistryValue>("Software\\Wine\\WineBrowser", "Browsers",
                                                     QH_E2E_BROWSER_STUB);
    // With no window manager on the test display, Wine would wait two
    // seconds for one whenever a window goes away (each message box, each
    // exit). Windows it manages itself need no such wait.
    managed_ = std::make_unique<ScopedRegistryValue>("Software\\Wine\\X11 Driver", "Managed", "N");
  }
  void TearDown() override {
    browser_.reset();
    managed_.reset();
  }

 private:
  std::unique_ptr<ScopedRegistryValue> browser_, managed_;
};

[[maybe_unused]] ::testing::Environment* const kWineSettings =
    ::testing::AddGlobalTestEnvironment(new WineSettings);

}  // namespace

const std::vector<ExpectedControl>& ExpectedLayout() {
  static const std::vector<ExpectedControl> layout = {
      {"分组框1", "Button", nullptr, Place(3, 9, 542, 103), "分割设置"},
      {"标签1", "Static", "分组框1", Place(32, 29, 57, 19), "分割文件："},
      {"待宰文件_编辑框", "Edit", "分组框1", Place(93, 26, 338, 24), ""},
      {"待宰钮", "Button", "分组框1", Place(438, 26, 70, 24), "选择..."},
      {"标签2", "Static", "分组框1", Place(32, 66, 57, 19), "保存目录："},
      {"宰后位置_编辑框", "Edit", "分组框1", Place(93, 63, 338, 24), ""},
      {"宰后钮", "Button", "分组框1", Place(438, 63, 70, 24), "选择..."},
      {"分组框2", "Button", nullptr, Place(3, 120, 240, 85), "分割方式"},
      {"大小分割_单选框", "Button", "分组框2", Place(20, 27, 95, 15), "每份大小为："},
      {"分割大小_编辑框", "Edit", "分组框2", Place(117, 25, 84, 21), ""},
      {"标签3", "Static", "分组框2", Place(206, 27, 18, 20), "KB"},
      {"平均分割_单选框", "Button", "分组框2", Place(20, 56, 95, 15), "平均分配为："},
      {"分割份数_编辑框", "Edit", "分组框2", Place(117, 53, 84, 21), ""},
      {"标签4", "Static", "分组框2", Place(206, 56, 16, 18), "份"},
      {"分组框3", "Button", nullptr, Place(252, 120, 293, 85), "改头换面"},
      {"自定名称_单选框", "Button", "分组框3", Place(14, 27, 99, 13), "自定名称为："},
      {"自定名称_编辑框", "Edit", "分组框3", Place(103, 26, 114, 17), ""},
      {"标签5", "Static", "分组框3", Place(224, 27, 42, 16), "+ _序号"},
      {"自动命名_单选框", "Button", "分组框3", Place(14, 56, 261, 13), "自动以数字序号命名(例：1.txt,2.txt...)"},
      {"分组框4", "Button", nullptr, Place(3, 215, 542, 51), "其他设置"},
      {"创建文件夹_复选框", "Button", "分组框4", Place(22, 25, 109, 13), "自动创建文件夹"},
      {"纯文本_复选框", "Button", "分组框4", Place(153, 25, 109, 13), "是否纯文本分割"},
      {"删除原文件_复选框", "Button", "分组框4", Place(285, 25, 117, 13), "分割后粉粹原文件"},
      {"合并脚本_复选框", "Button", "分组框4", Place(428, 25, 95, 13), "生成合并脚本"},
      {"开宰钮", "Button", nullptr, Place(102, 275, 74, 34), "开始分割"},
      {"停宰钮", "Button", nullptr, Place(230, 275, 74, 34), "停止分割"},
      {"退出钮", "Button", nullptr, Place(358, 275, 74, 34), "关闭工具"},
      // Docked: the place is the status bar's to choose.
      {"状态条1", "msctls_statusbar32", nullptr, {0, 0, 0, 0}, ""},
  };
  return layout;
}

Text ProgramFolder() { return PathPart(ProgramCopy(), 5); }

Text ExpectedTitle() { return JoinText({"青禾TXT小说分割工具V1.0    官网", QH_PUBLISHER_URL}); }
Text ExpectedPage() { return JoinText({QH_PUBLISHER_URL, "?txt"}); }

Text WindowsPath(const std::string& unixPath) {
  Text p = "Z:" + unixPath;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

bool WaitUntil(const std::function<bool()>& cond, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    Pause(20);
  }
}

HWND FindDescendant(HWND parent, const char* className, int id) {
  Search search = {className, id, nullptr};
  EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

Text TextOf(HWND window) { return WindowText(window); }

void TypeInto(HWND edit, const Text& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  // Sent, not posted: user32 pairs a lead byte with the next one in the
  // sending thread, and the edit box gets the whole character.
  for (unsigned char c : text) SendMessageA(edit, WM_CHAR, c, 1);
}

void PressDialogButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Program::Program(const Text& workingFolder) {
  const Text& exe = ProgramCopy();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  Text commandLine = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &info_)) {
    info_ = {};
    return;
  }
  WaitForInputIdle(info_.hProcess, 10000);
  FoundWindow f = {info_.dwProcessId, ExpectedTitle(), nullptr};
  WaitUntil([&] {
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&f));
    return f.found != nullptr;
  }, 15000);
  window_ = f.found;
  if (window_ == nullptr) return;
  // EnumChildWindows goes depth first: each group box, then what it holds.
  WaitUntil([&] {
    controls_.clear();
    EnumChildWindows(window_, CollectChild, reinterpret_cast<LPARAM>(&controls_));
    return controls_.size() >= ExpectedLayout().size();
  }, 5000);
}

Program::~Program() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

HWND Program::control(const char* name) const {
  const auto& layout = ExpectedLayout();
  for (size_t i = 0; i < layout.size() && i < controls_.size(); ++i) {
    if (std::strcmp(layout[i].name, name) == 0) return controls_[i];
  }
  return nullptr;
}

const char* Program::NameOf(HWND h) const {
  const auto& layout = ExpectedLayout();
  for (size_t i = 0; i < layout.size() && i < controls_.size(); ++i) {
    if (controls_[i] == h) return layout[i].name;
  }
  return "";
}

Text Program::GetText(const char* name) const { return WindowText(control(name)); }

void Program::SetText(const char* name, const Text& text) const {
  SendMessageA(control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Program::Checked(const char* name) const {
  return SendMessageA(control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Program::Enabled(const char* name) const { return IsWindowEnabled(control(name)) != FALSE; }

void Program::Click(const char* name) const { PostMessageA(control(name), BM_CLICK, 0, 0); }

HWND Program::Focus() const {
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  if (!GetGUIThreadInfo(info_.dwThreadId, &gui)) return nullptr;
  return gui.hwndFocus;
}

void Program::Press(UINT vk, bool shift) const {
  HWND target = Focus();
  if (target == nullptr) target = window_;
  UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
  LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
  // Shift is read from the key state the program's thread shares with
  // ours while the two are attached; a posted key carries no modifiers.
  DWORD self = GetCurrentThreadId();
  bool attached = shift && AttachThreadInput(self, info_.dwThreadId, TRUE);
  BYTE keys[256] = {};
  if (shift) {
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
  }
  PostMessageA(target, WM_KEYDOWN, vk, down);
  PostMessageA(target, WM_KEYUP, vk, up);
  if (shift) {
    Sync();
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys);
  }
  if (attached) AttachThreadInput(self, info_.dwThreadId, FALSE);
}

void Program::Type(const char* name, const std::string& chars) const {
  HWND target = control(name);
  for (unsigned char c : chars) PostMessageA(target, WM_CHAR, c, 1);
  Sync();
}

void Program::Sync() const {
  // The modified flag of the read-only box means nothing to the program:
  // flip it with a posted message and wait for the flip, which comes after
  // everything posted before it.
  HWND probe = control("宰后位置_编辑框");
  bool before = SendMessageA(probe, EM_GETMODIFY, 0, 0) != 0;
  PostMessageA(probe, EM_SETMODIFY, before ? FALSE : TRUE, 0);
  WaitUntil([&] { return (SendMessageA(probe, EM_GETMODIFY, 0, 0) != 0) != before; }, 5000);
}

bool Program::FocusOn(const char* name) const {
  HWND target = control(name);
  for (int i = 0; i < 20 && Focus() != target; ++i) {
    Press(VK_TAB);
    Sync();
  }
  return Focus() == target;
}

template <typename Fill>
bool Program::Remote(size_t size, void* out, Fill send) const {
  void* remote = VirtualAllocEx(info_.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return false;
  send(remote);
  SIZE_T got = 0;
  bool ok = ReadProcessMemory(info_.hProcess, remote, out, size, &got) && got == size;
  VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
  return ok;
}

Text Program::Pane(int index) const {
  HWND bar = control("状态条1");
  char buf[1024] = {};
  Remote(sizeof buf, buf, [&](void* remote) {
    SendMessageA(bar, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(remote));
  });
  buf[sizeof buf - 1] = 0;
  return buf;
}

std::vector<int> Program::PaneEdges() const {
  HWND bar = control("状态条1");
  int edges[8] = {};
  int n = 0;
  Remote(sizeof edges, edges, [&](void* remote) {
    n = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(remote)));
  });
  return std::vector<int>(edges, edges + (n > 0 && n <= 8 ? n : 0));
}

RECT Program::PaneRect(int index) const {
  HWND bar = control("状态条1");
  RECT r = {};
  Remote(sizeof r, &r, [&](void* remote) {
    SendMessageA(bar, SB_GETRECT, index, reinterpret_cast<LPARAM>(remote));
  });
  return r;
}

std::optional<SeenBox> Program::OpenBox() const {
  HWND box = nullptr;
  EnumThreadWindows(info_.dwThreadId, FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return std::nullopt;
  SeenBox seen;
  seen.box = box;
  seen.caption = WindowText(box);
  seen.text = WindowText(GetDlgItem(box, 0xFFFF));
  return seen;
}

std::optional<SeenBox> Program::WaitForBox(int ms) const {
  std::optional<SeenBox> seen;
  WaitUntil([&] {
    seen = OpenBox();
    return seen.has_value();
  }, ms);
  return seen;
}

void Program::CloseBox(const SeenBox& box) const {
  PostMessageA(GetDlgItem(box.box, IDOK), BM_CLICK, 0, 0);
  WaitUntil([&] { return !IsOpen(box); }, 5000);
}

LRESULT Program::SendText(HWND to, UINT message, WPARAM wParam, const Text& text) const {
  void* remote = VirtualAllocEx(info_.hProcess, nullptr, text.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return 0;
  LRESULT answer = 0;
  if (WriteProcessMemory(info_.hProcess, remote, text.c_str(), text.size() + 1, nullptr))
    answer = SendMessageA(to, message, wParam, reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
  return answer;
}

std::optional<DWORD> Program::WaitForExit(int ms) const {
  if (info_.hProcess == nullptr) return std::nullopt;
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

int64_t Program::Age() const {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) {
    return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return (ticks(now) - ticks(created)) / 10000;
}

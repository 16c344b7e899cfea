// For tools/screenshot.sh: opens one of the program's dialogs and waits until
// it is up, or cancels the dialog that is open and waits until it is gone.
//   shot_click source | folder | cancel
// Runs in the program's Wine desktop, so that it sees the program's windows.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

BOOL CALLBACK Collect(HWND h, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
  return TRUE;
}

struct Dialog {
  DWORD thread;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND h, LPARAM data) {
  char cls[16] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(h)) return TRUE;
  reinterpret_cast<Dialog*>(data)->found = h;
  return FALSE;
}

HWND OpenDialog(HWND window) {
  Dialog d = {GetWindowThreadProcessId(window, nullptr), nullptr};
  EnumThreadWindows(d.thread, FindDialog, reinterpret_cast<LPARAM>(&d));
  return d.found;
}

bool WaitFor(HWND window, bool open) {
  for (int i = 0; i < 200; ++i) {
    if ((OpenDialog(window) != nullptr) == open) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HWND window = nullptr;
  for (int i = 0; i < 200 && window == nullptr; ++i) {
    window = FindWindowA("QingheSplitMainWindow", nullptr);
    if (window == nullptr) Sleep(50);
  }
  if (window == nullptr) return 1;

  if (std::strcmp(argv[1], "cancel") == 0) {
    HWND dialog = OpenDialog(window);
    if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitFor(window, false) ? 0 : 1;
  }
  // The two "选择..." buttons, in the order the window makes its controls.
  size_t index = std::strcmp(argv[1], "source") == 0 ? 3 : std::strcmp(argv[1], "folder") == 0 ? 6 : 0;
  if (index == 0) return 2;
  std::vector<HWND> controls;
  EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&controls));
  if (controls.size() <= index) return 1;
  PostMessageA(controls[index], BM_CLICK, 0, 0);
  return WaitFor(window, true) ? 0 : 1;
}

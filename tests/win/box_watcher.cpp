#include "tests/win/box_watcher.h"

#include <vector>

namespace {

struct Search {
  HWND found = nullptr;
};

BOOL CALLBACK TakeDialog(HWND window, LPARAM param) {
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  reinterpret_cast<Search*>(param)->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForDialog(DWORD threadId, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    Search search;
    EnumThreadWindows(threadId, TakeDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(20);
  }
  return nullptr;
}

bool WaitUntilGone(HWND dialog, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    if (!IsWindow(dialog)) return true;
    Sleep(20);
  }
  return !IsWindow(dialog);
}

std::string WindowText(HWND window) {
  int n = GetWindowTextLengthA(window);
  std::vector<char> buf(static_cast<size_t>(n) + 2);
  GetWindowTextA(window, buf.data(), n + 1);
  return buf.data();
}

std::string BoxMessage(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text == nullptr ? std::string() : WindowText(text);
}

void PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button != nullptr) {
    PostMessageA(button, BM_CLICK, 0, 0);
  } else {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
}

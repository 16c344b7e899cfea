#include "tests/win/dialog_robot.h"

#include <vector>

namespace {

const int kWaitMs = 30000;

bool IsDialog(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window);
}

BOOL CALLBACK AddDialog(HWND window, LPARAM list) {
  if (IsDialog(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> DialogsOf(DWORD threadId) {
  std::vector<HWND> found;
  EnumThreadWindows(threadId, AddDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Search {
  const char* className;
  int id;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  Search* s = reinterpret_cast<Search*>(data);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpiA(name, s->className) != 0) return TRUE;
  if (s->id != 0 && GetDlgCtrlID(window) != s->id) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace

DialogRobot::DialogRobot(Script script)
    : script_(std::move(script)), thread_(&DialogRobot::Run, this, GetCurrentThreadId()) {}

DialogRobot::~DialogRobot() { Finish(); }

void DialogRobot::Finish() {
  done_ = true;
  if (thread_.joinable()) thread_.join();
}

void DialogRobot::Run(DWORD threadId) {
  HWND dialog = nullptr;
  for (int waited = 0; dialog == nullptr && !done_ && waited < kWaitMs; waited += 50) {
    Sleep(50);
    std::vector<HWND> dialogs = DialogsOf(threadId);
    if (!dialogs.empty()) dialog = dialogs.front();
  }
  if (dialog == nullptr) return;
  sawDialog_ = true;
  // Visible means initialised; a moment more lets the lists fill.
  Sleep(300);
  script_(dialog);

  // A script that left the dialog (or a prompt of it) open would hang the
  // test: after ten seconds, cancel whatever is still up, once a second.
  for (int waited = 50; !done_; waited += 50) {
    Sleep(50);
    if (waited < 10000 || waited % 1000 != 0) continue;
    for (HWND left : DialogsOf(threadId)) {
      hadToCancel_ = true;
      PostMessageA(left, WM_COMMAND, IDCANCEL, 0);
    }
  }
}

HWND FindDescendant(HWND parent, const char* className, int id) {
  Search search = {className, id, nullptr};
  EnumChildWindows(parent, Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

Text ControlText(HWND window) {
  char text[1024] = {};
  int n = GetWindowTextA(window, text, sizeof text);
  return Text(text, n > 0 ? static_cast<size_t>(n) : 0);
}

void TypeText(HWND edit, const Text& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  for (unsigned char c : text) SendMessageA(edit, WM_CHAR, c, 1);
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

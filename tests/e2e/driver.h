// Drives the real program from outside, as a user would: starts it, finds its
// window by the title and its controls by their order, types, clicks, reads
// what the window shows and answers its message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/operations.h"

// One object of the window as the tests expect it, in the order in which the
// window enumerates its descendants.
struct ExpectedControl {
  const char* name;
  const char* className;
  const char* parent;  // nullptr: the window itself
  RECT place;          // left, top, right, bottom in the parent's client area
  const char* text;
};
const std::vector<ExpectedControl>& ExpectedLayout();

// The window's title, and the page that a successful split opens.
Text ExpectedTitle();
Text ExpectedPage();

// The folder the program runs from, with its last "\".
Text ProgramFolder();

// Windows form of a path of this machine (Wine's drive Z: is "/").
Text WindowsPath(const std::string& unixPath);

struct SeenBox {
  HWND box = nullptr;
  Text caption;
  Text text;
};

// Waits for cond for at most ms milliseconds; true as soon as it holds.
bool WaitUntil(const std::function<bool()>& cond, int ms);

// ---- Inside the program's dialogs (any window of it, in fact) ----
// The first descendant of parent with this class and, unless 0, this control
// identifier; nullptr when there is none.
HWND FindDescendant(HWND parent, const char* className, int id = 0);
// The text a window of the program shows now.
Text TextOf(HWND window);
// Types text into an edit box key by key, each one handled before the next
// (a GBK character as its two bytes, as an ANSI program receives it).
void TypeInto(HWND edit, const Text& text);
// A dialog's button pressed: posted, so that whatever it opens cannot hold
// the driver up.
void PressDialogButton(HWND dialog, int id);

class Program {
 public:
  // Starts the program copied into its own folder, with folder as the current
  // folder, and waits for its window and controls.
  explicit Program(const Text& workingFolder = Text());
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool ready() const { return window_ != nullptr && controls_.size() == ExpectedLayout().size(); }
  HWND window() const { return window_; }
  HWND control(const char* name) const;
  const std::vector<HWND>& controls() const { return controls_; }
  const char* NameOf(HWND h) const;  // "" when not one of ours
  DWORD processId() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }

  Text GetText(const char* name) const;
  void SetText(const char* name, const Text& text) const;
  bool Checked(const char* name) const;
  bool Enabled(const char* name) const;
  void Click(const char* name) const;  // as a mouse click: posted, not waited for

  HWND Focus() const;
  // A key pressed and released on the control that has the focus.
  void Press(UINT vk, bool shift = false) const;
  void Type(const char* name, const std::string& chars) const;
  // Waits until every message posted before has been handled.
  void Sync() const;
  // Presses Tab until name has the focus.
  bool FocusOn(const char* name) const;

  Text Pane(int index) const;
  std::vector<int> PaneEdges() const;
  RECT PaneRect(int index) const;

  // A message box of the program, once it is shown.
  std::optional<SeenBox> WaitForBox(int ms) const;
  std::optional<SeenBox> OpenBox() const;
  void CloseBox(const SeenBox& box) const;
  bool IsOpen(const SeenBox& box) const { return IsWindow(box.box) && IsWindowVisible(box.box); }

  // A message whose lParam is a text. Windows carries the text between
  // processes only for the messages it knows (WM_SETTEXT and the like), so
  // for any other it goes into the program's memory for the call.
  LRESULT SendText(HWND to, UINT message, WPARAM wParam, const Text& text) const;

  // The exit code once the program has ended within ms.
  std::optional<DWORD> WaitForExit(int ms) const;
  // Milliseconds since the process was made.
  int64_t Age() const;

 private:
  // A buffer in the program's memory, for messages whose answers Windows
  // does not carry between processes (the status bar's).
  template <typename Fill>
  bool Remote(size_t size, void* out, Fill send) const;

  PROCESS_INFORMATION info_ = {};
  HWND window_ = nullptr;
  std::vector<HWND> controls_;
};

#include "dialogs/timed_message_box.h"

#include <windows.h>

#include "core/message_sink.h"

namespace {

using MessageBoxTimeoutFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT, WORD, DWORD);

// Not declared by the platform's headers: looked up once, by name.
MessageBoxTimeoutFn MessageBoxTimeout() {
  static const MessageBoxTimeoutFn fn = [] {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) user32 = LoadLibraryA("user32.dll");
    if (user32 == nullptr) return MessageBoxTimeoutFn(nullptr);
    FARPROC proc = GetProcAddress(user32, "MessageBoxTimeoutA");
    return reinterpret_cast<MessageBoxTimeoutFn>(reinterpret_cast<void (*)()>(proc));
  }();
  return fn;
}

// Our own time-out, for platforms whose MessageBoxTimeoutA ignores it (Wine)
// or lacks it: a CBT hook catches the box when it is activated and gives it
// a timer that ends the dialog with the platform's time-out answer. Hooks
// carry no data of their own, hence the thread's one pending time-out.
struct PendingTimeout {
  UINT ms = 0;
  bool caught = false;
};
thread_local PendingTimeout* pending = nullptr;

const UINT_PTR kTimeoutTimer = 0x51E7;

void CALLBACK OnTimeout(HWND box, UINT, UINT_PTR id, DWORD) {
  KillTimer(box, id);
  EndDialog(box, kMessageBoxTimedOut);
}

LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && pending != nullptr && !pending->caught) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) {
      pending->caught = true;
      SetTimer(window, kTimeoutTimer, pending->ms, OnTimeout);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Arms the time-out for the box shown while it lives.
class TimeoutGuard {
 public:
  explicit TimeoutGuard(UINT ms) {
    if (ms == 0) return;
    state_.ms = ms;
    previous_ = pending;
    pending = &state_;
    hook_ = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  }
  ~TimeoutGuard() {
    if (state_.ms == 0) return;
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    pending = previous_;
  }
  TimeoutGuard(const TimeoutGuard&) = delete;
  TimeoutGuard& operator=(const TimeoutGuard&) = delete;

 private:
  PendingTimeout state_;
  PendingTimeout* previous_ = nullptr;
  HHOOK hook_ = nullptr;
};

bool IsPlainStyle(int style) {
  return style == 0 || style == 16 || style == 32 || style == 48 || style == 64;
}

}  // namespace

int MapMessageBoxAnswer(int style, int r) {
  if (IsPlainStyle(style)) return r - 1;
  return r == kMessageBoxTimedOut ? r : r - 1;
}

int TimedMessageBox(const Text& text, std::optional<int> style, std::optional<Text> title,
                    std::optional<int> timeoutMs) {
  int styleWord = style.value_or(0);
  Text caption = title.value_or(Text());
  if (CompareText(caption, "") == 0) caption = "信息：";
  int ms = timeoutMs.value_or(0);
  HWND owner = GetActiveWindow();

  TimeoutGuard guard(ms > 0 ? static_cast<UINT>(ms) : 0);
  int r;
  if (MessageBoxTimeoutFn fn = MessageBoxTimeout()) {
    r = fn(owner, text.c_str(), caption.c_str(), static_cast<UINT>(styleWord), 0,
           static_cast<DWORD>(ms));
  } else {
    r = MessageBoxA(owner, text.c_str(), caption.c_str(), static_cast<UINT>(styleWord));
  }
  return MapMessageBoxAnswer(styleWord, r);
}

MessageSink DefaultMessageSink() {
  return [](const Text& text, int style, const Text& title) {
    return TimedMessageBox(text, style, title);
  };
}

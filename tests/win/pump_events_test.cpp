// PumpEvents dispatches what waits in the thread's queue and leaves the quit
// message for the main message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include "core/operations.h"

namespace {

int handled = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++handled;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(PumpEvents, HandlesWaitingMessagesAndLeavesTheQuitMessage) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PumpEventsTest";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("PumpEventsTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  handled = 0;
  PostMessageA(window, WM_APP, 0, 0);
  PostMessageA(window, WM_APP, 0, 0);
  PumpEvents();
  EXPECT_EQ(handled, 2);

  PostMessageA(window, WM_APP, 0, 0);
  PostQuitMessage(7);
  PumpEvents();
  EXPECT_EQ(handled, 3);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  DestroyWindow(window);
}

}  // namespace

// Finds the message box or dialog that a thread is showing, from another
// thread, so a test can read it and press its buttons like a user would.
#pragma once

#include <windows.h>

#include <string>

// The visible dialog (class #32770) of the thread, waiting up to timeoutMs.
HWND WaitForDialog(DWORD threadId, int timeoutMs);
// True when the dialog is gone within timeoutMs.
bool WaitUntilGone(HWND dialog, int timeoutMs);

std::string WindowText(HWND window);
// The message of a message box (its static text of identifier 0xFFFF).
std::string BoxMessage(HWND box);
// Presses the dialog's button of this identifier (IDOK, IDCANCEL ...).
void PressButton(HWND dialog, int id);

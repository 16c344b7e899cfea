// Plays the user of a modal dialog that the test's own thread shows: a helper
// thread waits for a dialog window (class #32770) of that thread, then runs a
// script on it. The script only records what it sees; the test checks it
// after Show has returned.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "core/operations.h"

class DialogRobot {
 public:
  using Script = std::function<void(HWND dialog)>;
  // Watches the calling thread from now on.
  explicit DialogRobot(Script script);
  ~DialogRobot();
  DialogRobot(const DialogRobot&) = delete;
  DialogRobot& operator=(const DialogRobot&) = delete;

  // Call once the dialog call has returned: stops the watching.
  void Finish();
  bool SawDialog() const { return sawDialog_; }
  // The script left the dialog open and the robot had to cancel it.
  bool HadToCancel() const { return hadToCancel_; }

 private:
  void Run(DWORD threadId);

  Script script_;
  std::atomic<bool> done_{false};
  std::atomic<bool> sawDialog_{false};
  std::atomic<bool> hadToCancel_{false};
  std::thread thread_;
};

// The first descendant of parent with this class and, unless 0, this control
// identifier; nullptr when there is none.
HWND FindDescendant(HWND parent, const char* className, int id = 0);
Text ControlText(HWND window);
// Types text key by key (a GBK character as its two bytes, as an ANSI
// program receives it).
void TypeText(HWND edit, const Text& text);
// Presses a button of the dialog. Posted, so that a prompt it opens cannot
// hold the robot up.
void ClickButton(HWND dialog, int id);

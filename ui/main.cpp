// Start-up: OLE, the program's folder as the current folder, the exit
// clean-ups, the window and its message loop.
#include <windows.h>
#include <ole2.h>

#include "core/operations.h"
#include "ui/handlers.h"
#include "ui/main_window.h"

namespace {

// The folder of the program's own file, with its last "\".
Text ProgramFolder() {
  char buf[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return Text();
  return PathPart(Text(buf, n), 5);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // The folder browser's new dialog style needs OLE on this thread.
  HRESULT ole = OleInitialize(nullptr);
  // A relative source path is taken from the program's folder.
  Text folder = ProgramFolder();
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
  RegisterExitCleanups();

  MainWindow window;
  bool created = CreateMainWindow(window, instance, show);
  if (created) RunMessageLoop(window);

  RunExitCleanups();
  if (SUCCEEDED(ole)) OleUninitialize();
  // However the window went away, the program ends well; only a window that
  // could not be made at all is a failure.
  return created ? 0 : 1;
}

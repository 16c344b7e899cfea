// What the window's handlers leave for the program's end. Freeing a text is
// invisible from outside the process, so this looks from inside.
#include <gtest/gtest.h>

#include "dialogs/folder_browser.h"
#include "ui/handlers.h"

namespace {

TEST(ExitCleanups, TheInitialFolderIsReleasedOnceAtTheEnd) {
  RegisterExitCleanups();
  InitialFolder = "C:\\books";
  RunExitCleanups();
  EXPECT_EQ(InitialFolder, "");
  // Only the first run counts: a second way out finds nothing left to do.
  InitialFolder = "C:\\again";
  RunExitCleanups();
  EXPECT_EQ(InitialFolder, "C:\\again");
  ReleaseInitialFolder();
}

}  // namespace

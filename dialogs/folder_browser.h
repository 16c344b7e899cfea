// The platform's folder-browsing dialog: pick a folder, get its path.
#pragma once

#include <windows.h>

#include <optional>

#include "core/operations.h"

// The folder the next browser opens on; every call of FolderBrowser replaces
// it, and the browse callback reads it while that call's dialog runs.
extern Text InitialFolder;

// Left out: the title "请选择一个文件夹", no initial folder, no files listed,
// an edit box and the new dialog style. The result is the chosen folder with
// its blanks trimmed ("C:\" for a drive root, no trailing "\" otherwise), or
// the empty text when cancelled or for an item with no file-system path.
Text FolderBrowser(std::optional<Text> title = std::nullopt,
                   std::optional<Text> initialFolder = std::nullopt,
                   std::optional<bool> includeFiles = std::nullopt,
                   std::optional<bool> editBox = std::nullopt,
                   std::optional<bool> newDialogStyle = std::nullopt);

// ulFlags for the three truth values, their defaults taken first.
UINT BrowseFlags(std::optional<bool> includeFiles, std::optional<bool> editBox,
                 std::optional<bool> newDialogStyle);

// Selects InitialFolder once the dialog is up; 1 for every message.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM parameter, LPARAM callerData);

// The exit clean-up for InitialFolder.
void ReleaseInitialFolder();

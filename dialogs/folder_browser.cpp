#include "dialogs/folder_browser.h"

#include <shlobj.h>

Text InitialFolder;

void ReleaseInitialFolder() { Text().swap(InitialFolder); }

UINT BrowseFlags(std::optional<bool> includeFiles, std::optional<bool> editBox,
                 std::optional<bool> newDialogStyle) {
  return static_cast<UINT>(BitOr({includeFiles.value_or(false) ? BIF_BROWSEINCLUDEFILES : 0,
                                  editBox.value_or(true) ? BIF_EDITBOX : 0,
                                  newDialogStyle.value_or(true) ? BIF_NEWDIALOGSTYLE : 0}));
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED) {
    // wParam 1: the selection is a path, not an identifier list.
    SendMessageA(window, BFFM_SETSELECTIONA, 1, reinterpret_cast<LPARAM>(InitialFolder.c_str()));
  }
  return 1;
}

Text FolderBrowser(std::optional<Text> title, std::optional<Text> initialFolder,
                   std::optional<bool> includeFiles, std::optional<bool> editBox,
                   std::optional<bool> newDialogStyle) {
  InitialFolder = initialFolder.value_or(Text());
  const Text caption = title.value_or("请选择一个文件夹");

  BROWSEINFOA info = {};
  info.hwndOwner = GetActiveWindow();
  info.lpszTitle = caption.c_str();
  // No BIF_RETURNONLYFSDIRS: a virtual folder can be picked, and gives ''.
  info.ulFlags = BrowseFlags(includeFiles, editBox, newDialogStyle);
  info.lpfn = BrowseCallback;

  PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info);
  if (list == nullptr) return Text();
  // Wider than MAX_PATH, which is all the platform writes.
  Text path = BlankText(512);
  BOOL found = SHGetPathFromIDListA(list, &path[0]);
  CoTaskMemFree(list);
  if (!found) return Text();
  return TrimText(BytesToText(path));
}

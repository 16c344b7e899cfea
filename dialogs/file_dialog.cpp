#include "dialogs/file_dialog.h"

#include <cstddef>

namespace {

// Show passes the record's size without its three trailing extension fields,
// the size every version of the dialog knows.
static_assert(sizeof(void*) != 4 ||
                  offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the short record is 76 bytes in the 32-bit build");
static_assert(kMultiSelectWord == OFN_ALLOWMULTISELECT, "the lists read the platform's word");

int FlagWord(std::optional<bool> given, int current, int word) {
  if (!given) return current;
  return *given ? word : 0;
}

const char* PointerTo(const std::optional<Text>& text) {
  return text ? text->c_str() : nullptr;
}

}  // namespace

DWORD FilterIndexFor(int index) {
  if (index <= 0) return 1;
  return static_cast<DWORD>(index) + 1;
}

FileDialog::FileDialog() : dialogRecord() {}

FileDialog::~FileDialog() = default;

std::unique_ptr<FileDialog> FileDialog::Copy() const {
  std::unique_ptr<FileDialog> copy(new FileDialog(*this));
  copy->PointRecordAtBuffers();
  return copy;
}

void FileDialog::PointRecordAtBuffers() {
  // c_str(): the filter list's two closing zeros are followed by the string's
  // own, so a platform that reads one byte past an empty pattern stays inside.
  dialogRecord.lpstrFilter = filterList.empty() ? nullptr : filterList.c_str();
  dialogRecord.lpstrFile = fileBuffer.empty() ? nullptr : &fileBuffer[0];
  dialogRecord.lpstrInitialDir = PointerTo(initialFolder);
  dialogRecord.lpstrTitle = PointerTo(title);
  dialogRecord.lpstrDefExt = PointerTo(defaultExtension);
}

void FileDialog::SetUp(int kind, std::optional<Text> titleText, std::optional<Text> filter,
                       std::optional<int> filterIndex, std::optional<Text> folder,
                       std::optional<Text> name, std::optional<Text> extension,
                       std::optional<bool> createPrompt, std::optional<bool> fileMustExist,
                       std::optional<bool> overwritePrompt, std::optional<bool> pathMustExist,
                       std::optional<bool> multiSelect) {
  dialogKind = kind;
  title = std::move(titleText);
  filterList = FilterList(filter.value_or("所有文件(*.*)"));
  dialogRecord.nFilterIndex = FilterIndexFor(filterIndex.value_or(0));
  initialFolder = std::move(folder);
  initialName = name.value_or(Text());
  defaultExtension = std::move(extension);
  createPromptFlag = FlagWord(createPrompt, createPromptFlag, OFN_CREATEPROMPT);
  fileMustExistFlag = FlagWord(fileMustExist, fileMustExistFlag, OFN_FILEMUSTEXIST);
  overwritePromptFlag = FlagWord(overwritePrompt, overwritePromptFlag, OFN_OVERWRITEPROMPT);
  pathMustExistFlag = FlagWord(pathMustExist, pathMustExistFlag, OFN_PATHMUSTEXIST);
  multiSelectFlag = FlagWord(multiSelect, multiSelectFlag, OFN_ALLOWMULTISELECT);
  chosenNames.clear();
  dialogRecord.hwndOwner = GetActiveWindow();
  dialogRecord.hInstance = GetModuleHandleA(ExecutablePath().c_str());
  PointRecordAtBuffers();
}

DWORD FileDialog::Flags() const {
  switch (dialogKind) {
    case 0:
      return static_cast<DWORD>(BitOr({OFN_HIDEREADONLY, OFN_EXPLORER, OFN_ENABLESIZING,
                                       createPromptFlag, fileMustExistFlag, overwritePromptFlag,
                                       pathMustExistFlag, multiSelectFlag}));
    case 1:
      // The save dialog: no read-only box, and a missing file is the point.
      return static_cast<DWORD>(BitOr({OFN_EXPLORER, OFN_ENABLESIZING, overwritePromptFlag,
                                       pathMustExistFlag, multiSelectFlag}));
    default:
      return 0;
  }
}

bool FileDialog::Show() {
  chosenNames = initialName;
  fileBuffer = FileBufferFor(chosenNames, multiSelectFlag);
  PointRecordAtBuffers();
  dialogRecord.nMaxFile = static_cast<DWORD>(fileBuffer.size());
  dialogRecord.lStructSize = OPENFILENAME_SIZE_VERSION_400A;

  if (dialogKind != 0 && dialogKind != 1) return false;
  dialogRecord.Flags = Flags();
  BOOL answer = dialogKind == 0 ? GetOpenFileNameA(&dialogRecord) : GetSaveFileNameA(&dialogRecord);
  if (!answer) return false;
  chosenNames = ChosenNamesFrom(fileBuffer, multiSelectFlag);
  return true;
}

Text FileDialog::FileName() const { return chosenNames; }

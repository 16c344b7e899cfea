// The platform's open and save dialogs, as one small object: set it up with a
// kind and the settings wanted, show it, read the chosen name back.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <optional>

#include "core/operations.h"
#include "dialogs/file_dialog_lists.h"

class FileDialog {
 public:
  FileDialog();
  // Destroy. Every buffer the record points into is a member, so they all go
  // with the object.
  virtual ~FileDialog();
  // An independent object: equal settings and outcome, its own buffers.
  virtual std::unique_ptr<FileDialog> Copy() const;
  // Kind 0 open, 1 save, anything else shows nothing. Texts left out take
  // their defaults; truth values left out keep the flag word set before.
  virtual void SetUp(int kind, std::optional<Text> title = std::nullopt,
                     std::optional<Text> filter = std::nullopt,
                     std::optional<int> filterIndex = std::nullopt,
                     std::optional<Text> initialFolder = std::nullopt,
                     std::optional<Text> initialName = std::nullopt,
                     std::optional<Text> defaultExtension = std::nullopt,
                     std::optional<bool> createPrompt = std::nullopt,
                     std::optional<bool> fileMustExist = std::nullopt,
                     std::optional<bool> overwritePrompt = std::nullopt,
                     std::optional<bool> pathMustExist = std::nullopt,
                     std::optional<bool> multiSelect = std::nullopt);
  // Modal. False when cancelled, failed or of an unknown kind; FileName then
  // gives the initial name back.
  virtual bool Show();
  // The chosen path, or several joined with ";".
  virtual Text FileName() const;

  // The Flags word Show passes for the current kind and flag words; 0 for an
  // unknown kind.
  DWORD Flags() const;
  const OPENFILENAMEA& DialogRecord() const { return dialogRecord; }

  FileDialog& operator=(const FileDialog&) = delete;

 private:
  // Member by member; Copy then points the copy's record at its own buffers.
  FileDialog(const FileDialog& other) = default;
  // The record's pointers into the buffers below; again after every copy.
  void PointRecordAtBuffers();

  OPENFILENAMEA dialogRecord;
  int dialogKind = 0;
  Text initialName;
  int createPromptFlag = OFN_CREATEPROMPT;
  int fileMustExistFlag = OFN_FILEMUSTEXIST;
  int overwritePromptFlag = OFN_OVERWRITEPROMPT;
  int pathMustExistFlag = OFN_PATHMUSTEXIST;
  int multiSelectFlag = 0;  // or OFN_ALLOWMULTISELECT
  Text chosenNames;

  // What dialogRecord points into.
  Bytes filterList;
  Bytes fileBuffer;
  std::optional<Text> title;
  std::optional<Text> initialFolder;
  std::optional<Text> defaultExtension;
};

// nFilterIndex for a 0-based index: 1 for 0 and below, else index + 1.
DWORD FilterIndexFor(int index);

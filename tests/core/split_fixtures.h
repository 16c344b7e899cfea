// What the split tests share: a sink that records what the user would be
// shown, files made and read through the core's own (ANSI) file layer, and a
// few file-system moves that only a test makes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/operations.h"

struct Shown {
  Text text;
  int style = 0;
  Text title;
};

class RecordingSink {
 public:
  MessageSink sink() {
    return [this](const Text& text, int style, const Text& title) {
      shown.push_back({text, style, title});
      return 0;
    };
  }
  std::vector<Shown> shown;
};

// The whole file read through the core, or nothing when it cannot be opened.
Bytes ReadPiece(const Text& path);
void MakeFile(const Text& path, const Bytes& content);
// A file of the given length that takes no room where the file system allows.
void MakeSparseFile(const Text& path, int64_t length);
void MakeFolder(const Text& path);
bool MakeHardLink(const Text& existing, const Text& link);
// What another program might do to a source while it is being split.
void AppendToFile(const Text& path, const Bytes& more);
void ResizeFile(const Text& path, int64_t length);
void MoveModifiedTime(const Text& path, int seconds);
bool ReplaceFileBy(const Text& path, const Text& other);  // other takes path's place
bool MovePath(const Text& from, const Text& to);  // a file or a whole folder
void MakeReadOnly(const Text& path);
// Every file and folder below folder (folders end with "\"), sorted, relative.
std::vector<Text> Listing(const Text& folder);

// The pieces as the plain algorithm makes them: read P bytes, and in
// plain-text mode drop the last byte and step back by one when the piece
// holds an odd number of bytes 0x80 and above, tested one by one as the
// operations define them; the last piece takes the rest.
std::vector<Bytes> ReferencePieces(const Bytes& source, int64_t P, int64_t N, bool plainText);

// A folder on a small volume, for filling it: natively a tmpfs of 1 MiB
// that it mounts (root only) and unmounts again, under Windows the folder
// that QH_SMALL_VOLUME names. why() says what is missing when there is none.
class SmallVolume {
 public:
  explicit SmallVolume(const Text& folder);
  ~SmallVolume();
  SmallVolume(const SmallVolume&) = delete;
  SmallVolume& operator=(const SmallVolume&) = delete;

  const Text& why() const { return why_; }
  const Text& folder() const { return folder_; }  // with its trailing "\"
  int64_t free() const { return free_; }          // when it was made ready
  int64_t FreeNow() const;

 private:
  Text why_, folder_;
  std::string mounted_;
  int64_t free_ = 0;
};

// Runs the test in another current folder and goes back afterwards.
class CurrentFolder {
 public:
  explicit CurrentFolder(const Text& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::string previous_;
};

// True when no handle is open on the file (a file still held by the job
// could not be opened without sharing). Natively always true: POSIX cannot
// tell cheaply.
bool OpenedByNobody(const Text& path);

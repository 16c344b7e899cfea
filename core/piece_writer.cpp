#include "core/piece_writer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace {

const int kErrorStyle = 16;

// The source, read once front to back in whole buffers, whatever the piece
// boundaries, so that every read starts at a multiple of the buffer's size
// in the file. A byte that the plain-text rule gives back simply stays in
// the buffer, untaken, and is the next piece's first byte.
//
// Where a read lands in memory matters to the kernel's copies: a copy whose
// target sits 1 to 15 bytes past its source, counted within a 4 KiB page, is
// stalled by the processor's 4 KiB aliasing and takes up to twice as long.
// Reads land at a page boundary, so only the writes can suffer: when the
// piece being written would (a given-back byte shifts every piece after it
// by one), the read lands 64 bytes further on instead.
class SourceReader {
 public:
  SourceReader(FileNumber file, int64_t length) : file_(file), unread_(length) {}

  bool Allocate(int64_t bytes) {
    memory_.reset(new (std::nothrow) char[static_cast<size_t>(bytes) + 2 * kPage]);
    if (!memory_) return false;
    uintptr_t start = reinterpret_cast<uintptr_t>(memory_.get());
    page_ = memory_.get() + ((start + kPage - 1) / kPage * kPage - start);
    capacity_ = bytes;
    return true;
  }

  // The next untaken bytes, at most `most` of them, for the piece that has
  // `pieceOffset` bytes written; refills the buffer when it is used up.
  // Gives 0 bytes when the source gives fewer than it had when it was
  // measured (it shrank, or the read failed).
  int64_t Next(int64_t most, int64_t pieceOffset, const char** data) {
    if (begin_ == end_) {
      int64_t want = std::min(capacity_, unread_);
      int64_t ahead = pieceOffset % kPage;
      char* target = page_ + (ahead >= 1 && ahead <= 15 ? 64 : 0);
      int64_t got = want > 0 ? FileReadInto(file_, target, want) : 0;
      if (got <= 0) return 0;
      // What a short read gave still serves; the piece that needs more fails.
      unread_ = got < want ? 0 : unread_ - got;
      begin_ = target;
      end_ = target + got;
    }
    *data = begin_;
    return std::min<int64_t>(most, end_ - begin_);
  }
  void Take(int64_t n) { begin_ += n; }

 private:
  static const int64_t kPage = 4096;
  FileNumber file_;
  int64_t unread_;  // of the measured length
  std::unique_ptr<char[]> memory_;
  char* page_ = nullptr;
  int64_t capacity_ = 0;
  char* begin_ = nullptr;
  char* end_ = nullptr;
};

// Writes one piece of exactly `length` source bytes (before the plain-text
// rule) to path. Gives the number of source bytes the piece took, or -1 when
// it could not be read or written in full; the file it was writing is then
// removed. A file it could not create is not touched: it is not ours.
int64_t WriteOnePiece(const Text& path, int64_t length, bool plainTextRule, SourceReader& source) {
  FileNumber out = FileCreate(path);
  if (out == 0) return -1;
  bool complete = true;
  bool gaveBack = false;
  int64_t left = length;
  int64_t highBytes = 0;
  while (left > 0) {
    const char* data = nullptr;
    int64_t n = source.Next(left, length - left, &data);
    if (n == 0) {
      complete = false;
      break;
    }
    left -= n;
    int64_t keep = n;
    // The parity of the whole piece decides; its last byte is the last byte
    // of its last part, and when the count is odd it stays for the next piece.
    if (plainTextRule) {
      highBytes += CountHighBytes(data, static_cast<size_t>(n));
      if (left == 0 && highBytes % 2 != 0) {
        --keep;
        gaveBack = true;
      }
    }
    if (!FileWrite(out, data, keep)) {
      complete = false;
      break;
    }
    source.Take(keep);
  }
  if (!FileCommit(out) || !complete) {
    FileDelete(path);
    return -1;
  }
  return gaveBack ? length - 1 : length;
}

// Whether the source is still the file, of the size and time, that it was
// when the split began: another program may have written to it meanwhile.
bool SourceUnchanged(const SplitPlan& plan) {
  std::optional<FileInfo> now = FileInfoAt(plan.request.sourcePath);
  return now && SameFile(*now, plan.sourceInfo) && now->size == plan.sourceInfo.size &&
         now->modified == plan.sourceInfo.modified;
}

}  // namespace

Text SourceBaseName(const Text& sourcePath) {
  Text name = PathPart(sourcePath, 3);
  int dot = FindLastText(name, ".");
  return dot < 0 ? name : TextLeft(name, dot - 1);
}

Text SourceExtension(const Text& sourcePath) {
  Text name = PathPart(sourcePath, 3);
  int dot = FindLastText(name, ".");
  return dot < 0 ? Text() : TextRight(name, TextLength(name) - dot);
}

PieceLayout LayOutPieces(const SplitRequest& request) {
  bool customNaming = request.namingMode.value_or(1) == 1;
  Text customName = request.customName.value_or(Text());
  PieceLayout layout;
  layout.folder = request.destinationFolder.value_or(Text());
  if (request.createFolder.value_or(true)) {
    Text name = customNaming ? customName : SourceBaseName(request.sourcePath);
    Text subFolder = JoinText({layout.folder, name});
    // No folder has the empty name, and none can be made where a file has
    // the name (most often the source itself, when its name has no
    // extension): the pieces then stay in the destination rather than fail.
    if (!name.empty() && !FileInfoAt(subFolder)) {
      layout.subFolder = subFolder;
      layout.folder = JoinText({subFolder, "\\"});
    }
  }
  if (customNaming) layout.namePrefix = JoinText({customName, "_"});
  Text extension = request.plainText.value_or(false) ? SourceExtension(request.sourcePath) : "ayk";
  if (!extension.empty()) layout.suffix = JoinText({".", extension});
  return layout;
}

Text PiecePath(const PieceLayout& layout, int64_t index) {
  return JoinText({layout.folder, layout.namePrefix, ZeroPad(index, 3), layout.suffix});
}

bool WritePieces(const SplitPlan& plan, const MessageSink& show,
                 std::optional<int64_t> bufferSize, const PieceHook& beforePiece) {
  const SplitRequest& r = plan.request;
  const int64_t L = plan.sourceLength;
  const int64_t P = plan.pieceSize;
  const int64_t N = plan.pieceCount;
  PieceLayout layout = LayOutPieces(r);

  // Compared as the file system sees them, so that another spelling, case,
  // short name or hard link of the source is caught too; and before anything
  // is written, so that a rejection leaves the disk as it was.
  for (int64_t i = 1; i <= N; ++i) {
    std::optional<FileInfo> existing = FileInfoAt(PiecePath(layout, i));
    if (existing && SameFile(*existing, plan.sourceInfo)) {
      FileClose(plan.sourceFile);
      show("老大，分割后的文件会把原文件盖掉的，换个名字或者换个位置吧！", kErrorStyle, "我晕");
      return false;
    }
  }

  auto fail = [&](const Text& path) {
    FileClose(plan.sourceFile);
    show(JoinText({"老大，这一份写不进去呀：", AbsolutePath(path)}), kErrorStyle, "我靠");
    return false;
  };

  // An existing folder is simply used; one that cannot be made shows as the
  // failure of the first piece.
  if (!layout.subFolder.empty()) DirectoryCreate(layout.subFolder);

  SourceReader source(plan.sourceFile, L);
  if (!source.Allocate(std::max<int64_t>(1, bufferSize.value_or(kPieceBufferSize)))) {
    return fail(PiecePath(layout, 1));
  }

  const bool plainText = r.plainText.value_or(false);
  int64_t taken = 0;  // source bytes in the pieces written so far
  for (int64_t i = 1; i <= N; ++i) {
    if (beforePiece) beforePiece(i);
    Text path = PiecePath(layout, i);
    // Pieces before the last hold at most P bytes; the last holds the rest
    // and is never shortened.
    int64_t length = i < N ? std::min(P, L - taken) : L - taken;
    int64_t kept = WriteOnePiece(path, length, plainText && i < N, source);
    if (kept < 0) return fail(path);
    taken += kept;
  }
  FileClose(plan.sourceFile);

  if (r.deleteSource.value_or(false) && SourceUnchanged(plan)) FileDelete(r.sourcePath);
  return true;
}

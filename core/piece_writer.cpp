#include "core/piece_writer.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

const int kErrorStyle = 16;

// The bytes of the source that the pieces have not taken yet. A byte that
// the plain-text rule gave back is already in memory and comes first: the
// source itself is read once, front to back, and never re-read.
struct SourceStream {
  FileNumber file = 0;
  bool holding = false;
  char held = 0;
};

// Writes one piece of exactly `length` source bytes (before the plain-text
// rule) to path. Gives the number of source bytes the piece kept, or -1 when
// it could not be read or written in full; the file it was writing is then
// removed. A file it could not create is not touched: it is not ours.
int64_t WriteOnePiece(const Text& path, int64_t length, bool plainTextRule, SourceStream& source,
                      char* buffer, int64_t bufferSize) {
  FileNumber out = FileCreate(path);
  if (out == 0) return -1;
  bool complete = true;
  bool heldBack = false;
  int64_t left = length;
  int64_t highBytes = 0;
  while (left > 0) {
    int64_t n = std::min(left, bufferSize);
    int64_t filled = 0;
    if (source.holding) {
      buffer[0] = source.held;
      source.holding = false;
      filled = 1;
    }
    // A short read means the source shrank since it was measured: the piece
    // would not be the slice it claims to be.
    if (FileReadInto(source.file, buffer + filled, n - filled) != n - filled) {
      complete = false;
      break;
    }
    left -= n;
    int64_t keep = n;
    if (plainTextRule) {
      // The parity of the whole piece decides; the piece's last byte is the
      // last byte of its last chunk.
      highBytes += CountHighBytes(buffer, static_cast<size_t>(n));
      if (left == 0 && highBytes % 2 != 0) {
        source.held = buffer[n - 1];
        heldBack = true;
        --keep;
      }
    }
    if (!FileWrite(out, buffer, keep)) {
      complete = false;
      break;
    }
  }
  if (!FileCommit(out) || !complete) {
    FileDelete(path);
    return -1;
  }
  source.holding = heldBack;
  return heldBack ? length - 1 : length;
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
    // No folder has the empty name: the pieces then stay in the destination.
    if (!name.empty()) {
      layout.subFolder = JoinText({layout.folder, name});
      layout.folder = JoinText({layout.subFolder, "\\"});
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
                 std::optional<int64_t> bufferSize) {
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

  int64_t chunk = std::max<int64_t>(1, bufferSize.value_or(kPieceBufferSize));
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(chunk)]);
  if (!buffer) return fail(PiecePath(layout, 1));

  SourceStream source;
  source.file = plan.sourceFile;
  const bool plainText = r.plainText.value_or(false);
  int64_t taken = 0;  // source bytes in the pieces written so far
  for (int64_t i = 1; i <= N; ++i) {
    Text path = PiecePath(layout, i);
    // Pieces before the last hold at most P bytes; the last holds the rest
    // and is never shortened.
    int64_t length = i < N ? std::min(P, L - taken) : L - taken;
    int64_t kept = WriteOnePiece(path, length, plainText && i < N, source, buffer.get(), chunk);
    if (kept < 0) return fail(path);
    taken += kept;
  }
  FileClose(plan.sourceFile);

  if (r.deleteSource.value_or(false) && SourceUnchanged(plan)) FileDelete(r.sourcePath);
  return true;
}

// The piece writer: turns an accepted plan into piece files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "core/message_sink.h"
#include "core/operations.h"
#include "core/split_job.h"

// Each piece streams through a buffer of this many bytes, whatever its size.
// Larger buffers copy no faster (the kernel's copies and the per-file costs
// dominate); this one keeps even a process under Wine, which starts at about
// 15 MiB, below 16 MiB.
constexpr int64_t kPieceBufferSize = int64_t{1} << 20;

// The source's file name without its extension, and its extension without
// the dot, both from the file name alone: a "." in a folder name is not an
// extension, and a name without "." is all name and no extension.
Text SourceBaseName(const Text& sourcePath);
Text SourceExtension(const Text& sourcePath);

// Where the pieces of a filled-in request go and what they are called.
struct PieceLayout {
  Text subFolder;   // to be created before the first piece; empty for none
  Text folder;      // what every piece path begins with, ending with "\"
  Text namePrefix;  // "novel_" in custom naming, empty in automatic naming
  Text suffix;      // ".txt", ".ayk", or empty for a source without extension
};
// Looks at the disk once: a file that holds the sub-folder's name means no
// sub-folder.
PieceLayout LayOutPieces(const SplitRequest& request);
// The path of piece index (1 to N): '...\novel_001.txt', '...\1000.ayk'.
Text PiecePath(const PieceLayout& layout, int64_t index);

// Writes the N pieces of the plan, closes the source and, when asked and
// only after every piece is complete, deletes it if it has not changed
// meanwhile. Returns false after showing the one message of a rejection
// (a piece would overwrite the source) or of the first piece that could not
// be read or written in full; that piece is removed, the earlier ones stay
// and the source is kept. bufferSize left out: kPieceBufferSize.
//
// beforePiece, when not empty, runs before piece i (1 to N) is begun, every
// earlier piece being complete and closed. Only tests give it: they do there
// what a full disk or another program might do in the middle of a split,
// without racing a thread against the writer.
using PieceHook = std::function<void(int64_t index)>;
bool WritePieces(const SplitPlan& plan, const MessageSink& show,
                 std::optional<int64_t> bufferSize = std::nullopt,
                 const PieceHook& beforePiece = {});

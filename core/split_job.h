// The split job: checks one request, plans the pieces and has them written.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/message_sink.h"
#include "core/operations.h"

// The arguments of one split. Every field but the source path may be left
// out; a left-out field is not the same as a given zero, false or blank one.
struct SplitRequest {
  Text sourcePath;
  std::optional<Text> destinationFolder;  // blank or left out: the source's folder
  std::optional<int> splitMode;           // 1 by size, any other value by count
  std::optional<int64_t> amount;          // KB per piece, or number of pieces
  std::optional<int> namingMode;          // 1 custom base name, else numbers
  std::optional<Text> customName;         // blank or left out: the source's name
  std::optional<bool> createFolder;
  std::optional<bool> plainText;
  std::optional<bool> deleteSource;
  std::optional<bool> mergeScript;        // accepted, read by nothing
};

// What the checks hand to the piece writer.
struct SplitPlan {
  SplitRequest request;       // every default filled in, the source path absolute
  FileNumber sourceFile = 0;  // open, at its first byte
  FileInfo sourceInfo;        // the source as it was when it was opened
  int64_t sourceLength = 0;   // L
  int64_t pieceSize = 0;      // P
  int64_t pieceCount = 0;     // N
};

// Checks the request, fills in its defaults, opens the source and works out
// P and N. A rejection is shown once through the sink, leaves the disk as it
// was and gives nothing; an accepted plan holds the source open, and the
// caller hands it to WritePieces, which closes it.
std::optional<SplitPlan> PlanSplit(const SplitRequest& request, const MessageSink& show);

// Runs one split to its end. Every rejection and failure is shown once
// through the sink. Returns one flag: true when all pieces were written.
std::vector<bool> SplitJob(const SplitRequest& request,
                           const MessageSink& show = DefaultMessageSink());

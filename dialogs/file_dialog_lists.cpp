#include "dialogs/file_dialog_lists.h"

#include <vector>

namespace {

const Bytes kZero(1, '\0');

}  // namespace

Bytes FilterList(const Text& filter) {
  return JoinBytes({ReplaceBytes(TextToBytes(filter), "|", kZero), ZeroBytes(2)});
}

Bytes FileBufferFor(const Text& initialName, int multiSelectFlag) {
  Bytes content = ReplaceBytes(TextToBytes(initialName), ";", kZero);
  int capacity = multiSelectFlag != 0 ? 2048 : 256;
  // A name as long as the buffer or longer would leave the platform no
  // terminator to stop at: the buffer grows to hold it instead.
  if (BytesLength(content) > capacity) capacity = BytesLength(content);
  return JoinBytes({content, ZeroBytes(capacity - BytesLength(content) + 1)});
}

Text ChosenNamesFrom(const Bytes& fileBuffer, int multiSelectFlag) {
  int pair = FindBytes(fileBuffer, ZeroBytes(2));
  // A single path that fills the buffer leaves room for one zero byte only;
  // the buffer's end then closes it.
  Bytes names = pair == -1 ? fileBuffer : BytesLeft(fileBuffer, pair - 1);
  if (multiSelectFlag == 0 || FindBytes(names, kZero) == -1) return BytesToText(names);

  // Several files: the folder, then each name, every one closed by a zero.
  std::vector<Text> parts;
  size_t start = 0;
  for (size_t zero; (zero = names.find('\0', start)) != Bytes::npos; start = zero + 1) {
    parts.push_back(names.substr(start, zero - start));
  }
  parts.push_back(names.substr(start));

  Text folder = parts[0];
  // Character-aware: a folder ending in a GBK character whose second byte is
  // 0x5C does not end in "\" yet.
  if (FindLastText(folder, "\\") != TextLength(folder)) folder = JoinText({folder, "\\"});
  Text joined;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (i > 1) joined = JoinText({joined, ";"});
    joined = JoinText({joined, folder, parts[i]});
    PumpEvents();
  }
  return joined;
}

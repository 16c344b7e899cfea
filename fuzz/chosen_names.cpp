// ChosenNamesFrom, reading back a confirmed file dialog, and FileBufferFor,
// the buffer it reads from.
//
// Input: a first byte m. m % 3 == 0: the rest is a raw buffer (multi-select
// when m & 4), compared with a plain reference reading. m % 3 == 1: a folder
// and 1 to 6 names laid out as the platform writes a multi-select answer;
// the joined result, split at ";", has one part per name, each the folder,
// exactly one "\" and the name. m % 3 == 2: the rest is an initial name; its
// buffer has the promised size and gives the name back up to its first ";".
#include <algorithm>
#include <vector>

#include "dialogs/file_dialog_lists.h"
#include "fuzz/fuzz_support.h"

namespace {

// The last character of t starts at the returned index; t.size() for none.
size_t LastCharStart(const std::string& t) {
  size_t last = t.size();
  for (size_t i = 0; i < t.size(); i = NextChar(t, i)) last = i;
  return last;
}

bool EndsInSeparator(const std::string& t) {
  size_t last = LastCharStart(t);
  return last < t.size() && t[last] == '\\' && last + 1 == t.size();
}

std::vector<std::string> SplitAt(const std::string& t, char c) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = t.find(c, start)) != std::string::npos; start = at + 1) {
    parts.push_back(t.substr(start, at - start));
  }
  parts.push_back(t.substr(start));
  return parts;
}

// What a dialog would return: no zero bytes and no ";" (the list's own
// separator), never empty.
std::string Clean(std::string s, const char* fallback) {
  s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\0' || c == ';'; }),
          s.end());
  return s.empty() ? std::string(fallback) : s;
}

// The plain reading: up to the first pair of zeros (or the whole buffer),
// and with multi-select and a zero among that, folder + each name.
std::string Reference(const Bytes& buffer, bool multi) {
  size_t pair = buffer.find(std::string(2, '\0'));
  std::string names = pair == std::string::npos ? buffer : buffer.substr(0, pair);
  if (!multi || names.find('\0') == std::string::npos) return names.substr(0, names.find('\0'));
  std::vector<std::string> parts = SplitAt(names, '\0');
  std::string folder = parts[0];
  if (!EndsInSeparator(folder)) folder += '\\';
  std::string joined;
  for (size_t i = 1; i < parts.size(); ++i) joined += (i > 1 ? ";" : "") + folder + parts[i];
  return joined;
}

void CheckMultiSelect(Input& in) {
  // A folder as the platform names one: whole characters, at most one
  // trailing "\" (a drive root has it, other folders do not).
  std::string folder = Clean(in.Take(in.Byte() % 24), "D:");
  if (EndsIncomplete(folder)) folder.pop_back();
  while (EndsInSeparator(folder)) folder.pop_back();
  if (in.Byte() & 1) folder += '\\';
  if (folder.empty()) folder = "D:\\";

  const size_t count = 1 + in.Byte() % 6;
  std::vector<std::string> names;
  for (size_t k = 0; k < count; ++k) {
    std::string name = Clean(in.Take(in.Byte() % 16), "n");
    // No "\" at a character start: a name holds no folder separator.
    for (size_t i = 0; i < name.size(); i = NextChar(name, i)) {
      if (name[i] == '\\') name[i] = '_';
    }
    names.push_back(name);
  }
  const std::string withSeparator = EndsInSeparator(folder) ? folder : folder + "\\";

  Bytes written;
  if (count == 1) {
    written = withSeparator + names[0];  // one file: the platform gives its full path
  } else {
    written = folder;
    for (const std::string& name : names) written += std::string(1, '\0') + name;
  }
  Bytes buffer = FileBufferFor("", kMultiSelectWord);
  FUZZ_CHECK(written.size() + 1 < buffer.size());
  buffer.replace(0, written.size(), written);

  const Text joined = ChosenNamesFrom(buffer, kMultiSelectWord);
  const std::vector<std::string> parts = SplitAt(joined, ';');
  FUZZ_CHECK(parts.size() == count);
  for (size_t k = 0; k < count; ++k) {
    const std::string& part = parts[k];
    FUZZ_CHECK(part.compare(0, folder.size(), folder) == 0);
    FUZZ_CHECK(part.size() == withSeparator.size() + names[k].size());
    FUZZ_CHECK(part.compare(withSeparator.size(), std::string::npos, names[k]) == 0);
    // Exactly one "\" before the name, and it is a character of its own.
    const std::string before = part.substr(0, withSeparator.size());
    FUZZ_CHECK(EndsInSeparator(before));
    if (before.size() > 1) FUZZ_CHECK(!EndsInSeparator(before.substr(0, before.size() - 1)));
  }
}

void CheckRaw(Input& in, bool multi) {
  const Bytes buffer = in.Rest();
  const Text chosen = ChosenNamesFrom(buffer, multi ? kMultiSelectWord : 0);
  FUZZ_CHECK(chosen.find('\0') == Text::npos);
  FUZZ_CHECK(chosen == Reference(buffer, multi));
}

void CheckInitialName(Input& in, bool multi) {
  std::string name = in.Rest();
  name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
  const int flag = multi ? kMultiSelectWord : 0;
  const Bytes buffer = FileBufferFor(name, flag);
  const size_t capacity = multi ? 2048 : 256;
  FUZZ_CHECK(buffer.size() == std::max(capacity, name.size()) + 1);
  for (size_t i = 0; i < buffer.size(); ++i) {
    const char want = i < name.size() && name[i] != ';' ? name[i] : '\0';
    FUZZ_CHECK(buffer[i] == want);
  }
  FUZZ_CHECK(ChosenNamesFrom(buffer, flag) == Reference(buffer, multi));
  // Confirmed unchanged, a single-file dialog gives the name up to its first
  // ";", all that its name box showed.
  FUZZ_CHECK(ChosenNamesFrom(buffer, 0) == name.substr(0, name.find(';')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const uint8_t m = in.Byte();
  switch (m % 3) {
    case 0: CheckRaw(in, (m & 4) != 0); break;
    case 1: CheckMultiSelect(in); break;
    default: CheckInitialName(in, (m & 4) != 0); break;
  }
  return 0;
}

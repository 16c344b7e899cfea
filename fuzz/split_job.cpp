// SplitJob, the whole job, over random requests and small random sources in
// a temporary folder:
// - a rejected request shows one box and leaves the folder as it was, byte
//   for byte: nothing created, the source intact;
// - an accepted one writes exactly the pieces of its plan, each as the plain
//   algorithm cuts it, so that joined in index order they are the source;
//   the existing files it names are replaced, nothing else changes;
// - a piece that cannot be written (a missing or blocked folder, a name the
//   file system refuses) shows one box naming it; the earlier pieces stay,
//   that piece is gone and the source is intact;
// - the source is deleted only when asked and only after a complete split.
//
// Input, byte by byte (a missing byte reads as 0):
//   0      the source: its name and how the request names it (kSources)
//   1, 2   its length, 0 to 9000 bytes
//   3      what its bytes look like; 4 to 7 the seed they are drawn from
//   8      the destination (kDestinations)
//   9      split mode: left out, 1, 2, or any 32-bit value (4 more bytes)
//   10     amount: left out, 0 to 15, -1 to -16, a huge one, or any 64-bit
//          value (1 or 8 more bytes)
//   11     naming mode: left out, 1, 2, or any 32-bit value (4 more bytes)
//   12     custom name: left out, empty, blanks, "x", or a length and bytes
//   13     createFolder, plainText, deleteSource, mergeScript, two bits each:
//          left out, false, true
//   14     bit 0: a longer file already where piece 1 goes; bit 1: a folder
//          where piece 2 goes; bit 2: the source is read-only
//
// A count above 64 is folded to 2 to 64, so that an iteration stays fast.
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "core/piece_writer.h"
#include "core/split_job.h"
#include "fuzz/fuzz_support.h"
#include "tests/core/split_fixtures.h"

namespace fs = std::filesystem;

namespace {

const char* const kCannotWrite = "老大，这一份写不进去呀：";
// Every box a rejection may show, by the start of its text.
const char* const kRejections[] = {
    "老大，你还没选择要宰割的东东哦。。。",
    "老大，要宰割的东东打不开哦，是不是不存在或者正被别的程序占用？",
    "老大，0KB的东东，还要怎么宰割呀？",
    "老大，你没搞错吧？？分成 ",
    "老大，你没搞错吧？？要宰割的东东都没有 ",
    "老大，分割后的文件会把原文件盖掉的，换个名字或者换个位置吧！",
};

struct SourceForm {
  const char* file;  // made in the work folder; empty: none
  const char* named;  // how the request names it: "@" by its full path, else as given
};
const SourceForm kSources[] = {
    {"novel.txt", "@"},       {"001.txt", "@"},        {"x_001.ayk", "@"},
    {"noext", "@"},           {"\xCA\xE9.txt", "@"},   {"001", "@"},
    {"novel.txt", "novel.txt"},  // relative to the current folder
    {"novel.txt", " novel.txt"},  // a leading blank is part of the path
    {"novel.txt", "   "},       {"", "gone.txt"},       {"", "sub"},  // a folder
    {"d.x\\noext", "@"},         // a dot in the folder's name only
};
const char* const kDestinations[] = {
    nullptr, "", "  ", "@", "@\\", "@\\sub\\", "@\\sub", "@\\missing\\", "sub\\", "sub",
};

// The fuzzer's folder, made once and removed at exit; every iteration works
// in "it" below it. A plain array: it must outlive the static strings.
char gBase[] = "/tmp/qh-fuzz-job-XXXXXX";

const std::string& Base() {
  static const std::string base = [] {
    if (mkdtemp(gBase) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(gBase, ignored);
    });
    return std::string(gBase);
  }();
  return base;
}

// As the core's POSIX layer sees a path: each "\\" that starts a character
// is a "/"; a GBK second byte 0x5C is part of a name.
// Relative paths are taken against the work folder, the current folder of
// the job (and only of the job: libFuzzer's own paths are relative too).
std::string Native(const Text& path, const Text& work) {
  std::string p = !path.empty() && (path[0] == '\\' || path[0] == '/') ? path : work + "\\" + path;
  for (size_t i = 0; i < p.size(); i = NextChar(p, i)) {
    if (p[i] == '\\') p[i] = '/';
  }
  return fs::path(p).lexically_normal().string();
}

Text CorePath(const std::string& native) {
  Text p = native;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

// Everything below root: relative path -> content, folders as "<folder>".
using Snapshot = std::map<std::string, std::string>;
const char* const kFolder = "<folder>";

Snapshot Take(const std::string& root) {
  Snapshot s;
  for (auto& entry : fs::recursive_directory_iterator(root)) {
    std::string key = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) {
      s[key] = kFolder;
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream all;
      all << in.rdbuf();
      s[key] = all.str();
    }
  }
  return s;
}

// The key of a core path in a snapshot of root; it must lie inside root.
std::string KeyOf(const std::string& root, const Text& path) {
  std::string native = Native(path, CorePath(root + "/work"));
  if (!native.empty() && native.back() == '/') native.pop_back();
  FUZZ_CHECK(native.compare(0, root.size() + 1, root + "/") == 0);
  return native.substr(root.size() + 1);
}

Bytes Content(std::mt19937& rng, int kind, size_t n) {
  Bytes b;
  auto any = [&](int lo, int hi) { return static_cast<char>(lo + static_cast<int>(rng() % (hi - lo + 1))); };
  while (b.size() < n) {
    switch (kind) {
      case 0: b += any(0x20, 0x7E); break;
      case 1: b += any(0xB0, 0xF7); b += any(0xA1, 0xFE); break;  // GBK characters
      case 2: b += any(0x81, 0xFE); b += any(0x40, 0x7E); break;  // low second bytes
      case 3: b += any(0x80, 0xFF); break;
      default: b += any(0x00, 0xFF); break;
    }
  }
  b.resize(n);
  return b;
}

std::optional<bool> Flag(int bits) {
  if (bits == 0 || bits == 3) return std::nullopt;
  return bits == 2;
}

int32_t Int32(Input& in) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v = v << 8 | in.Byte();
  int32_t s;
  std::memcpy(&s, &v, sizeof s);
  return s;
}

int64_t Int64(Input& in) {
  uint64_t v = 0;
  for (int k = 0; k < 8; ++k) v = v << 8 | in.Byte();
  int64_t s;
  std::memcpy(&s, &v, sizeof s);
  return s;
}

// A name a user might type, kept inside the fuzzer's folder: no "/" (a POSIX
// separator even after a GBK first byte) and no "..".
Text SafeName(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  for (size_t at; (at = name.find("..")) != std::string::npos;) name[at + 1] = '_';
  return name;
}

Text Expand(const char* form, const Text& work) {
  Text t = form;
  if (!t.empty() && t[0] == '@') t = work + t.substr(1);
  return t;
}

bool StartsWith(const Text& t, const char* prefix) {
  return t.compare(0, std::strlen(prefix), prefix) == 0;
}

template <typename T>
std::string Given(const std::optional<T>& v) {
  if (!v) return "-";
  std::ostringstream out;
  out << *v;
  return out.str();
}

// What an input meant, for replaying a finding: QH_FUZZ_TRACE=1 split_job FILE
void Trace(const SplitRequest& r, const std::optional<SplitPlan>& plan, bool ok,
           const RecordingSink& sink, const Snapshot& before, const Snapshot& after) {
  std::fprintf(stderr, "source '%s' dest '%s' mode %s amount %s naming %s name '%s' folder %s"
               " plain %s delete %s merge %s\n",
               r.sourcePath.c_str(), Given(r.destinationFolder).c_str(), Given(r.splitMode).c_str(),
               Given(r.amount).c_str(), Given(r.namingMode).c_str(), Given(r.customName).c_str(),
               Given(r.createFolder).c_str(), Given(r.plainText).c_str(),
               Given(r.deleteSource).c_str(), Given(r.mergeScript).c_str());
  if (plan) {
    std::fprintf(stderr, "  plan: L %lld P %lld N %lld\n", static_cast<long long>(plan->sourceLength),
                 static_cast<long long>(plan->pieceSize), static_cast<long long>(plan->pieceCount));
  }
  std::fprintf(stderr, "  flag %d, %zu box(es)%s%s\n", ok, sink.shown.size(),
               sink.shown.empty() ? "" : ": ", sink.shown.empty() ? "" : sink.shown[0].text.c_str());
  for (const auto& [key, content] : after) {
    const char* mark = !before.count(key) ? "+" : before.at(key) != content ? "~" : " ";
    std::fprintf(stderr, "  %s %s (%zu)\n", mark, key.c_str(), content.size());
  }
  for (const auto& [key, content] : before) {
    if (!after.count(key)) std::fprintf(stderr, "  - %s\n", key.c_str());
  }
}

void RunOne(Input& in) {
  const std::string root = Base() + "/it";
  std::error_code ignored;
  fs::remove_all(root, ignored);
  fs::create_directories(root + "/work/sub");
  fs::create_directories(root + "/work/d.x");
  const Text work = CorePath(root + "/work");

  // The source.
  const SourceForm& form = kSources[in.Byte() % (sizeof kSources / sizeof kSources[0])];
  const size_t length = (static_cast<size_t>(in.Byte()) << 8 | in.Byte()) % 9001;
  const int kind = in.Byte() % 5;
  std::mt19937 rng(static_cast<uint32_t>(Int32(in)));
  const Bytes content = Content(rng, kind, length);
  const Text sourceFile = *form.file ? work + "\\" + form.file : Text();
  if (!sourceFile.empty()) FileWriteWhole(sourceFile, content);

  // The request.
  SplitRequest request;
  request.sourcePath = std::strcmp(form.named, "@") == 0 ? sourceFile : Text(form.named);
  const char* destination = kDestinations[in.Byte() % (sizeof kDestinations / sizeof kDestinations[0])];
  if (destination != nullptr) request.destinationFolder = Expand(destination, work);
  switch (in.Byte() % 4) {
    case 0: break;
    case 1: request.splitMode = 1; break;
    case 2: request.splitMode = 2; break;
    default: request.splitMode = Int32(in); break;
  }
  const int64_t huge[] = {INT64_MAX, INT64_MIN, INT64_MIN + 1, int64_t{1} << 31, -(int64_t{1} << 31),
                          (int64_t{1} << 31) - 1, int64_t{1} << 53, 2097151, 2097152, INT32_MAX / 1024 + 1};
  switch (in.Byte() % 5) {
    case 0: break;
    case 1: request.amount = in.Byte() % 16; break;
    case 2: request.amount = -1 - in.Byte() % 16; break;
    case 3: request.amount = huge[in.Byte() % (sizeof huge / sizeof huge[0])]; break;
    default: request.amount = Int64(in); break;
  }
  if (request.splitMode.value_or(1) != 1 && request.amount && *request.amount > 64) {
    request.amount = 2 + *request.amount % 63;
  }
  switch (in.Byte() % 4) {
    case 0: break;
    case 1: request.namingMode = 1; break;
    case 2: request.namingMode = 2; break;
    default: request.namingMode = Int32(in); break;
  }
  switch (in.Byte() % 5) {
    case 0: break;
    case 1: request.customName = Text(); break;
    case 2: request.customName = Text(" \xA1\xA1 "); break;
    case 3: request.customName = Text("x"); break;
    default: request.customName = SafeName(in.Take(in.Byte())); break;
  }
  const uint8_t flags = in.Byte();
  request.createFolder = Flag(flags & 3);
  request.plainText = Flag(flags >> 2 & 3);
  request.deleteSource = Flag(flags >> 4 & 3);
  request.mergeScript = Flag(flags >> 6 & 3);
  const uint8_t extras = in.Byte();

  // The plan, to know where the pieces go; the job makes its own again.
  RecordingSink probeSink;
  std::optional<SplitPlan> plan;
  {
    CurrentFolder here(work);
    plan = PlanSplit(request, probeSink.sink());
  }
  std::optional<PieceLayout> layout;
  if (plan) {
    FileClose(plan->sourceFile);
    layout = LayOutPieces(plan->request);
    const int64_t L = plan->sourceLength, P = plan->pieceSize, N = plan->pieceCount;
    FUZZ_CHECK(L == static_cast<int64_t>(content.size()) && L > 0);
    if (plan->request.splitMode == 1) {
      const int64_t kb = request.amount.value_or(300);  // L <= 9000: 2 to 8 KB
      FUZZ_CHECK(kb >= 2 && kb <= 8 && P == kb * 1024 && P < L);
      FUZZ_CHECK(N == (L + P - 1) / P);
    } else {
      FUZZ_CHECK(N == request.amount.value_or(2) && N >= 2);
      FUZZ_CHECK(P == (L + N - 1) / N);
    }
    auto make = [&](int64_t index, bool folder) {
      if (N < index) return;
      std::string native = Native(PiecePath(*layout, index), work);
      if (native.compare(0, root.size() + 1, root + "/") != 0) return;
      if (native == Native(plan->request.sourcePath, work)) return;  // that case is the job's to catch
      fs::create_directories(fs::path(native).parent_path(), ignored);
      if (folder) {
        fs::create_directories(native, ignored);
      } else {
        std::ofstream(native, std::ios::binary) << Bytes(static_cast<size_t>(P) + 7, 'J');
      }
    };
    if (extras & 1) make(1, false);
    if (extras & 2) make(2, true);
  }
  const bool readOnly = (extras & 4) != 0 && !sourceFile.empty();
  if (readOnly) ::chmod(Native(sourceFile, work).c_str(), 0444);

  const Snapshot before = Take(root);
  RecordingSink sink;
  std::vector<bool> result;
  {
    CurrentFolder here(work);
    result = SplitJob(request, sink.sink());
  }
  const Snapshot after = Take(root);
  FUZZ_CHECK(result.size() == 1);
  if (std::getenv("QH_FUZZ_TRACE") != nullptr) Trace(request, plan, result[0], sink, before, after);

  if (!plan) {
    // Rejected before anything was planned: the same one box, the same disk.
    FUZZ_CHECK(!result[0]);
    FUZZ_CHECK(probeSink.shown.size() == 1 && sink.shown.size() == 1);
    FUZZ_CHECK(sink.shown[0].text == probeSink.shown[0].text);
    FUZZ_CHECK(sink.shown[0].style == 16);
    bool known = false;
    for (const char* start : kRejections) known = known || StartsWith(sink.shown[0].text, start);
    FUZZ_CHECK(known);
    FUZZ_CHECK(after == before);
    return;
  }
  FUZZ_CHECK(probeSink.shown.empty());
  const SplitRequest& filled = plan->request;
  const int64_t N = plan->pieceCount;
  const std::vector<Bytes> pieces =
      ReferencePieces(content, plan->pieceSize, N, filled.plainText.value_or(false));
  Bytes joined;
  for (const Bytes& p : pieces) joined += p;
  FUZZ_CHECK(joined == content);
  const std::string sourceKey = KeyOf(root, filled.sourcePath);
  FUZZ_CHECK(before.count(sourceKey) && before.at(sourceKey) == content);

  if (result[0]) {
    FUZZ_CHECK(sink.shown.empty());
    Snapshot want = before;
    if (!layout->subFolder.empty()) want.emplace(KeyOf(root, layout->subFolder), kFolder);
    for (int64_t i = 1; i <= N; ++i) {
      want[KeyOf(root, PiecePath(*layout, i))] = pieces[static_cast<size_t>(i - 1)];
    }
    const bool deleted = filled.deleteSource.value_or(false) && !readOnly;
    if (deleted) want.erase(sourceKey);
    FUZZ_CHECK(after == want);
    return;
  }

  // Refused or stopped inside the writer: one box.
  FUZZ_CHECK(sink.shown.size() == 1 && sink.shown[0].style == 16);
  const Shown& box = sink.shown[0];
  FUZZ_CHECK(after.count(sourceKey) && after.at(sourceKey) == content);
  if (!StartsWith(box.text, kCannotWrite)) {
    FUZZ_CHECK(box.text == kRejections[5] && box.title == "我晕");
    FUZZ_CHECK(after == before);
    return;
  }
  FUZZ_CHECK(box.title == "我靠");
  const Text failed = box.text.substr(std::strlen(kCannotWrite));
  int64_t k = 1;
  while (k <= N && Native(PiecePath(*layout, k), work) != Native(failed, work)) ++k;
  FUZZ_CHECK(k <= N);
  // Pieces 1 to k - 1 complete; piece k gone, or what was there before if it
  // was not ours; nothing else touched but the sub-folder.
  Snapshot want = before;
  if (!layout->subFolder.empty() && fs::is_directory(Native(layout->subFolder, work))) {
    want.emplace(KeyOf(root, layout->subFolder), kFolder);
  }
  for (int64_t i = 1; i < k; ++i) {
    want[KeyOf(root, PiecePath(*layout, i))] = pieces[static_cast<size_t>(i - 1)];
  }
  const std::string failedKey = KeyOf(root, failed);
  if (!after.count(failedKey)) want.erase(failedKey);
  FUZZ_CHECK(after == want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  RunOne(in);
  return 0;
}

// Thousands of seeded splits in one run, through the job as the window calls
// it: every one round-trips, and at the end the process holds no more open
// files and no more memory than it did after the first few.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/piece_writer.h"
#include "core/split_job.h"
#include "tests/core/split_fixtures.h"
#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#include <winternl.h>
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32, no psapi.dll
#include <psapi.h>
#else
#include <dirent.h>

#include <fstream>
#endif

namespace {

#if defined(__SANITIZE_ADDRESS__)
// ASan keeps freed memory in quarantine, so the resident size grows by
// design; its leak checker watches memory in that build instead.
const bool kMemoryMeasurable = false;
#else
const bool kMemoryMeasurable = true;
#endif

#ifdef _WIN32
// Wine answers GetProcessHandleCount with 0; its list of every handle in the
// system is real, so the process's own are counted there.
int64_t HandlesInSystemList() {
  using Query = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<char> buffer(1 << 16);
  for (int tries = 0; tries < 16; ++tries) {
    ULONG needed = 0;
    LONG status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<LONG>(0xC0000004)) {  // STATUS_INFO_LENGTH_MISMATCH
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return -1;
    const auto* list = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    int64_t mine = 0;
    for (ULONG i = 0; i < list->Count; ++i) {
      if (list->Handle[i].OwnerPid == GetCurrentProcessId()) ++mine;
    }
    return mine;
  }
  return -1;
}
#endif

struct Resources {
  int64_t handles = 0;   // open file descriptors, or the process's handles
  int64_t resident = 0;  // bytes: resident set, or working set
};

Resources Measure() {
  Resources r;
#ifdef _WIN32
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  r.handles = count != 0 ? count : HandlesInSystemList();
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  r.resident = static_cast<int64_t>(memory.WorkingSetSize);
#else
  // The directory's own descriptor is counted both times alike.
  if (DIR* fds = opendir("/proc/self/fd")) {
    while (readdir(fds) != nullptr) ++r.handles;
    closedir(fds);
  }
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, 6, "VmRSS:") == 0) r.resident = std::stoll(line.substr(6)) * 1024;
  }
#endif
  return r;
}

// Through the core's own (ANSI) file layer: the names hold GBK characters,
// which the test's std::filesystem helpers would misread under Windows.
bool Present(const Text& path) { return FileInfoAt(path).has_value(); }

Bytes RandomSource(std::mt19937& rng, int64_t n) {
  Bytes b;
  const int kind = static_cast<int>(rng() % 4);
  while (static_cast<int64_t>(b.size()) < n) {
    switch (kind) {
      case 0: b += static_cast<char>(0x20 + rng() % 0x5F); break;
      case 1:
        b += static_cast<char>(0xB0 + rng() % 0x48);
        b += static_cast<char>(0xA1 + rng() % 0x5E);
        break;
      case 2: b += static_cast<char>(rng() % 3 == 0 ? 0x41 : 0x81 + rng() % 0x7E); break;
      default: b += static_cast<char>(rng()); break;
    }
  }
  b.resize(static_cast<size_t>(n));
  return b;
}

TEST(Soak, ThousandsOfSplitsRoundTripWithoutGrowth) {
#ifdef _WIN32
  const int kSplits = 600;  // every file operation crosses to the wineserver
#else
  const int kSplits = 3000;
#endif
  const int kWarmUp = 50;  // the heap and the runtime settle first
  const char* const names[] = {"novel", "part", "a b", "小说"};

  // Sources and pieces in folders of their own: no piece can be named like
  // its source, nor a sub-folder like an extension-less source.
  TempFolder dir;
  const Text in = dir / "in\\", out = dir / "out\\";
  MakeFolder(in);
  MakeFolder(out);
  std::mt19937 rng(20240612);
  Resources before;
  int64_t pieces = 0;
  for (int k = 0; k < kSplits; ++k) {
    if (k == kWarmUp) before = Measure();
    const int64_t L = 1 + static_cast<int64_t>(rng() % 12000);
    const bool bySize = L > 2048 && rng() % 2 == 0;
    SplitRequest request;
    request.sourcePath = in + names[rng() % 4] + (rng() % 4 == 0 ? "" : ".txt");
    request.destinationFolder = out;
    request.splitMode = bySize ? 1 : 2;
    request.amount = bySize ? 2 + static_cast<int64_t>(rng() % ((L - 1) / 1024 - 1))
                            : 2 + static_cast<int64_t>(rng() % 11);
    request.namingMode = 1 + static_cast<int>(rng() % 2);
    request.customName = names[rng() % 4];
    request.createFolder = rng() % 2 == 0;
    request.plainText = rng() % 2 == 0;
    request.deleteSource = rng() % 2 == 0;
    request.mergeScript = rng() % 2 == 0;
    const Bytes source = RandomSource(rng, L);
    MakeFile(request.sourcePath, source);

    RecordingSink sink;
    ASSERT_EQ(SplitJob(request, sink.sink()), std::vector<bool>{true}) << "split " << k;
    ASSERT_TRUE(sink.shown.empty()) << "split " << k << ": " << sink.shown[0].text;

    // The pieces, checked against the plain rule as it reads: P bytes, one
    // fewer when they hold an odd number of bytes 0x80 and above.
    const int64_t P = bySize ? *request.amount * 1024 : (L + *request.amount - 1) / *request.amount;
    const int64_t N = bySize ? (L + P - 1) / P : *request.amount;
    const PieceLayout layout = LayOutPieces(request);
    int64_t at = 0;
    for (int64_t i = 1; i <= N; ++i) {
      int64_t take = i < N ? std::min(P, L - at) : L - at;
      if (*request.plainText && i < N &&
          CountHighBytes(source.data() + at, static_cast<size_t>(take)) % 2 != 0) {
        --take;
      }
      const Text path = PiecePath(layout, i);
      ASSERT_EQ(ReadPiece(path), source.substr(static_cast<size_t>(at), static_cast<size_t>(take)))
          << "split " << k << ", piece " << i;
      at += take;
      FileDelete(path);
    }
    ASSERT_EQ(at, L);
    ASSERT_FALSE(Present(PiecePath(layout, N + 1)));
    ASSERT_EQ(Present(request.sourcePath), !*request.deleteSource) << "split " << k;
    FileDelete(request.sourcePath);
    pieces += N;
  }
  const Resources after = Measure();

  ASSERT_GT(before.handles, 0) << "the open handles cannot be counted here";
  std::printf("soak: %d splits, %lld pieces; open handles %lld -> %lld, resident %lld -> %lld KiB\n",
              kSplits, static_cast<long long>(pieces), static_cast<long long>(before.handles),
              static_cast<long long>(after.handles), static_cast<long long>(before.resident / 1024),
              static_cast<long long>(after.resident / 1024));
  EXPECT_LE(after.handles, before.handles);
  // A lost piece buffer would be a MiB per split; a few hundred bytes per
  // split show natively, a couple of KiB under Wine with its fewer splits.
  // Smaller leaks are below what the resident size can tell: LeakSanitizer
  // finds those in the ASan build.
  if (kMemoryMeasurable) {
    EXPECT_LT(after.resident - before.resident, 1 << 20);
  }
}

}  // namespace

// Times SplitJob against GNU split on one generated GBK-like file.
//
//   split_bench [--size 1G] [--runs 5] [--dir /tmp] [--buffer BYTES]
//               [--wine split_bench.exe --wine-run tools/wine-run]
//   split_bench --worker SOURCE DESTINATION MODE AMOUNT PLAIN [BUFFER]
//
// The first form (native only) makes the file, runs every case several times
// in child processes and prints medians and peak memory. The worker form runs
// one split and prints "seconds peak_kib"; the Windows build of this program
// offers only the worker, which the native one runs under Wine.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/piece_writer.h"
#include "core/split_job.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

int64_t PeakKib() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<int64_t>(counters.PeakWorkingSetSize / 1024);
#else
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  int64_t kib = -1;
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atoll(line + 6);
  }
  std::fclose(status);
  return kib;
#endif
}

int Worker(int argc, char** argv) {
  if (argc != 7 && argc != 8) {
    std::fprintf(stderr,
                 "usage: split_bench --worker SOURCE DESTINATION MODE AMOUNT PLAIN [BUFFER]\n");
    return 2;
  }
  SplitRequest request;
  request.sourcePath = argv[2];
  request.destinationFolder = argv[3];
  request.splitMode = std::atoi(argv[4]);
  request.amount = std::atoll(argv[5]);
  request.plainText = std::atoi(argv[6]) != 0;
  request.namingMode = 2;
  request.createFolder = false;
  MessageSink toStderr = [](const Text& text, int, const Text& title) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return 0;
  };
  auto start = std::chrono::steady_clock::now();
  bool ok;
  if (argc == 8) {
    std::optional<SplitPlan> plan = PlanSplit(request, toStderr);
    ok = plan && WritePieces(*plan, toStderr, std::atoll(argv[7]));
  } else {
    ok = SplitJob(request, toStderr)[0];
  }
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.6f %lld\n", took.count(), static_cast<long long>(PeakKib()));
  return ok ? 0 : 1;
}

#ifndef _WIN32

struct Options {
  int64_t size = int64_t{1} << 30;
  int runs = 5;
  std::string dir = "/tmp";
  std::string wineExe;  // the Windows build, run through tools/wine-run
  std::string wineRun;
  std::string buffer;  // bytes; empty: the piece writer's own
};

int64_t ParseSize(const char* text) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  switch (*end) {
    case 'k': case 'K': value *= 1024; break;
    case 'm': case 'M': value *= 1024 * 1024; break;
    case 'g': case 'G': value *= 1024.0 * 1024 * 1024; break;
    default: break;
  }
  return static_cast<int64_t>(value);
}

// A novel as far as the piece writer can tell: GBK characters (two high
// bytes), ASCII punctuation and digits now and then, CR LF line ends.
void MakeSource(const std::string& path, int64_t size) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  uint64_t state = 0x9E3779B97F4A7C15ULL;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  std::vector<unsigned char> block(4 << 20);
  int column = 0;
  for (int64_t written = 0; written < size;) {
    size_t n = 0;
    while (n + 4 <= block.size()) {
      uint64_t r = next();
      if (column >= 38 + static_cast<int>(r % 8)) {
        block[n++] = '\r';
        block[n++] = '\n';
        column = 0;
      } else if (r % 16 == 0) {
        block[n++] = static_cast<unsigned char>(",.!?0123456789"[(r >> 8) % 14]);
        ++column;
      } else {
        block[n++] = static_cast<unsigned char>(0xB0 + (r >> 8) % 0x48);
        block[n++] = static_cast<unsigned char>(0xA1 + (r >> 16) % 0x5E);
        ++column;
      }
    }
    size_t take = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), size - written));
    std::fwrite(block.data(), 1, take, out);
    written += static_cast<int64_t>(take);
  }
  std::fclose(out);
}

void EmptyFolder(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    unlink((dir + "/" + e->d_name).c_str());
  }
  closedir(d);
}

int64_t FolderBytes(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return -1;
  int64_t total = 0;
  while (dirent* e = readdir(d)) {
    struct stat st;
    if (e->d_name[0] != '.' && stat((dir + "/" + e->d_name).c_str(), &st) == 0) {
      total += st.st_size;
    }
  }
  closedir(d);
  return total;
}

struct Run {
  double seconds = -1;  // wall time of the child, or what the worker says
  int64_t peakKib = -1;
  bool ok = false;
};

// Runs argv in a child; its wall time, and its peak memory from the kernel.
// A worker's own report replaces both when asked for (under Wine, so that the
// emulator's start-up is not counted).
Run RunChild(const std::vector<std::string>& args, bool trustReport) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return Run();
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  std::string report;
  char buf[256];
  ssize_t got;
  while ((got = read(pipeFds[0], buf, sizeof buf)) > 0) report.append(buf, static_cast<size_t>(got));
  close(pipeFds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  Run run;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.seconds = took.count();
  run.peakKib = usage.ru_maxrss;
  double seconds = 0;
  long long kib = 0;
  if (trustReport && std::sscanf(report.c_str(), "%lf %lld", &seconds, &kib) == 2) {
    run.seconds = seconds;
    run.peakKib = kib;
  }
  return run;
}

struct Variant {
  std::vector<std::string> args;
  bool trustReport = false;
  std::vector<double> times;
  int64_t peakKib = -1;  // the highest of all runs
  bool ok = true;
  double Median() const {
    std::vector<double> t = times;
    std::sort(t.begin(), t.end());
    return t.empty() ? -1 : t[t.size() / 2];
  }
};

Variant MakeVariant(std::vector<std::string> args, bool trustReport = false) {
  Variant v;
  v.args = std::move(args);
  v.trustReport = trustReport;
  return v;
}

// Round after round, every variant once: slow spells of the machine then
// fall on all of them alike.
void Measure(const Options& o, const std::string& out, int64_t expectedBytes,
             std::vector<Variant>& variants) {
  for (int i = 0; i < o.runs; ++i) {
    for (Variant& v : variants) {
      EmptyFolder(out);
      sync();  // every run starts without the previous one's dirty pages
      Run r = RunChild(v.args, v.trustReport);
      if (!r.ok || FolderBytes(out) != expectedBytes) v.ok = false;
      v.times.push_back(r.seconds);
      v.peakKib = std::max(v.peakKib, r.peakKib);
    }
  }
  EmptyFolder(out);
}

std::string WindowsPath(const std::string& posix) {
  std::string p = "Z:" + posix;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::string Cell(double v, const char* format) {
  if (v < 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

int Orchestrate(const Options& o, const char* self) {
  std::string root = o.dir + "/qh-bench-" + std::to_string(getpid());
  std::string out = root + "/out";
  mkdir(root.c_str(), 0777);
  mkdir(out.c_str(), 0777);
  std::string source = root + "/novel.txt";
  std::fprintf(stderr, "making a GBK-like source of %lld bytes in %s\n",
               static_cast<long long>(o.size), root.c_str());
  MakeSource(source, o.size);
  const int64_t L = o.size;

  struct Case {
    const char* name;
    int mode;
    int64_t amount;
  } cases[] = {
      {"size 300 KB", 1, 300}, {"size 64 MiB", 1, 65536}, {"count 2", 2, 2}, {"count 999", 2, 999},
  };
  bool wine = !o.wineExe.empty();
  std::printf("source %lld bytes, median of %d runs; peak = highest resident set of a run\n",
              static_cast<long long>(L), o.runs);
  std::printf("%-24s %9s %9s | %9s %7s %7s %9s", "case", "split s", "peak MiB", "native s",
              "xsplit", "xraw", "peak MiB");
  if (wine) std::printf(" | %9s %7s %7s %9s", "wine s", "xsplit", "xraw", "peak MiB");
  std::printf("\n");

  bool allOk = true;
  {
    // What a process needs before any piece: a split of a 2-byte file.
    std::string tiny = root + "/tiny.txt";
    if (FILE* f = std::fopen(tiny.c_str(), "wb")) {
      std::fputs("ab", f);
      std::fclose(f);
    }
    std::vector<Variant> variants;
    variants.push_back(MakeVariant({"split", "-b", "1", tiny, out + "/x"}));
    variants.push_back(MakeVariant({self, "--worker", tiny, out + "/", "2", "2", "0"}));
    if (wine) {
      variants.push_back(MakeVariant({o.wineRun, o.wineExe, "--worker", WindowsPath(tiny),
                                      WindowsPath(out) + "\\", "2", "2", "0"},
                                     true));
    }
    Options once = o;
    once.runs = 1;
    Measure(once, out, 2, variants);
    std::printf("%-24s %9s %9.1f | %9s %7s %7s %9.1f", "baseline (2-byte file)", "",
                variants[0].peakKib / 1024.0, "", "", "", variants[1].peakKib / 1024.0);
    if (wine) std::printf(" | %9s %7s %7s %9.1f", "", "", "", variants[2].peakKib / 1024.0);
    std::printf("\n");
    unlink(tiny.c_str());
  }
  for (const Case& c : cases) {
    int64_t P = c.mode == 1 ? c.amount * 1024 : (L + c.amount - 1) / c.amount;
    if (c.mode == 1 && P >= L) {
      std::printf("%-24s (skipped: the source is not larger than one piece)\n", c.name);
      continue;
    }
    int64_t N = (L + P - 1) / P;
    int digits = std::max<int>(3, static_cast<int>(std::to_string(N).size()));
    std::vector<Variant> variants;
    variants.push_back(MakeVariant({"split", "-b", std::to_string(P), "-d", "-a",
                                    std::to_string(digits), source, out + "/x"}));
    for (int plain = 0; plain <= 1; ++plain) {
      std::string mode = std::to_string(c.mode), amount = std::to_string(c.amount);
      std::vector<std::string> native = {self, "--worker", source, out + "/", mode, amount,
                                         std::to_string(plain)};
      std::vector<std::string> windows = {o.wineRun, o.wineExe, "--worker", WindowsPath(source),
                                          WindowsPath(out) + "\\", mode, amount,
                                          std::to_string(plain)};
      if (!o.buffer.empty()) {
        native.push_back(o.buffer);
        windows.push_back(o.buffer);
      }
      variants.push_back(MakeVariant(native));
      if (wine) variants.push_back(MakeVariant(windows, true));
    }
    Measure(o, out, L, variants);
    const Variant& split = variants[0];
    const int stride = wine ? 2 : 1;
    for (int plain = 0; plain <= 1; ++plain) {
      const Variant& native = variants[1 + plain * stride];
      const Variant& nativeRaw = variants[1];
      bool ok = split.ok && native.ok;
      std::string name = std::string(c.name) + (plain ? ", plain text" : ", raw");
      std::printf("%-24s %9s %9s | %9s %7s %7s %9s", name.c_str(),
                  Cell(plain ? -1 : split.Median(), "%.3f").c_str(),
                  Cell(plain ? -1 : split.peakKib / 1024.0, "%.1f").c_str(),
                  Cell(native.Median(), "%.3f").c_str(),
                  Cell(native.Median() / split.Median(), "%.2f").c_str(),
                  Cell(plain ? native.Median() / nativeRaw.Median() : -1, "%.2f").c_str(),
                  Cell(native.peakKib / 1024.0, "%.1f").c_str());
      if (wine) {
        const Variant& win = variants[2 + plain * stride];
        const Variant& winRaw = variants[2];
        ok = ok && win.ok;
        std::printf(" | %9s %7s %7s %9s", Cell(win.Median(), "%.3f").c_str(),
                    Cell(win.Median() / split.Median(), "%.2f").c_str(),
                    Cell(plain ? win.Median() / winRaw.Median() : -1, "%.2f").c_str(),
                    Cell(win.peakKib / 1024.0, "%.1f").c_str());
      }
      std::printf("%s\n", ok ? "" : "  FAILED");
      allOk = allOk && ok;
      std::fflush(stdout);
    }
  }
  unlink(source.c_str());
  rmdir(out.c_str());
  rmdir(root.c_str());
  return allOk ? 0 : 1;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--worker") == 0) return Worker(argc, argv);
#ifdef _WIN32
  std::fprintf(stderr, "the Windows build only runs --worker; run the native one\n");
  return 2;
#else
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--size") {
      o.size = ParseSize(argv[i + 1]);
    } else if (flag == "--runs") {
      o.runs = std::max(1, std::atoi(argv[i + 1]));
    } else if (flag == "--dir") {
      o.dir = argv[i + 1];
    } else if (flag == "--wine") {
      o.wineExe = argv[i + 1];
    } else if (flag == "--buffer") {
      o.buffer = std::to_string(ParseSize(argv[i + 1]));
    } else if (flag == "--wine-run") {
      o.wineRun = argv[i + 1];
    } else {
      std::fprintf(stderr, "unknown option %s\n", flag.c_str());
      return 2;
    }
  }
  if (!o.wineExe.empty() && o.wineRun.empty()) {
    std::fprintf(stderr, "--wine needs --wine-run (tools/wine-run)\n");
    return 2;
  }
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  return Orchestrate(o, self);
#endif
}

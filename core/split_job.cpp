#include "core/split_job.h"

#include "core/piece_writer.h"

namespace {

const int kErrorStyle = 16;
const double kTolerance = 0.0000001;

bool IsBlank(const Text& t) { return CompareText(TrimText(t), "") == 0; }

bool IsBlank(const std::optional<Text>& t) { return !t || IsBlank(*t); }

// Whether the last character is a folder separator. Character-aware: a GBK
// character whose second byte is 0x5C does not end a folder.
bool EndsWithSeparator(const Text& path) {
  int length = TextLength(path);
  return length > 0 &&
         (FindLastText(path, "\\") == length || FindLastText(path, "/") == length);
}

// The quotient a / b rounded up, where a remainder of at most b * 0.0000001
// does not count (it goes to the last piece).
int64_t RoundedUpQuotient(int64_t a, int64_t b) {
  double q = static_cast<double>(a) / static_cast<double>(b);
  double d = IntegerDivide(static_cast<double>(a), static_cast<double>(b));
  return RealToInt64(q - d > kTolerance ? d + 1 : d);
}

void Reject(const MessageSink& show, const Text& text, const Text& title) {
  show(text, kErrorStyle, title);
}

// The request with every default in place. The source path must already be
// absolute: the defaults are taken from its folder and name.
SplitRequest FillDefaults(const SplitRequest& given) {
  SplitRequest r = given;
  if (IsBlank(r.destinationFolder)) {
    r.destinationFolder = PathPart(r.sourcePath, 5);
  } else if (!EndsWithSeparator(*r.destinationFolder)) {
    // Pieces are the folder and the name run together: without the "\" they
    // would land beside the folder under a wrong name.
    *r.destinationFolder += "\\";
  }
  if (!r.splitMode) r.splitMode = 1;
  bool bySize = *r.splitMode == 1;
  if (!r.amount) {
    r.amount = bySize ? 300 * 1024 : 2;
  } else if (bySize) {
    r.amount = RealToInt64(static_cast<double>(*r.amount) * 1024.0);
  }
  if (!r.namingMode) r.namingMode = 1;
  if (*r.namingMode == 1 && IsBlank(r.customName)) r.customName = SourceBaseName(r.sourcePath);
  if (!r.createFolder) r.createFolder = true;
  if (!r.plainText) r.plainText = false;
  if (!r.deleteSource) r.deleteSource = false;
  if (!r.mergeScript) r.mergeScript = false;
  return r;
}

}  // namespace

std::optional<SplitPlan> PlanSplit(const SplitRequest& request, const MessageSink& show) {
  if (IsBlank(request.sourcePath)) {
    Reject(show, "老大，你还没选择要宰割的东东哦。。。", "我晕");
    return std::nullopt;
  }
  SplitRequest absolute = request;
  // A relative path would leave the folder part empty and send the pieces,
  // nameless, to the root of the drive.
  absolute.sourcePath = AbsolutePath(request.sourcePath);

  SplitPlan plan;
  plan.request = FillDefaults(absolute);
  const SplitRequest& r = plan.request;

  FileNumber file = FileOpen(r.sourcePath);
  std::optional<FileInfo> info = FileInfoOf(file);
  int64_t L = FileLengthOf(file);
  if (file == 0 || !info || L < 0) {
    FileClose(file);
    Reject(show, "老大，要宰割的东东打不开哦，是不是不存在或者正被别的程序占用？", "我晕");
    return std::nullopt;
  }
  if (L == 0) {
    FileClose(file);
    Reject(show, "老大，0KB的东东，还要怎么宰割呀？", "我靠");
    return std::nullopt;
  }

  int64_t P, N;
  if (*r.splitMode == 1) {
    P = *r.amount;
    Text kb = NumberToText(static_cast<double>(P) / 1024.0);
    if (static_cast<double>(P) - 1024.0 <= kTolerance) {
      FileClose(file);
      Reject(show, JoinText({"老大，你没搞错吧？？分成 ", kb, "KB 这么小一份？"}),
             "我靠，BT，你想累死我啊！");
      return std::nullopt;
    }
    if (P >= L) {
      FileClose(file);
      Reject(show, JoinText({"老大，你没搞错吧？？要宰割的东东都没有 ", kb, " KB这么大！"}),
             "晕。。。。。");
      return std::nullopt;
    }
    N = RoundedUpQuotient(L, P);
  } else {
    N = *r.amount;
    if (N < 2) {
      FileClose(file);
      Reject(show, JoinText({"老大，你没搞错吧？？分成 ", NumberToText(N), " 份？"}), "我靠");
      return std::nullopt;
    }
    P = RoundedUpQuotient(L, N);
  }

  plan.sourceFile = file;
  plan.sourceInfo = *info;
  plan.sourceLength = L;
  plan.pieceSize = P;
  plan.pieceCount = N;
  return plan;
}

std::vector<bool> SplitJob(const SplitRequest& request, const MessageSink& show) {
  std::optional<SplitPlan> plan = PlanSplit(request, show);
  if (!plan) return {false};
  return {WritePieces(*plan, show)};
}

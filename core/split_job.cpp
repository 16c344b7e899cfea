// A plain split job for the window to run against: the checks with their
// messages, the defaults and the pieces, read and written whole. It keeps
// the program whole until the full job, with its streamed writes and its
// guards against losing data, takes this file's place.
#include "core/split_job.h"

namespace {

const double kTolerance = 0.0000001;

int64_t RoundedUpQuotient(int64_t a, int64_t b) {
  double q = static_cast<double>(a) / static_cast<double>(b);
  double d = IntegerDivide(static_cast<double>(a), static_cast<double>(b));
  return RealToInt64(q - d > kTolerance ? d + 1 : d);
}

bool Blank(const std::optional<Text>& t) { return !t || CompareText(TrimText(*t), "") == 0; }

std::vector<bool> Reject(const MessageSink& show, const Text& text, const Text& title) {
  show(text, 16, title);
  return {false};
}

void WritePieces(const SplitPlan& plan) {
  const SplitRequest& r = plan.request;
  Text folder = *r.destinationFolder;
  if (*r.createFolder) {
    Text sub = *r.namingMode == 1 ? *r.customName : PathPart(r.sourcePath, 1);
    DirectoryCreate(folder + sub);
    folder = JoinText({folder, sub, "\\"});
  }
  Text extension = *r.plainText ? PathPart(r.sourcePath, 2) : Text("ayk");
  int64_t taken = 0;
  for (int64_t i = 1; i <= plan.pieceCount; ++i) {
    Text index = ZeroPad(i, 3);
    Text name = *r.namingMode == 1 ? JoinText({*r.customName, "_", index}) : index;
    Bytes data = FileRead(plan.sourceFile, i < plan.pieceCount ? plan.pieceSize : plan.sourceLength - taken);
    if (*r.plainText && i < plan.pieceCount && !data.empty() &&
        CountHighBytes(data.data(), data.size()) % 2 != 0) {
      data.pop_back();
      FileSeek(plan.sourceFile, 3, -1);
    }
    taken += static_cast<int64_t>(data.size());
    FileWriteWhole(JoinText({folder, name, ".", extension}), data);
  }
  FileClose(plan.sourceFile);
  if (*r.deleteSource) FileDelete(r.sourcePath);
}

}  // namespace

std::vector<bool> SplitJob(const SplitRequest& request, const MessageSink& show) {
  if (CompareText(TrimText(request.sourcePath), "") == 0)
    return Reject(show, "老大，你还没选择要宰割的东东哦。。。", "我晕");
  SplitRequest r = request;
  r.sourcePath = AbsolutePath(r.sourcePath);
  if (Blank(r.destinationFolder)) r.destinationFolder = PathPart(r.sourcePath, 5);
  if (TextRight(*r.destinationFolder, 1) != "\\") r.destinationFolder = *r.destinationFolder + "\\";
  if (!r.splitMode) r.splitMode = 1;
  int64_t amount = r.amount ? (*r.splitMode == 1 ? RealToInt64(static_cast<double>(*r.amount) * 1024.0) : *r.amount)
                            : (*r.splitMode == 1 ? 307200 : 2);
  if (!r.namingMode) r.namingMode = 1;
  if (*r.namingMode == 1 && Blank(r.customName)) r.customName = PathPart(r.sourcePath, 1);
  if (!r.createFolder) r.createFolder = true;
  if (!r.plainText) r.plainText = false;
  if (!r.deleteSource) r.deleteSource = false;
  if (!r.mergeScript) r.mergeScript = false;

  FileNumber file = FileOpen(r.sourcePath);
  if (file == 0)
    return Reject(show, "老大，要宰割的东东打不开哦，是不是不存在或者正被别的程序占用？", "我晕");
  int64_t length = FileLengthOf(file);
  if (length == 0) {
    FileClose(file);
    return Reject(show, "老大，0KB的东东，还要怎么宰割呀？", "我靠");
  }
  SplitPlan plan;
  plan.sourceFile = file;
  plan.sourceLength = length;
  if (*r.splitMode == 1) {
    Text kb = NumberToText(static_cast<double>(amount) / 1024.0);
    if (static_cast<double>(amount) - 1024.0 <= kTolerance) {
      FileClose(file);
      return Reject(show, JoinText({"老大，你没搞错吧？？分成 ", kb, "KB 这么小一份？"}), "我靠，BT，你想累死我啊！");
    }
    if (amount >= length) {
      FileClose(file);
      return Reject(show, JoinText({"老大，你没搞错吧？？要宰割的东东都没有 ", kb, " KB这么大！"}), "晕。。。。。");
    }
    plan.pieceSize = amount;
    plan.pieceCount = RoundedUpQuotient(length, amount);
  } else {
    if (amount < 2) {
      FileClose(file);
      return Reject(show, JoinText({"老大，你没搞错吧？？分成 ", NumberToText(amount), " 份？"}), "我靠");
    }
    plan.pieceCount = amount;
    plan.pieceSize = RoundedUpQuotient(length, amount);
  }
  plan.request = r;
  WritePieces(plan);
  return {true};
}

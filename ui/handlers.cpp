#include "ui/handlers.h"

#include <shellapi.h>

#include <vector>

#include "core/split_job.h"
#include "dialogs/file_dialog.h"
#include "dialogs/folder_browser.h"
#include "dialogs/timed_message_box.h"
#include "ui/publisher.h"

namespace {

const int kInformationIcon = 64;  // MB_OK | MB_ICONASTERISK
const int kSuccessBoxMs = 10000;

struct ExitCleanups {
  std::vector<ExitCleanup> procedures;
  bool ran = false;
};

ExitCleanups& Cleanups() {
  static ExitCleanups cleanups;
  return cleanups;
}

SplitRequest RequestFromControls(const MainWindow& w) {
  SplitRequest r;
  int splitMode = GetControlChecked(w, Control::大小分割_单选框) ? 1 : 2;
  double size = TextToNumber(GetControlText(w, Control::分割大小_编辑框));
  double count = TextToNumber(GetControlText(w, Control::分割份数_编辑框));
  int namingMode = GetControlChecked(w, Control::自定名称_单选框) ? 1 : 2;
  r.sourcePath = GetControlText(w, Control::待宰文件_编辑框);
  r.destinationFolder = GetControlText(w, Control::宰后位置_编辑框);
  r.splitMode = splitMode;
  // Pasted text such as "0.9" is cut to 0 here, before the job sees it.
  r.amount = RealToInt64(splitMode == 1 ? size : count);
  r.namingMode = namingMode;
  r.customName = namingMode == 1 ? GetControlText(w, Control::自定名称_编辑框) : Text();
  r.createFolder = GetControlChecked(w, Control::创建文件夹_复选框);
  r.plainText = GetControlChecked(w, Control::纯文本_复选框);
  r.deleteSource = GetControlChecked(w, Control::删除原文件_复选框);
  r.mergeScript = GetControlChecked(w, Control::合并脚本_复选框);
  return r;
}

}  // namespace

void OnStart(const MainWindow& w) {
  SetControlDisabled(w, Control::停宰钮, false);
  SetStatusPaneText(w, 2, "分割进行中……");
  // The job shows its own rejections; it runs here, on the window's thread,
  // and nothing of the window answers until it returns.
  std::vector<bool> result = SplitJob(RequestFromControls(w));
  if (!result.empty() && result[0]) {
    SetStatusPaneText(w, 2, "嘎嘎，分割成功了！！");
    TimedMessageBox("报告，文件分割完毕，请指示！", kInformationIcon, "胜利！！Oh,Yeah！！", kSuccessBoxMs);
    Text page = JoinText({kPublisherAddress, "?txt"});
    ShellExecuteA(nullptr, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else {
    SetStatusPaneText(w, 2, "啊哦，分割失败了……");
  }
  SetControlDisabled(w, Control::停宰钮, true);
}

void OnStop(const MainWindow&) {
  TimedMessageBox("开弓没有回头箭！！停不下来了！！", kInformationIcon, "别停");
}

void OnExit(const MainWindow&) {
  // Ends the message loop; start-up then runs the clean-ups and returns 0.
  PostQuitMessage(0);
}

void OnClock(const MainWindow& w) {
  // One reading for all three numbers: three would show 9点0分0秒 when the
  // clock passes 9:59:59 between them.
  DateTime now = CurrentTime();
  SetStatusPaneText(w, 1, JoinText({"时间：", NumberToText(HourOf(now)), "点", NumberToText(MinuteOf(now)),
                                    "分", NumberToText(SecondOf(now)), "秒"}));
}

void RegisterExitCleanup(ExitCleanup cleanup) {
  if (cleanup != nullptr) Cleanups().procedures.push_back(cleanup);
}

void RunExitCleanups() {
  ExitCleanups& c = Cleanups();
  if (c.ran) return;
  c.ran = true;
  for (ExitCleanup cleanup : c.procedures) cleanup();
}

// ---- Choosing the source and the destination ----------------------------

void OnChooseSource(const MainWindow& w) {
  // A fresh dialog per click: nothing of the last choice carries over.
  FileDialog dialog;
  dialog.SetUp(0, Text("请选择将要被分割的东东！"),
               Text("文本文件(*.txt)|*.txt|压缩文件(rar，zip，7z，iso)|*.rar;*.zip;*.7z;*.iso|所有文件|*.*"));
  if (!dialog.Show()) return;
  SetControlText(w, Control::待宰文件_编辑框, dialog.FileName());
  // The size is read from the disk again: a file gone meanwhile gives -1,
  // which shows as 1KB. Whole KiB plus one, also for an exact multiple.
  int64_t size = FileSize(GetControlText(w, Control::待宰文件_编辑框));
  double kb = IntegerDivide(static_cast<double>(size), 1024) + 1;
  SetStatusPaneText(w, 0, JoinText({"分割文件尺寸：", NumberToText(kb), "KB"}));
  SetControlText(w, Control::自定名称_编辑框, PathPart(GetControlText(w, Control::待宰文件_编辑框), 1));
}

void OnChooseFolder(const MainWindow& w) {
  Text folder = FolderBrowser(Text("请选择分割后要保存的位置！"), std::nullopt, std::nullopt, false);
  // A drive root comes back as "C:\" and so gets two backslashes; Windows
  // reads a doubled separator in a path as one.
  bool chosen = CompareText(folder, Text()) != 0;
  SetControlText(w, Control::宰后位置_编辑框,
                 chosen ? JoinText({folder, "\\"}) : GetControlText(w, Control::宰后位置_编辑框));
}

void RegisterExitCleanups() { RegisterExitCleanup(ReleaseInitialFolder); }

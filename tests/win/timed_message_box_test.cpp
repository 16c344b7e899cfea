// The timed message box in a real window session under the platform's
// message-box code: what it shows, what it answers, and its time-out.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "dialogs/timed_message_box.h"
#include "tests/win/box_watcher.h"

namespace {

struct Seen {
  bool appeared = false;
  std::string caption, message;
  bool stillOpenAfterWait = false;
};

// Watches for the box of the calling thread; presses `button` after
// `waitMs` unless `button` is 0, which leaves the box alone.
std::future<Seen> Watch(int button, int waitMs = 0) {
  DWORD thread = GetCurrentThreadId();
  return std::async(std::launch::async, [=] {
    Seen seen;
    HWND box = WaitForDialog(thread, 10000);
    if (box == nullptr) return seen;
    seen.appeared = true;
    seen.caption = WindowText(box);
    seen.message = BoxMessage(box);
    if (waitMs > 0) {
      Sleep(static_cast<DWORD>(waitMs));
      seen.stillOpenAfterWait = IsWindow(box) != 0;
    }
    if (button != 0) PressButton(box, button);
    return seen;
  });
}

TEST(TimedMessageBox, ShowsTextAndCaptionUnchangedAndAnswersTheButton) {
  const Text text = "报告，文件分割完毕，请指示！";
  auto seen = Watch(IDOK);
  EXPECT_EQ(TimedMessageBox(text, 64, Text("胜利！！Oh,Yeah！！")), 0);
  Seen s = seen.get();
  ASSERT_TRUE(s.appeared);
  EXPECT_EQ(s.caption, "胜利！！Oh,Yeah！！");
  EXPECT_EQ(s.message, text);
}

TEST(TimedMessageBox, AnEmptyOrLeftOutTitleBecomesTheDefaultCaption) {
  for (std::optional<Text> title : {std::optional<Text>(), std::optional<Text>("")}) {
    auto seen = Watch(IDOK);
    TimedMessageBox("x", std::nullopt, title);
    EXPECT_EQ(seen.get().caption, "信息：");
  }
}

TEST(TimedMessageBox, OkAndCancelAreZeroAndOne) {
  auto ok = Watch(IDOK);
  EXPECT_EQ(TimedMessageBox("x", 1, Text("t")), 0);
  ok.get();
  auto cancel = Watch(IDCANCEL);
  EXPECT_EQ(TimedMessageBox("x", 1, Text("t")), 1);
  cancel.get();
}

TEST(TimedMessageBox, ClosesItselfAfterTheTimeOut) {
  // The platform's own time-out is not relied upon (Wine ignores it).
  struct Case { int style; int want; } cases[] = {{64, 31999}, {0, 31999}, {1, 32000}, {4, 32000}};
  for (const Case& c : cases) {
    auto seen = Watch(0);
    EXPECT_EQ(TimedMessageBox("x", c.style, Text("t"), 300), c.want) << c.style;
    EXPECT_TRUE(seen.get().appeared);
  }
}

TEST(TimedMessageBox, WithoutATimeOutItStaysUntilClosed) {
  for (std::optional<int> timeout : {std::optional<int>(), std::optional<int>(0)}) {
    auto seen = Watch(IDOK, 1500);
    EXPECT_EQ(TimedMessageBox("x", 16, Text("t"), timeout), 0);
    EXPECT_TRUE(seen.get().stillOpenAfterWait);
  }
}

TEST(TimedMessageBox, AnswerMapping) {
  struct Case { int style, answer, want; } cases[] = {
      {0, IDOK, 0},       {16, 32000, 31999}, {48, 32000, 31999}, {64, 0, -1},
      {1, IDCANCEL, 1},   {1, 32000, 32000},  {4, IDYES, 5},      {4, IDNO, 6},
      {2, IDABORT, 2},    {2, IDRETRY, 3},    {2, IDIGNORE, 4},   {65, 32000, 32000},
  };
  for (const Case& c : cases) EXPECT_EQ(MapMessageBoxAnswer(c.style, c.answer), c.want);
}

}  // namespace

// The timed message box in a real window session under the platform's
// message-box code: what it shows, what it answers, and its time-out.
#include <gtest/gtest.h>

#include "dialogs/timed_message_box.h"
#include "tests/win/dialog_robot.h"

namespace {

struct Seen {
  std::string caption, message;
  bool stillOpenAfterWait = false;
};

// Plays the user of the box: notes what it shows and, unless button is 0,
// presses that button, waitMs after the box has appeared.
struct BoxUser {
  BoxUser(int button, int waitMs = 0)
      : robot([this, button, waitMs](HWND box) {
          seen.caption = ControlText(box);
          seen.message = ControlText(GetDlgItem(box, 0xFFFF));  // the message's static text
          if (waitMs > 0) {
            Sleep(static_cast<DWORD>(waitMs));
            seen.stillOpenAfterWait = IsWindow(box) != 0;
          }
          if (button != 0) ClickButton(box, button);
        }) {}
  // Call once the box has returned.
  const Seen& Done() {
    robot.Finish();
    return seen;
  }
  bool Appeared() const { return robot.SawDialog(); }

  Seen seen;
  DialogRobot robot;
};

TEST(TimedMessageBox, ShowsTextAndCaptionUnchangedAndAnswersTheButton) {
  const Text text = "报告，文件分割完毕，请指示！";
  BoxUser user(IDOK);
  EXPECT_EQ(TimedMessageBox(text, 64, Text("胜利！！Oh,Yeah！！")), 0);
  const Seen& s = user.Done();
  ASSERT_TRUE(user.Appeared());
  EXPECT_EQ(s.caption, "胜利！！Oh,Yeah！！");
  EXPECT_EQ(s.message, text);
}

TEST(TimedMessageBox, AnEmptyOrLeftOutTitleBecomesTheDefaultCaption) {
  for (std::optional<Text> title : {std::optional<Text>(), std::optional<Text>("")}) {
    BoxUser user(IDOK);
    TimedMessageBox("x", std::nullopt, title);
    EXPECT_EQ(user.Done().caption, "信息：");
  }
}

TEST(TimedMessageBox, OkAndCancelAreZeroAndOne) {
  struct Case { int button, want; } cases[] = {{IDOK, 0}, {IDCANCEL, 1}};
  for (const Case& c : cases) {
    BoxUser user(c.button);
    EXPECT_EQ(TimedMessageBox("x", 1, Text("t")), c.want);
  }
}

TEST(TimedMessageBox, ClosesItselfAfterTheTimeOut) {
  // The platform's own time-out is not relied upon (Wine ignores it).
  struct Case { int style; int want; } cases[] = {{64, 31999}, {0, 31999}, {1, 32000}, {4, 32000}};
  for (const Case& c : cases) {
    BoxUser user(0);
    EXPECT_EQ(TimedMessageBox("x", c.style, Text("t"), 500), c.want) << c.style;
    user.Done();
    EXPECT_TRUE(user.Appeared());
    EXPECT_FALSE(user.robot.HadToCancel());
  }
}

TEST(TimedMessageBox, WithoutATimeOutItStaysUntilClosed) {
  for (std::optional<int> timeout : {std::optional<int>(), std::optional<int>(0)}) {
    BoxUser user(IDOK, 1500);
    EXPECT_EQ(TimedMessageBox("x", 16, Text("t"), timeout), 0);
    EXPECT_TRUE(user.Done().stillOpenAfterWait);
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

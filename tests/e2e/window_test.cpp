// The window as it is first shown: its settings, every control in its place
// and state, the clock, and the marks that clicks set.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "tests/e2e/driver.h"

namespace {

RECT PlaceInParent(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
         "x" + std::to_string(r.bottom - r.top);
}

LONG StyleOf(HWND h) { return GetWindowLongA(h, GWL_STYLE); }

TEST(Window, EveryControlInItsPlaceWithItsParentKindAndText) {
  Program p;
  ASSERT_TRUE(p.ready()) << "window or controls not found";
  const auto& layout = ExpectedLayout();
  ASSERT_EQ(p.controls().size(), layout.size());
  for (size_t i = 0; i < layout.size(); ++i) {
    const ExpectedControl& e = layout[i];
    HWND h = p.controls()[i];
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, e.className) << e.name;
    HWND parent = e.parent == nullptr ? p.window() : p.control(e.parent);
    EXPECT_EQ(GetParent(h), parent) << e.name;
    EXPECT_TRUE(IsWindowVisible(h)) << e.name;
    if (e.place.right != 0) {
      EXPECT_EQ(Show(PlaceInParent(h)), Show(e.place)) << e.name;
    }
    if (std::strcmp(e.name, "状态条1") != 0) {
      EXPECT_EQ(p.GetText(e.name), e.text) << e.name;
    }
  }
}

TEST(Window, FixedFrameCentredWithTheWholeClientArea) {
  Program p;
  ASSERT_TRUE(p.ready());
  LONG style = StyleOf(p.window());
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
  EXPECT_FALSE(GetWindowLongA(p.window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(p.window(), GW_OWNER), nullptr) << "unowned, so it has a taskbar button";

  RECT client, outer;
  GetClientRect(p.window(), &client);
  GetWindowRect(p.window(), &outer);
  EXPECT_EQ(Show(client), "0,0 547x343");
  int width = outer.right - outer.left, height = outer.bottom - outer.top;
  EXPECT_GE(width, 553);
  EXPECT_GE(height, 368);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);


  // The status bar lies along the whole bottom edge; pane 2 reaches its end.
  HWND bar = p.control("状态条1");
  RECT barPlace = PlaceInParent(bar);
  EXPECT_EQ(barPlace.left, 0);
  EXPECT_EQ(barPlace.right, 547);
  EXPECT_EQ(barPlace.bottom, 343);
  EXPECT_GT(barPlace.bottom - barPlace.top, 10);
  EXPECT_FALSE(StyleOf(bar) & SBARS_SIZEGRIP);
  EXPECT_TRUE(StyleOf(bar) & SBARS_TOOLTIPS);
  std::vector<int> edges = p.PaneEdges();
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_EQ(edges[0], 170);
  EXPECT_EQ(edges[1], 300);
  EXPECT_EQ(edges[2], -1);
  RECT bar2 = p.PaneRect(2);
  RECT barClient;
  GetClientRect(bar, &barClient);
  EXPECT_GE(bar2.right, barClient.right - 2);

  PostMessageA(p.window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(p.window()) != FALSE; }, 3000)) << "can be minimized";
  PostMessageA(p.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(p.window()); }, 3000));
}

TEST(Window, StartStates) {
  Program p;
  ASSERT_TRUE(p.ready());
  int64_t age = p.Age();
  Text clock = p.Pane(1);
  if (age < 900) {
    EXPECT_EQ(clock, "") << "the clock writes its pane first after one second";
  }
  EXPECT_EQ(p.Pane(0), "欢迎使用！");
  EXPECT_EQ(p.Pane(2), "");

  struct { const char* name; bool checked; } marks[] = {
      {"大小分割_单选框", true},   {"平均分割_单选框", false}, {"自定名称_单选框", true},
      {"自动命名_单选框", false},  {"创建文件夹_复选框", true}, {"纯文本_复选框", true},
      {"删除原文件_复选框", false}, {"合并脚本_复选框", false},
  };
  for (const auto& m : marks) EXPECT_EQ(p.Checked(m.name), m.checked) << m.name;

  for (const ExpectedControl& e : ExpectedLayout()) {
    bool shouldBeEnabled = std::strcmp(e.name, "停宰钮") != 0;
    EXPECT_EQ(p.Enabled(e.name), shouldBeEnabled) << e.name;
  }

  // Kinds' settings that a user meets: no default button, automatic marks,
  // edit boxes scrolling sideways with a sunken border.
  for (const ExpectedControl& e : ExpectedLayout()) {
    HWND h = p.control(e.name);
    LONG style = StyleOf(h);
    std::string name = e.name;
    if (name.find("钮") != std::string::npos) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << name << " must not be a default button";
    } else if (name.find("_复选框") != std::string::npos) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX) << name;
    } else if (name.find("_单选框") != std::string::npos) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_AUTORADIOBUTTON) << name;
    } else if (name.find("分组框") == 0) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX) << name;
    } else if (name.find("_编辑框") != std::string::npos) {
      EXPECT_TRUE(style & ES_AUTOHSCROLL) << name;
      EXPECT_FALSE(style & ES_MULTILINE) << name;
      EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << name;
      EXPECT_EQ((style & ES_READONLY) != 0, name == "宰后位置_编辑框") << name;
      LRESULT limit = SendMessageA(h, EM_GETLIMITTEXT, 0, 0);
      if (name == "分割份数_编辑框") {
        EXPECT_EQ(limit, 3) << name;
      } else {
        EXPECT_GT(limit, 1000000) << name << " must have no length limit";
      }
    }
  }
}

TEST(Window, ReadOnlyBoxIsWhite) {
  Program p;
  ASSERT_TRUE(p.ready());
  HWND box = p.control("宰后位置_编辑框");
  RECT r;
  GetWindowRect(box, &r);
  HDC screen = GetDC(nullptr);
  COLORREF inside = GetPixel(screen, r.right - 8, (r.top + r.bottom) / 2);
  RECT outside;
  GetWindowRect(p.control("分组框1"), &outside);
  COLORREF face = GetPixel(screen, outside.left + 10, outside.bottom - 6);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(inside, RGB(255, 255, 255));
  EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));
}

TEST(Window, RadioPairsAreIndependentAndCheckBoxesToggle) {
  Program p;
  ASSERT_TRUE(p.ready());
  auto marks = [&] {
    std::string m;
    for (const char* name : {"大小分割_单选框", "平均分割_单选框", "自定名称_单选框", "自动命名_单选框",
                             "创建文件夹_复选框", "删除原文件_复选框"}) {
      m += p.Checked(name) ? '1' : '0';
    }
    return m;
  };
  struct { const char* click; std::string after; } steps[] = {
      {"平均分割_单选框", "011010"},
      {"自动命名_单选框", "010110"},
      {"大小分割_单选框", "100110"},
      {"创建文件夹_复选框", "100100"},
      {"删除原文件_复选框", "100101"},
      {"删除原文件_复选框", "100100"},
  };
  for (const auto& step : steps) {
    p.Click(step.click);
    p.Sync();
    EXPECT_EQ(marks(), step.after) << "after clicking " << step.click;
  }
}

// "时间：" h "点" m "分" s "秒" for the local time moved by a few seconds.
Text ClockText(int offsetSeconds) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(offsetSeconds) * 10000000LL);
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  FileTimeToSystemTime(&ft, &st);
  char buf[64];
  wsprintfA(buf, "时间：%d点%d分%d秒", st.wHour, st.wMinute, st.wSecond);
  return buf;
}

TEST(Window, ClockShowsTheTimeOfDayEverySecondWithoutLeadingZeros) {
  Program p;
  ASSERT_TRUE(p.ready());
  ASSERT_TRUE(WaitUntil([&] { return !p.Pane(1).empty(); }, 3000)) << "the clock never ticked";
  Text first = p.Pane(1);
  bool matches = false;
  for (int offset = -2; offset <= 0 && !matches; ++offset) matches = first == ClockText(offset);
  EXPECT_TRUE(matches) << first << " is not the time " << ClockText(0);
  EXPECT_TRUE(WaitUntil([&] { return p.Pane(1) != first; }, 2500)) << "the clock stopped";
}

}  // namespace

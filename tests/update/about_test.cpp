// The About box of the real Update.exe, opened through the wizard's system-menu command.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "strfile.h"
#include "wizard_fixture.h"

namespace {

constexpr int kLong = 30000;

// The About box: the process's dialog without the wizard's status line.
bool FindAbout(DWORD pid, ts::WindowInfo* out) {
  for (const ts::WindowInfo& w : ts::ListWindows(pid)) {
    if (w.cls == "#32770" && w.visible && ts::FindControl(w, IDC_ABOUT_VERSION)) {
      *out = w;
      return true;
    }
  }
  return false;
}

// Size of a link caption in the default GUI font, one pixel higher for the underline.
SIZE LinkTextSize(const char* text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, 240, 240};
  DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_WORDBREAK);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top + 1};
}

// Pixels of exactly this colour in the window's part of the screen.
int CountColour(HWND hwnd, const RECT& screenRect, COLORREF colour) {
  int width = 0, height = 0;
  std::string rgb;
  if (!ts::CaptureRgb(hwnd, &width, &height, &rgb)) return -1;
  RECT window;
  GetWindowRect(hwnd, &window);
  int count = 0;
  for (int y = screenRect.top - window.top; y < screenRect.bottom - window.top; ++y) {
    for (int x = screenRect.left - window.left; x < screenRect.right - window.left; ++x) {
      if (x < 0 || y < 0 || x >= width || y >= height) continue;
      const unsigned char* p = reinterpret_cast<const unsigned char*>(&rgb[(static_cast<size_t>(y) * width + x) * 3]);
      if (p[0] == GetRValue(colour) && p[1] == GetGValue(colour) && p[2] == GetBValue(colour)) ++count;
    }
  }
  return count;
}

TEST(AboutBox, TextsLinksAndReopening) {
  if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"a.txt", "abc"}}, &server));
  std::string app = wiz::MakeApp(wiz::IniFor(server.base, {{"a.txt", "2.0"}}), wiz::EnglishStrings());
  ts::WriteFileBytes(app + "a.txt", "abc");
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app, "/A"));
  ts::WindowInfo main;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UP_TO_DATE, kLong, &main)) << wizard.Status();

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("opening " + std::to_string(round + 1));
    ASSERT_TRUE(PostMessageA(main.hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0));
    ts::WindowInfo about;
    ASSERT_TRUE(ts::WaitUntil([&] { return FindAbout(wizard.Pid(), &about); }, kLong));
    EXPECT_EQ(wiz::Text("en", LS_ABOUT), about.title);
    EXPECT_EQ(wiz::Text("en", LS_TITLE) + " v1.0", wiz::TextOf(about, IDC_ABOUT_VERSION));
    EXPECT_EQ(0u, wiz::TextOf(about, IDC_ABOUT_COPYRIGHT).find(wiz::Text("en", LS_ABOUT_COPYRIGHT)));
    EXPECT_GT(wiz::TextOf(about, IDC_ABOUT_COPYRIGHT).size(), wiz::Text("en", LS_ABOUT_COPYRIGHT).size());
    EXPECT_EQ(wiz::Text("en", LS_ABOUT_OK), wiz::TextOf(about, IDOK));
    // The wizard is the owner and stays disabled while the About box is open.
    EXPECT_FALSE(IsWindowEnabled(main.hwnd));

    const struct {
      int id;
      const char* text;
    } links[] = {{IDC_ABOUT_HOMEPAGE, "Author homepage"}, {IDC_ABOUT_EMAIL, "Email to author"}};
    for (const auto& link : links) {
      const ts::ControlInfo* c = ts::FindControl(about, link.id);
      ASSERT_NE(nullptr, c);
      EXPECT_EQ(link.text, c->text);
      RECT r;
      GetWindowRect(c->hwnd, &r);
      SIZE want = LinkTextSize(link.text);
      EXPECT_EQ(want.cx, r.right - r.left) << link.text;
      EXPECT_EQ(want.cy, r.bottom - r.top) << link.text;
      // Drawn as blue text with a blue underline on its last row.
      EXPECT_GT(CountColour(about.hwnd, r, RGB(0, 0, 238)), (r.right - r.left)) << link.text;
      RECT underline = {r.left, r.bottom - 1, r.right, r.bottom};
      EXPECT_GE(CountColour(about.hwnd, underline, RGB(0, 0, 238)), (r.right - r.left) - 1) << link.text;
    }

    ASSERT_TRUE(ts::ClickButton(about.hwnd, IDOK));
    ASSERT_TRUE(ts::WaitUntil([&] { return !IsWindow(about.hwnd); }, kLong));
    ASSERT_TRUE(ts::WaitUntil([&] { return IsWindowEnabled(main.hwnd) != FALSE; }, kLong));
    EXPECT_TRUE(wizard.Process().Running());
  }
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  EXPECT_TRUE(wizard.Process().Wait(kLong));
}

}  // namespace

namespace {

// The About entry (with its separator) is appended to the system menu only when LS_ABOUT is not
// empty. Another process's menu cannot be read under Wine, so the system menu is opened (as Alt+Space
// does) and the height of its popup compared: two items more with the entry than without.
TEST(AboutBox, SystemMenuEntryOnlyWithAboutText) {
  if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"a.txt", "abc"}}, &server));
  int heights[2] = {-1, -1};
  for (int emptyAbout = 0; emptyAbout < 2; ++emptyAbout) {
    SCOPED_TRACE(emptyAbout ? "empty LS_ABOUT" : "LS_ABOUT set");
    std::string app = wiz::MakeApp(wiz::IniFor(server.base, {{"a.txt", "2.0"}}),
                                   wiz::StringFile({{"en", 1033, 1252}}, emptyAbout != 0));
    ts::WriteFileBytes(app + "a.txt", "abc");
    wiz::Wizard wizard;
    ASSERT_TRUE(wizard.Start(app, "/A"));
    ts::WindowInfo w;
    ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UP_TO_DATE, kLong, &w)) << wizard.Status();
    ASSERT_TRUE(PostMessageA(w.hwnd, WM_SYSCOMMAND, SC_KEYMENU, ' '));
    ts::WindowInfo popup;
    ASSERT_TRUE(ts::WaitUntil([&] {
      for (const ts::WindowInfo& x : ts::ListWindows(wizard.Pid())) {
        if (x.cls == "#32768" && x.visible) {
          popup = x;
          return true;
        }
      }
      return false;
    }, kLong));
    heights[emptyAbout] = popup.rect.bottom - popup.rect.top;
    ts::PressKey(popup.hwnd, VK_ESCAPE);
    ts::PressKey(popup.hwnd, VK_ESCAPE);
    PostMessageA(w.hwnd, WM_CANCELMODE, 0, 0);
    Sleep(300);
    wizard.Process().Terminate();
  }
  EXPECT_GT(heights[0], heights[1] + GetSystemMetrics(SM_CYMENUSIZE) / 2);
}

}  // namespace

// Proves the test helpers against testhelper.exe, the test server and the share of the environment.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "testhelper_ids.h"
#include "testsupport.h"

namespace {

#define REQUIRE_ENV() \
  if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv"

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string Helper(const std::string& args) { return Quote(ts::TestHelperExe()) + " " + args; }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// ---- environment and files ----

TEST(Environment, FreshFoldersAreUniqueAndInsideTheirRoots) {
  REQUIRE_ENV();
  std::string a = ts::NewScratchDir("same hint"), b = ts::NewScratchDir("same hint");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.compare(0, ts::Env("UPD_SCRATCH_WIN").size(), ts::Env("UPD_SCRATCH_WIN")), 0) << a;
  EXPECT_TRUE(EndsWith(a, "\\")) << a;
  EXPECT_TRUE(ts::DirExists(a));
  EXPECT_EQ(a.find(' '), std::string::npos) << "hint characters are made path-safe: " << a;

  ts::ServedDir http = ts::NewHttpDir("h");
  EXPECT_TRUE(ts::DirExists(http.path));
  EXPECT_EQ(http.url.compare(0, ts::Env("UPD_HTTP_URL").size(), ts::Env("UPD_HTTP_URL")), 0) << http.url;
  EXPECT_TRUE(EndsWith(http.url, "/")) << http.url;
  ts::ServedDir share = ts::NewShareDir("s");
  EXPECT_EQ(share.url.compare(0, 12, "\\\\srv\\share\\"), 0) << share.url;
  EXPECT_TRUE(EndsWith(share.url, "\\")) << share.url;

  std::string dist = ts::DistDir();
  EXPECT_EQ(dist.compare(0, 3, "Z:\\"), 0) << dist;
  EXPECT_TRUE(EndsWith(dist, "\\dist\\win64\\")) << dist;
  EXPECT_TRUE(ts::FileExists(ts::TestHelperExe())) << ts::TestHelperExe();
  EXPECT_TRUE(ts::FileExists(ts::WinspyExe())) << ts::WinspyExe();
}

TEST(Files, BytesRoundTripAndTreesComeAndGo) {
  REQUIRE_ENV();
  std::string dir = ts::NewScratchDir("files");
  std::string data("line\r\nbare\nnul\0end\xff", 20);
  std::string deep = dir + "a\\b\\c\\";
  ASSERT_TRUE(ts::MakeDirs(deep));
  ASSERT_TRUE(ts::MakeDirs(deep)) << "an existing folder is success";
  ASSERT_TRUE(ts::WriteFileBytes(deep + "f.bin", data));
  std::string back;
  ASSERT_TRUE(ts::ReadFileBytes(deep + "f.bin", &back));
  EXPECT_EQ(back, data);
  ASSERT_TRUE(ts::WriteFileBytes(deep + "f.bin", "x"));
  ASSERT_TRUE(ts::ReadFileBytes(deep + "f.bin", &back));
  EXPECT_EQ(back, "x") << "writing truncates";
  ASSERT_TRUE(ts::CopyFileTo(deep + "f.bin", dir + "copy.bin"));
  EXPECT_TRUE(ts::FileExists(dir + "copy.bin"));
  EXPECT_FALSE(ts::FileExists(dir + "a")) << "a folder is not a file";
  EXPECT_FALSE(ts::DirExists(deep + "f.bin")) << "a file is not a folder";
  EXPECT_FALSE(ts::ReadFileBytes(dir + "missing", &back));

  ASSERT_TRUE(ts::RemoveTree(dir + "a"));
  EXPECT_FALSE(ts::DirExists(dir + "a"));
  EXPECT_TRUE(ts::FileExists(dir + "copy.bin")) << "only the named tree goes";
  EXPECT_TRUE(ts::RemoveTree(dir + "a")) << "a missing tree is already gone";
}

TEST(Served, HttpAndShareSeeTheSameBytesAndTheLogRecordsRequests) {
  REQUIRE_ENV();
  std::string data("packed\0bytes\r\n", 14);
  ts::ServedDir http = ts::NewHttpDir("served");
  ASSERT_TRUE(ts::WriteFileBytes(http.path + "file.z", data));
  ASSERT_TRUE(ts::HttpLogClear());
  EXPECT_TRUE(ts::HttpLog().empty());

  std::string body;
  DWORD status = 0;
  ASSERT_TRUE(ts::HttpGet(http.url + "file.z", &body, &status));
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(body, data);
  std::string name = http.url.substr(ts::Env("UPD_HTTP_URL").size());  // "<dir>/"
  ASSERT_TRUE(ts::HttpGet(ts::Env("UPD_HTTP_URL") + "404/" + name + "file.z", &body, &status));
  EXPECT_EQ(status, 404u);
  std::vector<std::string> log = ts::HttpLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "/" + name + "file.z");
  EXPECT_EQ(log[1], "/404/" + name + "file.z");

  ts::ServedDir share = ts::NewShareDir("served");
  ASSERT_TRUE(ts::WriteFileBytes(share.path + "file.z", data));
  ASSERT_TRUE(ts::ReadFileBytes(share.url + "file.z", &body));
  EXPECT_EQ(body, data);
}

// ---- processes ----

TEST(Processes, RunProcessCapturesExactBytesExitCodeAndEnvironment) {
  REQUIRE_ENV();
  std::string out;
  DWORD code = 0;
  ASSERT_TRUE(ts::RunProcess(Helper("/stdout a\\r\\nb\\x00c /exit 7"), "", 20000, &out, &code));
  EXPECT_EQ(out, std::string("a\r\nb\0c", 6));
  EXPECT_EQ(code, 7u);

  std::vector<std::string> env = {"UPD_PROBE=set for the child"};
  ASSERT_TRUE(ts::RunProcess(Helper("/printenv UPD_PROBE /printenv UPD_TEST_ENV"), "", 20000, &out, &code, &env));
  EXPECT_EQ(out, "set for the child1") << "the extra variable is added, the rest of the environment kept";
  ASSERT_TRUE(ts::RunProcess(Helper("/printenv UPD_PROBE"), "", 20000, &out, &code));
  EXPECT_EQ(out, "<unset>");
}

TEST(Processes, RunProcessEndsALateProcessAndReportsIt) {
  REQUIRE_ENV();
  DWORD start = GetTickCount();
  std::string out;
  EXPECT_FALSE(ts::RunProcess(Helper("/stdout early /sleep 30000"), "", 1500, &out));
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_EQ(out, "early") << "what came before the time limit is kept";
  EXPECT_FALSE(ts::RunProcess("Z:\\no\\such\\program.exe", "", 5000, &out));
}

TEST(Processes, RecordHoldAndTerminate) {
  REQUIRE_ENV();
  std::string dir = ts::NewScratchDir("hold");
  std::string held = dir + "held.dll", record = dir + "record.txt";
  ASSERT_TRUE(ts::WriteFileBytes(held, "old"));
  ts::Proc p = ts::StartProcess(Helper("/record " + Quote(record) + " /hold " + Quote(held) + " /window"), dir);
  ASSERT_TRUE(p.Started());
  std::string text;
  ASSERT_TRUE(ts::WaitUntil([&] { return ts::ReadFileBytes(record, &text) && !text.empty(); }, 20000));
  std::string expect = "start\t" + std::to_string(p.Pid()) + "\t" + ts::TestHelperExe() + "\t" +
                       dir.substr(0, dir.size() - 1) + "\t/record ";
  EXPECT_EQ(text.compare(0, expect.size(), expect), 0) << text;
  EXPECT_TRUE(EndsWith(text, "/window\r\n")) << text;
  ASSERT_TRUE(ts::WaitForWindow(p.Pid(), "TestHelperWindow", 20000, nullptr));

  EXPECT_FALSE(DeleteFileA(held.c_str())) << "held without delete sharing";
  EXPECT_FALSE(ts::WriteFileBytes(held, "new")) << "held without write sharing";
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(p.ExitCode(), (DWORD)STILL_ACTIVE);
  p.Terminate(5);
  EXPECT_FALSE(p.Running());
  EXPECT_EQ(p.ExitCode(), 5u);
  EXPECT_TRUE(DeleteFileA(held.c_str())) << "released when the process ends";
}

TEST(Processes, FindsProcessesByExecutableNameOfACopy) {
  REQUIRE_ENV();
  std::string dir = ts::NewScratchDir("copy");
  ASSERT_TRUE(ts::CopyFileTo(ts::TestHelperExe(), dir + "DemoApp.exe"));
  ts::Proc a = ts::StartProcess(Quote(dir + "DemoApp.exe") + " /window", dir);
  ts::Proc b = ts::StartProcess(Quote(dir + "DemoApp.exe") + " /sleep 60000", dir);
  ASSERT_TRUE(a.Started() && b.Started());
  std::vector<DWORD> found;
  EXPECT_TRUE(ts::WaitUntil([&] { found = ts::FindProcesses("demoapp.EXE"); return found.size() == 2; }, 10000));
  std::sort(found.begin(), found.end());
  std::vector<DWORD> started = {a.Pid(), b.Pid()};
  std::sort(started.begin(), started.end());
  EXPECT_EQ(found, started);
  EXPECT_TRUE(ts::FindProcesses("DemoApp").empty()) << "the whole file name counts";
  a.Terminate();
  b.Terminate();
  EXPECT_TRUE(ts::FindProcesses("DemoApp.exe").empty());
}

struct CloseCase {
  const char* mode;
  bool ends;
  const char* recorded;
};

TEST(Processes, WindowCloseModes) {
  REQUIRE_ENV();
  const CloseCase cases[] = {
      {"/window", true, "closing"},
      {"/slowclose 300", true, "slow"},
      {"/ignoreclose", false, "ignored"},
      {"/hangclose", false, "hanging"},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.mode);
    std::string record = ts::NewScratchDir("close") + "record.txt";
    ts::Proc p = ts::StartProcess(Helper("/record " + Quote(record) + " /title Closer " + c.mode), "");
    ASSERT_TRUE(p.Started());
    ts::WindowInfo w;
    ASSERT_TRUE(ts::WaitForWindow(p.Pid(), "TestHelperWindow", 20000, &w));
    EXPECT_EQ(w.title, "Closer");
    ASSERT_TRUE(ts::CloseWindowOf(w.hwnd));
    std::string line = "close\t" + std::to_string(p.Pid()) + "\t" + c.recorded + "\r\n";
    std::string text;
    EXPECT_TRUE(ts::WaitUntil(
        [&] { return ts::ReadFileBytes(record, &text) && text.find(line) != std::string::npos; }, 10000))
        << text;
    EXPECT_EQ(p.Wait(c.ends ? 10000 : 1000), c.ends);
    if (c.ends) {
      EXPECT_EQ(p.ExitCode(), 0u);
      ASSERT_TRUE(ts::ReadFileBytes(record, &text));
      EXPECT_TRUE(EndsWith(text, "end\t" + std::to_string(p.Pid()) + "\t0\r\n")) << text;
    }
    p.Terminate();
  }
}

// ---- windows of another process ----

class DemoDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
    proc = ts::StartProcess(Helper("/dialog"), "");
    ASSERT_TRUE(proc.Started());
    ASSERT_TRUE(ts::WaitForWindow(proc.Pid(), "#32770", 20000, &dlg));
  }
  void TearDown() override { proc.Terminate(); }
  std::string Status() { return ts::WindowText(GetDlgItem(dlg.hwnd, IDC_DEMO_STATUS)); }
  bool StatusBecomes(const std::string& s) {
    return ts::WaitUntil([&] { return Status() == s; }, 10000);
  }

  ts::Proc proc;
  ts::WindowInfo dlg{};
};

TEST_F(DemoDialog, ListsControlsWithTextAndState) {
  EXPECT_FALSE(ts::FindMessageBox(proc.Pid(), nullptr)) << "the dialog itself is no message box";
  EXPECT_EQ(dlg.title, "Rig Demo");
  EXPECT_EQ(dlg.pid, proc.Pid());
  EXPECT_TRUE(dlg.visible);
  EXPECT_GT(dlg.rect.right - dlg.rect.left, 100);
  struct Expect {
    int id;
    const char* cls;
    const char* text;
    bool enabled;
  } expected[] = {
      {IDC_DEMO_STATUS, "Static", "Ready", true},      {IDC_DEMO_CHANGE, "Button", "Change", true},
      {IDC_DEMO_DISABLED, "Button", "Disabled", false}, {IDC_DEMO_LIST, "SysListView32", "", true},
      {IDC_DEMO_PROGRESS, "msctls_progress32", "", true}, {IDOK, "Button", "OK", true},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.id);
    const ts::ControlInfo* c = ts::FindControl(dlg, e.id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->cls, e.cls);
    EXPECT_EQ(c->text, e.text);
    EXPECT_EQ(c->enabled, e.enabled);
    EXPECT_TRUE(c->visible);
  }
  EXPECT_EQ(ts::FindControl(dlg, 4242), nullptr);
  EXPECT_TRUE(ts::ListWindows(0xFFFFFFF0u).empty());
}

TEST_F(DemoDialog, ReadsListViewRowsAndProgressAcrossProcesses) {
  HWND list = GetDlgItem(dlg.hwnd, IDC_DEMO_LIST);
  std::vector<std::vector<std::string>> expected = {
      {"alpha.dll", "1.0.0.1", "1234"},
      {"sub\\beta.exe", "", "0"},
      {"a name with spaces and a rather long tail to see that nothing is cut.txt", "2.5", "99999"}};
  EXPECT_EQ(ts::ListViewRows(list), expected) << "columns taken from the header";
  std::vector<std::vector<std::string>> first = ts::ListViewRows(list, 1);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[2], std::vector<std::string>{expected[2][0]});
  int pos = -1, low = -1, high = -1;
  ASSERT_TRUE(ts::ProgressState(GetDlgItem(dlg.hwnd, IDC_DEMO_PROGRESS), &pos, &low, &high));
  EXPECT_EQ(pos, 40);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 100);
}

TEST_F(DemoDialog, ClicksEnabledButtonsOnlyAndTogglesCheckBoxes) {
  EXPECT_FALSE(ts::ClickButton(dlg.hwnd, IDC_DEMO_DISABLED));
  EXPECT_FALSE(ts::ClickButton(dlg.hwnd, 4242));
  ASSERT_TRUE(ts::ClickButton(dlg.hwnd, IDC_DEMO_CHANGE));
  EXPECT_TRUE(StatusBecomes("Changed")) << Status();

  HWND option = GetDlgItem(dlg.hwnd, IDC_DEMO_OPTION);
  EXPECT_FALSE(ts::IsChecked(option));
  ASSERT_TRUE(ts::ClickButton(dlg.hwnd, IDC_DEMO_OPTION));
  EXPECT_TRUE(ts::WaitUntil([&] { return ts::IsChecked(option); }, 5000));
  ASSERT_TRUE(ts::ClickButton(dlg.hwnd, IDC_DEMO_OPTION));
  EXPECT_TRUE(ts::WaitUntil([&] { return !ts::IsChecked(option); }, 5000));
}

TEST_F(DemoDialog, MessageBoxIsReadAndAnsweredWithoutBlocking) {
  const int answers[] = {IDYES, IDNO, IDCANCEL};
  for (int answer : answers) {
    SCOPED_TRACE(answer);
    DWORD start = GetTickCount();
    ASSERT_TRUE(ts::ClickButton(dlg.hwnd, IDC_DEMO_ASK));
    EXPECT_LT(GetTickCount() - start, 2000u) << "the click must not wait for the message box";
    ts::MessageBoxInfo box;
    ASSERT_TRUE(ts::WaitMessageBox(proc.Pid(), 10000, &box));
    EXPECT_NE(box.hwnd, dlg.hwnd);
    EXPECT_EQ(box.title, "Rig Demo");
    EXPECT_EQ(box.text, "Proceed with the demo?");
    std::vector<int> ids;
    for (const ts::ControlInfo& b : box.buttons) ids.push_back(b.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{IDCANCEL, IDYES, IDNO}));
    EXPECT_FALSE(ts::AnswerMessageBox(box.hwnd, IDRETRY)) << "no such button";
    ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, answer));
    EXPECT_TRUE(StatusBecomes("Answer " + std::to_string(answer))) << Status();
    EXPECT_TRUE(ts::WaitUntil([&] { return !ts::FindMessageBox(proc.Pid(), nullptr); }, 5000)) << "the box is gone";
  }
}

TEST_F(DemoDialog, EscapeKeyReachesTheDialogLoop) {
  ASSERT_TRUE(ts::PressKey(dlg.hwnd, VK_ESCAPE));
  ASSERT_TRUE(proc.Wait(10000));
  EXPECT_EQ(proc.ExitCode(), (DWORD)IDCANCEL);
}

TEST_F(DemoDialog, EnterKeyPressesTheDefaultButton) {
  ASSERT_TRUE(ts::PressKey(dlg.hwnd, VK_RETURN));
  ASSERT_TRUE(proc.Wait(10000));
  EXPECT_EQ(proc.ExitCode(), (DWORD)IDOK);
}

// Inflates the IDAT data of a PNG written by EncodePng and checks it against the pixels.
void CheckPng(const std::string& png, int w, int h, const std::string& rgb) {
  ASSERT_GT(png.size(), 8u + 25 + 12 + 12);
  ASSERT_EQ(png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0);
  auto be32 = [&](size_t at) {
    return (uLong(uint8_t(png[at])) << 24) | (uLong(uint8_t(png[at + 1])) << 16) | (uLong(uint8_t(png[at + 2])) << 8) |
           uLong(uint8_t(png[at + 3]));
  };
  ASSERT_EQ(png.compare(12, 4, "IHDR"), 0);
  EXPECT_EQ(be32(16), (uLong)w);
  EXPECT_EQ(be32(20), (uLong)h);
  size_t at = 8 + 8 + 13 + 4;
  ASSERT_EQ(png.compare(at + 4, 4, "IDAT"), 0);
  uLong len = be32(at);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), len + 4);
  EXPECT_EQ(be32(at + 8 + len), crc);
  std::string raw(size_t(h) * (size_t(w) * 3 + 1), '\0');
  uLongf rawLen = (uLongf)raw.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&raw[0]), &rawLen, reinterpret_cast<const Bytef*>(png.data() + at + 8),
                       len),
            Z_OK);
  ASSERT_EQ(rawLen, raw.size());
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(raw[size_t(y) * (w * 3 + 1)], '\0');
    ASSERT_EQ(raw.compare(size_t(y) * (w * 3 + 1) + 1, size_t(w) * 3, rgb, size_t(y) * w * 3, size_t(w) * 3), 0)
        << "row " << y;
  }
  EXPECT_EQ(png.compare(png.size() - 8, 4, "IEND"), 0);
}

TEST_F(DemoDialog, ScreenshotShowsTheDialog) {
  Sleep(300);  // let it paint
  int w = 0, h = 0;
  std::string rgb;
  ASSERT_TRUE(ts::CaptureRgb(dlg.hwnd, &w, &h, &rgb));
  EXPECT_EQ(w, dlg.rect.right - dlg.rect.left);
  EXPECT_EQ(h, dlg.rect.bottom - dlg.rect.top);
  // A painted dialog has a face colour, text and frames: many distinct colours, not one black area.
  std::vector<uint32_t> colours;
  for (size_t i = 0; i + 2 < rgb.size() && colours.size() < 5; i += 3) {
    uint32_t c = (uint8_t(rgb[i]) << 16) | (uint8_t(rgb[i + 1]) << 8) | uint8_t(rgb[i + 2]);
    if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
  }
  EXPECT_GE(colours.size(), 3u);

  std::string png;
  ASSERT_TRUE(ts::EncodePng(w, h, rgb, &png));
  CheckPng(png, w, h, rgb);
  EXPECT_FALSE(ts::EncodePng(w, h, rgb.substr(1), &png)) << "pixel count must match";

  std::string dir = ts::NewScratchDir("shot");
  ASSERT_TRUE(ts::SaveScreenshotPng(dir + "sub\\dialog.png", dlg.hwnd));
  ASSERT_TRUE(ts::SaveScreenshotPng(dir + "screen.png"));
  std::string file;
  ASSERT_TRUE(ts::ReadFileBytes(dir + "screen.png", &file));
  EXPECT_EQ(file.compare(1, 3, "PNG"), 0);
  std::string keep = ts::Env("UPD_SHOT_DIR");  // set it to look at the pictures afterwards
  if (!keep.empty()) {
    ts::CopyFileTo(dir + "sub\\dialog.png", keep + "\\dialog.png");
    ts::CopyFileTo(dir + "screen.png", keep + "\\screen.png");
  }
}

TEST_F(DemoDialog, WinspyListsAndClicks) {
  std::string out;
  DWORD code = 1;
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " list " + std::to_string(proc.Pid()), "", 20000, &out, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_NE(out.find("class=\"#32770\" title=\"Rig Demo\" visible=1"), std::string::npos) << out;
  EXPECT_NE(out.find("id=1005 class=\"Button\" text=\"Disabled\" enabled=0 visible=1"), std::string::npos) << out;
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " list testhelper.exe", "", 20000, &out, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_NE(out.find("title=\"Rig Demo\""), std::string::npos) << out;

  char hwnd[32];
  snprintf(hwnd, sizeof(hwnd), "0x%llx", (unsigned long long)(uintptr_t)dlg.hwnd);
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " rows " + hwnd, "", 20000, &out, &code));
  EXPECT_EQ(code, 1u) << "a dialog is no list view";
  snprintf(hwnd, sizeof(hwnd), "0x%llx", (unsigned long long)(uintptr_t)GetDlgItem(dlg.hwnd, IDC_DEMO_LIST));
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " rows " + hwnd, "", 20000, &out, &code));
  EXPECT_EQ(out.substr(0, out.find('\n')), "alpha.dll\t1.0.0.1\t1234");

  snprintf(hwnd, sizeof(hwnd), "0x%llx", (unsigned long long)(uintptr_t)dlg.hwnd);
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " click " + hwnd + " 1005", "", 20000, &out, &code));
  EXPECT_EQ(code, 1u) << "disabled";
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " click " + hwnd + " 1002", "", 20000, &out, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(StatusBecomes("Changed"));
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " bogus", "", 20000, &out, &code));
  EXPECT_EQ(code, 2u);

  std::string shot = ts::NewScratchDir("winspy") + "dlg.png";
  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " shot " + Quote(shot) + " " + hwnd, "", 20000, &out, &code));
  EXPECT_EQ(code, 0u);
  std::string png;
  ASSERT_TRUE(ts::ReadFileBytes(shot, &png));
  EXPECT_EQ(png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0);

  ASSERT_TRUE(ts::RunProcess(Quote(ts::WinspyExe()) + " close " + hwnd, "", 20000, &out, &code));
  EXPECT_EQ(code, 0u);
  ASSERT_TRUE(proc.Wait(10000)) << "WM_CLOSE of a dialog is its Cancel";
  EXPECT_EQ(proc.ExitCode(), (DWORD)IDCANCEL);
}

}  // namespace

// Closing the programs that are about to be replaced: the close request, dialog 101 and termination.
#include <gtest/gtest.h>

#include "swaplet_rig.h"

namespace {

const char kNewTool[] = "new tool";

// Lays out one executable entry (old version: a copy of testhelper.exe at app\runAs) and its
// download, and starts count copies of the helper with the given switches.
struct ToolSetup {
  SwapletRig rig;
  std::vector<ts::Proc> helpers;
  std::string logPath;

  bool Create(const std::string& hint, const std::string& entry, const std::string& runAs,
              const std::string& switches, int count = 1) {
    if (!rig.Create(hint)) return false;
    logPath = rig.base + "helper.log";
    std::string saved = "[ENUM]\r\n1=" + entry + "\r\n[" + entry + "]\r\nVER=2.0\r\n";
    std::string local = "[" + entry + "]\r\nVER=1.0\r\n";
    if (!rig.WriteLocalManifest(local) || !rig.WriteSavedManifest(saved) || !rig.WriteDownload(entry, kNewTool))
      return false;
    std::string exe = rig.app + runAs;
    if (!ts::MakeDirs(exe.substr(0, exe.find_last_of('\\') + 1)) || !ts::CopyFileTo(ts::TestHelperExe(), exe))
      return false;
    for (int i = 0; i < count; ++i) {
      helpers.push_back(ts::StartProcess("\"" + exe + "\" /record \"" + logPath + "\" " + switches, rig.base));
      if (!helpers.back().Started() || !ts::WaitForWindow(helpers.back().Pid(), nullptr, 10000, nullptr))
        return false;
    }
    return true;
  }

  // Lines of the helpers' record that start with word ("start", "close", "end").
  int Records(const char* word) const {
    int n = 0;
    for (const std::string& line : ReadLines(logPath)) n += line.compare(0, strlen(word), word) == 0 && line[strlen(word)] == '\t';
    return n;
  }

  ~ToolSetup() {
    for (ts::Proc& p : helpers) p.Terminate();
  }
};

enum class Action { Button, CloseDialog, EscapeThenButton, ProgramEndsItself };

struct DialogCase {
  const char* what;
  const char* entry;
  const char* runAs;
  const char* switches;
  Action action;
};

const DialogCase kDialogCases[] = {
    {"the button terminates at once", "tool.exe", "tool.exe", "/window /ignoreclose", Action::Button},
    {"closing the dialog terminates", "bin\\tool.exe", "bin\\tool.exe", "/window /ignoreclose",
     Action::CloseDialog},
    {"entry bin/tool.exe", "bin/tool.exe", "bin\\tool.exe", "/window /ignoreclose", Action::Button},
    {"Escape is ignored; entry Tool.EXE finds tool.exe", "Tool.EXE", "tool.exe", "/window /ignoreclose",
     Action::EscapeThenButton},
    {"a program that ends during the countdown", "tool.exe", "tool.exe", "/window /ignoreclose",
     Action::ProgramEndsItself},
    {"a hung window does not hold the run", "tool.exe", "tool.exe", "/window /hangclose", Action::Button},
};

}  // namespace

TEST(ClosePrograms, DialogCases) {
  int n = 0;
  for (const DialogCase& c : kDialogCases) {
    SCOPED_TRACE(c.what);
    ToolSetup t;
    ASSERT_TRUE(t.Create("close" + std::to_string(++n), c.entry, c.runAs, c.switches));
    ts::Proc& helper = t.helpers[0];
    ASSERT_TRUE(t.rig.Start());
    ts::WindowInfo dlg;
    ASSERT_TRUE(t.rig.WaitCloseDialog(15000, &dlg));
    EXPECT_EQ(dlg.title, kTitle);
    EXPECT_EQ(ts::FindControl(dlg, 1)->text, kTerminateButton);
    // The dialog names the entry's file name (the part after its folders), as listed.
    std::string fileName = c.entry;
    fileName = fileName.substr(fileName.find_last_of("\\/") + 1);
    EXPECT_EQ(ts::FindControl(dlg, 1000)->text, Fill(kCloseProgramFormat, fileName));
    EXPECT_EQ(ts::FindControl(dlg, 1001)->text, Fill(kSecondsFormat, "0"));
    EXPECT_EQ(t.Records("close"), 1);  // asked once through its window
    ts::WindowInfo progress;
    ASSERT_TRUE(t.rig.WaitProgressDialog(1000, &progress));
    EXPECT_EQ(ts::WindowText(ts::FindControl(progress, 1001)->hwnd), Fill(kClosingFormat, c.entry));
    HWND seconds = ts::FindControl(dlg, 1001)->hwnd;

    switch (c.action) {
      case Action::Button:
        ts::SaveScreenshotPng(t.rig.base + "swaplet-close-program.png", dlg.hwnd);
        if (ts::Env("UPD_DOCS_SCREENSHOTS") == "1")
          ts::SaveScreenshotPng(DocsDir() + "swaplet-close-program.png", dlg.hwnd);
        ASSERT_TRUE(ts::ClickButton(dlg.hwnd, 1));
        EXPECT_TRUE(helper.Wait(5000));
        EXPECT_EQ(helper.ExitCode(), 0u);
        break;
      case Action::CloseDialog:
        ASSERT_TRUE(ts::CloseWindowOf(dlg.hwnd));
        EXPECT_TRUE(helper.Wait(5000));
        EXPECT_EQ(helper.ExitCode(), 0u);
        break;
      case Action::EscapeThenButton:
        ASSERT_TRUE(ts::WaitUntil([&] { return ts::WindowText(seconds) == Fill(kSecondsFormat, "2"); }, 5000));
        ASSERT_TRUE(ts::PressKey(dlg.hwnd, VK_ESCAPE));
        // Still up and counting two ticks later.
        EXPECT_TRUE(ts::WaitUntil([&] { return ts::WindowText(seconds) == Fill(kSecondsFormat, "4"); }, 8000));
        EXPECT_TRUE(IsWindowVisible(dlg.hwnd));
        EXPECT_TRUE(helper.Running());
        ASSERT_TRUE(ts::ClickButton(dlg.hwnd, 1));
        EXPECT_TRUE(helper.Wait(5000));
        EXPECT_EQ(helper.ExitCode(), 0u);
        break;
      case Action::ProgramEndsItself:
        helper.Terminate(7);
        // The dialog closes at the next tick (1 s; more on a loaded machine).
        EXPECT_TRUE(ts::WaitUntil([&] { return !IsWindow(dlg.hwnd); }, 5000));
        EXPECT_EQ(helper.ExitCode(), 7u);  // not terminated by the installer
        break;
    }
    EXPECT_TRUE(ts::WaitUntil([&] { return !IsWindow(dlg.hwnd); }, 3000));
    ASSERT_TRUE(t.rig.WaitEnd(20000));
    EXPECT_EQ(t.rig.ReadApp(c.runAs), kNewTool);
    EXPECT_EQ(t.rig.LocalIni(c.entry, "VER"), "2.0");
    EXPECT_TRUE(t.rig.WaitSelfRemoved());
  }
}

TEST(ClosePrograms, ProgramThatClosesOnRequestGetsNoDialog) {
  ToolSetup t;
  ASSERT_TRUE(t.Create("closes", "tool.exe", "tool.exe", "/window"));
  ASSERT_TRUE(t.rig.Start());
  ASSERT_TRUE(t.rig.WaitEnd(20000));
  EXPECT_FALSE(t.rig.SawCloseDialog());
  EXPECT_TRUE(t.helpers[0].Wait(1000));
  EXPECT_EQ(t.Records("close"), 1);
  EXPECT_EQ(t.Records("end"), 1);  // it ended by itself, not terminated
  EXPECT_EQ(t.rig.ReadApp("tool.exe"), kNewTool);
  EXPECT_TRUE(t.rig.WaitSelfRemoved());
}

TEST(ClosePrograms, TwoInstancesAreLeftAlone) {
  ToolSetup t;
  ASSERT_TRUE(t.Create("twice", "tool.exe", "tool.exe", "/window /ignoreclose", 2));
  t.rig.boxAnswer = IDCANCEL;  // the running file cannot be deleted: give up on it
  ASSERT_TRUE(t.rig.Start());
  ASSERT_TRUE(t.rig.WaitEnd(20000));
  EXPECT_FALSE(t.rig.SawCloseDialog());
  EXPECT_EQ(t.Records("close"), 0);  // neither asked
  EXPECT_TRUE(t.helpers[0].Running());
  EXPECT_TRUE(t.helpers[1].Running());
  // Neither was ended, so the Retry/Cancel question came for the running file; after Cancel the
  // old program stays and so does its version.
  EXPECT_EQ(t.rig.boxesAnswered, 1);
  EXPECT_NE(t.rig.ReadApp("tool.exe"), kNewTool);
  EXPECT_EQ(t.rig.LocalIni("tool.exe", "VER"), "1.0");
  EXPECT_TRUE(t.rig.WaitSelfRemoved());
}

// The whole countdown: 0 at the start, 1 to 20 on the ticks, termination at the 21st tick.
TEST(ClosePromptSlow, CountdownTerminatesAtTheTwentyFirstTick) {
  ToolSetup t;
  ASSERT_TRUE(t.Create("countdown", "tool.exe", "tool.exe", "/window /ignoreclose"));
  ASSERT_TRUE(t.rig.Start());
  ts::WindowInfo dlg;
  ASSERT_TRUE(t.rig.WaitCloseDialog(10000, &dlg));
  DWORD shown = GetTickCount();
  HWND seconds = ts::FindControl(dlg, 1001)->hwnd;
  int highest = 0;
  while (t.helpers[0].Running() && GetTickCount() - shown < 30000) {
    for (int s = highest + 1; s <= 21; ++s)
      if (ts::WindowText(seconds) == Fill(kSecondsFormat, std::to_string(s))) highest = s;
    Sleep(100);
  }
  DWORD ended = GetTickCount() - shown;
  EXPECT_EQ(highest, 20);
  EXPECT_FALSE(t.helpers[0].Running());
  EXPECT_EQ(t.helpers[0].ExitCode(), 0u);
  EXPECT_GE(ended, 19500u);
  EXPECT_LE(ended, 26000u);
  ASSERT_TRUE(t.rig.WaitEnd(20000));
  EXPECT_EQ(t.rig.ReadApp("tool.exe"), kNewTool);
  EXPECT_TRUE(t.rig.WaitSelfRemoved());
}

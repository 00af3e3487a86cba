// The whole update under Wine: Update.exe checks a real server, downloads, hands over to the embedded
// Swaplet.exe, which closes running programs, replaces the files and "update.ini", deletes the update
// folder, starts the program marked "EXE" and removes itself.
#include <gtest/gtest.h>

#include "e2e_scenario.h"
#include "testsupport.h"

namespace {

using e2e::Scenario;
using e2e::ServerKind;

constexpr int kUpdateMs = 30000;     // check + download + hand-off
constexpr int kInstallerMs = 30000;  // installer run after the hand-off
constexpr int kSelfDeleteMs = 10000;  // "a few seconds" for the installer's self-removal

class UpdateE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
    ASSERT_TRUE(ts::FileExists(ts::DistDir() + "Update.exe")) << "build Update.exe first";
    ASSERT_TRUE(ts::FileExists(ts::DistDir() + "Swaplet.exe")) << "build Swaplet.exe first";
    m_temp = e2e::TempDir();
    ASSERT_FALSE(m_temp.empty());
    EndLeftovers();
  }
  void TearDown() override { EndLeftovers(); }

  // A failed case (here or in an earlier test program of the same prefix) may leave programs behind;
  // the waits of every case count processes by name, so each case starts with none of them.
  static void EndLeftovers() {
    for (const char* name : {"Update.exe", "Swaplet.exe", "tool.exe", Scenario::kExeEntry})
      e2e::EndProcessesNamed(name);
  }

  // The installer's traces in the temporary folder disappear a few seconds after it ended.
  void ExpectInstallerRemovedItself() {
    bool gone = ts::WaitUntil(
        [&] { return !ts::FileExists(m_temp + "Swaplet.exe") && !ts::FileExists(m_temp + "SelfDel.bat"); },
        kSelfDeleteMs, 100);
    EXPECT_TRUE(gone) << "still there: " << (ts::FileExists(m_temp + "Swaplet.exe") ? "Swaplet.exe " : "")
                      << (ts::FileExists(m_temp + "SelfDel.bat") ? "SelfDel.bat" : "");
  }

  // The program marked "EXE" was started once by this run, from the application folder.
  void ExpectExeStartedOnce(const Scenario& s, size_t startsBefore) {
    std::vector<std::string> starts = s.ExeStarts();
    ASSERT_EQ(starts.size(), startsBefore + 1);
    std::string expected = "start\t" + s.AppDir() + Scenario::kExeEntry + "\t";
    EXPECT_EQ(starts.back().compare(0, expected.size(), expected), 0) << starts.back();
  }

  std::string m_temp;
};

// ---- "/A /H": the update runs by itself, with no click, from a web server and from a share ----

class AutoHiddenUpdate : public UpdateE2E, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(AutoHiddenUpdate, ReplacesFilesInstallsManifestAndRestartsProgram) {
  Scenario s(e2e::StandardFiles());
  ASSERT_TRUE(s.MakeServer(GetParam()));
  ASSERT_TRUE(s.InstallOldApp(ts::NewScratchDir("app")));

  ts::Proc update = s.StartUpdate("/A /H");
  ASSERT_TRUE(update.Wait(kUpdateMs)) << "Update.exe did not end by itself";
  ASSERT_TRUE(s.WaitForInstaller(kInstallerMs));
  s.ExpectUpdated();
  ExpectExeStartedOnce(s, 0);
  ExpectInstallerRemovedItself();

  // A second run right after the first finds everything up to date: with "/H" it ends by itself
  // without ever showing a window, fetches nothing but the manifest and changes nothing.
  if (GetParam() == ServerKind::Http) {
    ASSERT_TRUE(ts::HttpLogClear());
  }
  ts::Proc again = s.StartUpdate("/H");
  bool shown = false;
  ASSERT_TRUE(ts::WaitUntil(
      [&] {
        for (const ts::WindowInfo& w : ts::ListWindows(again.Pid())) shown = shown || w.visible;
        return !again.Running();
      },
      kUpdateMs, 50))
      << "the up-to-date run with /H did not end by itself";
  EXPECT_FALSE(shown) << "the up-to-date run with /H showed a window";
  s.ExpectUpdated();
  EXPECT_EQ(s.ExeStarts().size(), 1u) << "no installer may run when nothing is newer";
  if (GetParam() == ServerKind::Http) {
    std::string path = s.ServerUrl().substr(s.ServerUrl().find('/', strlen("http://")));
    EXPECT_EQ(ts::HttpLog(), std::vector<std::string>{path + "0.z"});
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, AutoHiddenUpdate, ::testing::Values(ServerKind::Http, ServerKind::Share),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                           return info.param == ServerKind::Http ? "Http" : "Share";
                         });

// ---- a visible wizard driven by clicks, in a folder whose path holds blanks ----

TEST_F(UpdateE2E, ClickedThroughWizardUpdatesFolderWithBlanksThenReportsUpToDate) {
  Scenario s(e2e::StandardFiles());
  ASSERT_TRUE(s.MakeServer(ServerKind::Http));
  std::string scratch = ts::NewScratchDir("blanks");
  ASSERT_FALSE(scratch.empty());
  ASSERT_TRUE(s.InstallOldApp(scratch + "Program Files\\Demo App\\"));

  ts::Proc update = s.StartUpdate("");
  ts::WindowInfo w;
  ASSERT_TRUE(ts::WaitUntil([&] { return e2e::DialogOf(update.Pid(), &w) && e2e::ControlEnabled(w, IDOK); },
                            kUpdateMs))
      << "the wizard never offered Next";
  EXPECT_EQ(e2e::ControlText(w, 1192), e2e::kStatusUpdatesFound);
  const ts::ControlInfo* list = ts::FindControl(w, 1003);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ts::ListViewRows(list->hwnd, 2), s.ExpectedRows());
  EXPECT_TRUE(s.ExeStarts().empty()) << "nothing may be installed before Next";

  ASSERT_TRUE(ts::ClickButton(w.hwnd, IDOK));
  ASSERT_TRUE(update.Wait(kUpdateMs)) << "Update.exe did not hand over after Next";
  ASSERT_TRUE(s.WaitForInstaller(kInstallerMs));
  s.ExpectUpdated();  // the installer got the whole folder name, blanks included
  ExpectExeStartedOnce(s, 0);
  ExpectInstallerRemovedItself();

  // Right after: the wizard says everything is up to date, keeps Next disabled, and Cancel ends it.
  ts::Proc again = s.StartUpdate("");
  ASSERT_TRUE(ts::WaitUntil(
      [&] { return e2e::DialogOf(again.Pid(), &w) && e2e::ControlText(w, 1192) == e2e::kStatusUpToDate; }, kUpdateMs))
      << "status: " << e2e::ControlText(w, 1192);
  EXPECT_FALSE(e2e::ControlEnabled(w, IDOK));
  ASSERT_TRUE(ts::WaitUntil([&] { return e2e::DialogOf(again.Pid(), &w) && e2e::ControlEnabled(w, IDCANCEL); },
                            5000));
  ASSERT_TRUE(ts::ClickButton(w.hwnd, IDCANCEL));
  EXPECT_TRUE(again.Wait(10000)) << "Cancel did not end the up-to-date wizard";
  s.ExpectUpdated();
  EXPECT_EQ(s.ExeStarts().size(), 1u);
}

// ---- a running program that ignores WM_CLOSE, and an older Swaplet.exe in the temporary folder ----

TEST_F(UpdateE2E, RunningProgramIsEndedThroughCloseDialogAndStaleInstallerIsOverwritten) {
  std::vector<e2e::AppFile> files = e2e::StandardFiles();
  files.push_back({"tool.exe", "1.09", "1.10", e2e::HelperImage("tool 1.09"), e2e::HelperImage("tool 1.10"), "", "",
                   true});
  Scenario s(files);
  ASSERT_TRUE(s.MakeServer(ServerKind::Http));
  ASSERT_TRUE(s.InstallOldApp(ts::NewScratchDir("app")));

  // The old tool.exe runs with a window that refuses to close.
  std::string toolLog = s.AppDir() + "tool-log.txt";
  ts::Proc tool =
      ts::StartProcess("\"" + s.AppDir() + "tool.exe\" /ignoreclose /record \"" + toolLog + "\"", s.AppDir());
  ASSERT_TRUE(tool.Started());
  ASSERT_TRUE(ts::WaitForWindow(tool.Pid(), "TestHelperWindow", 10000, nullptr));

  // An installer left behind by an earlier run, larger than the real one, so that a write that does
  // not truncate would show.
  std::string real;
  ASSERT_TRUE(ts::ReadFileBytes(ts::DistDir() + "Swaplet.exe", &real));
  ASSERT_TRUE(ts::WriteFileBytes(m_temp + "Swaplet.exe", std::string(real.size() + 4096, 'S')));

  ts::Proc update = s.StartUpdate("/A /H");
  ASSERT_TRUE(update.Wait(kUpdateMs));

  // The installer asks tool.exe to close, then shows its close-program dialog for it.
  ts::WindowInfo dlg;
  bool shown = ts::WaitUntil(
      [&] {
        for (DWORD pid : ts::FindProcesses("Swaplet.exe"))
          for (const ts::WindowInfo& w : ts::ListWindows(pid))
            if (w.visible && e2e::ControlText(w, 1000).rfind(e2e::kClosePrefix, 0) == 0 && ts::FindControl(w, 1)) {
              dlg = w;
              return true;
            }
        return false;
      },
      kInstallerMs);
  ASSERT_TRUE(shown) << "no close-program dialog appeared";
  EXPECT_EQ(e2e::ControlText(dlg, 1000), std::string(e2e::kClosePrefix) + "tool.exe");
  EXPECT_TRUE(tool.Running());

  // While the installer waits, its file in the temporary folder is the built Swaplet.exe, whole.
  std::string written;
  ASSERT_TRUE(ts::ReadFileBytes(m_temp + "Swaplet.exe", &written));
  EXPECT_EQ(written.size(), real.size());
  EXPECT_TRUE(written == real) << "%TEMP%\\Swaplet.exe differs from dist\\win64\\Swaplet.exe";

  std::string log;
  ASSERT_TRUE(ts::ReadFileBytes(toolLog, &log));
  EXPECT_NE(log.find("close\t" + std::to_string(tool.Pid()) + "\tignored"), std::string::npos)
      << "tool.exe was never asked to close:\n" << log;

  // The dialog's button ends the program at once (exit code 0), and the update goes on.
  ASSERT_TRUE(ts::ClickButton(dlg.hwnd, 1));
  ASSERT_TRUE(tool.Wait(10000)) << "tool.exe still runs after the button";
  EXPECT_EQ(tool.ExitCode(), 0u);
  ASSERT_TRUE(s.WaitForInstaller(kInstallerMs));
  s.ExpectUpdated();  // tool.exe replaced by the new one
  ExpectExeStartedOnce(s, 0);
  ExpectInstallerRemovedItself();
}

}  // namespace

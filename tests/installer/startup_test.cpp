// Start-up of the installer: command lines and string files it cannot work with, and self-removal.
#include <gtest/gtest.h>

#include "swaplet_rig.h"

namespace {

const char kLocal[] = "[a.dll]\r\nVER=1.0\r\n";
const char kSaved[] = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2.0\r\n";

enum class StrFile { Good, Missing, NoMagic, Truncated };

struct StartupCase {
  const char* what;
  std::string (*commandLine)(const SwapletRig& rig);
  StrFile strFile;
};

const StartupCase kCases[] = {
    {"empty command line", [](const SwapletRig&) { return std::string(); }, StrFile::Good},
    {"quoted command line", [](const SwapletRig& r) { return "\"" + r.app + "\""; }, StrFile::Good},
    {"no trailing backslash", [](const SwapletRig& r) { return r.app.substr(0, r.app.size() - 1); }, StrFile::Good},
    {"missing Update.Str", [](const SwapletRig& r) { return r.app; }, StrFile::Missing},
    {"Update.Str without the magic", [](const SwapletRig& r) { return r.app; }, StrFile::NoMagic},
    {"Update.Str cut short", [](const SwapletRig& r) { return r.app; }, StrFile::Truncated},
    {"command line longer than a path", [](const SwapletRig& r) { return r.app + std::string(240, 'x') + "\\"; },
     StrFile::Good},
};

}  // namespace

TEST(Startup, NoWindowAndNothingTouched) {
  int n = 0;
  for (const StartupCase& c : kCases) {
    SCOPED_TRACE(c.what);
    SwapletRig rig;
    ASSERT_TRUE(rig.Create("startup" + std::to_string(++n)));
    ASSERT_TRUE(rig.WriteLocalManifest(kLocal));
    ASSERT_TRUE(rig.WriteSavedManifest(kSaved));
    ASSERT_TRUE(rig.WriteApp("a.dll", "old a"));
    ASSERT_TRUE(rig.WriteDownload("a.dll", "new a"));
    std::string strings = TestStringFile();
    bool prepared = true;
    if (c.strFile == StrFile::Missing) prepared = DeleteFileA((rig.app + "Update.Str").c_str()) != 0;
    if (c.strFile == StrFile::NoMagic) prepared = ts::WriteFileBytes(rig.app + "Update.Str", "str" + strings.substr(3));
    if (c.strFile == StrFile::Truncated) prepared = ts::WriteFileBytes(rig.app + "Update.Str", strings.substr(0, 40));
    ASSERT_TRUE(prepared);

    ASSERT_TRUE(rig.Start(c.commandLine(rig)));
    ASSERT_TRUE(rig.WaitEnd(10000));
    EXPECT_FALSE(rig.SawWindow());
    EXPECT_EQ(rig.ReadApp("a.dll"), "old a");
    EXPECT_EQ(rig.ReadApp("update.ini"), kLocal);
    EXPECT_TRUE(ts::FileExists(rig.update + "update.ini.tmp"));
    EXPECT_TRUE(ts::FileExists(rig.update + "a.dll.tmp"));
    // "SelfDel.bat" was written and run: the executable and the batch are gone.
    EXPECT_TRUE(rig.WaitSelfRemoved());
  }
}

// A full run from folders whose names hold blanks (and a "%", which a batch file would expand).
TEST(SelfRemoval, WorksFromFoldersWithBlanksAndPercentSigns) {
  const char* const tempNames[] = {"temp dir with blanks", "temp %PATH% 100%"};
  int n = 0;
  for (const char* tempName : tempNames) {
    SCOPED_TRACE(tempName);
    SwapletRig rig;
    ASSERT_TRUE(rig.Create("selfdel" + std::to_string(++n), "my app", tempName));
    ASSERT_TRUE(rig.WriteLocalManifest(kLocal));
    ASSERT_TRUE(rig.WriteSavedManifest(kSaved));
    ASSERT_TRUE(rig.WriteApp("a.dll", "old a"));
    ASSERT_TRUE(rig.WriteDownload("a.dll", "new a"));
    ASSERT_TRUE(rig.Run());
    EXPECT_EQ(rig.ReadApp("a.dll"), "new a");
    EXPECT_EQ(rig.ReadApp("update.ini"), kSaved);
    DWORD start = GetTickCount();
    EXPECT_TRUE(rig.WaitSelfRemoved(40000));
    printf("[ self-removal took %lu ms ]\n", static_cast<unsigned long>(GetTickCount() - start));
    EXPECT_TRUE(ts::DirExists(rig.temp));  // only the two files go
  }
}

// Enter before the run starts ends the progress dialog without any work; Escape never ends it.
// The installer's thread is held while the key's command is posted, so the command is queued ahead
// of the start timer's message; a run that had already begun makes the attempt inconclusive.
TEST(ProgressDialog, EnterBeforeTheRunEndsItEscapeDoesNot) {
  struct KeyCase {
    const char* what;
    WPARAM command;
    bool runs;
  };
  const KeyCase cases[] = {{"Enter (IDOK)", IDOK, false}, {"Escape (IDCANCEL)", IDCANCEL, true}};
  int n = 0;
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.what);
    bool conclusive = false;
    for (int attempt = 0; attempt < 3 && !conclusive; ++attempt) {
      SwapletRig rig;
      ASSERT_TRUE(rig.Create("keys" + std::to_string(++n)));
      ASSERT_TRUE(rig.WriteLocalManifest(kLocal));
      ASSERT_TRUE(rig.WriteSavedManifest(kSaved));
      ASSERT_TRUE(rig.WriteApp("a.dll", "old a"));
      ASSERT_TRUE(rig.WriteDownload("a.dll", "new a"));
      ASSERT_TRUE(rig.Start());
      HWND dlg = rig.WaitProgressWindow(10000);
      ASSERT_TRUE(dlg);
      HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(dlg, nullptr));
      ASSERT_TRUE(thread);
      SuspendThread(thread);
      bool begun = !StoredText(GetDlgItem(dlg, 1002)).empty();
      RECT r;
      GetWindowRect(dlg, &r);
      if (!begun) PostMessageA(dlg, WM_COMMAND, c.command, 0);
      ResumeThread(thread);
      CloseHandle(thread);
      ASSERT_TRUE(rig.WaitEnd(20000));
      EXPECT_TRUE(rig.WaitSelfRemoved());
      if (begun) continue;
      conclusive = true;
      // Centred on the screen.
      EXPECT_LE(abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
      EXPECT_LE(abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
      EXPECT_EQ(rig.ReadApp("a.dll"), c.runs ? "new a" : "old a");
      EXPECT_EQ(ts::DirExists(rig.update), !c.runs);
      EXPECT_EQ(rig.ReadApp("update.ini"), c.runs ? kSaved : kLocal);
    }
    EXPECT_TRUE(conclusive) << "the run began before the command could be queued, three times";
  }
}

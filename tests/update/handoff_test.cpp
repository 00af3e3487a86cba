// The hand-off after a complete download: the embedded installer is written to the temporary
// directory byte for byte and started; the wizard ends and leaves the update directory to it.
#include <gtest/gtest.h>

#include "handles.h"
#include "launch_installer.h"
#include "resources/resource.h"
#include "strfile.h"
#include "wizard_fixture.h"

namespace {

constexpr int kLong = 30000;

class HandOffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
  }
};

// The bytes of resource "IDR_XDATA" of type "XDATA" in an executable file.
std::string EmbeddedInstaller(const std::string& exe) {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::string();
  std::string bytes;
  const void* data = nullptr;
  DWORD size = 0;
  if (FindEmbeddedInstaller(module, &data, &size)) bytes.assign(static_cast<const char*>(data), size);
  FreeLibrary(module);
  return bytes;
}

bool WaitNoSwaplet(int timeoutMs) {
  return ts::WaitUntil([] { return ts::FindProcesses("Swaplet.exe").empty(); }, timeoutMs, 100);
}

// The installer is held at its first file (the test keeps the old file open), so that what Update
// left behind can be looked at before the installer moves it; then the file is let go and the
// installer finishes the update.
TEST_F(HandOffTest, WritesInstallerStartsItAndEnds) {
  ASSERT_TRUE(WaitNoSwaplet(kLong));
  wiz::Server server;
  std::string bin = wiz::RandomBytes(2000, 7);
  ASSERT_TRUE(wiz::BuildServer({{"a.txt", "new-a"}, {"b.bin", bin}}, &server));
  std::string app = wiz::MakeApp(wiz::IniFor(server.base, {{"a.txt", "1.0"}}), wiz::EnglishStrings());
  ASSERT_TRUE(ts::WriteFileBytes(app + "a.txt", "old"));
  std::string installer = wiz::TempDir() + "Swaplet.exe";
  ASSERT_TRUE(ts::WriteFileBytes(installer, "left over by an earlier run"));
  std::string expected;
  ASSERT_TRUE(ts::ReadFileBytes(ts::DistDir() + "Swaplet.exe", &expected));

  ScopedHandle lock(CreateFileA((app + "a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock.Valid());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app, "/A"));
  ASSERT_TRUE(wizard.Process().Wait(60000)) << wizard.Status();

  // Update has ended; the installer runs and waits for the locked file.
  std::vector<DWORD> swaplets;
  ASSERT_TRUE(ts::WaitUntil([&] { return !(swaplets = ts::FindProcesses("Swaplet.exe")).empty(); }, kLong));
  ts::MessageBoxInfo box;
  ASSERT_TRUE(ts::WaitMessageBox(swaplets[0], kLong, &box));

  std::string written;
  ASSERT_TRUE(ts::ReadFileBytes(installer, &written));
  // Written whole from the resource, and the resource is the built installer.
  EXPECT_TRUE(EmbeddedInstaller(app + "Update.exe") == written) << "written file differs from the resource";
  EXPECT_EQ(expected.size(), written.size());
  EXPECT_TRUE(expected == written) << "the installer in the temporary directory differs from the built one";
  std::string updateDir = wiz::UpdateDir(app);
  EXPECT_TRUE(ts::FileExists(updateDir + "update.ini.tmp"));
  std::string tmp;
  EXPECT_TRUE(ts::ReadFileBytes(updateDir + "a.txt.tmp", &tmp));
  EXPECT_EQ("new-a", tmp);
  EXPECT_TRUE(ts::ReadFileBytes(updateDir + "b.bin.tmp", &tmp));
  EXPECT_TRUE(tmp == bin);

  // Let the installer finish: the new files are in place and the update directory is gone.
  lock.Close();
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDRETRY));
  EXPECT_TRUE(WaitNoSwaplet(60000));
  std::string a;
  EXPECT_TRUE(ts::ReadFileBytes(app + "a.txt", &a));
  EXPECT_EQ("new-a", a);
  EXPECT_TRUE(ts::WaitUntil([&] { return !ts::DirExists(updateDir); }, kLong));
}

// A temporary directory too long for the path buffer: nothing is written or started, and the
// wizard reports the download as failed with Retry instead of closing as if it had handed off.
TEST_F(HandOffTest, TooLongTemporaryPathIsRefused) {
  ASSERT_TRUE(WaitNoSwaplet(kLong));
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"c.txt", "content"}}, &server));
  const size_t lengths[] = {300, 252};  // longer than the buffer; fits, but not with "Swaplet.exe"
  for (size_t length : lengths) {
    SCOPED_TRACE("TMP of " + std::to_string(length) + " characters");
    std::string temp = "Z:\\" + std::string(length - 3, 't');
    std::vector<std::string> env = {"TMP=" + temp, "TEMP=" + temp};
    std::string app = wiz::MakeApp(wiz::IniFor(server.base), wiz::EnglishStrings());
    wiz::Wizard wizard;
    ASSERT_TRUE(wizard.Start(app, "/A", &env));
    ts::WindowInfo w;
    ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOAD_FAILED, kLong, &w)) << wizard.Status();
    EXPECT_EQ(wiz::Text("en", LS_BTN_RETRY), wiz::TextOf(w, IDOK));
    EXPECT_TRUE(wiz::EnabledOf(w, IDOK));
    EXPECT_TRUE(wiz::EnabledOf(w, IDCANCEL));
    EXPECT_TRUE(wizard.Process().Running());
    EXPECT_TRUE(ts::FindProcesses("Swaplet.exe").empty());
    EXPECT_TRUE(ts::FileExists(wiz::UpdateDir(app) + "c.txt.tmp"));
    ASSERT_TRUE(wizard.Click(IDCANCEL));
    EXPECT_TRUE(wizard.Process().Wait(kLong));
  }
}

}  // namespace

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

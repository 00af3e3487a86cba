// Registration of components through regsvr32, and the programs started at the end of the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "swaplet_rig.h"

namespace {

std::string FileBytes(const std::string& path) {
  std::string data;
  return ts::ReadFileBytes(path, &data) ? data : std::string();
}

}  // namespace

TEST(Registration, UnregisterOldBeforeDeletionRegisterNewAfterCopy) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("register"));
  const std::string oldDll = FileBytes(ComponentDll(false));
  const std::string newDll = FileBytes(ComponentDll(true));
  ASSERT_FALSE(oldDll.empty());
  ASSERT_FALSE(newDll.empty());
  ASSERT_TRUE(rig.WriteLocalManifest(
      "[comp_replace.dll]\r\nVER=1.0\r\n[comp_new.dll]\r\nVER=1.0\r\n[blocked\\comp_fail.dll]\r\nVER=1.0\r\n"
      "[comp_equal.dll]\r\nVER=2.0\r\n[comp_plain.dll]\r\nVER=1.0\r\n"));
  ASSERT_TRUE(rig.WriteSavedManifest(
      "[ENUM]\r\n1=comp_replace.dll\r\n2=comp_new.dll\r\n3=blocked\\comp_fail.dll\r\n4=comp_equal.dll\r\n"
      "5=comp_plain.dll\r\n"
      "[comp_replace.dll]\r\nVER=2.0\r\nREG=1\r\n"      // old file present: unregister, replace, register
      "[comp_new.dll]\r\nVER=2.0\r\nREG=yes\r\n"        // no old file: only the registration
      "[blocked\\comp_fail.dll]\r\nVER=2.0\r\nREG=1\r\n"  // its folder cannot be made: the copy fails
      "[comp_equal.dll]\r\nVER=2.0\r\nREG=1\r\n"        // not newer: untouched
      "[comp_plain.dll]\r\nVER=2.0\r\n"));              // no "REG": replaced without regsvr32
  ASSERT_TRUE(rig.WriteApp("comp_replace.dll", oldDll));
  ASSERT_TRUE(rig.WriteApp("comp_equal.dll", oldDll));
  ASSERT_TRUE(rig.WriteApp("comp_plain.dll", oldDll));
  ASSERT_TRUE(rig.WriteApp("blocked", "a file where the folder should be"));
  for (const char* name : {"comp_replace.dll", "comp_new.dll", "blocked\\comp_fail.dll", "comp_equal.dll",
                           "comp_plain.dll"})
    ASSERT_TRUE(rig.WriteDownload(name, newDll));

  ASSERT_TRUE(rig.Run(60000));
  const std::vector<std::string> expected = {
      "unregister old " + Lower(rig.app) + "comp_replace.dll",
      "register new " + Lower(rig.app) + "comp_replace.dll",
      "register new " + Lower(rig.app) + "comp_new.dll",
  };
  std::vector<std::string> log = ReadLines(rig.regLog);
  for (std::string& line : log) line = Lower(line);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(FileBytes(rig.app + "comp_replace.dll"), newDll);
  EXPECT_EQ(FileBytes(rig.app + "comp_plain.dll"), newDll);
  EXPECT_EQ(FileBytes(rig.app + "comp_equal.dll"), oldDll);
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

TEST(Restart, MarkedProgramsStartInEnumOrderAfterTheUpdateFolderIsGone) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("restart"));
  const std::string logger = FileBytes(StartLoggerExe());
  ASSERT_FALSE(logger.empty());
  struct Program {
    const char* name;
    const char* exe;  // nullptr: no "EXE" key
    bool started;
  };
  const Program programs[] = {
      {"run1.exe", "1", true},   {"bin\\run2.exe", "2", true}, {"run0.exe", "0", false},
      {"runneg.exe", "-1", true}, {"runempty.exe", "", false},  {"runtext.exe", "abc", false},
      {"plain.exe", nullptr, false},
  };
  std::string saved = "[ENUM]\r\n";
  std::string local;
  int n = 0;
  for (const Program& p : programs) saved += std::to_string(++n) + "=" + p.name + "\r\n";
  for (const Program& p : programs) {
    saved += std::string("[") + p.name + "]\r\nVER=1.0\r\n" + (p.exe ? std::string("EXE=") + p.exe + "\r\n" : "");
    local += std::string("[") + p.name + "]\r\nVER=1.0\r\n";
    ASSERT_TRUE(rig.WriteApp(p.name, logger));
  }
  // run1.exe is also replaced in this run (its local version is older).
  local.replace(local.find("VER=1.0"), 7, "VER=0.9");
  ASSERT_TRUE(rig.WriteDownload("run1.exe", logger));
  ASSERT_TRUE(rig.WriteLocalManifest(local));
  ASSERT_TRUE(rig.WriteSavedManifest(saved));

  ASSERT_TRUE(rig.Run());
  ASSERT_TRUE(ts::WaitUntil([&] { return ReadLines(rig.startLog).size() >= 3; }, 10000));
  Sleep(1500);  // a program started by mistake would show up meanwhile
  std::vector<std::string> lines = ReadLines(rig.startLog);
  std::sort(lines.begin(), lines.end());  // by creation time
  std::vector<std::string> startedPaths;
  for (const std::string& line : lines) {
    size_t a = line.find('\t'), b = line.rfind('\t');
    ASSERT_NE(a, b) << line;
    startedPaths.push_back(Lower(line.substr(a + 1, b - a - 1)));
    EXPECT_EQ(line.substr(b + 1), "0") << "the update folder still existed when " << line << " started";
  }
  std::vector<std::string> expected;
  for (const Program& p : programs)
    if (p.started) expected.push_back(Lower(rig.app + p.name));
  EXPECT_EQ(startedPaths, expected);
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

// The replacement run of the real installer: which entries are installed, where, and what the
// application folder holds afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "swaplet_rig.h"

namespace {

std::string SystemDir() {
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\";
}

struct ReplaceCase {
  const char* what;
  const char* section;    // entry name
  const char* localVer;   // nullptr: no "VER" in the local manifest
  const char* serverVer;
  const char* savedKeys;  // further lines of the entry's section in the saved manifest
  const char* oldFile;    // nullptr: no file in the application folder
  const char* download;   // nullptr: nothing downloaded
  const char* checkPath;  // checked afterwards; relative to the application folder, "{sys}" = system32
  const char* expected;   // content there afterwards; nullptr: must not exist
  bool listed;            // counted in the progress bar's range
};

const ReplaceCase kCases[] = {
    {"newer server version", "newer.dll", "1.0", "2.0", "", "old newer", "new newer", "newer.dll", "new newer", true},
    {"equal version, file present", "same.dll", "1.0", "1.0", "", "old same", "new same", "same.dll", "old same", false},
    {"equal version, file missing", "missing.dll", "1.0", "1.0", "", nullptr, "new missing", "missing.dll",
     "new missing", true},
    {"equal version, zero-byte file", "zero.dll", "1.0", "1.0", "", "", "new zero", "zero.dll", "new zero", true},
    {"zero-byte download", "emptydl.dll", "1.0", "2.0", "", "old emptydl", "", "emptydl.dll", "old emptydl", true},
    {"no download", "nodl.dll", "1.0", "2.0", "", "old nodl", nullptr, "nodl.dll", "old nodl", true},
    {"OS 16 (Windows 98 only)", "win98.dll", "1.0", "2.0", "OS=16\r\n", "old win98", "new win98", "win98.dll",
     "old win98", false},
    {"OS not a number: every system", "anyos.dll", "1.0", "2.0", "OS=abc\r\n", "old anyos", "new anyos",
     "anyos.dll", "new anyos", true},
    {"1.9 against 1.10 (byte order)", "ver.dll", "1.9", "1.10", "", "old ver", "new ver", "ver.dll", "old ver",
     false},
    {"no local version", "unversioned.dll", nullptr, "1.0", "", "old unversioned", "new unversioned",
     "unversioned.dll", "new unversioned", true},
    {"sub-folders are created", "sub\\deep\\file.txt", "1.0", "2.0", "", nullptr, "new deep", "sub\\deep\\file.txt",
     "new deep", true},
    {"FOLDER {app}\\plugins\\", "plug.dll", "1.0", "2.0", "FOLDER={app}\\plugins\\\r\n", "old plug at root",
     "new plug", "plugins\\plug.dll", "new plug", true},
    {"FOLDER {app}: the root file stays", "plug2.dll", "1.0", "2.0", "FOLDER={app}\\plugins\\\r\n",
     "old plug2 at root", "new plug2", "plug2.dll", "old plug2 at root", true},
    {"FOLDER {sys}", "swaplet_test_sys.dll", "1.0", "2.0", "FOLDER={sys}\r\n", nullptr, "new sys",
     "{sys}swaplet_test_sys.dll", "new sys", true},
    {"FOLDER without a macro is passed over", "nomacro.dll", "1.0", "2.0", "FOLDER=C:\\swaplet_nomacro\\\r\n",
     nullptr, "new nomacro", "nomacro.dll", nullptr, false},
    {"section name with ..", "..\\outside.txt", "1.0", "2.0", "", nullptr, "new outside", "..\\outside.txt", nullptr,
     false},
    {"a destination that does not fit a path is passed over", "long_________________________________________"
     "__________________________________________________________________________________________________"
     "__________________________________________________________________________________name.txt",
     "1.0", "2.0", "", nullptr, nullptr, "nolong.txt", nullptr, false},
    {"absolute section name", "C:\\swaplet_absolute.txt", "1.0", "2.0", "", nullptr, nullptr,
     "{sys}..\\..\\swaplet_absolute.txt", nullptr, false},
};

// An entry listed after a gap in the "ENUM" numbers is never seen.
const ReplaceCase kAfterGap = {"after an ENUM gap", "aftergap.txt", "1.0", "2.0", "", "old aftergap",
                               "new aftergap", "aftergap.txt", "old aftergap", false};

std::string CheckedPath(const SwapletRig& rig, const ReplaceCase& c) {
  std::string path = c.checkPath;
  if (path.compare(0, 5, "{sys}") == 0) return SystemDir() + path.substr(5);
  return rig.app + path;
}

}  // namespace

TEST(Replacement, TableOfEntriesInOneRun) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("replace"));
  DeleteFileA((SystemDir() + "swaplet_test_sys.dll").c_str());

  std::string saved = "[URL]\r\nURL=http://127.0.0.1/\r\n[ENUM]\r\n";
  std::string local = "[URL]\r\nURL=http://127.0.0.1/\r\n";
  std::string sections;
  int n = 0;
  for (const ReplaceCase& c : kCases) saved += std::to_string(++n) + "=" + c.section + "\r\n";
  saved += std::to_string(n + 2) + "=" + kAfterGap.section + "\r\n";  // key n+1 is missing
  int listed = 1;  // "Update.ini"
  std::vector<const ReplaceCase*> all;
  for (const ReplaceCase& c : kCases) all.push_back(&c);
  all.push_back(&kAfterGap);
  for (const ReplaceCase* c : all) {
    saved += std::string("[") + c->section + "]\r\nVER=" + c->serverVer + "\r\n" + c->savedKeys;
    if (c->localVer) local += std::string("[") + c->section + "]\r\nVER=" + c->localVer + "\r\n";
    EXPECT_TRUE(!c->oldFile || rig.WriteApp(c->section, c->oldFile)) << c->what;
    EXPECT_TRUE(!c->download || rig.WriteDownload(c->section, c->download)) << c->what;
    if (c->listed) ++listed;
  }
  ASSERT_TRUE(rig.WriteLocalManifest(local));
  ASSERT_TRUE(rig.WriteSavedManifest(saved));

  ASSERT_TRUE(rig.Start());
  HWND dlg = rig.WaitProgressWindow(10000);
  ASSERT_TRUE(dlg);
  // Once the run has begun: the title, the label and the entry being installed.
  HWND name = GetDlgItem(dlg, 1002);
  ASSERT_TRUE(ts::WaitUntil([&] { return !StoredText(name).empty(); }, 5000, 10));
  EXPECT_EQ(StoredText(dlg), kTitle);
  EXPECT_EQ(StoredText(GetDlgItem(dlg, 1001)), kInstallLabel);
  Sleep(700);
  ts::SaveScreenshotPng(rig.base + "swaplet-progress.png", dlg);
  if (ts::Env("UPD_DOCS_SCREENSHOTS") == "1") ts::SaveScreenshotPng(DocsDir() + "swaplet-progress.png", dlg);
  // Every listed entry was shown, in manifest order, ending with the manifest itself.
  std::vector<std::string> shown;
  while (!rig.proc.Wait(20)) {
    std::string now = StoredText(name);
    if (!now.empty() && (shown.empty() || shown.back() != now)) shown.push_back(now);
  }
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(shown.empty() ? "" : shown.back(), "Update.ini");
  std::vector<std::string> listedNames;
  for (const ReplaceCase* c : all)
    if (c->listed) listedNames.push_back(c->section);
  listedNames.push_back("Update.ini");
  // The sampling began during the run: what it saw is the tail of the listed names.
  ASSERT_LE(shown.size(), listedNames.size());
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), listedNames.end() - shown.size()));
  EXPECT_EQ(listed, static_cast<int>(listedNames.size()));

  ASSERT_TRUE(rig.WaitEnd(30000));
  for (const ReplaceCase* c : all) {
    std::string path = CheckedPath(rig, *c);
    std::string data;
    if (c->expected) {
      EXPECT_TRUE(ts::ReadFileBytes(path, &data) && data == c->expected)
          << c->what << ": " << path << " holds \"" << data << "\"";
    } else {
      EXPECT_FALSE(ts::FileExists(path)) << c->what << ": " << path << " must not exist";
    }
  }
  EXPECT_FALSE(ts::DirExists("C:\\swaplet_nomacro\\"));
  EXPECT_FALSE(ts::FileExists(rig.app + "plugins\\plug.dll.tmp"));
  // The local manifest is now the saved one, byte for byte; the update folder is gone.
  std::string installed;
  EXPECT_TRUE(ts::ReadFileBytes(rig.app + "update.ini", &installed));
  EXPECT_EQ(installed, saved);
  EXPECT_FALSE(ts::DirExists(rig.update));
  EXPECT_TRUE(rig.WaitSelfRemoved());
  DeleteFileA((SystemDir() + "swaplet_test_sys.dll").c_str());
}

TEST(Replacement, NoSavedManifestKeepsTheLocalOneAndRemovesTheUpdateFolder) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("nosaved"));
  const std::string local = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1.0\r\n";
  ASSERT_TRUE(rig.WriteLocalManifest(local));
  ASSERT_TRUE(rig.WriteApp("a.dll", "old a"));
  ASSERT_TRUE(rig.WriteDownload("a.dll", "new a"));  // without a saved manifest nothing is listed
  ASSERT_TRUE(rig.Run());
  EXPECT_EQ(rig.ReadApp("update.ini"), local);
  EXPECT_EQ(rig.ReadApp("a.dll"), "old a");
  EXPECT_FALSE(ts::DirExists(rig.update));
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

// Win32 helpers and the language table, run under Wine against real files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fileutil.h"
#include "langstrings.h"
#include "scratch_base.h"
#include "strfile_fixture.h"

namespace {

using namespace strfixture;

// A fresh folder (ending with "\") for one test, under the environment's scratch folder or %TEMP%.
std::string MakeScratch(const char* name) {
  std::string dir = ScratchBase() + "common_" + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
  DeleteTree(dir.c_str());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_EQ(written, bytes.size());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsDir(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileUtil, FileSizeOf) {
  std::string dir = MakeScratch("size");
  WriteFileBytes(dir + "empty.bin", "");
  WriteFileBytes(dir + "five.bin", "12345");
  CreateDirectoryA((dir + "sub").c_str(), nullptr);
  EXPECT_EQ(FileSizeOf((dir + "missing.bin").c_str()), 0u);
  EXPECT_EQ(FileSizeOf((dir + "sub").c_str()), 0u);
  EXPECT_EQ(FileSizeOf((dir + "empty.bin").c_str()), 0u);
  EXPECT_EQ(FileSizeOf((dir + "five.bin").c_str()), 5u);
  EXPECT_EQ(FileSizeOf((dir + "fiv?.bin").c_str()), 5u);  // a wildcard gives its first match
  EXPECT_EQ(FileSizeOf(""), 0u);
  EXPECT_EQ(FileSizeOf(nullptr), 0u);

  // 4 GB + 5 bytes (sparse): the low 32 bits of the size.
  std::string big = dir + "big.bin";
  HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end;
  end.QuadPart = 0x100000005LL;
  bool grown = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  EXPECT_TRUE(grown) << "could not make a sparse file of 4 GB + 5 bytes";
  if (grown) {
    EXPECT_EQ(FileSizeOf(big.c_str()), 5u);
  }
  DeleteTree(dir.c_str());
}

TEST(FileUtil, CreateDirectoriesMakesEveryFolderBeforeABackslash) {
  std::string dir = MakeScratch("mkdir");
  std::string update = dir + "update\\";
  EXPECT_EQ(CreateDirectories(update.c_str()), 1);
  EXPECT_TRUE(IsDir(update));
  EXPECT_EQ(CreateDirectories((update + "sub\\f.tmp").c_str()), 1);
  EXPECT_TRUE(IsDir(update + "sub"));
  EXPECT_FALSE(Exists(update + "sub\\f.tmp"));
  EXPECT_EQ(CreateDirectories((update + "sub\\f.tmp").c_str()), 1);  // again: nothing changes
  EXPECT_FALSE(Exists(update + "sub\\f.tmp"));

  std::string slashed = dir + "a/b/c";
  EXPECT_EQ(CreateDirectories(slashed.c_str()), 1);
  EXPECT_TRUE(IsDir(dir + "a\\b"));
  EXPECT_FALSE(Exists(dir + "a\\b\\c"));

  WriteFileBytes(dir + "file", "x");  // a file where a folder is needed
  EXPECT_EQ(CreateDirectories((dir + "file\\sub\\x").c_str()), 0);
  EXPECT_EQ(CreateDirectories((dir + std::string(300, 'n') + "\\x").c_str()), 0);  // too long
  DeleteTree(dir.c_str());

  // On a network share the leading "\\server\share" part is not created, only the folders after it.
  const char* share = getenv("UPD_SHARE_UNC");
  if (share && *share) {
    std::string unc = std::string(share) + "mkdir_" + std::to_string(GetCurrentProcessId()) + "\\";
    EXPECT_EQ(CreateDirectories((unc + "sub\\f.tmp").c_str()), 1);
    EXPECT_TRUE(IsDir(unc + "sub"));
    EXPECT_EQ(DeleteTree(unc.c_str()), 1);
  }
}

void MakeTree(const std::string& root) {
  ASSERT_EQ(CreateDirectories((root + "a\\b\\c\\").c_str()), 1);
  CreateDirectoryA((root + "empty").c_str(), nullptr);
  WriteFileBytes(root + "top.txt", "1");
  WriteFileBytes(root + "a\\one.txt", "22");
  WriteFileBytes(root + "a\\b\\two.txt", "333");
  WriteFileBytes(root + "a\\b\\c\\three.txt", "4444");
}

TEST(FileUtil, DeleteTreeRemovesWholeTreeWithAnySeparators) {
  std::string dir = MakeScratch("deltree");
  struct {
    const char* name;
    std::string (*argument)(const std::string& tree);
  } cases[] = {
      {"trailing backslash", [](const std::string& t) { return t; }},
      {"no trailing backslash", [](const std::string& t) { return t.substr(0, t.size() - 1); }},
      {"slashes", [](const std::string& t) {
         std::string s = t;
         for (char& c : s) if (c == '\\') c = '/';
         return s;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string tree = dir + "tree\\";
    MakeTree(tree);
    EXPECT_EQ(DeleteTree(c.argument(tree).c_str()), 1);
    EXPECT_FALSE(Exists(tree));
    EXPECT_TRUE(IsDir(dir));  // the parent stays
  }
  DeleteTree(dir.c_str());
}

TEST(FileUtil, DeleteTreeLeavesReadOnlyFileAndItsFolders) {
  std::string dir = MakeScratch("readonly");
  std::string tree = dir + "tree\\";
  MakeTree(tree);
  std::string locked = tree + "a\\b\\ro.txt";
  WriteFileBytes(locked, "ro");
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(DeleteTree(tree.c_str()), 0);
  EXPECT_TRUE(Exists(locked));
  EXPECT_TRUE(IsDir(tree + "a\\b"));
  EXPECT_FALSE(Exists(tree + "top.txt"));
  EXPECT_FALSE(Exists(tree + "a\\one.txt"));
  EXPECT_FALSE(Exists(tree + "a\\b\\two.txt"));
  EXPECT_FALSE(Exists(tree + "a\\b\\c"));
  EXPECT_FALSE(Exists(tree + "empty"));

  EXPECT_EQ(ForceDeleteFile(locked.c_str()), 1);
  EXPECT_FALSE(Exists(locked));
  EXPECT_EQ(ForceDeleteFile(locked.c_str()), 0);
  EXPECT_EQ(DeleteTree(tree.c_str()), 1);
  DeleteTree(dir.c_str());
}

TEST(FileUtil, DeleteTreeRemovesADirectoryLinkButNotWhatItPointsTo) {
  std::string dir = MakeScratch("link");
  std::string outside = dir + "outside\\";
  ASSERT_EQ(CreateDirectories(outside.c_str()), 1);
  WriteFileBytes(outside + "keep.txt", "keep");
  std::string tree = dir + "tree\\";
  MakeTree(tree);
  using CreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  auto createLink = reinterpret_cast<CreateLink>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
  if (!createLink || !createLink((tree + "link").c_str(), outside.c_str(), 1 /* directory */)) {
    DeleteTree(dir.c_str());
    GTEST_SKIP() << "directory links are not available here";
  }
  EXPECT_EQ(DeleteTree(tree.c_str()), 1);
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(outside + "keep.txt"));
  DeleteTree(dir.c_str());
}

TEST(FileUtil, DeleteTreeRefusesDriveRoots) {
  // Run from inside the Wine prefix's drive so that a fault could reach nothing outside it.
  std::string dir = MakeScratch("root");
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(temp));
  std::string marker = std::string(temp).substr(0, 3) + "common_root_marker.txt";
  WriteFileBytes(marker, "m");
  for (const char* path : {"", "\\", "/", "C:", "C:\\", "C:/"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(DeleteTree(path), 0);
  }
  EXPECT_EQ(DeleteTree(nullptr), 0);
  EXPECT_TRUE(Exists(marker));
  DeleteFileA(marker.c_str());
  SetCurrentDirectoryA(saved);
  DeleteTree(dir.c_str());
}

TEST(FileUtil, ExpandFolderAndResolveDestination) {
  char sys[MAX_PATH], win[MAX_PATH];
  GetSystemDirectoryA(sys, MAX_PATH);
  GetWindowsDirectoryA(win, MAX_PATH);
  const std::string app = "C:\\Program Files\\App\\";
  struct {
    const char* folder;
    const char* section;
    int ok;
    std::string expected;
  } cases[] = {
      {"{sys}", "x.dll", 1, std::string(sys) + "\\x.dll"},
      {"{SYS}\\", "lib\\x.dll", 1, std::string(sys) + "\\x.dll"},
      {"{win}\\fonts\\", "x.fon", 1, std::string(win) + "\\fonts\\x.fon"},
      {"{App}/sub/", "x.dll", 1, app + "sub/x.dll"},
      {"{app}\\plugins", "x.dll", 1, app + "pluginsx.dll"},
      {"plugins\\", "x.dll", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    char dest[MAX_PATH] = "junk";
    EXPECT_EQ(ExpandFolder(dest, c.folder, c.section, app.c_str()), c.ok);
    EXPECT_EQ(std::string(dest), c.expected);
  }
  char dest[MAX_PATH];
  std::string longApp = "C:\\" + std::string(250, 'a') + "\\";
  EXPECT_EQ(ExpandFolder(dest, "{app}\\sub\\", "x.dll", longApp.c_str()), 0);
  EXPECT_STREQ(dest, "");

  EXPECT_EQ(ResolveDestination(dest, "", "sub\\x.dll", app.c_str()), 1);
  EXPECT_EQ(std::string(dest), app + "sub\\x.dll");
  EXPECT_EQ(ResolveDestination(dest, "{sys}", "x.dll", app.c_str()), 1);
  EXPECT_EQ(std::string(dest), std::string(sys) + "\\x.dll");
  EXPECT_EQ(ResolveDestination(dest, "", "..\\x.dll", app.c_str()), 0);
  EXPECT_EQ(ResolveDestination(dest, "{sys}", "C:\\x.dll", app.c_str()), 0);
  EXPECT_EQ(ResolveDestination(dest, "nomacro\\", "x.dll", app.c_str()), 0);
  EXPECT_EQ(ResolveDestination(dest, "", "x.dll", longApp.c_str()), 1);
  EXPECT_EQ(ResolveDestination(dest, "", std::string(10, 'y').c_str(), longApp.c_str()), 0);
  EXPECT_STREQ(dest, "");
}

TEST(FileUtil, GetWindowsMaskOnWineDefaultWindows7) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  ASSERT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
  ASSERT_EQ(info.dwMajorVersion, 6u) << "Wine is expected to report Windows 7";
  ASSERT_EQ(info.dwMinorVersion, 1u);
  // NT with major version 6 and a non-zero minor version.
  EXPECT_EQ(GetWindowsMask(), 0x100000u);
}

TEST(FileUtil, GetAppDirectoryNamesTheTestProgramsFolder) {
  char dir[MAX_PATH];
  GetAppDirectory(dir);
  size_t n = strlen(dir);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(dir[n - 1], '\\');
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  EXPECT_EQ(std::string(module).rfind(dir, 0), 0u);
  EXPECT_EQ(strchr(module + n, '\\'), nullptr);
}

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

uint8_t* HeapCopy(const std::vector<uint8_t>& bytes) {
  uint8_t* p = new uint8_t[bytes.size()];
  memcpy(p, bytes.data(), bytes.size());
  return p;
}

TEST(LangStrings, LoadFileRefusesMissingAndDamagedFiles) {
  std::string dir = MakeScratch("langload");
  std::vector<uint8_t> good = MakeStrFile({{1033, 1252}});
  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 's';
  std::vector<uint8_t> shortFile(good.begin(), good.end() - 1);
  std::vector<uint8_t> badFormat = MakeStrFile({{1033, 1252, {{LS_FMT_CONNECTING, "%s %s"}}}});
  struct {
    const char* name;
    std::string content;
    bool create;
  } cases[] = {
      {"missing", "", false},
      {"empty", "", true},
      {"wrong magic", AsString(badMagic), true},
      {"cut short", AsString(shortFile), true},
      {"two text placeholders", AsString(badFormat), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir + "Update.Str";
    DeleteFileA(path.c_str());
    if (c.create) WriteFileBytes(path, c.content);
    CLangStrings strings(CLangStrings::Choice::Update);
    EXPECT_FALSE(strings.LoadFile(path.c_str()));
    EXPECT_FALSE(strings.Loaded());
    EXPECT_EQ(strings.GetLanguageCount(), 0);
    EXPECT_STREQ(strings.GetString(LS_TITLE), "");
  }
  DeleteTree(dir.c_str());
}

TEST(LangStrings, LoadFileChoosesTheSystemLanguage) {
  const uint16_t system = CLangStrings::SystemLangId();
  ASSERT_NE(system, 1049) << "the fixture needs a language other than the system's";
  std::string dir = MakeScratch("langsys");
  std::string path = dir + "Update.Str";
  WriteFileBytes(path, AsString(MakeStrFile({{1049, 1251}, {system, 1252, {{LS_TITLE, "System title"}}}})));
  for (auto choice : {CLangStrings::Choice::Update, CLangStrings::Choice::Swaplet}) {
    CLangStrings strings(choice);
    ASSERT_TRUE(strings.LoadFile(path.c_str()));
    EXPECT_EQ(strings.Selected(), 1u);
    EXPECT_STREQ(strings.GetString(LS_TITLE), "System title");
  }
  // The file is closed after loading: it can be deleted at once.
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  DeleteTree(dir.c_str());
}

TEST(LangStrings, AttachSelectAndGetString) {
  CLangStrings strings(CLangStrings::Choice::Update);
  EXPECT_EQ(strings.GetEntryOffset(0), 0u);
  EXPECT_FALSE(strings.SelectLanguage(0));

  FixtureLayout layout;
  layout.reversePositions = true;
  std::vector<uint8_t> file =
      MakeStrFile({{1036, 1252, {{LS_TITLE, "Titre"}}}, {1033, 1252, {{LS_TITLE, "Title"}}}, {1031, 1252}}, layout);
  ASSERT_TRUE(strings.Attach(HeapCopy(file), file.size()));
  EXPECT_EQ(strings.GetLanguageCount(), 3);
  EXPECT_EQ(strings.Selected(), 0u);
  EXPECT_STREQ(strings.GetString(LS_TITLE), "Titre");
  EXPECT_EQ(strings.GetLangId(1), 1033);
  EXPECT_EQ(strings.GetCodePage(2), 1252);
  EXPECT_EQ(strings.GetEntryOffset(0), 60u);  // stored last, chained first
  EXPECT_EQ(strings.GetEntryOffset(3), 0u);
  EXPECT_EQ(strings.GetLangId(3), 0);
  EXPECT_STREQ(strings.GetString(-1), "");
  EXPECT_STREQ(strings.GetString(LS_COUNT), "");
  EXPECT_STREQ(strings.GetString(LS_FMT_SECONDS), "L1036 %d");

  EXPECT_FALSE(strings.SelectLanguage(3));
  EXPECT_EQ(strings.Selected(), 0u);
  EXPECT_STREQ(strings.GetString(LS_TITLE), "Titre");

  // Swiss German system: the update client falls back to English, the installer keeps entry 0.
  strings.ChooseLanguage(2055);
  EXPECT_STREQ(strings.GetString(LS_TITLE), "Title");
  CLangStrings installer(CLangStrings::Choice::Swaplet);
  ASSERT_TRUE(installer.Attach(HeapCopy(file), file.size()));
  installer.MatchLanguage(2055);
  EXPECT_STREQ(installer.GetString(LS_TITLE), "Titre");
  installer.MatchLanguage(1031);
  EXPECT_EQ(installer.Selected(), 2u);

  // A refused image changes nothing and is not taken.
  std::vector<uint8_t> bad = file;
  bad[2] = 'x';
  uint8_t* badImage = HeapCopy(bad);
  EXPECT_FALSE(strings.Attach(badImage, bad.size()));
  delete[] badImage;
  EXPECT_EQ(strings.GetLanguageCount(), 3);
  EXPECT_STREQ(strings.GetString(LS_TITLE), "Title");
  EXPECT_FALSE(strings.Attach(nullptr, 0));
}

// Run by its own test entry with LC_ALL=de_CH.UTF-8, which makes Wine report Swiss German.
TEST(LangStringsSwissGerman, RealSystemLanguageChoosesEnglishForUpdateAndFirstForSwaplet) {
  const char* expected = getenv("UPD_EXPECT_LANGID");
  if (!expected) GTEST_SKIP() << "runs only in the LC_ALL=de_CH.UTF-8 test entry";
  ASSERT_EQ(CLangStrings::SystemLangId(), atoi(expected));
  std::string dir = MakeScratch("langch");
  std::string path = dir + "Update.Str";
  WriteFileBytes(path, AsString(MakeStrFile({{1036, 1252, {{LS_TITLE, "Titre"}}},
                                             {1033, 1252, {{LS_TITLE, "Title"}}},
                                             {1031, 1252, {{LS_TITLE, "Titel"}}}})));
  CLangStrings update(CLangStrings::Choice::Update);
  ASSERT_TRUE(update.LoadFile(path.c_str()));
  EXPECT_EQ(update.GetLangId(update.Selected()), 1033);
  EXPECT_STREQ(update.GetString(LS_TITLE), "Title");
  CLangStrings swaplet(CLangStrings::Choice::Swaplet);
  ASSERT_TRUE(swaplet.LoadFile(path.c_str()));
  EXPECT_EQ(swaplet.GetLangId(swaplet.Selected()), 1036);
  EXPECT_STREQ(swaplet.GetString(LS_TITLE), "Titre");
  DeleteTree(dir.c_str());
}

}  // namespace

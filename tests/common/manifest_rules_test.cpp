#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "manifest_rules.h"

namespace {

TEST(ManifestRules, ParseZsumTakesExactlyEightUpperCaseDigits) {
  struct {
    const char* value;
    uint32_t expected;
  } cases[] = {
      {"0000ABCD", 0x0000ABCDu},
      {"FFFFFFFF", 0xFFFFFFFFu},
      {"12345678", 0x12345678u},
      {"DEADBEEF trailing text", 0xDEADBEEFu},  // characters after the eighth are ignored
      {"DEADBEEF0", 0xDEADBEEFu},
      {"deadbeef", 0},   // lower case
      {"DEADBEEf", 0},   // one lower-case digit
      {"ABCDEF1", 0},    // seven digits
      {"", 0},
      {" 1234567", 0},   // a blank among the first eight
      {"0x123456", 0},
      {"1234G678", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ParseZsum(c.value), c.expected);
  }
  EXPECT_EQ(ParseZsum(nullptr), 0u);
  EXPECT_EQ(FormatZsum(0x00AB0CDEu), "00AB0CDE");
  EXPECT_EQ(ParseZsum(FormatZsum(0xFEDCBA98u).c_str()), 0xFEDCBA98u);
}

TEST(ManifestRules, ParseOsMaskReadsLikeAtolAndZeroMeansAll) {
  struct {
    const char* value;
    uint32_t expected;
  } cases[] = {
      {"16", 16},
      {" 16", 16},        // leading blanks
      {"\t+16", 16},      // sign
      {"16abc", 16},      // stops at the first other character
      {"4096 ", 4096},
      {"0", kAllSystems},
      {"", kAllSystems},
      {"abc", kAllSystems},
      {"- 5", kAllSystems},
      {"1118481", 0x111111},
      {"-1", 0xFFFFFFFFu},
      {"99999999999", 0x7FFFFFFFu},  // held at the 32-bit limit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ParseOsMask(c.value), c.expected);
  }
  EXPECT_EQ(ParseOsMask(nullptr), kAllSystems);
  EXPECT_EQ(kAllSystems, 1118481u);
}

TEST(ManifestRules, ParseSizeReadsDecimalOrZero) {
  EXPECT_EQ(ParseSize("1234"), 1234u);
  EXPECT_EQ(ParseSize("  77 bytes"), 77u);
  EXPECT_EQ(ParseSize("big"), 0u);
  EXPECT_EQ(ParseSize(""), 0u);
  EXPECT_EQ(ParseSize("2147483647"), 2147483647u);
  EXPECT_EQ(ParseSize("4294967296"), 2147483647u);
}

TEST(ManifestRules, EntryQualifiesTable) {
  const uint32_t xp = 0x100000, w98 = 0x10, w2k = 0x1000;
  struct {
    const char* name;
    uint32_t mask, system;
    const char* localVer;
    uint32_t localSize;
    const char* serverVer;
    bool expected;
  } cases[] = {
      {"newer server version", kAllSystems, xp, "1.0", 10, "1.1", true},
      {"same version, file present", kAllSystems, xp, "1.0", 10, "1.0", false},
      {"1.9 vs 1.10: byte order says not newer", kAllSystems, xp, "1.9", 10, "1.10", false},
      {"1.10 vs 1.9: byte order says newer", kAllSystems, xp, "1.10", 10, "1.9", true},
      {"local older by byte value", kAllSystems, xp, "01", 10, "02", true},
      {"empty local version", kAllSystems, xp, "", 10, "1.0", true},
      {"empty local version, empty server version", kAllSystems, xp, "", 10, "", true},
      {"same version but local file missing", kAllSystems, xp, "1.0", 0, "1.0", true},
      {"empty server version, file present", kAllSystems, xp, "1.0", 10, "", false},
      {"OS 16 on Windows 98", 16, w98, "", 0, "1.0", true},
      {"OS 16 on XP", 16, xp, "", 0, "1.0", false},
      {"OS 16 on 2000", 16, w2k, "1.0", 10, "2.0", false},
      {"mask with several bits", 0x1010, w2k, "1.0", 10, "2.0", true},
      {"high byte compared unsigned", kAllSystems, xp, "1.\x7f", 10, "1.\xe9", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EntryQualifies(c.mask, c.system, c.localVer, c.localSize, c.serverVer), c.expected);
  }
}

TEST(ManifestRules, SplitUrlListTable) {
  using V = std::vector<std::string>;
  struct {
    const char* value;
    V expected;
  } cases[] = {
      {"a", V{"a"}},
      {"a;b", V{"a", "b"}},
      {"a;b;", V{"a", "b"}},
      {"a;;b", V{"a", "", "b"}},
      {";a", V{"", "a"}},
      {";", V{""}},
      {"", V{}},
      {" a ; b", V{" a ", " b"}},  // pieces are not trimmed
      {"http://h/u/;\\\\srv\\share\\", V{"http://h/u/", "\\\\srv\\share\\"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SplitUrlList(c.value), c.expected);
  }
  EXPECT_TRUE(SplitUrlList(nullptr).empty());
}

TEST(ManifestRules, WindowsMaskFromVersionTable) {
  struct {
    const char* name;
    bool ok;
    uint32_t platform, major, minor, expected;
  } cases[] = {
      {"Windows 95 4.0", true, 1, 4, 0, 0x1},
      {"Windows 98 4.10", true, 1, 4, 10, 0x10},
      {"9x minor 89", true, 1, 4, 89, 0x10},
      {"Windows Me 4.90", true, 1, 4, 90, 0x100},
      {"NT 3.51", true, 2, 3, 51, 0x10000},
      {"NT 4.0", true, 2, 4, 0, 0x10000},
      {"Windows 2000 5.0", true, 2, 5, 0, 0x1000},
      {"Windows XP 5.1", true, 2, 5, 1, 0x100000},
      {"Server 2003 5.2", true, 2, 5, 2, 0x100000},
      {"Vista 6.0", true, 2, 6, 0, 0x1000},
      {"Windows 7 6.1", true, 2, 6, 1, 0x100000},
      {"Windows 10 10.0", true, 2, 10, 0, 0x1000},
      {"Win32s platform", true, 0, 3, 10, 0x1000},
      {"unknown platform", true, 7, 5, 1, 0x1000},
      {"query failed", false, 2, 5, 1, 0x1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WindowsMaskFromVersion(c.ok, c.platform, c.major, c.minor), c.expected);
  }
}

TEST(ManifestRules, IsSafeSectionNameTable) {
  const std::string at257(257, 'n'), at258(258, 'n');
  struct {
    std::string name;
    bool expected;
  } cases[] = {
      {"Program.exe", true},
      {"plugins\\x.dll", true},
      {"a/b/c.txt", true},
      {"..name", true},           // ".." only as a whole component is refused
      {"dir..\\x", true},
      {at257, true},
      {"", false},
      {at258, false},
      {"\\windows\\x.dll", false},
      {"/etc/x", false},
      {"C:\\x.dll", false},
      {"c:x.dll", false},
      {"file.txt:stream", false},
      {"..\\x.dll", false},
      {"a\\..\\..\\x.dll", false},
      {"a/../x", false},
      {"a\\..", false},
      {"..", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsSafeSectionName(c.name.c_str()), c.expected);
  }
  EXPECT_FALSE(IsSafeSectionName(nullptr));
}

TEST(ManifestRules, HasFolderMacro) {
  EXPECT_TRUE(HasFolderMacro("{app}"));
  EXPECT_TRUE(HasFolderMacro("{SYS}\\x\\"));
  EXPECT_TRUE(HasFolderMacro("{Win}/"));
  EXPECT_FALSE(HasFolderMacro("{ap}"));
  EXPECT_FALSE(HasFolderMacro("app\\"));
  EXPECT_FALSE(HasFolderMacro(""));
  EXPECT_FALSE(HasFolderMacro(nullptr));
}

TEST(ManifestRules, JoinFolderPathTable) {
  const char* app = "C:\\App\\";
  const char* sys = "C:\\Windows\\System32\\";
  const char* win = "C:\\Windows\\";
  struct {
    const char* folder;
    const char* section;
    size_t size;
    int ok;
    const char* expected;
  } cases[] = {
      {"{sys}", "x.dll", 260, 1, "C:\\Windows\\System32\\x.dll"},
      {"{SYS}", "x.dll", 260, 1, "C:\\Windows\\System32\\x.dll"},
      {"{sys}\\", "x.dll", 260, 1, "C:\\Windows\\System32\\x.dll"},
      {"{win}", "sub\\x.ini", 260, 1, "C:\\Windows\\x.ini"},  // base name after the last "\"
      {"{app}\\plugins\\", "lib\\x.dll", 260, 1, "C:\\App\\plugins\\x.dll"},
      {"{app}/sub/", "x.dll", 260, 1, "C:\\App\\sub/x.dll"},
      {"{app}\\plugins", "x.dll", 260, 1, "C:\\App\\pluginsx.dll"},
      {"{app}plugins\\", "x.dll", 260, 1, "C:\\App\\x.dll"},  // 6th character not a separator
      {"{app}", "a/b.dll", 260, 1, "C:\\App\\a/b.dll"},       // only "\" separates the base name
      {"plugins\\", "x.dll", 260, 0, ""},
      {"", "x.dll", 260, 0, ""},
      {"{sys}", "x.dll", 25, 0, ""},  // 25 characters need 26 bytes
      {"{sys}", "x.dll", 26, 1, "C:\\Windows\\System32\\x.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + " + " + c.section);
    char dest[300];
    memset(dest, '#', sizeof dest);
    EXPECT_EQ(JoinFolderPath(dest, c.size, c.folder, c.section, app, sys, win), c.ok);
    EXPECT_STREQ(dest, c.expected);
    EXPECT_EQ(dest[c.size], '#');
  }
}

}  // namespace

// The pure pieces of Update.exe: switch scanning, instance mutex name, size column, progress.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app.h"
#include "update_dlg.h"

namespace {

struct SwitchCase {
  const char* cmdLine;
  int autoDownload;
  int hidden;
};

TEST(Switches, ScanningRules) {
  const SwitchCase cases[] = {
      {"", 0, 0},          {"plain words", 0, 0}, {"/A /H", 1, 1},   {"/a/h", 1, 1},
      {"/H/A", 1, 1},      {"-x /a /h", 1, 1},    {"/ah", 1, 0},     {"/X", 0, 0},
      {"/", 0, 0},         {"/A /", 1, 0},        {"//A", 1, 0},     {"x/Hy", 0, 1},
      {"\"c:/h\"", 0, 1},  {"/ /a", 1, 0},        {"/x/h", 0, 1},    {"a/", 0, 0},
  };
  for (const SwitchCase& c : cases) {
    SwitchFlags flags = ParseSwitches(c.cmdLine);
    EXPECT_EQ(c.autoDownload, flags.autoDownload) << "command line: " << c.cmdLine;
    EXPECT_EQ(c.hidden, flags.hidden) << "command line: " << c.cmdLine;
  }
  SwitchFlags none = ParseSwitches(nullptr);
  EXPECT_EQ(0, none.autoDownload);
  EXPECT_EQ(0, none.hidden);
}

TEST(Switches, MutexNameFromDirectory) {
  char name[MAX_PATH];
  ASSERT_TRUE(MutexNameFromDir(name, sizeof(name), "C:\\Apps\\Editor\\"));
  EXPECT_STREQ("C:-Apps-Editor-", name);
  ASSERT_TRUE(MutexNameFromDir(name, sizeof(name), "D:\\Tools\\App\\"));
  EXPECT_STREQ("D:-Tools-App-", name);
  // A directory that does not fit is refused, not cut (a cut name could match another directory).
  std::string longDir = "C:\\" + std::string(300, 'x') + "\\";
  EXPECT_FALSE(MutexNameFromDir(name, sizeof(name), longDir.c_str()));
  EXPECT_STREQ("", name);
  char small[8];
  EXPECT_FALSE(MutexNameFromDir(small, sizeof(small), "C:\\Apps\\"));
  EXPECT_TRUE(MutexNameFromDir(small, sizeof(small), "C:\\App\\"));
  EXPECT_STREQ("C:-App-", small);
}

TEST(SizeColumn, KilobytesRoundedUp) {
  const struct {
    uint32_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 KB"},          {1, "1 KB"},           {1023, "1 KB"},          {1024, "1 KB"},
      {1025, "2 KB"},       {2048, "2 KB"},        {1048576, "1024 KB"},
      // Close to 4 GiB the rounding must not wrap round to 0 KB.
      {0xFFFFFFFFu, "4194304 KB"}, {0xFFFFFC01u, "4194304 KB"}, {0xFFFFFC00u, "4194303 KB"},
  };
  for (const auto& c : cases) {
    char text[32];
    FormatKilobytes(text, sizeof(text), c.bytes);
    EXPECT_STREQ(c.text, text) << c.bytes << " bytes";
  }
  char tiny[4];
  FormatKilobytes(tiny, sizeof(tiny), 1025);  // cut, never overrun
  EXPECT_STREQ("2 K", tiny);
}

TEST(Progress, PercentTruncatedAndBounded) {
  EXPECT_EQ(0, PercentOf(5, 0));  // no divisor: 0
  EXPECT_EQ(0, PercentOf(0, 10));
  EXPECT_EQ(33, PercentOf(1, 3));
  EXPECT_EQ(99, PercentOf(99, 100));
  EXPECT_EQ(100, PercentOf(10, 10));
  // Large files: part * 100 would overflow 32 bits.
  EXPECT_EQ(50, PercentOf(0x7FFFFFFFu, 0xFFFFFFFEu));
  EXPECT_EQ(99, PercentOf(0xFFFFFFF0u, 0xFFFFFFFFu));
  EXPECT_EQ(100, PercentOf(0xFFFFFFFFu, 0xFFFFFFFFu));
  // A counter read ahead of its total shows full, never more.
  EXPECT_EQ(100, PercentOf(12, 10));
}

}  // namespace

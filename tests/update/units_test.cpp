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

#include "launch_installer.h"
#include "testsupport.h"

namespace {

// The installer file is written whole or not at all.
TEST(InstallerFile, WrittenWholeReplacingAnOlderFile) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  std::string path = std::string(temp) + "wizard-units-installer.exe";
  ASSERT_TRUE(ts::WriteFileBytes(path, std::string(5000, 'o')));  // longer than the new one
  const std::string bytes = "MZ new installer bytes";
  ASSERT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())));
  std::string read;
  ASSERT_TRUE(ts::ReadFileBytes(path, &read));
  EXPECT_EQ(bytes, read);
  DeleteFileA(path.c_str());

  std::string missing = std::string(temp) + "no-such-folder-for-wizard\\Swaplet.exe";
  EXPECT_FALSE(WriteWholeFile(missing.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())));
  EXPECT_FALSE(ts::FileExists(missing));
}

// The built Update.exe carries the built installer as resource "IDR_XDATA" of type "XDATA"; a
// module without it has none.
TEST(InstallerFile, EmbeddedInBuiltUpdate) {
  HMODULE update = LoadLibraryExA((ts::DistDir() + "Update.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, update);
  const void* data = nullptr;
  DWORD size = 0;
  EXPECT_TRUE(FindEmbeddedInstaller(update, &data, &size));
  std::string swaplet;
  if (ts::ReadFileBytes(ts::DistDir() + "Swaplet.exe", &swaplet) && data) {
    EXPECT_EQ(swaplet.size(), size);
    EXPECT_TRUE(swaplet == std::string(static_cast<const char*>(data), size));
  }
  FreeLibrary(update);
  EXPECT_FALSE(FindEmbeddedInstaller(GetModuleHandleA(nullptr), &data, &size));
  // Without an embedded installer nothing is written or started.
  EXPECT_FALSE(LaunchInstallerFor("C:\\app\\"));
  std::string longDir = "C:\\" + std::string(MAX_PATH, 'a') + "\\";
  EXPECT_FALSE(LaunchInstallerFor(longDir.c_str()));
}

}  // namespace

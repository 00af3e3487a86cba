// The check's file size gives what FileSizeOf gives, for every kind of path.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "fileutil.h"
#include "local_file_size.h"

namespace {

TEST(LocalFileSize, SameAsFileSizeOf) {
  REQUIRE_TEST_ENV();
  std::string dir = ts::NewScratchDir("filesize");
  ASSERT_TRUE(ts::WriteFileBytes(dir + "a.dll", "12345"));
  ASSERT_TRUE(ts::WriteFileBytes(dir + "empty.txt", ""));
  ASSERT_TRUE(ts::MakeDirs(dir + "sub\\"));
  ASSERT_TRUE(ts::WriteFileBytes(dir + "sub\\b.exe", std::string(70000, 'b')));
  ASSERT_TRUE(ts::WriteFileBytes(dir + "ro.dll", "ro"));
  SetFileAttributesA((dir + "ro.dll").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const std::string paths[] = {dir + "a.dll",  dir + "A.DLL",     dir + "empty.txt", dir + "missing.dll",
                               dir + "sub",    dir + "sub\\",     dir + "sub\\b.exe", dir + "sub/b.exe",
                               dir + "ro.dll", dir + "a.*",       dir + "sub\\?.exe", dir + "missing\\x.dll",
                               dir + "a.dll\\"};
  for (const std::string& path : paths) {
    EXPECT_EQ(LocalFileSize(path.c_str()), FileSizeOf(path.c_str())) << path;
  }
  EXPECT_EQ(LocalFileSize((dir + "sub\\b.exe").c_str()), 70000u);
  SetFileAttributesA((dir + "ro.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

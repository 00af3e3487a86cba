// Engine construction from the local "update.ini", and the entry list.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "updater.h"

namespace {

struct UrlCase {
  const char* value;
  std::vector<std::string> bases;
};

TEST(Settings, UrlValueSplitsIntoBases) {
  REQUIRE_TEST_ENV();
  const UrlCase cases[] = {
      {"a;b", {"a", "b"}},       {"a;b;", {"a", "b"}}, {"a;;b", {"a", "", "b"}},
      {";a", {"", "a"}},         {"", {}},             {"http://h/x/", {"http://h/x/"}},
      {" a ; b ", {"a ", " b"}},  // the profile function trims the value's ends
  };
  for (const UrlCase& c : cases) {
    std::string app = MakeAppDir("settings", std::string("[URL]\r\nURL=") + c.value + "\r\nEXT=.z\r\n");
    ASSERT_FALSE(app.empty());
    CUpdater engine(app);
    EXPECT_EQ(engine.m_urls, c.bases) << "URL=" << c.value;
    EXPECT_EQ(engine.m_ext, ".z");
    EXPECT_EQ(engine.m_appDir, app);
    EXPECT_EQ(engine.m_updateDir, app + "update\\");
    EXPECT_EQ(engine.m_result.load(), RESULT_NONE);
    EXPECT_EQ(engine.m_busy.load(), 0);
  }
}

TEST(Settings, NoLocalManifestGivesNoServer) {
  REQUIRE_TEST_ENV();
  std::string app = MakeAppDir("settings-none", "");
  CUpdater engine(app);
  EXPECT_TRUE(engine.m_urls.empty());
  EXPECT_EQ(engine.m_ext, "");
  EXPECT_EQ(engine.RunCheck(), 0);
  EXPECT_EQ(engine.m_result.load(), RESULT_NO_SERVER);
}

TEST(EntryList, KeepsOrderAndFields) {
  UpdateEntryList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.At(0), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);
  ASSERT_EQ(list.Add("a.dll", 1, 10, 0x1234ABCD, 7), 1);
  ASSERT_EQ(list.Add("sub\\b.exe", 3, 0, 0, 0), 1);
  ASSERT_EQ(list.Add(std::string(300, 'x').c_str(), 4, 1, 2, 3), 1);
  EXPECT_EQ(list.Count(), 3);
  ASSERT_NE(list.At(0), nullptr);
  EXPECT_STREQ(list.At(0)->name, "a.dll");
  EXPECT_EQ(list.At(0)->index, 1);
  EXPECT_EQ(list.At(0)->size, 10u);
  EXPECT_EQ(list.At(0)->checksum, 0x1234ABCDu);
  EXPECT_EQ(list.At(0)->packedSize, 7u);
  EXPECT_STREQ(list.At(1)->name, "sub\\b.exe");
  EXPECT_EQ(list.At(1)->next, list.At(2));
  EXPECT_EQ(std::string(list.At(2)->name), std::string(300, 'x'));
  EXPECT_EQ(list.At(2)->next, nullptr);
  EXPECT_EQ(list.At(-5), list.At(0));
  EXPECT_EQ(list.At(3), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.At(0), nullptr);
  ASSERT_EQ(list.Add("c", 9, 0, 0, 0), 1);  // usable again after Clear
  EXPECT_EQ(list.Count(), 1);
  EXPECT_STREQ(list.At(0)->name, "c");
}

}  // namespace

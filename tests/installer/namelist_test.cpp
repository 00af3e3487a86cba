#include "namelist.h"

#include <gtest/gtest.h>

#include <string>

TEST(NameList, KeepsCopiesInOrderWithDuplicates) {
  NameList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.At(0), nullptr);
  char name[16] = "first";
  ASSERT_TRUE(list.Add(name));
  name[0] = 'X';  // the list owns its copy
  ASSERT_TRUE(list.Add("second"));
  ASSERT_TRUE(list.Add("second"));
  ASSERT_TRUE(list.Add(std::string(1000, 'n').c_str()));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_STREQ(list.At(0), "first");
  EXPECT_STREQ(list.At(1), "second");
  EXPECT_STREQ(list.At(2), "second");
  EXPECT_EQ(std::string(list.At(3)), std::string(1000, 'n'));
  EXPECT_EQ(list.At(4), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  ASSERT_TRUE(list.Add("again"));  // usable after Clear: the tail was reset too
  EXPECT_EQ(list.Count(), 1);
  EXPECT_STREQ(list.At(0), "again");
}

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bounded.h"

namespace {

TEST(Bounded, CopyAppendJoinRefuseWhatDoesNotFit) {
  char buf[8];
  memset(buf, '#', sizeof buf);
  EXPECT_EQ(CopyBounded(buf, 5, "abcd"), 1);  // 4 characters and the zero
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(CopyBounded(buf, 5, "abcde"), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(buf[5], '#');
  EXPECT_EQ(CopyBounded(buf, 0, "a"), 0);

  ASSERT_EQ(CopyBounded(buf, 5, "ab"), 1);
  EXPECT_EQ(AppendBounded(buf, 5, "cde"), 0);
  EXPECT_STREQ(buf, "ab");  // unchanged when it does not fit
  EXPECT_EQ(AppendBounded(buf, 5, "cd"), 1);
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(AppendBounded(buf, 5, ""), 1);

  memset(buf, 'x', sizeof buf);  // not terminated inside the given size
  EXPECT_EQ(AppendBounded(buf, 4, "a"), 0);

  EXPECT_EQ(JoinBounded(buf, 8, "ab", "cd", "efg"), 1);
  EXPECT_STREQ(buf, "abcdefg");
  EXPECT_EQ(JoinBounded(buf, 8, "ab", "cd", "efgh"), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(JoinBounded(buf, 8, "ab", "cd"), 1);
  EXPECT_STREQ(buf, "abcd");
}

struct FormatCase {
  const char* format;
  size_t size;
  const char* expected;
};

TEST(Bounded, FormatOneTextExpandsOnlyOneTextPlaceholder) {
  const FormatCase cases[] = {
      {"Connecting to %s ...", 260, "Connecting to srv ..."},
      {"%s%s", 260, "srv%s"},           // a second placeholder would read a missing argument
      {"%n%s", 260, "%nsrv"},           // %n is never expanded
      {"%d %s", 260, "%d srv"},         // a number placeholder in a text format
      {"%s %p %x", 260, "srv %p %x"},
      {"100%% %s", 260, "100% srv"},
      {"%-6s|", 260, "srv   |"},
      {"%6s|", 260, "   srv|"},
      {"%.2s|", 260, "sr|"},
      {"%*s", 260, "%*s"},              // a width taken from an argument is not supported
      {"%99999s", 260, "%99999s"},      // too many width digits: copied as it stands
      {"%", 260, "%"},
      {"end %", 260, "end %"},
      {"no placeholder", 260, "no placeholder"},
      {"Connecting to %s", 8, "Connect"},
      {"%s and more", 5, "srv "},
      {"%s", 1, ""},
      {"%9999s", 16, "               "},  // a wide field is cut at the buffer
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.format);
    char dest[300];
    memset(dest, '#', sizeof dest);
    FormatOneText(dest, c.size, c.format, "srv");
    EXPECT_STREQ(dest, c.expected);
    EXPECT_EQ(dest[c.size], '#');
  }
  char dest[4] = {'#', '#', '#', '#'};
  FormatOneText(dest, 0, "%s", "x");
  EXPECT_EQ(dest[0], '#');
  FormatOneText(dest, sizeof dest, nullptr, "x");
  EXPECT_STREQ(dest, "");
  FormatOneText(dest, sizeof dest, "<%s>", nullptr);
  EXPECT_STREQ(dest, "<>");
}

TEST(Bounded, FormatOneNumberExpandsOnlyOneNumberPlaceholder) {
  struct {
    const char* format;
    long number;
    size_t size;
    const char* expected;
  } cases[] = {
      {"%d seconds", 5, 260, "5 seconds"},
      {"%i", -12, 260, "-12"},
      {"%u", -1, 260, "4294967295"},
      {"%d%d", 7, 260, "7%d"},
      {"%s %d", 7, 260, "%s 7"},  // a text placeholder in a number format
      {"%n%d", 7, 260, "%n7"},
      {"%03d", 7, 260, "007"},
      {"%05d", -12, 260, "-0012"},
      {"%.3d", 5, 260, "005"},
      {"%-4d|", 5, 260, "5   |"},
      {"%4d|", 5, 260, "   5|"},
      {"%x", 255, 260, "%x"},
      {"%ld", 3, 260, "%ld"},
      {"%%d %d", 3, 260, "%d 3"},
      {"12345 %d", 678, 8, "12345 6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    char dest[300];
    memset(dest, '#', sizeof dest);
    FormatOneNumber(dest, c.size, c.format, c.number);
    EXPECT_STREQ(dest, c.expected);
    EXPECT_EQ(dest[c.size], '#');
  }
}

TEST(Bounded, ScanPlaceholderReportsLengthAndConversion) {
  struct {
    const char* text;
    size_t length;
    char conversion;
  } cases[] = {
      {"%s", 2, 's'}, {"%-05.3d x", 7, 'd'}, {"%%", 2, '%'}, {"%u", 2, 'u'}, {"%i", 2, 'i'},
      {"%n", 1, 0},   {"%5n", 2, 0},          {"%", 1, 0},    {"%12345s", 6, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char conversion = 'z';
    EXPECT_EQ(ScanPlaceholder(c.text, conversion), c.length);
    EXPECT_EQ(conversion, c.conversion);
  }
  char conversion;
  EXPECT_EQ(ScanPlaceholder("abc", conversion), 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "manifest_reader.h"
#include "manifest_rules.h"

namespace {

struct ReaderCase {
  const char* name;
  std::string text;
  std::string section;
  const char* key;
  size_t size;
  std::string expected;
};

const char kManifest[] =
    "; published manifest\r\n"
    "[Main]\r\n"
    "VER=1.0\r\n"
    "ver=2.0\r\n"
    "OS = 16\r\n"
    "KEY2=wrong\r\n"
    "KEY=a=b \"quoted\" \r\n"
    "EMPTY=\r\n"
    "[main]\r\n"
    "VER=9.9\r\n"
    "NEW=only in second\r\n"
    "[AB]\n"
    "K=from AB\n"
    "[A] anything after the bracket\n"
    "\n"
    "a comment line\n"
    "K=from A\n"
    "[B]\n"
    " K=indented\n"
    "\tL=tab\n"
    "M=last";

TEST(ManifestReader, StrictFormTable) {
  const std::string longValue(300, 'x');
  const std::string longSection(kMaxSectionName, 'S');
  const ReaderCase cases[] = {
      {"first key wins, \\r dropped", kManifest, "Main", "VER", 260, "1.0"},
      {"section and key without regard to case", kManifest, "MAIN", "ver", 260, "1.0"},
      {"second section of the same name never used", kManifest, "main", "NEW", 260, ""},
      {"blanks around = hide the key", kManifest, "Main", "OS", 260, ""},
      {"key with the blank finds it", kManifest, "Main", "OS ", 260, " 16"},
      {"key that is a prefix of another key", kManifest, "Main", "KEY", 260, "a=b \"quoted\" "},
      {"empty value", kManifest, "Main", "EMPTY", 260, ""},
      {"header compared over its own length", kManifest, "A", "K", 260, "from A"},
      {"longer header name", kManifest, "AB", "K", 260, "from AB"},
      {"key of a later section not seen", kManifest, "Main", "K", 260, ""},
      {"indented key not found", kManifest, "B", "K", 260, ""},
      {"tab-indented key not found", kManifest, "B", "L", 260, ""},
      {"last line without newline", kManifest, "B", "M", 260, "last"},
      {"missing section", kManifest, "Nope", "VER", 260, ""},
      {"header not at line start", " [S]\nK=v\n", "S", "K", 260, ""},
      {"text without the section", "K=v\n", "S", "K", 260, ""},
      {"header as last line", "X=1\n[S]", "S", "K", 260, ""},
      {"first line header", "[S]\nK=v", "S", "K", 260, "v"},
      {"bare \\n line ends", "[S]\nK=v\nL=w\n", "S", "L", 260, "w"},
      {"value cut at 259 with size 260", "[S]\nK=" + longValue + "\n", "S", "K", 260, std::string(259, 'x')},
      {"OS cut at 31 with size 32", "[S]\nOS=" + longValue, "S", "OS", 32, std::string(31, 'x')},
      {"size 1 gives empty", "[S]\nK=v", "S", "K", 1, ""},
      {"section name of 257 characters found", "[" + longSection + "]\nK=v", longSection, "K", 260, "v"},
      {"section name of 258 characters never found", "[" + longSection + "T]\nK=v", longSection + "T", "K",
       260, ""},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ManifestReader reader(c.text.c_str());
    char value[300];
    memset(value, '#', sizeof value);
    reader.GetValue(c.section.c_str(), c.key, value, c.size);
    EXPECT_EQ(std::string(value), c.expected);
    EXPECT_EQ(value[c.size], '#') << "wrote past the given size";
  }
}

TEST(ManifestReader, SizeZeroWritesNothingAndNullTextFindsNothing) {
  ManifestReader reader("[S]\nK=v");
  char value[4] = {'#', '#', '#', 0};
  reader.GetValue("S", "K", value, 0);
  EXPECT_EQ(value[0], '#');

  ManifestReader empty;
  EXPECT_EQ(empty.FindSection("S"), nullptr);
  empty.GetValue("S", "K", value, sizeof value);
  EXPECT_STREQ(value, "");
}

TEST(ManifestReader, PositionsPointAfterHeaderAndAtValue) {
  const char text[] = "[S] tail\nK=v\n";
  ManifestReader reader(text);
  const char* section = reader.FindSection("s");
  ASSERT_EQ(section, text + 3);
  EXPECT_EQ(reader.FindKey(section, "k"), text + 11);
  EXPECT_EQ(reader.FindKey(nullptr, "k"), nullptr);
  // Reset re-targets the reader; every lookup starts from the beginning.
  reader.Reset("[T]\nK=w");
  EXPECT_EQ(reader.FindSection("S"), nullptr);
  EXPECT_NE(reader.FindSection("T"), nullptr);
}

}  // namespace

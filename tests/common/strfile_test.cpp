#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "strfile.h"
#include "strfile_fixture.h"

namespace {

using namespace strfixture;

TEST(StrFile, NamesAndRoles) {
  EXPECT_STREQ(LangStringName(LS_TITLE), "LS_TITLE");
  EXPECT_STREQ(LangStringName(17), "LS_UNUSED_17");
  EXPECT_STREQ(LangStringName(LS_FMT_REPLACE_FAILED), "LS_FMT_REPLACE_FAILED");
  EXPECT_EQ(LangStringName(LS_COUNT), nullptr);
  EXPECT_EQ(LangStringName(-1), nullptr);
  for (int i = 0; i < LS_COUNT; ++i) EXPECT_EQ(LangStringFromName(LangStringName(i)), i);
  EXPECT_EQ(LangStringFromName("LS_NOPE"), -1);
  EXPECT_EQ(LangStringFromName("ls_title"), -1);

  int text = 0, number = 0;
  for (int i = 0; i < LS_COUNT; ++i) {
    text += FormatRoleOf(i) == FormatRole::Text;
    number += FormatRoleOf(i) == FormatRole::Number;
  }
  EXPECT_EQ(text, 4);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(FormatRoleOf(LS_FMT_CONNECTING), FormatRole::Text);
  EXPECT_EQ(FormatRoleOf(LS_FMT_CLOSING), FormatRole::Text);
  EXPECT_EQ(FormatRoleOf(LS_FMT_CLOSE_PROGRAM), FormatRole::Text);
  EXPECT_EQ(FormatRoleOf(LS_FMT_REPLACE_FAILED), FormatRole::Text);
  EXPECT_EQ(FormatRoleOf(LS_FMT_SECONDS), FormatRole::Number);
}

TEST(StrFile, FormatFitsRoleTable) {
  struct {
    int id;
    const char* text;
    bool fits;
  } cases[] = {
      {LS_FMT_CONNECTING, "Connecting to %s ...", true},
      {LS_FMT_CONNECTING, "%-20.10s", true},
      {LS_FMT_CONNECTING, "100%% of %s", true},
      {LS_FMT_CONNECTING, "no placeholder", false},
      {LS_FMT_CONNECTING, "%s%s", false},
      {LS_FMT_CONNECTING, "%d", false},
      {LS_FMT_CONNECTING, "%s %n", false},
      {LS_FMT_CONNECTING, "%s %", false},
      {LS_FMT_CONNECTING, "%S", false},
      {LS_FMT_SECONDS, "%d s", true},
      {LS_FMT_SECONDS, "%i", true},
      {LS_FMT_SECONDS, "%02u", true},
      {LS_FMT_SECONDS, "%s", false},
      {LS_FMT_SECONDS, "%d/%d", false},
      {LS_FMT_SECONDS, "%x", false},
      {LS_TITLE, "100% %s %n %d", true},  // not a format: anything goes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatFitsRole(c.id, c.text), c.fits);
  }
}

TEST(StrFile, CodePageFromLangId) {
  struct {
    uint16_t lang, cp;
  } cases[] = {{1054, 874},  {1041, 932},  {2052, 936},  {4100, 936},  {1042, 949},  {1028, 950},
               {3076, 950},  {2074, 1250}, {1060, 1250}, {3098, 1251}, {1033, 1252}, {20490, 1252},
               {1080, 1252}, {1032, 1253}, {1055, 1254}, {1037, 1255}, {16385, 1256}, {1065, 1256},
               {1063, 1257}, {1066, 1258}, {2066, 1361}, {0, 1252},    {9999, 1252}, {1081, 1252}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lang);
    EXPECT_EQ(CodePageFromLangId(c.lang), c.cp);
  }
}

TEST(StrFile, ViewReadsEntriesInChainOrder) {
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "entries stored in reverse order" : "entries stored in order");
    FixtureLayout layout;
    layout.reversePositions = reversed;
    layout.lastNext = 0xFFFFFFFF;  // never followed
    std::vector<uint8_t> img = MakeStrFile({{1036, 1252}, {1049, 1251, {{LS_TITLE, "Russian"}}}}, layout);
    StrFileView view(img.data(), img.size());
    std::string why;
    ASSERT_TRUE(view.IsValid(&why)) << why;
    EXPECT_EQ(view.LanguageCount(), 2);
    EXPECT_EQ(view.LangId(0), 1036);
    EXPECT_EQ(view.LangId(1), 1049);
    EXPECT_EQ(view.CodePage(1), 1251);
    EXPECT_EQ(view.EntryOffset(0), reversed ? 40u : 20u);
    EXPECT_EQ(view.EntryOffset(2), 0u);
    EXPECT_EQ(view.LangId(2), 0);
    EXPECT_STREQ(view.String(1, LS_TITLE), "Russian");
    EXPECT_STREQ(view.String(0, LS_BTN_NEXT), "L1036#10");
    EXPECT_STREQ(view.String(0, LS_FMT_SECONDS), "L1036 %d");
    EXPECT_EQ(view.String(0, LS_COUNT), nullptr);
    EXPECT_EQ(view.String(2, 0), nullptr);
  }
}

TEST(StrFile, LanguageChoiceTable) {
  struct ChoiceCase {
    const char* name;
    std::vector<FixtureLang> langs;
    uint16_t system;
    unsigned update;   // ChooseLanguageIndex
    unsigned swaplet;  // MatchLanguageIndex
  };
  const ChoiceCase cases[] = {
      {"exact match before English", {{1033, 1252}, {1031, 1252}}, 1031, 1, 1},
      {"two entries of one language: earlier wins", {{1033, 1252}, {1031, 1252}, {1031, 1252}}, 1031, 1, 1},
      {"two English entries: English fallback takes the later",
       {{1033, 1252}, {1036, 1252}, {1033, 1252}}, 2055, 2, 0},
      {"unknown language counts as 1252: last English", {{1036, 1252}, {1033, 1252}, {1031, 1252}, {1033, 1252}},
       9999, 3, 0},
      {"unknown language without English: first code-page field 1252",
       {{1049, 1251}, {1031, 1252}, {1036, 1252}}, 9999, 1, 0},
      {"code-page field differing from the table: found through the field (step 4)",
       {{1033, 1252}, {1049, 1251}, {1041, 936}}, 2052, 2, 0},
      {"code-page field differing from the table: found through the language (step 5)",
       {{1033, 1252}, {2052, 1252}}, 4100, 1, 1},
      {"Hong Kong with 2052 and 1028", {{2052, 936}, {1028, 950}}, 3076, 1, 1},
      {"Hong Kong with 1028 and 2052", {{1028, 950}, {2052, 936}}, 3076, 0, 0},
      {"Singapore folds to 2052 for the installer", {{1028, 950}, {2052, 936}}, 4100, 1, 1},
      {"2055 with 1036, 1033, 1031", {{1036, 1252}, {1033, 1252}, {1031, 1252}}, 2055, 1, 0},
      {"no match at all", {{1049, 1251}, {1041, 932}}, 1042, 0, 0},
      {"Japanese system finds Japanese by code page", {{1033, 1252}, {1041, 932}}, 1041, 1, 1},
      {"single language", {{1031, 1252}}, 1033, 0, 0},
  };
  for (const ChoiceCase& c : cases) {
    for (bool reversed : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (reversed ? " (reversed positions)" : ""));
      FixtureLayout layout;
      layout.reversePositions = reversed;
      layout.lastNext = reversed ? 7u : 0u;
      std::vector<uint8_t> img = MakeStrFile(c.langs, layout);
      StrFileView view(img.data(), img.size());
      ASSERT_TRUE(view.IsValid());
      EXPECT_EQ(ChooseLanguageIndex(view, c.system), c.update);
      EXPECT_EQ(MatchLanguageIndex(view, c.system), c.swaplet);
    }
  }
}

TEST(StrFile, ValidationTable) {
  using Bytes = std::vector<uint8_t>;
  const Bytes good = MakeStrFile({{1033, 1252}, {1031, 1252}});
  const size_t entry1 = ReadU32(good, 20);  // next field of entry 0
  const size_t table0 = ReadU32(good, 20 + 16);
  struct Refusal {
    const char* name;
    Bytes image;
  };
  std::vector<Refusal> refusals;
  auto with = [&](const char* name, auto change) {
    Bytes b = good;
    change(b);
    refusals.push_back({name, b});
  };
  with("shorter than its header", [](Bytes& b) { b.resize(19); });
  with("only the magic", [](Bytes& b) { b.resize(3); });
  with("empty", [](Bytes& b) { b.clear(); });
  with("magic \"str\"", [](Bytes& b) { b[0] = 's'; b[1] = 't'; b[2] = 'r'; });
  with("magic \"STx\"", [](Bytes& b) { b[2] = 'x'; });
  with("no language", [](Bytes& b) { b[10] = 0; b[11] = 0; });
  with("count larger than the chain", [](Bytes& b) { b[10] = 3; });
  with("first entry outside", [](Bytes& b) { WriteU32(b, 16, uint32_t(b.size())); });
  with("first entry across the end", [](Bytes& b) { WriteU32(b, 16, uint32_t(b.size() - 10)); });
  with("first entry offset 0", [](Bytes& b) { WriteU32(b, 16, 0); });
  with("second entry outside", [](Bytes& b) { WriteU32(b, 20, 0xFFFFFFF0u); });
  with("table outside", [&](Bytes& b) { WriteU32(b, entry1 + 16, uint32_t(b.size() + 4)); });
  with("table holds only 28 offsets inside", [&](Bytes& b) { WriteU32(b, entry1 + 16, uint32_t(b.size() - 28 * 4)); });
  with("string offset outside", [&](Bytes& b) { WriteU32(b, table0 + 4 * 5, uint32_t(b.size())); });
  with("string offset far outside", [&](Bytes& b) { WriteU32(b, table0 + 4 * 5, 0xFFFFFFFFu); });
  with("string not ending inside", [&](Bytes& b) {
    WriteU32(b, table0 + 4 * 5, uint32_t(b.size()));
    b.push_back('a');
    b.push_back('b');
  });
  with("last string loses its zero", [](Bytes& b) { b.back() = 'x'; });
  refusals.push_back({"connecting format with two %s", MakeStrFile({{1033, 1252, {{LS_FMT_CONNECTING, "%s%s"}}}})});
  refusals.push_back({"closing format with %d", MakeStrFile({{1033, 1252, {{LS_FMT_CLOSING, "%d"}}}})});
  refusals.push_back({"close-program format with %n", MakeStrFile({{1033, 1252, {{LS_FMT_CLOSE_PROGRAM, "%s%n"}}}})});
  refusals.push_back({"replace-failed format without placeholder",
                      MakeStrFile({{1033, 1252, {{LS_FMT_REPLACE_FAILED, "failed"}}}})});
  refusals.push_back({"seconds format with %s", MakeStrFile({{1033, 1252, {{LS_FMT_SECONDS, "%s"}}}})});
  refusals.push_back({"bad format in the second language",
                      MakeStrFile({{1033, 1252}, {1031, 1252, {{LS_FMT_SECONDS, "%d %d"}}}})});
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    StrFileView view(r.image.data(), r.image.size());
    std::string why;
    EXPECT_FALSE(view.IsValid(&why));
    EXPECT_FALSE(why.empty());
  }

  // Accepted: any fourth byte after "STR", anything in the unused fields, a cycle in the chain.
  std::vector<Refusal> accepted;
  with("fourth byte zero", [](Bytes& b) { b[3] = 0; });
  with("fourth byte X", [](Bytes& b) { b[3] = 'X'; });
  with("last next field points back to entry 0", [&](Bytes& b) { WriteU32(b, entry1, 20); });
  with("last next field outside", [&](Bytes& b) { WriteU32(b, entry1, 0xFFFFFFFFu); });
  with("two entries share one table", [&](Bytes& b) { WriteU32(b, entry1 + 16, uint32_t(table0)); });
  accepted.assign(refusals.end() - 5, refusals.end());
  accepted.push_back({"as built", good});
  accepted.push_back({"empty strings",
                      MakeStrFile({{1033, 1252, {{LS_TITLE, ""}, {LS_ABOUT, ""}, {LS_UNUSED_17, ""}}}})});
  for (const Refusal& a : accepted) {
    SCOPED_TRACE(a.name);
    StrFileView view(a.image.data(), a.image.size());
    std::string why;
    EXPECT_TRUE(view.IsValid(&why)) << why;
  }
}

TEST(StrFile, AccessorsStayInsideTruncatedImages) {
  // Every prefix of a valid image: no accessor reads beyond it, and only the whole image is valid.
  const std::vector<uint8_t> good = MakeStrFile({{1033, 1252}, {1031, 1252}});
  for (size_t size = 0; size <= good.size(); ++size) {
    std::vector<uint8_t> prefix(good.begin(), good.begin() + size);
    StrFileView view(prefix.data(), prefix.size());
    EXPECT_EQ(view.IsValid(), size == good.size()) << size;
    for (unsigned i = 0; i < 3; ++i) {
      view.LangId(i);
      for (int n = 0; n < LS_COUNT; ++n) {
        const char* s = view.String(i, n);
        if (s) {
          EXPECT_LT(size_t(s - reinterpret_cast<const char*>(prefix.data())) + strlen(s), size);
        }
      }
    }
    ChooseLanguageIndex(view, 1031);
    MatchLanguageIndex(view, 1031);
  }
}

}  // namespace

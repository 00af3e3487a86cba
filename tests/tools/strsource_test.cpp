// String sources: compiled images read back by hand, hand-made images dumped, refusals, code pages.
#include "strsource.h"

#include <gtest/gtest.h>

#include <map>

#include "strfile.h"
#include "tools_test_util.h"

using namespace toolstest;

namespace {

// Names of the strings as a source writes them.
const char* const kNames[LS_COUNT] = {
    "LS_TITLE",           "LS_ABOUT",               "LS_ABOUT_COPYRIGHT",      "LS_ABOUT_OK",
    "LS_LIST_LABEL",      "LS_COL_FILE",            "LS_COL_SIZE",             "LS_PHASE_RECEIVING",
    "LS_PHASE_VERIFYING", "LS_PHASE_UNPACKING",     "LS_BTN_NEXT",             "LS_BTN_RETRY",
    "LS_BTN_CANCEL",      "LS_STATUS_CHECKING",     "LS_STATUS_UPDATES_FOUND", "LS_STATUS_DOWNLOADING",
    "LS_STATUS_UP_TO_DATE", "LS_UNUSED_17",         "LS_STATUS_DOWNLOADED",    "LS_STATUS_DOWNLOAD_FAILED",
    "LS_STATUS_NO_SERVER", "LS_FMT_CONNECTING",     "LS_ASK_CANCEL",           "LS_INSTALL_LABEL",
    "LS_FMT_CLOSING",     "LS_FMT_CLOSE_PROGRAM",   "LS_FMT_SECONDS",          "LS_BTN_TERMINATE",
    "LS_FMT_REPLACE_FAILED"};

// Plain text for string n that fits its role.
std::string PlainText(int n) {
  switch (n) {
    case 21: case 24: case 25: case 28: return "text " + std::to_string(n) + " %s";
    case 26: return "seconds %d";
    default: return "text " + std::to_string(n);
  }
}

// A source of one language in which line 1 is the header and every string has its own line;
// overrides replace a string's text, omitted names leave their line out.
std::string OneLanguage(const std::string& header, const std::map<int, std::string>& overrides = {},
                        int omit = -1) {
  std::string s = header + "\n";
  for (int n = 0; n < LS_COUNT; ++n) {
    if (n == omit || n == LS_UNUSED_17) continue;
    auto it = overrides.find(n);
    s += std::string(kNames[n]) + " = " + (it != overrides.end() ? it->second : PlainText(n)) + "\n";
  }
  return s;
}

// Line of string n in OneLanguage (header on line 1, string 17 left out).
int LineOf(int n) { return n < LS_UNUSED_17 ? n + 2 : n + 1; }

// Independent minimal reader: follows the offsets of the format by hand.
struct ReadLanguage {
  uint16_t codePage, langId;
  std::vector<std::string> strings;
};

std::vector<ReadLanguage> ReadByHand(const std::vector<uint8_t>& image) {
  std::vector<ReadLanguage> out;
  EXPECT_GE(image.size(), 20u);
  EXPECT_EQ('S', image[0]);
  EXPECT_EQ('T', image[1]);
  EXPECT_EQ('R', image[2]);
  uint16_t count = Le16(image, 10);
  uint32_t entry = Le32(image, 16);
  for (uint16_t i = 0; i < count; ++i) {
    EXPECT_LE(entry + 20u, image.size());
    ReadLanguage lang;
    lang.codePage = Le16(image, entry + 4);
    lang.langId = Le16(image, entry + 6);
    uint32_t table = Le32(image, entry + 16);
    EXPECT_LE(table + 4u * 29, image.size());
    for (int n = 0; n < 29; ++n) {
      uint32_t at = Le32(image, table + 4 * n);
      std::string s;
      while (at < image.size() && image[at] != 0) s += char(image[at++]);
      EXPECT_LT(at, image.size()) << "string " << n << " runs off the end";
      lang.strings.push_back(s);
    }
    out.push_back(lang);
    if (i + 1 < count) entry = Le32(image, entry);
  }
  return out;
}

TEST(StrSource, CompiledImageReadsBackByHand) {
  std::map<int, std::string> english = {
      {LS_COL_SIZE, "Gr\xC3\xB6\xC3\x9F" "e"},                         // "Größe"
      {LS_FMT_REPLACE_FAILED, "\\sx %s\\r\\ny\\\\z\\t\\s"},             // escapes
      {LS_ABOUT, ""},                                                  // empty: no About entry
      {LS_FMT_SECONDS, "100%% after %d s"}};
  std::map<int, std::string> chinese = {{LS_BTN_CANCEL, "\xE5\x8F\x96\xE6\xB6\x88"}};  // "取消"
  std::string source = "# two languages\n" + OneLanguage("[language 1033 1252]", english) + "\n" +
                       OneLanguage("[language 2052 936]", chinese) + "LS_UNUSED_17 = spare\n";
  std::vector<uint8_t> image;
  std::string error;
  ASSERT_TRUE(CompileStrSource(source, image, error)) << error;

  std::vector<ReadLanguage> langs = ReadByHand(image);
  ASSERT_EQ(2u, langs.size());
  EXPECT_EQ(1033, langs[0].langId);
  EXPECT_EQ(1252, langs[0].codePage);
  EXPECT_EQ(2052, langs[1].langId);
  EXPECT_EQ(936, langs[1].codePage);
  EXPECT_EQ("text 0", langs[0].strings[LS_TITLE]);
  EXPECT_EQ("Gr\xF6\xDF" "e", langs[0].strings[LS_COL_SIZE]);
  EXPECT_EQ(" x %s\r\ny\\z\t ", langs[0].strings[LS_FMT_REPLACE_FAILED]);
  EXPECT_EQ("", langs[0].strings[LS_ABOUT]);
  EXPECT_EQ("", langs[0].strings[LS_UNUSED_17]);
  EXPECT_EQ("100%% after %d s", langs[0].strings[LS_FMT_SECONDS]);
  EXPECT_EQ("\xC8\xA1\xCF\xFB", langs[1].strings[LS_BTN_CANCEL]);
  EXPECT_EQ("spare", langs[1].strings[LS_UNUSED_17]);
  EXPECT_EQ("text 21 %s", langs[1].strings[LS_FMT_CONNECTING]);
}

// An image made here byte by byte: entries out of file order, junk in the unused fields, a string
// shared by two table slots.
std::vector<uint8_t> HandMadeImage() {
  std::vector<uint8_t> b(20, 0);
  b[0] = 'S'; b[1] = 'T'; b[2] = 'R'; b[3] = 'x'; b[4] = 'y'; b[5] = 'z';
  PutLe32(b, 6, 0xDEADBEEF);
  PutLe16(b, 10, 2);
  auto addString = [&b](const std::string& s) {
    uint32_t at = static_cast<uint32_t>(b.size());
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    return at;
  };
  auto addTable = [&b, &addString](const std::map<int, std::string>& special) {
    std::vector<uint32_t> offsets(29);
    uint32_t empty = addString("");
    for (int n = 0; n < 29; ++n) {
      auto it = special.find(n);
      offsets[n] = it != special.end() ? addString(it->second) : n == LS_UNUSED_17 ? empty : addString(PlainText(n));
    }
    uint32_t table = static_cast<uint32_t>(b.size());
    b.resize(b.size() + 4 * 29);
    for (int n = 0; n < 29; ++n) PutLe32(b, table + 4 * n, offsets[n]);
    return table;
  };
  uint32_t tableB = addTable({{LS_BTN_CANCEL, "\xC8\xA1\xCF\xFB"}});
  uint32_t entryB = static_cast<uint32_t>(b.size());  // second language, stored first
  b.resize(b.size() + 20, 0xAB);
  PutLe32(b, entryB, 0x77777777);  // link of the last entry: never followed
  PutLe16(b, entryB + 4, 936);
  PutLe16(b, entryB + 6, 2052);
  PutLe32(b, entryB + 16, tableB);
  uint32_t tableA = addTable({{LS_TITLE, " caf\xE9\r\n"}, {LS_ABOUT, "a\\b\tc"}});
  uint32_t entryA = static_cast<uint32_t>(b.size());
  b.resize(b.size() + 20, 0);
  PutLe32(b, entryA, entryB);
  PutLe16(b, entryA + 4, 1252);
  PutLe16(b, entryA + 6, 1033);
  PutLe32(b, entryA + 16, tableA);
  PutLe32(b, 16, entryA);
  return b;
}

TEST(StrSource, HandMadeImageDumpsToTheRightSource) {
  std::string text, error;
  ASSERT_TRUE(DumpStrFile(HandMadeImage(), text, error)) << error;
  std::string expected =
      "# Language strings; compile with: mkstrings compile THIS_FILE -o Update.Str\n"
      "# Escapes: \\\\ \\r \\n \\t, and \\s for a blank at the start or end of a text.\n"
      "\n[language 1033 1252]\n";
  for (int n = 0; n < LS_COUNT; ++n) {
    if (n == LS_UNUSED_17) continue;
    std::string value = n == LS_TITLE ? "\\scaf\xC3\xA9\\r\\n" : n == LS_ABOUT ? "a\\\\b\\tc" : PlainText(n);
    expected += std::string(kNames[n]) + " = " + value + "\n";
  }
  expected += "\n[language 2052 936]\n";
  for (int n = 0; n < LS_COUNT; ++n) {
    if (n == LS_UNUSED_17) continue;
    std::string value = n == LS_BTN_CANCEL ? "\xE5\x8F\x96\xE6\xB6\x88" : PlainText(n);
    expected += std::string(kNames[n]) + " = " + value + "\n";
  }
  EXPECT_EQ(expected, text);

  // Compiled again, the image holds the same languages and strings (in the compiler's own layout).
  std::vector<uint8_t> image;
  ASSERT_TRUE(CompileStrSource(text, image, error)) << error;
  std::vector<ReadLanguage> original = ReadByHand(HandMadeImage()), again = ReadByHand(image);
  ASSERT_EQ(original.size(), again.size());
  for (size_t i = 0; i < original.size(); ++i) {
    EXPECT_EQ(original[i].langId, again[i].langId);
    EXPECT_EQ(original[i].codePage, again[i].codePage);
    EXPECT_EQ(original[i].strings, again[i].strings);
  }
}

TEST(StrSource, ExampleStringsRoundTripByteForByte) {
  std::string source, error, dumped;
  {
    std::vector<uint8_t> raw = ReadBytes(SourceDir() + "/examples/strings.txt");
    ASSERT_FALSE(raw.empty());
    source.assign(raw.begin(), raw.end());
  }
  std::vector<uint8_t> image, again;
  ASSERT_TRUE(CompileStrSource(source, image, error)) << error;
  ASSERT_TRUE(DumpStrFile(image, dumped, error)) << error;
  ASSERT_TRUE(CompileStrSource(dumped, again, error)) << error;
  EXPECT_EQ(image, again);

  std::vector<ReadLanguage> langs = ReadByHand(image);
  ASSERT_EQ(3u, langs.size());
  EXPECT_EQ(1033, langs[0].langId);
  EXPECT_EQ(2052, langs[1].langId);
  EXPECT_EQ(936, langs[1].codePage);
  EXPECT_EQ(1031, langs[2].langId);
  EXPECT_EQ("\xC8\xA1\xCF\xFB(&C)", langs[1].strings[LS_BTN_CANCEL]);  // "取消(&C)" in GBK
  EXPECT_EQ("Gr\xF6\xDF" "e", langs[2].strings[LS_COL_SIZE]);          // "Größe" in 1252
  for (const ReadLanguage& l : langs) {
    for (int n = 0; n < LS_COUNT; ++n) {
      if (n != LS_UNUSED_17) {
        EXPECT_FALSE(l.strings[n].empty()) << l.langId << " " << kNames[n];
      }
    }
  }
}

TEST(StrSource, CodePageIsTakenFromTheLanguageWhenNotGiven) {
  std::vector<uint8_t> image;
  std::string error;
  ASSERT_TRUE(CompileStrSource(OneLanguage("[language 2052]", {{LS_TITLE, "\xE6\x9B\xB4\xE6\x96\xB0"}}), image, error))
      << error;
  std::vector<ReadLanguage> langs = ReadByHand(image);
  ASSERT_EQ(1u, langs.size());
  EXPECT_EQ(936, langs[0].codePage);
  EXPECT_EQ("\xB8\xFC\xD0\xC2", langs[0].strings[LS_TITLE]);  // "更新"
}

struct RefusedSource {
  const char* what;
  std::string source;
  std::string fault;  // expected in the message, with the line where one applies
};

class StrSourceRefusal : public ::testing::TestWithParam<RefusedSource> {};

TEST_P(StrSourceRefusal, IsRefusedNamingLineAndFault) {
  const RefusedSource& c = GetParam();
  std::vector<uint8_t> image{1, 2, 3};
  std::string error;
  EXPECT_FALSE(CompileStrSource(c.source, image, error)) << c.what;
  EXPECT_TRUE(image.empty()) << c.what;
  EXPECT_NE(std::string::npos, error.find(c.fault)) << c.what << "\nmessage: " << error;
}

std::string At(int n) { return "line " + std::to_string(LineOf(n)) + ": "; }

INSTANTIATE_TEST_SUITE_P(
    Table, StrSourceRefusal,
    ::testing::Values(
        RefusedSource{"missing string", OneLanguage("[language 1033 1252]", {}, LS_ASK_CANCEL),
                      "line 1: language 1033 has no string LS_ASK_CANCEL"},
        RefusedSource{"unknown name", OneLanguage("[language 1033 1252]") + "LS_NOPE = x\n",
                      "line 30: unknown string name \"LS_NOPE\""},
        RefusedSource{"string twice", OneLanguage("[language 1033 1252]") + "LS_TITLE = again\n",
                      "line 30: LS_TITLE is given twice"},
        RefusedSource{"number placeholder for a text",
                      OneLanguage("[language 1033 1252]", {{LS_FMT_CONNECTING, "to %d"}}),
                      At(LS_FMT_CONNECTING) + "LS_FMT_CONNECTING: \"to %d\" does not fit its role"},
        RefusedSource{"two placeholders", OneLanguage("[language 1033 1252]", {{LS_FMT_CLOSING, "%s%s"}}),
                      At(LS_FMT_CLOSING) + "LS_FMT_CLOSING: \"%s%s\" does not fit its role"},
        RefusedSource{"no placeholder", OneLanguage("[language 1033 1252]", {{LS_FMT_CLOSE_PROGRAM, "close it"}}),
                      At(LS_FMT_CLOSE_PROGRAM) + "LS_FMT_CLOSE_PROGRAM"},
        RefusedSource{"text placeholder for a number", OneLanguage("[language 1033 1252]", {{LS_FMT_SECONDS, "%s s"}}),
                      At(LS_FMT_SECONDS) + "LS_FMT_SECONDS"},
        RefusedSource{"Chinese in 1252",
                      OneLanguage("[language 1033 1252]", {{LS_BTN_CANCEL, "\xE5\x8F\x96\xE6\xB6\x88"}}),
                      At(LS_BTN_CANCEL) + "LS_BTN_CANCEL: character \"\xE5\x8F\x96\""},
        RefusedSource{"Hangul in 936", OneLanguage("[language 2052 936]", {{LS_TITLE, "\xED\x95\x9C"}}),
                      "cannot be written in code page 936"},
        RefusedSource{"not in 1252", OneLanguage("[language 1031 1252]", {{LS_TITLE, "\xC4\x80"}}),
                      At(LS_TITLE) + "LS_TITLE: character \"\xC4\x80\""},
        RefusedSource{"unknown escape", OneLanguage("[language 1033 1252]", {{LS_TITLE, "C:\\dir"}}),
                      At(LS_TITLE) + "LS_TITLE: unknown escape \"\\d\""},
        RefusedSource{"string before any language", "LS_TITLE = x\n" + OneLanguage("[language 1033 1252]"),
                      "line 1: string LS_TITLE stands before"},
        RefusedSource{"bad header", OneLanguage("[lang 1033 1252]"), "line 1: expected \"[language"},
        RefusedSource{"language id 0", OneLanguage("[language 0 1252]"), "line 1: expected"},
        RefusedSource{"language twice", OneLanguage("[language 1033 1252]") + OneLanguage("[language 1033 1252]"),
                      "line 30: language 1033 is given twice"},
        RefusedSource{"no language", "# nothing here\n", "no \"[language"},
        RefusedSource{"invalid UTF-8", OneLanguage("[language 1033 1252]", {{LS_TITLE, "caf\xE9"}}),
                      At(LS_TITLE) + "not valid UTF-8"},
        RefusedSource{"code page unknown", OneLanguage("[language 1033 4]"), "line 1: code page 4"},
        RefusedSource{"line without =", OneLanguage("[language 1033 1252]") + "LS_TITLE\n", "line 30: expected"}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST(StrSource, DumpRefusesAnInvalidImage) {
  std::vector<uint8_t> image = HandMadeImage();
  std::string text, error;
  image[0] = 's';
  EXPECT_FALSE(DumpStrFile(image, text, error));
  EXPECT_NE(std::string::npos, error.find("STR")) << error;
  image = HandMadeImage();
  image.resize(image.size() - 30);  // the last entry lies outside the file
  EXPECT_FALSE(DumpStrFile(image, text, error));
  EXPECT_TRUE(text.empty());
}

}  // namespace

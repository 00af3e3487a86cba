#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "langpin_cmdline.h"

namespace {

struct CmdCase {
  const char* name;
  std::vector<std::string> args;  // as the C run time split them, without the program name
  LangpinAction action;
  const char* stringFile;
  const char* executable;
};

TEST(LangpinCommandLine, ScanTable) {
  const std::string v255(255, 'v'), v256(256, 'v');
  const CmdCase cases[] = {
      {"no argument", {}, LangpinAction::Usage, "", ""},
      {"both switches", {"/s", "a.str", "/d", "app.exe"}, LangpinAction::Append, "a.str", "app.exe"},
      {"upper case, other order", {"/D", "app.exe", "/S", "a.str"}, LangpinAction::Append, "a.str", "app.exe"},
      {"value right after the letter", {"/sa.str", "/dapp.exe"}, LangpinAction::Append, "a.str", "app.exe"},
      {"later switch replaces the value", {"/s", "a.str", "/d", "x.exe", "/s", "b.str"}, LangpinAction::Append,
       "b.str", "x.exe"},
      {"stray words are stepped over", {"junk", "/s", "a.str", "more", "/d", "app.exe"}, LangpinAction::Append,
       "a.str", "app.exe"},
      {"argument with a space ends at it", {"/s", "my strings.str", "/d", "app.exe"}, LangpinAction::Append, "my",
       "app.exe"},
      {"quoted value keeps its spaces", {"/s", "\"my", "strings.str\"", "/d", "app.exe"}, LangpinAction::Append,
       "my strings.str", "app.exe"},
      {"quoted value right after the letter", {"/s\"a b\"/dx"}, LangpinAction::Append, "a b", "x"},
      {"unterminated quote", {"/s", "\"a.str", "/d", "app.exe"}, LangpinAction::Quit, "", ""},
      {"unknown switch", {"/x", "/s", "a.str", "/d", "app.exe"}, LangpinAction::Quit, "", ""},
      {"unknown switch after both values", {"/s", "a.str", "/d", "app.exe", "/q"}, LangpinAction::Quit, "", ""},
      {"lone slash", {"/s", "a.str", "/d", "app.exe", "/"}, LangpinAction::Quit, "", ""},
      {"only /s", {"/s", "a.str"}, LangpinAction::Quit, "", ""},
      {"only /d", {"/d", "app.exe"}, LangpinAction::Quit, "", ""},
      {"switch without value", {"/s", "/d", "app.exe"}, LangpinAction::Quit, "", ""},
      {"stray word only", {"hello"}, LangpinAction::Quit, "", ""},
      {"empty quoted value", {"/s", "\"\"", "/d", "app.exe"}, LangpinAction::Quit, "", ""},
      {"value of 255 characters", {"/s", v255, "/d", "x"}, LangpinAction::Append, v255.c_str(), "x"},
      {"value of 256 characters", {"/s", v256, "/d", "x"}, LangpinAction::TooLong, "", ""},
  };
  for (const CmdCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<const char*> argv{"Langpin.com"};
    for (const std::string& a : c.args) argv.push_back(a.c_str());
    LangpinCommand command;
    LangpinAction action = ParseLangpinArgs(int(argv.size()), argv.data(), command);
    EXPECT_EQ(int(action), int(c.action));
    if (c.action == LangpinAction::Append) {
      EXPECT_STREQ(command.stringFile, c.stringFile);
      EXPECT_STREQ(command.executable, c.executable);
    }
  }
}

TEST(LangpinCommandLine, JoinedLineLimit) {
  // Each argument is followed by one space: 1023 characters fit, 1024 do not.
  std::string word(200, 'w');
  std::vector<std::string> args{"/s", "a", "/d", "b"};  // 2+1+1+1+2+1+1+1 = 10 characters joined
  std::string filler(1023 - 10 - 1, 'f');              // plus its space: exactly 1023
  auto run = [](const std::vector<std::string>& list) {
    std::vector<const char*> argv{"Langpin.com"};
    for (const std::string& a : list) argv.push_back(a.c_str());
    LangpinCommand command;
    return ParseLangpinArgs(int(argv.size()), argv.data(), command);
  };
  std::vector<std::string> fits = args;
  fits.push_back(filler);
  EXPECT_EQ(int(run(fits)), int(LangpinAction::Append));
  std::vector<std::string> tooLong = args;
  tooLong.push_back(filler + "f");
  EXPECT_EQ(int(run(tooLong)), int(LangpinAction::TooLong));
  std::vector<std::string> many(20, word);
  EXPECT_EQ(int(run(many)), int(LangpinAction::TooLong));
}

TEST(LangpinCommandLine, ReadTokenAndSkipSpaces) {
  EXPECT_STREQ(SkipSpaces("  \tx"), "\tx");  // only the space character counts
  EXPECT_STREQ(SkipSpaces(""), "");
  char out[kLangpinValueSize];
  TokenResult result;
  const char* text = "  \"a b\" rest";
  const char* next = ReadToken(text, out, result);
  EXPECT_EQ(result, TokenResult::Ok);
  EXPECT_STREQ(out, "a b");
  EXPECT_EQ(next, text + 6);  // at the closing quote
  next = ReadToken("abc def", out, result);
  EXPECT_STREQ(out, "abc");
  EXPECT_STREQ(next, " def");
  EXPECT_EQ(ReadToken(" \"open", out, result), nullptr);
  EXPECT_EQ(result, TokenResult::Unterminated);
  std::string longer(300, 'x');
  EXPECT_EQ(ReadToken(longer.c_str(), out, result), nullptr);
  EXPECT_EQ(result, TokenResult::TooLong);
}

}  // namespace

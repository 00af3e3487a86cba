// The saved manifest "update.ini.tmp": the server text less its zero byte and less "SIZE", "ZSIZE"
// and "ZSUM" of every section listed under "ENUM", every other line kept.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "fetch.h"
#include "saved_manifest.h"
#include "serverbuild.h"
#include "updater.h"

namespace {

// What removing the keys through the profile functions gives: the file written as it is, then
// WritePrivateProfileStringA with a null value once per key and listed section.
std::string SaveThroughProfileFunctions(const std::string& path, const std::string& text) {
  if (!ts::WriteFileBytes(path, text)) return "<write failed>";
  for (int k = 1;; ++k) {
    char section[MAX_PATH];
    GetPrivateProfileStringA("ENUM", std::to_string(k).c_str(), "", section, sizeof section, path.c_str());
    if (!section[0]) break;
    for (const char* key : {"SIZE", "ZSIZE", "ZSUM"}) WritePrivateProfileStringA(section, key, nullptr, path.c_str());
  }
  return ReadAll(path);
}

std::string SaveThroughEngine(const std::string& path, const std::string& text) {
  if (!SaveServerManifest(path.c_str(), text.data(), uint32_t(text.size()))) return "<save failed>";
  return ReadAll(path);
}

TEST(SavedManifest, CheckSavesServerTextLessPackingKeys) {
  REQUIRE_TEST_ENV();
  std::string manifest =
      "; published manifest\r\n"
      "[URL]\r\nURL=http://example.invalid/u/\r\nEXT=.z\r\n"
      "[ENUM]\r\n1=a.dll\r\n2=sub\\b.exe\r\n"
      "[a.dll]\r\nVER=2\r\nREG=1\r\n"
      "\r\n"
      "[sub\\b.exe]\r\nVER=3\r\nEXE=1\r\nFOLDER={app}\\sub\\\r\n"
      "[notes]\r\nSIZE=keep me\r\n";
  TestServer server = BuildServer(BaseKind::Http, "saved", manifest, {{"a.dll", "aaaa"}, {"sub\\b.exe", "bbbbbbbb"}});
  ASSERT_TRUE(server.ok);
  std::string app = MakeAppDir("saved", "[URL]\r\nURL=" + server.base + "\r\nEXT=.z\r\n");
  CUpdater engine(app);
  ASSERT_EQ(engine.RunCheck(), 2) << "result " << engine.m_result.load();

  std::string saved = ReadAll(app + "update\\update.ini.tmp");
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved.find('\0'), std::string::npos);

  // Every line of the server text is kept but the packing keys of listed sections.
  std::string serverText;
  {
    std::vector<uint8_t> text;
    ASSERT_EQ(FetchManifest((server.base + "0.z").c_str(), text), 1);
    serverText.assign(text.begin(), text.end() - 1);
  }
  std::string expected;
  std::string section;
  for (size_t pos = 0; pos < serverText.size();) {
    size_t end = serverText.find('\n', pos);
    end = end == std::string::npos ? serverText.size() : end + 1;
    std::string line = serverText.substr(pos, end - pos);
    pos = end;
    if (line[0] == '[') section = line.substr(1, line.find(']') - 1);
    bool listed = section == "a.dll" || section == "sub\\b.exe";
    bool packingKey = line.rfind("SIZE=", 0) == 0 || line.rfind("ZSIZE=", 0) == 0 || line.rfind("ZSUM=", 0) == 0;
    if (!(listed && packingKey)) expected += line;
  }
  EXPECT_EQ(saved, expected);
  EXPECT_NE(serverText.find("ZSUM="), std::string::npos);  // the server text had them
  EXPECT_NE(saved.find("SIZE=keep me"), std::string::npos);

}

// Every key of every section as the profile functions read it from the file at path.
std::string ProfileView(const std::string& path) {
  std::string view;
  std::vector<char> names(65536);
  DWORD n = GetPrivateProfileSectionNamesA(names.data(), DWORD(names.size()), path.c_str());
  for (const char* s = names.data(); s < names.data() + n && *s; s += strlen(s) + 1) {
    std::vector<char> keys(65536);
    DWORD m = GetPrivateProfileStringA(s, nullptr, "", keys.data(), DWORD(keys.size()), path.c_str());
    for (const char* k = keys.data(); k < keys.data() + m && *k; k += strlen(k) + 1) {
      char value[MAX_PATH];
      GetPrivateProfileStringA(s, k, "", value, sizeof value, path.c_str());
      view += std::string("[") + s + "] " + k + "=" + value + "\n";
    }
  }
  return view;
}

// Inputs in the form the publisher tool writes ("\r\n" line ends, key=value): the single pass gives
// the profile functions' file byte for byte.
TEST(SavedManifest, SinglePassEqualsProfileFunctions) {
  REQUIRE_TEST_ENV();
  std::string many = "[ENUM]\r\n";
  std::string sections;
  for (int i = 1; i <= 40; ++i) {
    std::string name = "dir" + std::to_string(i % 3) + "\\file" + std::to_string(i) + ".dll";
    many += std::to_string(i) + "=" + name + "\r\n";
    sections += "[" + name + "]\r\nVER=1." + std::to_string(i) + "\r\nSIZE=" + std::to_string(i * 100) +
                "\r\nZSIZE=" + std::to_string(i * 50) + "\r\nZSUM=0000ABCD\r\nREG=1\r\n";
  }
  const std::pair<const char*, std::string> cases[] = {
      {"tool output", "[URL]\r\nURL=http://h/u/\r\nEXT=.z\r\n[ENUM]\r\n1=a.dll\r\n2=b.dll\r\n"
                      "[a.dll]\r\nVER=1\r\nSIZE=10\r\nZSIZE=8\r\nZSUM=00000123\r\n"
                      "[b.dll]\r\nVER=2\r\nOS=16\r\nSIZE=0\r\nZSIZE=0\r\nZSUM=00000000\r\nEXE=1\r\n"},
      {"forty files in folders", many + sections},
      {"comments and unlisted sections",
       "; comment\r\n[ENUM]\r\n1=a.dll\r\n[a.dll]\r\n;SIZE=comment\r\nSIZE=1\r\nVER=1\r\nZSUM=1\r\n"
       "[other]\r\nSIZE=5\r\nZSIZE=6\r\n"},
      {"keys and sections in other case", "[enum]\r\n1=A.DLL\r\n[a.dll]\r\nsize=1\r\nZsize=2\r\nzsum=3\r\nVER=1\r\n"},
      {"only some keys present", "[ENUM]\r\n1=a.dll\r\n2=b.dll\r\n[a.dll]\r\nZSUM=1\r\n[b.dll]\r\nVER=1\r\n"},
      {"nothing to remove", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1\r\n"},
      {"a key twice: one call removes one", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nSIZE=1\r\nSIZE=2\r\nVER=1\r\n"},
      {"a section listed twice: two removals",
       "[ENUM]\r\n1=a.dll\r\n2=a.dll\r\n[a.dll]\r\nSIZE=1\r\nSIZE=2\r\nSIZE=3\r\nVER=1\r\n"},
      {"a section written twice", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1\r\n[x]\r\nA=1\r\n[a.dll]\r\nSIZE=1\r\nZSUM=2\r\n"},
      {"ENUM ends at a gap", "[ENUM]\r\n1=a.dll\r\n3=b.dll\r\n[a.dll]\r\nSIZE=1\r\n[b.dll]\r\nSIZE=2\r\n"},
      {"ENUM value quoted", "[ENUM]\r\n1=\"a.dll\"\r\n[a.dll]\r\nSIZE=1\r\nVER=1\r\n"},
      {"listed section missing", "[ENUM]\r\n1=gone.dll\r\n2=a.dll\r\n[a.dll]\r\nSIZE=1\r\n"},
      {"last line without line end", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1\r\nZSUM=00000001"},
      {"removed key is the last line", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1\r\nZSUM=00000001\r\n"},
      {"no ENUM", "[a.dll]\r\nSIZE=1\r\n"},
      {"empty text", ""},
  };
  std::string dir = ts::NewScratchDir("saved-single");
  int n = 0;
  for (const auto& c : cases) {
    std::string viaProfile = SaveThroughProfileFunctions(dir + "p" + std::to_string(++n) + ".ini", c.second);
    std::string viaEngine = SaveThroughEngine(dir + "e" + std::to_string(n) + ".ini", c.second);
    EXPECT_EQ(viaEngine, viaProfile) << c.first;
  }
}

// Where this system's profile functions rewrite lines they were not asked to touch (blank lines
// dropped, "\n" turned into "\r\n", blanks around "=" removed), the single pass keeps every other
// line as it was, as the saved manifest must; the values read back are still the same.
TEST(SavedManifest, SinglePassKeepsOtherLinesAndReadsTheSame) {
  REQUIRE_TEST_ENV();
  const std::pair<const char*, std::string> cases[] = {
      {"blank lines", "[ENUM]\r\n1=a.dll\r\n\r\n[a.dll]\r\nVER=1\r\nSIZE=1\r\n\r\n\r\n[b]\r\nX=1\r\n"},
      {"bare \\n line ends", "[ENUM]\n1=a.dll\n[a.dll]\nVER=1\nSIZE=1\nZSIZE=2\nZSUM=3\n[b]\nX=1\n"},
      {"blanks around =", "[ENUM]\r\n1 = a.dll\r\n[a.dll]\r\nVER = 1\r\n SIZE = 1 \r\nZSUM=2\r\n"},
      {"text after the header", "[ENUM] list\r\n1=a.dll\r\n[a.dll] x\r\nSIZE=1\r\nVER=1\r\n"},
  };
  std::string dir = ts::NewScratchDir("saved-keep");
  int n = 0;
  for (const auto& c : cases) {
    std::string profilePath = dir + "p" + std::to_string(++n) + ".ini";
    std::string enginePath = dir + "e" + std::to_string(n) + ".ini";
    SaveThroughProfileFunctions(profilePath, c.second);
    std::string viaEngine = SaveThroughEngine(enginePath, c.second);
    EXPECT_EQ(ProfileView(enginePath), ProfileView(profilePath)) << c.first;
    // Only lines were removed, and only key lines of the packing keys.
    size_t from = 0;
    for (size_t pos = 0; pos < c.second.size();) {
      size_t end = c.second.find('\n', pos);
      end = end == std::string::npos ? c.second.size() : end + 1;
      std::string line = c.second.substr(pos, end - pos);
      pos = end;
      if (viaEngine.compare(from, line.size(), line) == 0) {
        from += line.size();
      } else {
        EXPECT_TRUE(line.find("SIZE") != std::string::npos || line.find("ZSUM") != std::string::npos)
            << c.first << ": removed line " << line;
      }
    }
    EXPECT_EQ(from, viaEngine.size()) << c.first;
    EXPECT_NE(viaEngine.size(), c.second.size()) << c.first;
  }
}

}  // namespace

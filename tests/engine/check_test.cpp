// The check: which files qualify, the order in which bases are tried, bases skipped without a
// connection, and bad manifests passed over.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_fixture.h"
#include "fileutil.h"
#include "manifest_rules.h"
#include "serverbuild.h"
#include "updater.h"

namespace {

std::vector<std::string> Listed(const CUpdater& engine) {
  std::vector<std::string> names;
  for (int i = 0; const UpdateEntry* e = engine.m_entries.At(i); ++i) names.push_back(e->name);
  return names;
}

struct CompareCase {
  const char* name;        // section name
  std::string serverKeys;  // lines of the server section
  const char* localVer;    // nullptr: the local manifest has no such section
  int localFile;           // -1 missing, 0 empty, 1 present (where FOLDER places it)
  bool listed;
  const char* localSection = nullptr;  // the local section's header when it differs from name
  const char* localPath = nullptr;     // where the local file lies when FOLDER moves it
};

std::vector<CompareCase> CompareCases() {
  char running[16], others[16];
  snprintf(running, sizeof running, "%u", unsigned(GetWindowsMask()));
  snprintf(others, sizeof others, "%u", unsigned(kAllSystems & ~GetWindowsMask()));
  return {
      {"byte_order.dll", "VER=1.10\r\n", "1.9", 1, false},
      {"newer.dll", "VER=1.1\r\n", "1.0", 1, true},
      {"older.dll", "VER=1.0\r\n", "1.1", 1, false},
      {"same.dll", "VER=2.0\r\n", "2.0", 1, false},
      {"same_missing.dll", "VER=2.0\r\n", "2.0", -1, true},
      {"same_empty.dll", "VER=2.0\r\n", "2.0", 0, true},
      {"server_ver_empty.dll", "VER=\r\n", "1.0", 1, false},
      {"server_ver_missing.dll", "", "1.0", 1, false},
      {"server_ver_empty_file_missing.dll", "", "1.0", -1, true},
      {"no_local_section.dll", "VER=1.0\r\n", nullptr, 1, true},
      {"local_ver_empty.dll", "VER=1.0\r\n", "", 1, true},
      {"os_zero.dll", "VER=1.1\r\nOS=0\r\n", "1.0", 1, true},
      {"os_text.dll", "VER=1.1\r\nOS=abc\r\n", "1.0", 1, true},
      {"os_98.dll", "VER=1.1\r\nOS=16\r\n", "1.0", 1, false},
      {"os_98_missing.dll", "VER=1.1\r\nOS=16\r\n", nullptr, -1, false},
      {"os_running.dll", std::string("VER=1.1\r\nOS=") + running + "\r\n", "1.0", 1, true},
      {"os_others.dll", std::string("VER=1.1\r\nOS=") + others + "\r\n", "1.0", -1, false},
      {"Mixed_Case.dll", "VER=3.0\r\n", "3.0", 1, false, "MIXED_CASE.DLL"},
      {"sub\\placed.dll", "VER=1.0\r\nFOLDER={app}\\plugins\\\r\n", "1.0", 1, false, nullptr, "plugins\\placed.dll"},
      {"sub\\placed_new.dll", "VER=1.1\r\nFOLDER={APP}/plugins/\r\n", "1.0", 1, true, nullptr, "plugins/placed_new.dll"},
      {"sub\\plain.dll", "VER=1.0\r\n", "1.0", 1, false},
  };
}

TEST(Check, ComparisonTable) {
  REQUIRE_TEST_ENV();
  std::vector<CompareCase> cases = CompareCases();
  for (BaseKind kind : {BaseKind::Http, BaseKind::Share}) {
    std::string manifest = "[URL]\r\nURL=placeholder\r\n[ENUM]\r\n";
    std::string sections, local = "[URL]\r\nURL=%BASE%\r\n";
    Files release, appFiles;
    std::vector<std::string> expected;
    for (size_t i = 0; i < cases.size(); ++i) {
      const CompareCase& c = cases[i];
      manifest += std::to_string(i + 1) + "=" + c.name + "\r\n";
      sections += std::string("[") + c.name + "]\r\n" + c.serverKeys;
      release[c.name] = std::string("server copy of ") + c.name;
      if (c.localVer) local += std::string("[") + (c.localSection ? c.localSection : c.name) + "]\r\nVER=" + c.localVer + "\r\n";
      std::string path = c.localPath ? c.localPath : c.name;
      std::replace(path.begin(), path.end(), '/', '\\');
      if (c.localFile >= 0) appFiles[path] = c.localFile ? "local copy" : "";
      if (c.listed) expected.push_back(c.name);
    }
    TestServer server = BuildServer(kind, "compare", manifest + sections, release);
    ASSERT_TRUE(server.ok);
    size_t at = local.find("%BASE%");
    local.replace(at, 6, server.base);
    std::string app = MakeAppDir("compare", local, appFiles);
    ASSERT_FALSE(app.empty());

    CUpdater engine(app);
    int found = engine.RunCheck();
    EXPECT_EQ(engine.m_result.load(), RESULT_UPDATES_FOUND) << BaseKindName(kind);
    EXPECT_EQ(found, int(expected.size()));
    EXPECT_EQ(Listed(engine), expected) << BaseKindName(kind);
    EXPECT_EQ(engine.m_count.load(), int(expected.size()));
    EXPECT_EQ(engine.m_base.Get(), server.base);
    EXPECT_EQ(engine.m_curName.Get(), "");

    // Fields of a listed entry come from the server manifest: its number, sizes and sum.
    const UpdateEntry* newer = engine.m_entries.At(0);
    ASSERT_NE(newer, nullptr);
    EXPECT_STREQ(newer->name, "newer.dll");
    EXPECT_EQ(newer->index, 2);
    EXPECT_EQ(newer->size, uint32_t(strlen("server copy of newer.dll")));
    std::string packed = ReadAll(server.path + "2");
    EXPECT_EQ(newer->packedSize, uint32_t(packed.size()));
    EXPECT_NE(newer->checksum, 0u);

    // Running the check again gives the same list, rebuilt from empty.
    EXPECT_EQ(engine.RunCheck(), found);
    EXPECT_EQ(Listed(engine), expected);
  }
}

TEST(Check, NoLocalManifestListsEveryFittingFile) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n2=b.dll\r\n3=c.dll\r\n[a.dll]\r\nVER=1\r\n[b.dll]\r\nVER=1\r\nOS=16\r\n[c.dll]\r\n";
  TestServer server = BuildServer(BaseKind::Http, "nolocal", manifest, {{"a.dll", "a"}, {"b.dll", "b"}, {"c.dll", "c"}});
  ASSERT_TRUE(server.ok);
  std::string app = MakeAppDir("nolocal", "", {{"a.dll", "old"}, {"c.dll", "old"}});
  CUpdater engine(app);
  engine.m_urls = {server.base};  // no "update.ini" to read them from
  EXPECT_EQ(engine.RunCheck(), 2);
  EXPECT_EQ(Listed(engine), (std::vector<std::string>{"a.dll", "c.dll"}));
}

TEST(Check, UpToDateWritesNoSavedManifest) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=1.0\r\n";
  TestServer server = BuildServer(BaseKind::Http, "uptodate", manifest, {{"a.dll", "a"}});
  ASSERT_TRUE(server.ok);
  std::string app = MakeAppDir("uptodate", "[URL]\r\nURL=" + server.base + "\r\n[a.dll]\r\nVER=1.0\r\n", {{"a.dll", "a"}});
  ASSERT_TRUE(ts::MakeDirs(app + "update\\"));
  ASSERT_TRUE(ts::WriteFileBytes(app + "update\\update.ini.tmp", "older"));
  CUpdater engine(app);
  EXPECT_EQ(engine.RunCheck(), 0);
  EXPECT_EQ(engine.m_result.load(), RESULT_UP_TO_DATE);
  EXPECT_EQ(engine.m_entries.Count(), 0);
  EXPECT_EQ(ReadAll(app + "update\\update.ini.tmp"), "older");  // left as it was
}

// Manifests in forms the publisher tool would not write: what the strict reader and the safety
// rules make of them.
struct StrictCase {
  const char* what;
  std::string serverText;  // ENUM and sections
  std::vector<std::string> listed;
};

TEST(Check, StrictFormsAndUnsafeNames) {
  REQUIRE_TEST_ENV();
  std::string longName(258, 'n');
  std::string name257(257, 'm');
  const StrictCase cases[] = {
      {"lower-case key and section", "[enum]\r\n1=a.dll\r\n[A.DLL]\r\nver=2\r\n", {"a.dll"}},
      {"blanks around = hide VER", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER = 2\r\n", {}},
      {"bare \\n line ends", "[ENUM]\n1=a.dll\n[a.dll]\nVER=2\n", {"a.dll"}},
      {"ENUM stops at a gap", "[ENUM]\r\n1=a.dll\r\n3=b.dll\r\n[a.dll]\r\nVER=2\r\n[b.dll]\r\nVER=2\r\n", {"a.dll"}},
      {"ENUM stops at an empty value", "[ENUM]\r\n1=\r\n2=a.dll\r\n[a.dll]\r\nVER=2\r\n", {}},
      {"key indented is not seen", "[ENUM]\r\n 1=a.dll\r\n", {}},
      {"parent folder", "[ENUM]\r\n1=..\\evil.dll\r\n2=a.dll\r\n[a.dll]\r\nVER=2\r\n", {"a.dll"}},
      {"inner parent folder", "[ENUM]\r\n1=sub\\..\\..\\evil.dll\r\n", {}},
      {"leading backslash", "[ENUM]\r\n1=\\evil.dll\r\n", {}},
      {"leading slash", "[ENUM]\r\n1=/evil.dll\r\n", {}},
      {"drive letter", "[ENUM]\r\n1=C:\\evil.dll\r\n", {}},
      {"folder without macro", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\nFOLDER=C:\\windows\\\r\n", {}},
      {"folder with unknown macro", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\nFOLDER={tmp}\\\r\n", {}},
      {"section name of 258 characters", "[ENUM]\r\n1=" + longName + "\r\n[" + longName + "]\r\nVER=2\r\n", {}},
      {"section name of 257 characters, too long a path",
       "[ENUM]\r\n1=" + name257 + "\r\n[" + name257 + "]\r\nVER=2\r\n", {}},
      {"{sys} folder", "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\nFOLDER={sys}\r\n", {"a.dll"}},
  };
  for (const StrictCase& c : cases) {
    TestServer server = RawServer(BaseKind::Http, "strict", PackManifest(c.serverText));
    ASSERT_TRUE(server.ok);
    std::string app = MakeAppDir("strict", "[URL]\r\nURL=" + server.base + "\r\n[a.dll]\r\nVER=1\r\n", {{"a.dll", "old"}});
    CUpdater engine(app);
    engine.RunCheck();
    EXPECT_EQ(engine.m_result.load(), c.listed.empty() ? RESULT_UP_TO_DATE : RESULT_UPDATES_FOUND) << c.what;
    EXPECT_EQ(Listed(engine), c.listed) << c.what;
  }
}

// Three bases that all fail: the HTTP log shows the order in which they were tried.
TEST(Check, MirrorWalkStartsAtTheGivenPositionAndWraps) {
  REQUIRE_TEST_ENV();
  std::string url = ts::Env("UPD_HTTP_URL");
  std::string app = MakeAppDir("mirror", "[URL]\r\nURL=" + url + "404/first/;" + url + "404/second/;" + url +
                                             "404/third/\r\nEXT=.z\r\n");
  struct OrderCase {
    int start;
    std::vector<std::string> order;
  } cases[] = {
      {2, {"/404/third/0.z", "/404/first/0.z", "/404/second/0.z"}},
      {0, {"/404/first/0.z", "/404/second/0.z", "/404/third/0.z"}},
      {1, {"/404/second/0.z", "/404/third/0.z", "/404/first/0.z"}},
  };
  for (const OrderCase& c : cases) {
    CUpdater engine(app);
    engine.m_startOverride = c.start;
    engine.m_connectedOverride = 1;
    ASSERT_TRUE(ts::HttpLogClear());
    EXPECT_EQ(engine.RunCheck(), 0);
    EXPECT_EQ(engine.m_result.load(), RESULT_NO_SERVER);
    EXPECT_EQ(Requests(), c.order) << "start " << c.start;
    EXPECT_EQ(engine.m_curName.Get(), url + c.order.back().substr(1, c.order.back().size() - 4));
  }
}

TEST(Check, FirstGoodBaseInWalkOrderWins) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n";
  TestServer good1 = BuildServer(BaseKind::Http, "good1", manifest, {{"a.dll", "1"}});
  TestServer good2 = BuildServer(BaseKind::Share, "good2", manifest, {{"a.dll", "2"}});
  ASSERT_TRUE(good1.ok && good2.ok);
  std::string url = ts::Env("UPD_HTTP_URL");
  // Bad manifests of every kind are passed over.
  std::vector<uint8_t> offByOne = PackManifest(manifest);
  offByOne[4] ^= 1;
  TestServer badSum = RawServer(BaseKind::Http, "badsum", offByOne);
  ASSERT_TRUE(badSum.ok);
  std::string bases = url + "errpage/x/;" + badSum.base + ";" + good1.base + ";" + good2.base;
  std::string app = MakeAppDir("walk", "[URL]\r\nURL=" + bases + "\r\n");
  struct WalkCase {
    int start;
    std::string winner;
  } cases[] = {{0, good1.base}, {1, good1.base}, {2, good1.base}, {3, good2.base}};
  for (const WalkCase& c : cases) {
    CUpdater engine(app);
    engine.m_startOverride = c.start;
    engine.m_connectedOverride = 1;
    EXPECT_EQ(engine.RunCheck(), 1) << c.start;
    EXPECT_EQ(engine.m_base.Get(), c.winner) << c.start;
  }
}

TEST(Check, WithoutConnectionOnlyNetworkPathsAreTried) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n";
  TestServer web = BuildServer(BaseKind::Http, "offline-web", manifest, {{"a.dll", "1"}});
  TestServer share = BuildServer(BaseKind::Share, "offline-share", manifest, {{"a.dll", "2"}});
  ASSERT_TRUE(web.ok && share.ok);

  // Web base first in the walk, share second: the share answers, the web server sees nothing.
  std::string app = MakeAppDir("offline", "[URL]\r\nURL=" + web.base + ";" + share.base + "\r\n");
  CUpdater engine(app);
  engine.m_startOverride = 0;
  engine.m_connectedOverride = 0;
  ASSERT_TRUE(ts::HttpLogClear());
  EXPECT_EQ(engine.RunCheck(), 1);
  EXPECT_EQ(engine.m_base.Get(), share.base);
  EXPECT_TRUE(Requests().empty());

  // Only web bases: no server, and still no request.
  std::string app2 = MakeAppDir("offline2", "[URL]\r\nURL=" + web.base + ";" + web.base + "\r\n");
  CUpdater engine2(app2);
  engine2.m_connectedOverride = 0;
  EXPECT_EQ(engine2.RunCheck(), 0);
  EXPECT_EQ(engine2.m_result.load(), RESULT_NO_SERVER);
  EXPECT_TRUE(Requests().empty());

  // With the connection state true the web base is used.
  CUpdater engine3(app);
  engine3.m_startOverride = 0;
  engine3.m_connectedOverride = 1;
  EXPECT_EQ(engine3.RunCheck(), 1);
  EXPECT_EQ(engine3.m_base.Get(), web.base);
  EXPECT_EQ(Requests(), std::vector<std::string>{"/" + web.base.substr(ts::Env("UPD_HTTP_URL").size()) + "0"});
}

TEST(Check, BackslashesAreNormalised) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n";
  TestServer web = BuildServer(BaseKind::Http, "slashes-web", manifest, {{"a.dll", "1"}});
  TestServer share = BuildServer(BaseKind::Share, "slashes-share", manifest, {{"a.dll", "2"}});
  ASSERT_TRUE(web.ok && share.ok);
  std::string webBackslashed = web.base;
  std::replace(webBackslashed.begin(), webBackslashed.end(), '/', '\\');
  std::string shareSlashed = share.base;
  std::replace(shareSlashed.begin(), shareSlashed.end(), '\\', '/');
  struct SlashCase {
    std::string written, used;
  } cases[] = {{webBackslashed, web.base}, {shareSlashed, share.base}, {share.base, share.base}};
  for (const SlashCase& c : cases) {
    std::string app = MakeAppDir("slashes", "[URL]\r\nURL=" + c.written + "\r\n");
    CUpdater engine(app);
    engine.m_connectedOverride = 1;
    EXPECT_EQ(engine.RunCheck(), 1) << c.written;
    EXPECT_EQ(engine.m_base.Get(), c.used) << c.written;
  }
}

TEST(Check, FailedSaveOfTheManifestIsNoServer) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n";
  TestServer server = BuildServer(BaseKind::Http, "savefail", manifest, {{"a.dll", "1"}});
  ASSERT_TRUE(server.ok);
  std::string ini = "[URL]\r\nURL=" + server.base + "\r\n";

  // Short write: the partial file is removed.
  std::string app = MakeAppDir("savefail", ini);
  CUpdater engine(app);
  engine.m_writeLimit = 10;
  EXPECT_EQ(engine.RunCheck(), 0);
  EXPECT_EQ(engine.m_result.load(), RESULT_NO_SERVER);
  EXPECT_EQ(engine.m_entries.Count(), 0);
  EXPECT_FALSE(ts::FileExists(app + "update\\update.ini.tmp"));

  // The file cannot be created (a folder holds its name).
  std::string app2 = MakeAppDir("savefail2", ini);
  ASSERT_TRUE(ts::MakeDirs(app2 + "update\\update.ini.tmp\\"));
  CUpdater engine2(app2);
  EXPECT_EQ(engine2.RunCheck(), 0);
  EXPECT_EQ(engine2.m_result.load(), RESULT_NO_SERVER);

  // With room again the same engine succeeds (Retry).
  engine.m_writeLimit = 0xFFFFFFFF;
  EXPECT_EQ(engine.RunCheck(), 1);
  EXPECT_EQ(engine.m_result.load(), RESULT_UPDATES_FOUND);
  EXPECT_TRUE(ts::FileExists(app + "update\\update.ini.tmp"));
}

}  // namespace

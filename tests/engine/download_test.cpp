// The download run over both kinds of base: complete runs, resume from earlier runs, and every way
// a file can fail, each leaving no temporary file for the failing entry and keeping earlier ones.
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.h"
#include "updater.h"

namespace {

const char kManifest[] =
    "[URL]\r\nURL=x\r\n[ENUM]\r\n1=a.dll\r\n2=sub\\deep\\b.exe\r\n3=empty.txt\r\n4=one.bin\r\n"
    "[a.dll]\r\nVER=2\r\n[sub\\deep\\b.exe]\r\nVER=2\r\n[empty.txt]\r\nVER=2\r\n[one.bin]\r\nVER=2\r\n";

Files ReleaseFiles() {
  return {{"a.dll", RandomBytes(10000, 11)},
          {"sub\\deep\\b.exe", RandomBytes(60000, 12) + std::string(60000, 'z')},
          {"empty.txt", ""},
          {"one.bin", "1"}};
}

struct RunSetup {
  TestServer server;
  std::string app;
};

RunSetup CheckedSetup(BaseKind kind, const std::string& hint) {
  RunSetup s;
  s.server = BuildServer(kind, hint, kManifest, ReleaseFiles());
  if (!s.server.ok) return s;
  s.app = MakeAppDir(hint, "[URL]\r\nURL=" + s.server.base + "\r\n");
  return s;
}

std::string Tmp(const CUpdater& engine, const std::string& name) { return engine.m_updateDir + name + ".tmp"; }

TEST(Download, CompleteRunOverBothBases) {
  REQUIRE_TEST_ENV();
  for (BaseKind kind : {BaseKind::Http, BaseKind::Share}) {
    RunSetup s = CheckedSetup(kind, "full");
    ASSERT_TRUE(s.server.ok);
    CUpdater engine(s.app);
    ASSERT_EQ(engine.RunCheck(), 4) << BaseKindName(kind);
    engine.RunDownload();
    EXPECT_EQ(engine.m_result.load(), RESULT_DOWNLOADED) << BaseKindName(kind);
    EXPECT_EQ(engine.m_phase.load(), PHASE_IDLE);
    EXPECT_EQ(engine.m_index.load(), 4);
    EXPECT_EQ(engine.m_count.load(), 4);
    EXPECT_EQ(engine.m_curName.Get(), "one.bin");
    EXPECT_EQ(engine.m_received.load(), engine.m_entries.At(3)->packedSize);
    for (const auto& f : ReleaseFiles()) {
      EXPECT_TRUE(ts::FileExists(Tmp(engine, f.first))) << f.first;
      EXPECT_TRUE(ReadAll(Tmp(engine, f.first)) == f.second) << BaseKindName(kind) << " " << f.first;
    }
  }
}

TEST(Download, ResumeKeepsNonEmptyTemporaryFilesWithoutARequest) {
  REQUIRE_TEST_ENV();
  RunSetup s = CheckedSetup(BaseKind::Http, "resume");
  ASSERT_TRUE(s.server.ok);
  CUpdater engine(s.app);
  ASSERT_EQ(engine.RunCheck(), 4);
  ASSERT_TRUE(ts::MakeDirs(engine.m_updateDir));
  ASSERT_TRUE(ts::WriteFileBytes(Tmp(engine, "a.dll"), "left by an earlier run"));
  ASSERT_TRUE(ts::WriteFileBytes(Tmp(engine, "one.bin"), ""));  // empty: counts as missing
  ASSERT_TRUE(ts::HttpLogClear());
  engine.RunDownload();
  EXPECT_EQ(engine.m_result.load(), RESULT_DOWNLOADED);
  EXPECT_EQ(ReadAll(Tmp(engine, "a.dll")), "left by an earlier run");  // neither fetched nor checked
  EXPECT_EQ(ReadAll(Tmp(engine, "one.bin")), "1");
  std::string dir = "/" + s.server.base.substr(ts::Env("UPD_HTTP_URL").size());
  EXPECT_EQ(Requests(), (std::vector<std::string>{dir + "2", dir + "3", dir + "4"}));
}

struct EntryCopy {
  std::string name;
  int index;
  uint32_t size, checksum, packedSize;
};

std::vector<EntryCopy> CopyEntries(const CUpdater& engine) {
  std::vector<EntryCopy> out;
  for (int i = 0; const UpdateEntry* e = engine.m_entries.At(i); ++i)
    out.push_back({e->name, e->index, e->size, e->checksum, e->packedSize});
  return out;
}

void SetEntries(CUpdater& engine, const std::vector<EntryCopy>& entries) {
  engine.m_entries.Clear();
  for (const EntryCopy& e : entries) engine.m_entries.Add(e.name.c_str(), e.index, e.size, e.checksum, e.packedSize);
}

// One row: what goes wrong with the second entry (or with the base, the first entry then being
// present from an earlier run).
struct FailureRow {
  const char* what;
  bool httpOnly;
  bool firstFromEarlierRun;
  std::function<void(CUpdater&, const TestServer&, std::vector<EntryCopy>&)> breakIt;
};

TEST(Download, FailureTable) {
  REQUIRE_TEST_ENV();
  std::string url = ts::Env("UPD_HTTP_URL");
  auto servedDir = [&](const TestServer& server) { return server.base.substr(url.size()); };
  const FailureRow rows[] = {
      {"server file missing", false, false,
       [](CUpdater&, const TestServer& server, std::vector<EntryCopy>&) { DeleteFileA((server.path + "2").c_str()); }},
      {"wrong sum (a byte changed on the server)", false, false,
       [](CUpdater&, const TestServer& server, std::vector<EntryCopy>&) {
         std::string data = ReadAll(server.path + "2");
         data[data.size() / 2] ^= 0x40;
         ts::WriteFileBytes(server.path + "2", data);
       }},
      {"bad stream with a matching sum", false, false,
       [](CUpdater&, const TestServer& server, std::vector<EntryCopy>& entries) {
         std::string junk = RandomBytes(entries[1].packedSize, 99);
         ts::WriteFileBytes(server.path + "2", junk);
         uint32_t sum = 0;
         for (unsigned char c : junk) sum += c;
         entries[1].checksum = sum;
       }},
      {"server file shorter than ZSIZE", false, false,
       [](CUpdater&, const TestServer& server, std::vector<EntryCopy>&) {
         std::string data = ReadAll(server.path + "2");
         ts::WriteFileBytes(server.path + "2", data.substr(0, data.size() - 1));
       }},
      {"one byte more than SIZE", false, false,
       [](CUpdater&, const TestServer&, std::vector<EntryCopy>& entries) { entries[1].size -= 1; }},
      {"SIZE 0 with ZSIZE not 0", false, false,
       [](CUpdater&, const TestServer&, std::vector<EntryCopy>& entries) { entries[1].size = 0; }},
      {"ZSIZE 0 with ZSUM not 0", false, false,
       [](CUpdater&, const TestServer&, std::vector<EntryCopy>& entries) {
         entries[1].packedSize = 0;
         entries[1].size = 0;
         entries[1].checksum = 1;
       }},
      {"temporary file not creatable", false, false,
       [](CUpdater& engine, const TestServer&, std::vector<EntryCopy>&) {
         ts::MakeDirs(engine.m_updateDir + "sub\\deep\\b.exe.tmp\\");
       }},
      {"write of the unpacked file cut short", false, true,
       [](CUpdater& engine, const TestServer&, std::vector<EntryCopy>&) { engine.m_writeLimit = 100; }},
      {"error page instead of the file", true, true,
       [&](CUpdater& engine, const TestServer& server, std::vector<EntryCopy>&) {
         engine.m_base.Set(url + "errpage/" + servedDir(server));
       }},
      {"connection cut after 1000 bytes", true, true,
       [&](CUpdater& engine, const TestServer& server, std::vector<EntryCopy>&) {
         engine.m_base.Set(url + "cut/1000/" + servedDir(server));
       }},
      {"not found", true, true,
       [&](CUpdater& engine, const TestServer& server, std::vector<EntryCopy>&) {
         engine.m_base.Set(url + "404/" + servedDir(server));
       }},
  };
  for (BaseKind kind : {BaseKind::Http, BaseKind::Share}) {
    for (const FailureRow& row : rows) {
      if (row.httpOnly && kind != BaseKind::Http) continue;
      std::string label = std::string(BaseKindName(kind)) + ": " + row.what;
      RunSetup s = CheckedSetup(kind, "fail");
      ASSERT_TRUE(s.server.ok);
      CUpdater engine(s.app);
      ASSERT_EQ(engine.RunCheck(), 4) << label;
      std::vector<EntryCopy> entries = CopyEntries(engine);
      std::string first = Tmp(engine, "a.dll"), second = Tmp(engine, "sub\\deep\\b.exe");
      if (row.firstFromEarlierRun) {
        ts::MakeDirs(engine.m_updateDir);
        ts::WriteFileBytes(first, "complete from before");
      }
      row.breakIt(engine, s.server, entries);
      SetEntries(engine, entries);
      engine.RunDownload();
      EXPECT_EQ(engine.m_result.load(), RESULT_DOWNLOAD_FAILED) << label;
      EXPECT_EQ(engine.m_index.load(), 1) << label;
      EXPECT_EQ(engine.m_phase.load(), PHASE_IDLE) << label;
      EXPECT_TRUE(ts::FileExists(first)) << label;
      EXPECT_FALSE(ts::FileExists(second)) << label;
      EXPECT_FALSE(ts::FileExists(Tmp(engine, "empty.txt"))) << label;  // no later entry is tried
    }
  }
}

TEST(Download, CancelDuringARunKeepsFinishedFiles) {
  REQUIRE_TEST_ENV();
  RunSetup s = CheckedSetup(BaseKind::Share, "cancel-run");
  ASSERT_TRUE(s.server.ok);
  CUpdater engine(s.app);
  ASSERT_EQ(engine.RunCheck(), 4);
  // RunDownload clears m_cancel at its start: the cancel comes once the second file is in work.
  std::thread canceller([&] {
    while (engine.m_curName.Get() != "sub\\deep\\b.exe") Sleep(1);
    engine.m_cancel.store(1);
  });
  engine.RunDownload();
  canceller.join();
  EXPECT_EQ(engine.m_result.load(), RESULT_CANCELLED);
  EXPECT_EQ(engine.m_index.load(), 1);
  EXPECT_TRUE(ReadAll(Tmp(engine, "a.dll")) == ReleaseFiles()["a.dll"]);
  EXPECT_FALSE(ts::FileExists(Tmp(engine, "sub\\deep\\b.exe")));
}

}  // namespace

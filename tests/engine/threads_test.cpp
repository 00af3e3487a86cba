// The worker threads: one run at a time, the previous result visible during a run, below-normal
// priority, pause and cancel of a running download, and a thread that cannot be started.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "updater.h"

namespace {

bool WaitIdle(CUpdater& engine, DWORD ms) {
  return ts::WaitUntil([&] { return engine.m_busy.load(std::memory_order_acquire) == 0; }, int(ms), 10);
}

HANDLE WINAPI RefuseThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

TEST(Threads, StartsWhileBusyChangeNothing) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n; padding so that the slow server takes a while\r\n";
  TestServer server = BuildServer(BaseKind::Http, "busy", manifest, {{"a.dll", RandomBytes(3000, 1)}});
  ASSERT_TRUE(server.ok);
  std::string url = ts::Env("UPD_HTTP_URL");
  std::string slowBase = url + "slow/100/" + server.base.substr(url.size());
  std::string app = MakeAppDir("busy", "[URL]\r\nURL=" + server.base + "\r\n");
  CUpdater engine(app);
  ASSERT_EQ(engine.RunCheck(), 1);
  ASSERT_EQ(engine.m_result.load(), RESULT_UPDATES_FOUND);

  engine.m_urls = {slowBase};
  ASSERT_TRUE(ts::HttpLogClear());
  DWORD started = GetTickCount();
  engine.StartCheck();
  EXPECT_EQ(engine.m_busy.load(), 1);
  Sleep(300);
  EXPECT_EQ(engine.m_busy.load(), 1) << "the slow server should still be sending";
  EXPECT_EQ(engine.m_result.load(), RESULT_UPDATES_FOUND);  // previous outcome during the run
  EXPECT_EQ(engine.m_curName.Get(), slowBase);
  engine.StartCheck();
  engine.StartDownload();
  EXPECT_EQ(engine.m_busy.load(), 1);
  ASSERT_TRUE(WaitIdle(engine, 30000));
  EXPECT_GT(GetTickCount() - started, 500u);
  EXPECT_EQ(engine.m_result.load(), RESULT_UPDATES_FOUND);
  EXPECT_EQ(engine.m_workerPriority.load(), THREAD_PRIORITY_BELOW_NORMAL);
  // One manifest request, and no download was started.
  EXPECT_EQ(Requests(), std::vector<std::string>{"/" + slowBase.substr(url.size()) + "0"});
  EXPECT_FALSE(ts::FileExists(engine.m_updateDir + "a.dll.tmp"));
}

TEST(Threads, PauseHoldsARunningDownloadAndCancelEndsIt) {
  REQUIRE_TEST_ENV();
  std::string manifest = "[ENUM]\r\n1=a.dll\r\n[a.dll]\r\nVER=2\r\n";
  TestServer server = BuildServer(BaseKind::Http, "pause", manifest, {{"a.dll", RandomBytes(40000, 2)}});
  ASSERT_TRUE(server.ok);
  std::string url = ts::Env("UPD_HTTP_URL");
  std::string app = MakeAppDir("pause", "[URL]\r\nURL=" + server.base + "\r\n");
  CUpdater engine(app);
  ASSERT_EQ(engine.RunCheck(), 1);
  engine.m_base.Set(url + "slow/20000/" + server.base.substr(url.size()));

  engine.StartDownload();
  ASSERT_TRUE(ts::WaitUntil([&] { return engine.m_received.load() > 0; }, 10000, 5));
  engine.m_paused.store(1);
  Sleep(300);  // the read under way ends at the next boundary
  uint32_t held = engine.m_received.load();
  Sleep(700);
  EXPECT_EQ(engine.m_received.load(), held);
  EXPECT_LT(held, engine.m_curSize.load());
  EXPECT_EQ(engine.m_busy.load(), 1);
  EXPECT_EQ(engine.m_phase.load(), PHASE_RECEIVING);

  engine.m_cancel.store(1);
  EXPECT_TRUE(WaitIdle(engine, 2000));
  EXPECT_EQ(engine.m_result.load(), RESULT_CANCELLED);
  EXPECT_EQ(engine.m_phase.load(), PHASE_IDLE);
  EXPECT_EQ(engine.m_workerPriority.load(), THREAD_PRIORITY_BELOW_NORMAL);
  EXPECT_FALSE(ts::FileExists(engine.m_updateDir + "a.dll.tmp"));

  // A retry (the dialog clears the pause and starts again) completes the file.
  engine.m_paused.store(0);
  engine.m_base.Set(server.base);
  engine.StartDownload();
  ASSERT_TRUE(WaitIdle(engine, 10000));
  EXPECT_EQ(engine.m_result.load(), RESULT_DOWNLOADED);
  EXPECT_TRUE(ReadAll(engine.m_updateDir + "a.dll.tmp") == RandomBytes(40000, 2));
}

TEST(Threads, ThreadThatCannotStartReportsAFailedRun) {
  REQUIRE_TEST_ENV();
  std::string app = MakeAppDir("nothread", "[URL]\r\nURL=http://127.0.0.1:1/\r\n");
  CUpdater engine(app);
  engine.m_startThread = RefuseThread;
  engine.StartCheck();
  EXPECT_EQ(engine.m_busy.load(), 0);
  EXPECT_EQ(engine.m_result.load(), RESULT_NO_SERVER);
  engine.StartDownload();
  EXPECT_EQ(engine.m_busy.load(), 0);
  EXPECT_EQ(engine.m_result.load(), RESULT_DOWNLOAD_FAILED);
}

}  // namespace

// Screenshots for the README: the wizard with the demo application's English strings
// (examples/strings.txt) in its main stages, and the About box. Each stage is also checked, so a
// screenshot never shows a stage other than the one it is named after.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "strfile.h"
#include "strsource.h"
#include "wizard_fixture.h"

namespace {

constexpr int kLong = 30000;

class Screens : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
    std::string source;
    ASSERT_TRUE(ts::ReadFileBytes(wiz::RepoDir() + "examples\\strings.txt", &source));
    std::string error;
    ASSERT_TRUE(CompileStrSource(source, m_image, error)) << error;
    StrFileView view(m_image.data(), m_image.size());
    for (unsigned i = 0; i < view.LanguageCount(); ++i)
      if (view.LangId(i) == 1033) m_english = i;
    ASSERT_EQ(1033, view.LangId(m_english));
  }
  std::string S(int id) const { return StrFileView(m_image.data(), m_image.size()).String(m_english, id); }
  bool WaitStatus(const wiz::Wizard& wizard, int id, ts::WindowInfo* w) const {
    auto shows = [&] { return wizard.Read(w) && w->visible && wiz::TextOf(*w, IDC_STATUS_LABEL) == S(id); };
    return ts::WaitUntil([&] { return shows() && shows(); }, kLong);
  }

  std::vector<uint8_t> m_image;
  unsigned m_english = 0;
};

TEST_F(Screens, WhatTheUserSees) {
  if (GetSystemDefaultLangID() != 1033 && GetSystemDefaultLangID() != 2057)
    GTEST_SKIP() << "the screenshots show the English strings";
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"DemoApp.exe", wiz::RandomBytes(9000, 9)}, {"readme.txt", "Demo 1.1\r\n"},
                                {"manual.txt", std::string(3000, 'm')}},
                               &server, "demo"));
  // The pictures replace those in docs/ only when asked (UPD_DOCS_SCREENSHOTS=1); otherwise they are
  // taken all the same, into a scratch folder, so that every run checks that they can be made.
  std::string docs = ts::Env("UPD_DOCS_SCREENSHOTS") == "1" ? wiz::RepoDir() + "docs\\" : ts::NewScratchDir("screens");

  // A slow server, so that the check is seen at work.
  std::string app = wiz::MakeApp(wiz::IniFor(wiz::SlowBase(server, 60)), m_image);
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app));

  ts::WindowInfo w;
  ASSERT_TRUE(WaitStatus(wizard, LS_STATUS_CHECKING, &w)) << wizard.Status();
  ASSERT_TRUE(ts::WaitUntil([&] { return wizard.Read(&w) && !wiz::TextOf(w, IDC_FILE_LABEL).empty(); }, kLong));
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-checking.png", w.hwnd));

  ASSERT_TRUE(WaitStatus(wizard, LS_STATUS_UPDATES_FOUND, &w)) << wizard.Status();
  EXPECT_EQ(3u, wizard.Rows().size());
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-updates.png", w.hwnd));

  ASSERT_TRUE(PostMessageA(w.hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0));
  ts::WindowInfo about;
  ASSERT_TRUE(ts::WaitUntil([&] {
    for (const ts::WindowInfo& x : ts::ListWindows(wizard.Pid())) {
      if (x.visible && ts::FindControl(x, IDC_ABOUT_VERSION)) {
        about = x;
        return true;
      }
    }
    return false;
  }, kLong));
  Sleep(300);  // let the links paint
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-about.png", about.hwnd));
  ASSERT_TRUE(ts::ClickButton(about.hwnd, IDOK));
  ASSERT_TRUE(ts::WaitUntil([&] { return IsWindowEnabled(w.hwnd) != FALSE; }, kLong));
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wizard.Process().Wait(kLong));

  // A faster one for the download: the first read of 4094 bytes moves the file bar.
  std::string app2 = wiz::MakeApp(wiz::IniFor(wiz::SlowBase(server, 1500)), m_image);
  wiz::Wizard downloader;
  ASSERT_TRUE(downloader.Start(app2));
  ASSERT_TRUE(WaitStatus(downloader, LS_STATUS_UPDATES_FOUND, &w)) << downloader.Status();
  ASSERT_TRUE(downloader.Click(IDOK));
  ASSERT_TRUE(WaitStatus(downloader, LS_STATUS_DOWNLOADING, &w)) << downloader.Status();
  int pos = 0;
  ASSERT_TRUE(ts::WaitUntil([&] {
    return downloader.Read(&w) && ts::ProgressState(ts::FindControl(w, IDC_FILE_PROGRESS)->hwnd, &pos) && pos >= 20;
  }, kLong));
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-downloading.png", w.hwnd));

  ASSERT_TRUE(downloader.Click(IDCANCEL));
  ts::MessageBoxInfo box;
  ASSERT_TRUE(wiz::WaitQuestion(downloader.Pid(), kLong, &box));
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-cancel-question.png", box.hwnd));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDYES));
  ASSERT_TRUE(WaitStatus(downloader, LS_STATUS_DOWNLOAD_FAILED, &w)) << downloader.Status();
  EXPECT_TRUE(ts::SaveScreenshotPng(docs + "update-failed.png", w.hwnd));
  ASSERT_TRUE(downloader.Click(IDCANCEL));
  EXPECT_TRUE(downloader.Process().Wait(kLong));
}

}  // namespace

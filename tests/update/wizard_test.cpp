// The real Update.exe under Wine: every stage of the wizard, its switches, Cancel, Retry, Esc,
// close requests, one instance per folder and the choice of language.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/resource.h"
#include "strfile.h"
#include "wizard_fixture.h"

using wiz::EnabledOf;
using wiz::Text;
using wiz::TextOf;

namespace {

constexpr int kLong = 30000;  // generous: Wine and the slow server are slow on a busy machine

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";
  }
};

bool HasRequest(const std::string& part) {
  std::vector<std::string> log = ts::HttpLog();
  return std::any_of(log.begin(), log.end(), [&](const std::string& p) { return p.find(part) != std::string::npos; });
}

std::vector<std::vector<std::string>> Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
  std::vector<std::vector<std::string>> out;
  for (const auto& r : rows) out.push_back({r.first, r.second});
  return out;
}

// Checking (slow server, long base): the "connecting" text is cut to the label's buffer; the close
// box and Esc do nothing. Updates listed: rows with sizes rounded up; Esc still does nothing; the
// close box then closes and deletes the update directory.
TEST_F(WizardTest, CheckingThenUpdatesListedThenClose) {
  std::string slowPrefix = ts::Env("UPD_HTTP_URL") + "slow/60/";
  // A served folder whose name makes the slow base 250 characters long (the ini value holds 259).
  std::string longName(250 - slowPrefix.size() - 1, 'd');
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"empty.dat", ""}, {"one.txt", "x"}, {"big.bin", wiz::RandomBytes(1025, 1)}},
                               &server, "", longName));
  std::string base = wiz::SlowBase(server, 60);
  ASSERT_GE(base.size(), 245u);
  ASSERT_LT(base.size(), 260u);
  std::string app = wiz::MakeApp(wiz::IniFor(base), wiz::EnglishStrings());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app));

  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_CHECKING, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Text("en", LS_TITLE), w.title);
  EXPECT_EQ(Text("en", LS_LIST_LABEL), TextOf(w, IDC_LIST_LABEL));
  EXPECT_EQ(Text("en", LS_PHASE_RECEIVING), TextOf(w, IDC_PHASE_LABEL));
  EXPECT_EQ(Text("en", LS_BTN_NEXT), TextOf(w, IDOK));
  EXPECT_EQ(Text("en", LS_BTN_CANCEL), TextOf(w, IDCANCEL));
  EXPECT_FALSE(EnabledOf(w, IDOK));
  EXPECT_FALSE(EnabledOf(w, IDCANCEL));
  EXPECT_TRUE(wizard.Rows().empty());

  // The check timer shows the base being tried, cut to 259 characters.
  std::string full = wiz::Formatted("en", LS_FMT_CONNECTING, base);
  ASSERT_GT(full.size(), 259u);
  ASSERT_TRUE(ts::WaitUntil([&] { return wizard.Read(&w) && !TextOf(w, IDC_FILE_LABEL).empty(); }, kLong));
  EXPECT_EQ(full.substr(0, 259), TextOf(w, IDC_FILE_LABEL));

  // During the check neither the close box nor Esc does anything.
  ts::CloseWindowOf(w.hwnd);
  ts::PressKey(w.hwnd, VK_ESCAPE);
  Sleep(700);
  ts::MessageBoxInfo box;
  EXPECT_FALSE(wiz::FindQuestion(wizard.Pid(), &box)) << box.text;
  EXPECT_TRUE(wizard.Process().Running());

  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UPDATES_FOUND, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Rows({{"empty.dat", "0 KB"}, {"one.txt", "1 KB"}, {"big.bin", "2 KB"}}), wizard.Rows());
  EXPECT_TRUE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));
  EXPECT_EQ(Text("en", LS_BTN_NEXT), TextOf(w, IDOK));
  EXPECT_EQ("", TextOf(w, IDC_FILE_LABEL));
  EXPECT_TRUE(ts::FileExists(wiz::UpdateDir(app) + "update.ini.tmp"));

  // Esc would be the Cancel command now that Cancel is enabled: it is swallowed.
  ts::PressKey(w.hwnd, VK_ESCAPE);
  Sleep(700);
  EXPECT_TRUE(wizard.Process().Running());

  // The close box closes the wizard without a question and removes the update directory.
  ts::CloseWindowOf(w.hwnd);
  ASSERT_TRUE(wizard.Process().Wait(kLong));
  EXPECT_FALSE(ts::DirExists(wiz::UpdateDir(app)));
}

// Downloading: Cancel answered No goes on; Yes stops with Retry offered; Retry downloads again on
// the same rows; a Cancel without a worker closes and deletes the update directory.
TEST_F(WizardTest, DownloadCancelNoYesRetryAndClose) {
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"a.bin", wiz::RandomBytes(8000, 2)}, {"b.bin", wiz::RandomBytes(8000, 3)}}, &server));
  std::string app = wiz::MakeApp(wiz::IniFor(wiz::SlowBase(server, 2000)), wiz::EnglishStrings());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app));
  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UPDATES_FOUND, kLong, &w)) << wizard.Status();
  ASSERT_TRUE(wizard.Click(IDOK));

  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOADING, kLong, &w)) << wizard.Status();
  EXPECT_FALSE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));
  int pos = 0;
  ASSERT_TRUE(ts::WaitUntil([&] {
    return wizard.Read(&w) && TextOf(w, IDC_FILE_LABEL) == "a.bin" &&
           ts::ProgressState(ts::FindControl(w, IDC_FILE_PROGRESS)->hwnd, &pos) && pos > 0;
  }, kLong));
  EXPECT_EQ(Text("en", LS_PHASE_RECEIVING), TextOf(w, IDC_PHASE_LABEL));

  // Cancel, answered No: the download waits during the question and then goes on.
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ts::MessageBoxInfo box;
  ASSERT_TRUE(wiz::WaitQuestion(wizard.Pid(), kLong, &box));
  EXPECT_EQ(Text("en", LS_TITLE), box.title);
  EXPECT_NE(std::string::npos, box.text.find(Text("en", LS_ASK_CANCEL))) << box.text;
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDNO));
  ASSERT_TRUE(ts::WaitUntil([&] {
    int now = 0;
    return wizard.Read(&w) && (TextOf(w, IDC_FILE_LABEL) == "b.bin" ||
                               (ts::ProgressState(ts::FindControl(w, IDC_FILE_PROGRESS)->hwnd, &now) && now > pos));
  }, kLong)) << "the download did not go on after No";
  EXPECT_EQ(Text("en", LS_STATUS_DOWNLOADING), wizard.Status());

  // Cancel, answered Yes: the download stops and Retry is offered.
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wiz::WaitQuestion(wizard.Pid(), kLong, &box));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDYES));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOAD_FAILED, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Text("en", LS_BTN_RETRY), TextOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));

  // Retry downloads again from the same list: no new rows.
  ASSERT_TRUE(wizard.Click(IDOK));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOADING, kLong)) << wizard.Status();
  EXPECT_EQ(2u, wizard.Rows().size());
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wiz::WaitQuestion(wizard.Pid(), kLong, &box));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDYES));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOAD_FAILED, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Rows({{"a.bin", "8 KB"}, {"b.bin", "8 KB"}}), wizard.Rows());

  // No worker runs now: Cancel closes without a question and deletes the update directory.
  EXPECT_TRUE(ts::DirExists(wiz::UpdateDir(app)));
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wizard.Process().Wait(kLong));
  EXPECT_FALSE(ts::DirExists(wiz::UpdateDir(app)));
}

// A packed file with a wrong "ZSUM": the download fails, Retry repeats only the download (no new
// request of the server manifest) and the rows stay as they were.
TEST_F(WizardTest, FailedDownloadRetryRepeatsOnlyTheDownload) {
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"good.txt", "hello"}, {"bad.bin", wiz::RandomBytes(3000, 4)}}, &server));
  std::string packed;
  ASSERT_TRUE(ts::ReadFileBytes(server.dir + "2.z", &packed));
  packed[packed.size() / 2] ^= 0x55;  // same size, other byte sum
  ASSERT_TRUE(ts::WriteFileBytes(server.dir + "2.z", packed));
  std::string app = wiz::MakeApp(wiz::IniFor(server.base), wiz::EnglishStrings());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app));
  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UPDATES_FOUND, kLong)) << wizard.Status();
  ASSERT_TRUE(wizard.Click(IDOK));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOAD_FAILED, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Text("en", LS_BTN_RETRY), TextOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));

  ASSERT_TRUE(ts::HttpLogClear());
  ASSERT_TRUE(wizard.Click(IDOK));
  ASSERT_TRUE(ts::WaitUntil([&] { return HasRequest("/" + server.name + "2.z"); }, kLong));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOAD_FAILED, kLong, &w)) << wizard.Status();
  EXPECT_FALSE(HasRequest("/" + server.name + "0.z")) << "Retry after a failed download checked again";
  EXPECT_EQ(Rows({{"good.txt", "1 KB"}, {"bad.bin", "3 KB"}}), wizard.Rows());
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wizard.Process().Wait(kLong));
  EXPECT_FALSE(ts::DirExists(wiz::UpdateDir(app)));
}

// No server answers: Retry (the Next button) repeats the whole check.
TEST_F(WizardTest, NoServerRetryRepeatsTheCheck) {
  std::string base = ts::Env("UPD_HTTP_URL") + "404/nothing/";
  std::string app = wiz::MakeApp(wiz::IniFor(base), wiz::EnglishStrings());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app));
  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_NO_SERVER, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Text("en", LS_BTN_RETRY), TextOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));
  EXPECT_EQ("", TextOf(w, IDC_FILE_LABEL));

  ASSERT_TRUE(ts::HttpLogClear());
  ASSERT_TRUE(wizard.Click(IDOK));
  ASSERT_TRUE(ts::WaitUntil([&] { return HasRequest("/404/nothing/0.z"); }, kLong));
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_NO_SERVER, kLong, &w)) << wizard.Status();
  EXPECT_EQ(Text("en", LS_BTN_RETRY), TextOf(w, IDOK));
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wizard.Process().Wait(kLong));
}

// An application folder that is up to date with the server at base.
std::string UpToDateApp(wiz::Server* server) {
  EXPECT_TRUE(wiz::BuildServer({{"a.txt", "abc"}}, server));
  std::string app = wiz::MakeApp(wiz::IniFor(server->base, {{"a.txt", "2.0"}}), wiz::EnglishStrings());
  ts::WriteFileBytes(app + "a.txt", "abc");
  return app;
}

// Polls every few milliseconds until the process ends; true when a window was ever visible.
bool EverVisibleUntilEnd(wiz::Wizard& wizard, int timeoutMs, bool* ended) {
  bool seen = false;
  DWORD start = GetTickCount();
  *ended = false;
  while (static_cast<int>(GetTickCount() - start) < timeoutMs) {
    if (wizard.AnyVisible()) seen = true;
    if (wizard.Process().Wait(0)) {
      *ended = true;
      break;
    }
    Sleep(2);
  }
  return seen;
}

// "/H" without anything to fetch: never a visible window, the process ends by itself and the
// update directory (here a leftover of an earlier run) is gone.
TEST_F(WizardTest, HiddenStartWithoutUpdatesNeverShows) {
  wiz::Server server;
  std::string upToDate = UpToDateApp(&server);
  std::string noServer = wiz::MakeApp(wiz::IniFor(ts::Env("UPD_HTTP_URL") + "404/none/"), wiz::EnglishStrings());
  for (const std::string& app : {upToDate, noServer}) {
    SCOPED_TRACE(app);
    ASSERT_TRUE(ts::MakeDirs(wiz::UpdateDir(app)));
    ASSERT_TRUE(ts::WriteFileBytes(wiz::UpdateDir(app) + "leftover.tmp", "x"));
    wiz::Wizard wizard;
    ASSERT_TRUE(wizard.Start(app, "/H"));
    bool ended = false;
    EXPECT_FALSE(EverVisibleUntilEnd(wizard, kLong, &ended));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(ts::DirExists(wiz::UpdateDir(app)));
  }
}

// "/H /A" with updates: the window shows up only with the list filled, and the download starts
// without a click.
TEST_F(WizardTest, HiddenAutoShowsListAndDownloads) {
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"a.bin", wiz::RandomBytes(9000, 5)}}, &server));
  std::string app = wiz::MakeApp(wiz::IniFor(wiz::SlowBase(server, 1500)), wiz::EnglishStrings());
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app, "/H /A"));
  ASSERT_TRUE(ts::WaitUntil([&] { return wizard.AnyVisible(); }, kLong, 2));
  EXPECT_EQ(Rows({{"a.bin", "9 KB"}}), wizard.Rows());
  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_DOWNLOADING, kLong, &w)) << wizard.Status();
  EXPECT_FALSE(EnabledOf(w, IDOK));
  EXPECT_TRUE(w.visible);
}

// "/A" alone when up to date: the wizard stays with Next disabled until the user cancels.
TEST_F(WizardTest, AutoAloneUpToDateStaysOpen) {
  wiz::Server server;
  std::string app = UpToDateApp(&server);
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app, "/A"));
  ts::WindowInfo w;
  ASSERT_TRUE(wizard.WaitStatus(LS_STATUS_UP_TO_DATE, kLong, &w)) << wizard.Status();
  EXPECT_FALSE(EnabledOf(w, IDOK));
  EXPECT_TRUE(EnabledOf(w, IDCANCEL));
  EXPECT_TRUE(wizard.Rows().empty());
  Sleep(1500);
  EXPECT_TRUE(wizard.Process().Running());
  EXPECT_EQ(Text("en", LS_STATUS_UP_TO_DATE), wizard.Status());
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  ASSERT_TRUE(wizard.Process().Wait(kLong));
}

// Without "Update.Str" or without a server base the process ends at once: no window, no check,
// no update directory.
TEST_F(WizardTest, MissingStringsOrServerEndsAtOnce) {
  std::string base = ts::Env("UPD_HTTP_URL") + "never/";
  const struct {
    const char* what;
    std::string ini;
    bool strings;
  } cases[] = {
      {"no Update.Str", wiz::IniFor(base), false},
      {"no URL key", "[URL]\r\nEXT=.z\r\n", true},
      {"empty URL", "[URL]\r\nURL=\r\nEXT=.z\r\n", true},
      {"no update.ini", "", true},
  };
  ASSERT_TRUE(ts::HttpLogClear());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string app = wiz::MakeApp(c.ini, c.strings ? wiz::EnglishStrings() : std::vector<uint8_t>());
    ASSERT_TRUE(ts::MakeDirs(wiz::UpdateDir(app)));
    wiz::Wizard wizard;
    ASSERT_TRUE(wizard.Start(app));
    bool ended = false;
    EXPECT_FALSE(EverVisibleUntilEnd(wizard, 10000, &ended));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(ts::DirExists(wiz::UpdateDir(app)));
  }
  EXPECT_FALSE(HasRequest("/never/"));
}

// One Update per application folder: a second one from the same folder ends at once without a
// window; one from another folder runs beside the first.
TEST_F(WizardTest, OneInstancePerApplicationFolder) {
  wiz::Server server;
  std::string app = UpToDateApp(&server);
  std::string other = UpToDateApp(&server);
  wiz::Wizard first;
  ASSERT_TRUE(first.Start(app, "/A"));
  ASSERT_TRUE(first.WaitStatus(LS_STATUS_UP_TO_DATE, kLong)) << first.Status();

  wiz::Wizard second;
  ASSERT_TRUE(second.Start(app, "/A"));
  bool ended = false;
  EXPECT_FALSE(EverVisibleUntilEnd(second, 10000, &ended));
  EXPECT_TRUE(ended);

  wiz::Wizard beside;
  ASSERT_TRUE(beside.Start(other, "/A"));
  EXPECT_TRUE(beside.WaitStatus(LS_STATUS_UP_TO_DATE, kLong)) << beside.Status();
  EXPECT_TRUE(first.Process().Running());
  ASSERT_TRUE(beside.Click(IDCANCEL));
  ASSERT_TRUE(first.Click(IDCANCEL));
  EXPECT_TRUE(beside.Process().Wait(kLong));
  EXPECT_TRUE(first.Process().Wait(kLong));
}

// The system's language picks the strings: a file holding French, English and German (in that
// order) shows English on a Swiss German system (2055: code page 1252, the English fallback), and
// the exact language where there is one. Wine takes the system language from LC_ALL when a process
// starts, so the test entries update_wizard_test_de_ch and _de_de run this case (and Update.exe,
// which inherits it) under those locales; UPD_EXPECT_LANGID makes sure the locale took effect.
TEST_F(WizardTest, LanguageFollowsTheSystemLanguage) {
  LANGID system = GetSystemDefaultLangID();
  std::string expected = ts::Env("UPD_EXPECT_LANGID");
  if (!expected.empty()) {
    ASSERT_EQ(std::stoi(expected), system) << "LC_ALL did not reach Wine";
  }
  const struct {
    LANGID langId;
    const char* tag;
  } cases[] = {{2055, "en"}, {1031, "de"}, {1036, "fr"}, {1033, "en"}};
  const char* tag = nullptr;
  for (const auto& c : cases) {
    if (c.langId == system) tag = c.tag;
  }
  if (!tag) GTEST_SKIP() << "system language " << system << " is not one of the cases";

  std::vector<uint8_t> strings = wiz::StringFile({{"fr", 1036, 1252}, {"en", 1033, 1252}, {"de", 1031, 1252}});
  wiz::Server server;
  ASSERT_TRUE(wiz::BuildServer({{"a.txt", "abc"}}, &server));
  std::string app = wiz::MakeApp(wiz::IniFor(server.base, {{"a.txt", "2.0"}}), strings);
  ts::WriteFileBytes(app + "a.txt", "abc");
  wiz::Wizard wizard;
  ASSERT_TRUE(wizard.Start(app, "/A"));
  ts::WindowInfo w;
  ASSERT_TRUE(ts::WaitUntil([&] {
    return wizard.Read(&w) && w.visible && TextOf(w, IDC_STATUS_LABEL) == Text(tag, LS_STATUS_UP_TO_DATE);
  }, kLong)) << wizard.Status();
  EXPECT_EQ(Text(tag, LS_TITLE), w.title);
  EXPECT_EQ(Text(tag, LS_BTN_CANCEL), TextOf(w, IDCANCEL));
  ASSERT_TRUE(wizard.Click(IDCANCEL));
  EXPECT_TRUE(wizard.Process().Wait(kLong));
}

}  // namespace

// Destinations that cannot be removed: the Retry/Cancel question, and the version written back.
#include <gtest/gtest.h>

#include "swaplet_rig.h"

namespace {

// A testhelper.exe that holds a file open without write or delete sharing; ended with the test.
struct Holder {
  ts::Proc proc;
  ~Holder() { proc.Terminate(); }
  void End() { proc.Terminate(); }
};

// Starts the holder of path; true once it holds the file.
bool HoldFile(const std::string& path, Holder* holderOut) {
  ts::Proc* holder = &holderOut->proc;
  *holder = ts::StartProcess("\"" + ts::TestHelperExe() + "\" /hold \"" + path + "\" /sleep 120000", "");
  // Held once a writer can no longer open it (the probe itself writes nothing).
  return holder->Started() &&
         ts::WaitUntil(
             [&] {
               HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
               if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
               CloseHandle(h);
               return false;
             },
             20000);
}

// Waits for the question about path and checks its text, caption and buttons.
bool WaitQuestion(SwapletRig& rig, const std::string& path, ts::MessageBoxInfo* box) {
  if (!ts::WaitMessageBox(rig.proc.Pid(), 15000, box)) return false;
  EXPECT_EQ(box->text, Fill(kReplaceFailedFormat, path));
  EXPECT_EQ(box->title, kInstallLabel);
  bool retry = false, cancel = false;
  for (const ts::ControlInfo& b : box->buttons) {
    retry = retry || b.id == IDRETRY;
    cancel = cancel || b.id == IDCANCEL;
  }
  EXPECT_TRUE(retry && cancel);
  return true;
}

const char kLocal[] =
    "[URL]\r\nURL=http://127.0.0.1/\r\n"
    "[held.dll]\r\nVER=1.0\r\n[other.dll]\r\nVER=1.0\r\n";
const char kSaved[] =
    "[URL]\r\nURL=http://127.0.0.1/\r\n[ENUM]\r\n1=held.dll\r\n2=other.dll\r\n3=nover.dll\r\n"
    "[held.dll]\r\nVER=2.0\r\n[other.dll]\r\nVER=2.0\r\n[nover.dll]\r\nVER=2.0\r\n";

void LayOut(const SwapletRig& rig) {
  ASSERT_TRUE(rig.WriteLocalManifest(kLocal));
  ASSERT_TRUE(rig.WriteSavedManifest(kSaved));
  for (const char* name : {"held.dll", "other.dll", "nover.dll"}) {
    ASSERT_TRUE(rig.WriteApp(name, std::string("old ") + name));
    ASSERT_TRUE(rig.WriteDownload(name, std::string("new ") + name));
  }
}

}  // namespace

TEST(LockedDestination, RetryAfterTheHolderEndsReplacesTheFile) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("retry"));
  LayOut(rig);
  Holder holder;
  ASSERT_TRUE(HoldFile(rig.app + "held.dll", &holder));
  ASSERT_TRUE(rig.Start());
  ts::MessageBoxInfo box;
  ASSERT_TRUE(WaitQuestion(rig, rig.app + "held.dll", &box));

  // Retry while the file is still held: the question comes again.
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDRETRY));
  ASSERT_TRUE(ts::WaitUntil([&] { return !IsWindow(box.hwnd); }, 5000));
  ts::MessageBoxInfo again;
  ASSERT_TRUE(WaitQuestion(rig, rig.app + "held.dll", &again));

  // The progress dialog meanwhile: the first of four entries ("Update.ini" included) on a bar of 0..4.
  ts::WindowInfo progress;
  ASSERT_TRUE(rig.WaitProgressDialog(1000, &progress));
  EXPECT_EQ(progress.title, kTitle);
  EXPECT_EQ(ts::FindControl(progress, 1001)->text, kInstallLabel);
  EXPECT_EQ(ts::FindControl(progress, 1002)->text, "held.dll");
  int pos = -1, low = -1, high = -1;
  ASSERT_TRUE(ts::ProgressState(ts::FindControl(progress, 1000)->hwnd, &pos, &low, &high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 4);
  EXPECT_EQ(pos, 1);
  EXPECT_FALSE(IsWindowEnabled(progress.hwnd));  // the question is modal
  // The Escape key's command sent to the progress dialog does not end the run.
  PostMessageA(progress.hwnd, WM_COMMAND, IDCANCEL, 0);

  holder.End();
  ASSERT_TRUE(ts::AnswerMessageBox(again.hwnd, IDRETRY));
  ASSERT_TRUE(rig.WaitEnd(20000));
  EXPECT_EQ(rig.ReadApp("held.dll"), "new held.dll");
  EXPECT_EQ(rig.ReadApp("other.dll"), "new other.dll");
  EXPECT_EQ(rig.LocalIni("held.dll", "VER"), "2.0");
  EXPECT_EQ(rig.ReadApp("update.ini"), kSaved);
  EXPECT_FALSE(ts::DirExists(rig.update));
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

TEST(LockedDestination, CancelKeepsTheOldVersionForThatEntryOnly) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("cancel"));
  LayOut(rig);
  Holder holder1, holder2;
  ASSERT_TRUE(HoldFile(rig.app + "held.dll", &holder1));
  ASSERT_TRUE(HoldFile(rig.app + "nover.dll", &holder2));  // no "VER" in the local manifest
  ASSERT_TRUE(rig.Start());
  ts::MessageBoxInfo box;
  ASSERT_TRUE(WaitQuestion(rig, rig.app + "held.dll", &box));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDCANCEL));
  ASSERT_TRUE(ts::WaitUntil([&] { return !IsWindow(box.hwnd); }, 5000));
  ASSERT_TRUE(WaitQuestion(rig, rig.app + "nover.dll", &box));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDCANCEL));
  ASSERT_TRUE(rig.WaitEnd(20000));
  holder1.End();
  holder2.End();

  EXPECT_EQ(rig.ReadApp("held.dll"), "old held.dll");
  EXPECT_EQ(rig.ReadApp("nover.dll"), "old nover.dll");
  EXPECT_EQ(rig.ReadApp("other.dll"), "new other.dll");
  EXPECT_EQ(rig.LocalIni("held.dll", "VER"), "1.0");
  EXPECT_EQ(rig.LocalIni("nover.dll", "VER"), "");
  EXPECT_EQ(rig.LocalIni("other.dll", "VER"), "2.0");
  EXPECT_EQ(rig.LocalIni("ENUM", "3"), "nover.dll");  // the rest is the saved manifest
  EXPECT_FALSE(ts::DirExists(rig.update));
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

TEST(LockedDestination, LockedManifestWithCancelKeepsTheOldManifest) {
  SwapletRig rig;
  ASSERT_TRUE(rig.Create("lockedini"));
  LayOut(rig);
  Holder holder;
  ASSERT_TRUE(HoldFile(rig.app + "update.ini", &holder));
  ASSERT_TRUE(rig.Start());
  ts::MessageBoxInfo box;
  ASSERT_TRUE(WaitQuestion(rig, rig.app + "Update.ini", &box));
  ASSERT_TRUE(ts::AnswerMessageBox(box.hwnd, IDCANCEL));
  ASSERT_TRUE(rig.WaitEnd(20000));
  holder.End();
  // The files were replaced, but the manifest still records the old versions: offered again next time.
  EXPECT_EQ(rig.ReadApp("held.dll"), "new held.dll");
  EXPECT_EQ(rig.ReadApp("update.ini"), kLocal);
  EXPECT_FALSE(ts::DirExists(rig.update));
  EXPECT_TRUE(rig.WaitSelfRemoved());
}

// A test rig for the real Swaplet.exe: an application folder and an update folder laid out as the
// update client leaves them, a temporary folder holding a copy of the installer, and its run.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "testsupport.h"

// Strings of the test's "Update.Str" (language 1033), so the tests can tell every text apart.
extern const char kTitle[];             // LS_TITLE
extern const char kInstallLabel[];      // LS_INSTALL_LABEL
extern const char kClosingFormat[];     // LS_FMT_CLOSING, "%s"
extern const char kCloseProgramFormat[];  // LS_FMT_CLOSE_PROGRAM, "%s"
extern const char kSecondsFormat[];     // LS_FMT_SECONDS, "%d"
extern const char kTerminateButton[];   // LS_BTN_TERMINATE
extern const char kReplaceFailedFormat[];  // LS_FMT_REPLACE_FAILED, "%s"

// Fills a one-argument format of the list above.
std::string Fill(const char* format, const std::string& value);

// The compiled string file.
std::string TestStringFile();

// Windows paths of the built test programs.
std::string SwapletExe();       // the Swaplet.exe of this build
std::string ComponentDll(bool newVersion);  // regtest_old.dll / regtest_new.dll
std::string StartLoggerExe();
std::string DocsDir();          // the docs folder of the repository

class SwapletRig {
 public:
  // Makes base\<appName>\ (with "Update.Str") and base\<tempName>\ (with a copy of Swaplet.exe).
  bool Create(const std::string& hint, const std::string& appName = "app",
              const std::string& tempName = "temp");

  std::string base, app, update, temp;  // Windows paths ending with "\"
  std::string regLog, startLog;         // logs of the test component and of the started programs

  bool WriteApp(const std::string& rel, const std::string& data) const;
  bool WriteDownload(const std::string& rel, const std::string& data) const;  // update\rel.tmp
  bool WriteLocalManifest(const std::string& text) const;  // app\update.ini
  bool WriteSavedManifest(const std::string& text) const;  // update\update.ini.tmp
  std::string ReadApp(const std::string& rel) const;       // "<missing>" when absent
  std::string LocalIni(const std::string& section, const std::string& key) const;

  // Starts the installer from the temporary folder: "<temp>Swaplet.exe" <commandLine>.
  bool Start(const std::string& commandLine);
  bool Start() { return Start(app); }
  // Waits for the installer's end; true when it ended (with exit code 0) within ms.
  bool WaitEnd(DWORD ms);
  // Start, then WaitEnd.
  bool Run(DWORD ms = 30000) { return Start() && WaitEnd(ms); }
  // True once Swaplet.exe and SelfDel.bat are gone from the temporary folder (waits up to ms).
  bool WaitSelfRemoved(DWORD ms = 40000) const;

  // The progress dialog (the installer's window with control 1002) and dialog 101 (control 1 with
  // controls 1000 and 1001); false when none shows within ms.
  bool WaitProgressDialog(int ms, ts::WindowInfo* out);  // reads texts: only while the installer answers
  HWND WaitProgressWindow(int ms);                       // needs no answer from the installer
  bool WaitCloseDialog(int ms, ts::WindowInfo* out);
  // Whether the installer has shown any visible window, or dialog 101, so far (sampled by WaitEnd too).
  bool SawWindow() const { return m_sawWindow; }
  bool SawCloseDialog() const { return m_sawCloseDialog; }

  // When not 0, WaitEnd answers every message box of the installer with this button and counts it.
  int boxAnswer = 0;
  int boxesAnswered = 0;

  ts::Proc proc;

 private:
  void Sample();
  bool m_sawWindow = false;
  bool m_sawCloseDialog = false;
};

// The text of another process's window as the window manager keeps it (GetWindowTextA): unlike
// WM_GETTEXT it needs no answer from the installer, whose thread is busy while the run goes on.
std::string StoredText(HWND hwnd);

// Lines of a text file ("\r\n" or "\n" ends), without the line ends; empty when missing.
std::vector<std::string> ReadLines(const std::string& path);
std::string Lower(std::string s);

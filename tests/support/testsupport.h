// Helpers for the win64 test programs that drive the real programs under Wine: the test environment
// (folders, HTTP server, share), files, processes, the windows of another process, screenshots.
// The environment comes from tests/support/testenv; see tests/README.md.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ts {

// ---- environment ----
std::string Env(const char* name);  // empty when unset
bool InTestEnv();                    // UPD_TEST_ENV=1 and the folders are known

// A fresh, empty folder under UPD_SCRATCH_WIN ("Z:\...\<hint>-<n>\"); empty string on failure.
std::string NewScratchDir(const std::string& hint);

struct ServedDir {
  std::string path;  // Windows path of the folder, ends with "\"
  std::string url;   // the same folder as seen by the programs, ends with "/" (HTTP) or "\" (share)
};
ServedDir NewHttpDir(const std::string& hint);   // under UPD_HTTP_ROOT_WIN, URL under UPD_HTTP_URL
ServedDir NewShareDir(const std::string& hint);  // under UPD_SHARE_ROOT_WIN; url \\srv\share\<name>\ too

std::string DistDir();        // Windows path of <repo>\dist\win64\ ("Z:\...\")
std::string TestHelperExe();  // Windows path of the built testhelper.exe
std::string WinspyExe();      // Windows path of the built winspy.exe

// ---- files (Windows paths; nonzero/true for success) ----
bool WriteFileBytes(const std::string& path, const std::string& data);  // creates or truncates
bool ReadFileBytes(const std::string& path, std::string* out);
bool FileExists(const std::string& path);  // a file, not a folder
bool DirExists(const std::string& path);
bool MakeDirs(const std::string& path);    // every missing level; true when it exists afterwards
bool RemoveTree(const std::string& path);  // a file or a folder with everything in it; true when gone
bool CopyFileTo(const std::string& from, const std::string& to);  // overwrites

// ---- processes ----
// Owner of a started process: closes the handles; does not end the process (call Terminate for that).
class Proc {
 public:
  Proc() { ZeroMemory(&m_pi, sizeof(m_pi)); }
  ~Proc() { Close(); }
  Proc(Proc&& other) noexcept : m_pi(other.m_pi) { ZeroMemory(&other.m_pi, sizeof(other.m_pi)); }
  Proc& operator=(Proc&& other) noexcept;
  Proc(const Proc&) = delete;
  Proc& operator=(const Proc&) = delete;

  bool Started() const { return m_pi.hProcess != nullptr; }
  DWORD Pid() const { return m_pi.dwProcessId; }
  HANDLE Handle() const { return m_pi.hProcess; }
  bool Wait(DWORD ms);     // true when the process has ended within ms
  bool Running();          // started and not yet ended
  DWORD ExitCode();        // STILL_ACTIVE (259) while it runs; 0xFFFFFFFF when never started
  void Terminate(UINT code = 1);  // ends it (if it runs) and waits for the end
  void Close();            // drops the handles
  // Internal: takes the handles of CreateProcess.
  void Adopt(const PROCESS_INFORMATION& pi);

 private:
  PROCESS_INFORMATION m_pi;
};

// Starts cmdline (first token: the program) in folder cwd ("" = the test's own). extraEnv entries
// "NAME=value" are added to (or replace in) a copy of the test's environment. Check Started().
Proc StartProcess(const std::string& cmdline, const std::string& cwd,
                  const std::vector<std::string>* extraEnv = nullptr);

// Runs cmdline to its end, capturing its standard output byte for byte (stdoutText may be null).
// Returns true when it started and ended within timeoutMs (a late process is terminated: false).
bool RunProcess(const std::string& cmdline, const std::string& cwd, DWORD timeoutMs,
                std::string* stdoutText, DWORD* exitCode = nullptr,
                const std::vector<std::string>* extraEnv = nullptr);

// Ids of the running processes whose executable's file name (no folder) is exeName, case ignored.
std::vector<DWORD> FindProcesses(const std::string& exeName);

// ---- HTTP server ----
std::vector<std::string> HttpLog();  // paths requested so far ("/dir/file"), oldest first
bool HttpLogClear();
bool HttpGet(const std::string& url, std::string* body, DWORD* status = nullptr);  // no cache

// ---- windows of another process ----
struct ControlInfo {
  HWND hwnd;
  int id;
  std::string cls, text;
  bool enabled, visible;
};
struct WindowInfo {
  HWND hwnd;
  DWORD pid;
  std::string cls, title;
  bool visible;
  std::vector<ControlInfo> controls;  // every descendant window, in Z order
  RECT rect;
};

std::vector<WindowInfo> ListWindows(DWORD pid);  // top-level windows of pid (hidden ones too)
bool WaitUntil(std::function<bool()> pred, int timeoutMs, int stepMs = 50);
// Waits for a visible top-level window of pid whose class is cls (any class when null/empty).
bool WaitForWindow(DWORD pid, const char* cls, int timeoutMs, WindowInfo* out);
const ControlInfo* FindControl(const WindowInfo& w, int id);
std::string WindowText(HWND hwnd);  // WM_GETTEXT with a time limit; works across processes

// Clicks button id of dialog without waiting for the click's handling (a message box it opens
// does not block the caller). Refuses (false) a missing, disabled or hidden button, as a user could
// not click it either. Push buttons get WM_COMMAND/BN_CLICKED, check boxes and radios BM_CLICK.
bool ClickButton(HWND dialog, int id);
bool CloseWindowOf(HWND hwnd);  // posts WM_CLOSE
// Posts WM_KEYDOWN/WM_KEYUP of vk to the focused control of hwnd's thread (hwnd itself when the
// focus is elsewhere), so the target's message loop (IsDialogMessage and the like) sees the key.
bool PressKey(HWND hwnd, UINT vk);

// Message boxes of a process: visible "#32770" windows with the message box's text static (id 0xFFFF),
// so the program's own dialogs are not taken for one.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string title;
  std::string text;                  // the message
  std::vector<ControlInfo> buttons;  // the buttons (ids IDOK 1, IDCANCEL 2, IDRETRY 4, IDYES 6, IDNO 7...)
};
bool FindMessageBox(DWORD pid, MessageBoxInfo* out);
bool WaitMessageBox(DWORD pid, int timeoutMs, MessageBoxInfo* out);
bool AnswerMessageBox(HWND box, int buttonId);  // posts the button's command; false if no such button

// List view rows of another process (LVM_GETITEMTEXTA through memory in that process).
// columns <= 0: as many as the header has (at least 1). Cells longer than 1023 characters are cut.
std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns = 0);
// Progress bar state; false when hwnd is not a window.
bool ProgressState(HWND bar, int* pos, int* low = nullptr, int* high = nullptr);
bool IsChecked(HWND button);  // BM_GETCHECK == BST_CHECKED

// ---- screenshots ----
// Captures the screen (or window's rectangle on the screen) as rows of RGB bytes, top row first.
bool CaptureRgb(HWND window, int* width, int* height, std::string* rgb);
// Writes a PNG of the screen (or window's rectangle). Creates missing folders.
bool SaveScreenshotPng(const std::string& path, HWND window = nullptr);
// Encodes RGB rows (top first) as PNG bytes.
bool EncodePng(int width, int height, const std::string& rgb, std::string* png);

}  // namespace ts

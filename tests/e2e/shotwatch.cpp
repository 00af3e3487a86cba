// shotwatch.exe: waits for a window and photographs it the moment it shows, from one Wine process
// (a loop of separate window queries would miss a window that is up for a second only).
//   shotwatch <file.png> <exe-name> [<text> [<later-ms> [<timeout-ms>]]]
// Watches the visible top-level windows of every process named exe-name (case ignored). When one shows
// (and, with a text other than "-", one of its controls shows exactly that text), it is saved as
// file.png; with later-ms,
// it is photographed again that much later if it is still up, so the picture shows the work advanced.
// Exit code 0 when a picture was saved, 1 when nothing showed within timeout-ms (default 120000).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport.h"

struct TopLevels {
  std::vector<DWORD> pids;
  std::vector<HWND> visible;
};

static BOOL CALLBACK AddVisible(HWND hwnd, LPARAM param) {
  auto* t = reinterpret_cast<TopLevels*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  for (DWORD p : t->pids)
    if (p == pid && IsWindowVisible(hwnd)) t->visible.push_back(hwnd);
  return TRUE;
}

// Texts are read only when asked for: a program busy inside a message handler (the installer replaces
// files inside a timer message) answers no WM_GETTEXT, and waiting for it would miss its window.
static HWND FindShown(const char* exe, const std::string& text) {
  TopLevels t;
  t.pids = ts::FindProcesses(exe);
  if (t.pids.empty()) return nullptr;
  EnumWindows(AddVisible, reinterpret_cast<LPARAM>(&t));
  if (t.visible.empty()) return nullptr;
  if (text.empty()) return t.visible[0];
  for (DWORD pid : t.pids)
    for (const ts::WindowInfo& info : ts::ListWindows(pid))
      for (const ts::ControlInfo& c : info.controls)
        if (info.visible && c.visible && c.text == text) return info.hwnd;
  return nullptr;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 6) {
    fprintf(stderr, "usage: shotwatch <file.png> <exe-name> [<text> [<later-ms> [<timeout-ms>]]]\n");
    return 2;
  }
  std::string png = argv[1], text = argc > 3 ? argv[3] : "-";
  if (text == "-") text.clear();  // an empty argument does not survive every shell and loader
  DWORD later = argc > 4 ? strtoul(argv[4], nullptr, 10) : 0;
  DWORD timeout = argc > 5 ? strtoul(argv[5], nullptr, 10) : 120000;
  int timeoutMs = timeout > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(timeout);
  HWND shown = nullptr;
  if (!ts::WaitUntil([&] { return (shown = FindShown(argv[2], text)) != nullptr; }, timeoutMs, 20)) return 1;
  Sleep(150);  // let the window paint its controls
  bool saved = ts::SaveScreenshotPng(png, shown);
  if (later) {
    Sleep(later);
    if (IsWindowVisible(shown)) saved = ts::SaveScreenshotPng(png, shown) || saved;
  }
  return saved ? 0 : 1;
}

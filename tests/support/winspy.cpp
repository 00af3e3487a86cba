// winspy.exe: looks at and steers the windows of running programs from shell scripts (under Wine).
//   winspy list <pid|exe-name>        every top-level window of the process(es) and its controls
//   winspy rows <hwnd> [columns]      the rows of a list view, cells separated by tabs
//   winspy click <hwnd> <id>          clicks button id of dialog hwnd (refused when disabled or hidden)
//   winspy close <hwnd>               posts WM_CLOSE
//   winspy key <hwnd> <vk>            posts a key (decimal or 0x.. virtual-key code) to the focused control
//   winspy shot <file.png> [hwnd]     screenshot of the screen or of one window
// Window handles are printed and read as hexadecimal (0x...). Exit code 0 on success, 1 on failure.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport.h"

static HWND ParseHwnd(const char* s) { return reinterpret_cast<HWND>((uintptr_t)strtoull(s, nullptr, 0)); }

// Process ids of a decimal pid or of every process whose executable has that name (case ignored).
static std::vector<DWORD> PidsOf(const char* what) {
  std::vector<DWORD> pids;
  char* end = nullptr;
  unsigned long n = strtoul(what, &end, 10);
  if (end && *end == '\0' && end != what) {
    pids.push_back((DWORD)n);
    return pids;
  }
  return ts::FindProcesses(what);
}

static std::string Printable(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

static int List(const char* what) {
  std::vector<DWORD> pids = PidsOf(what);
  if (pids.empty()) {
    fprintf(stderr, "winspy: no process %s\n", what);
    return 1;
  }
  for (DWORD pid : pids) {
    for (const ts::WindowInfo& w : ts::ListWindows(pid)) {
      printf("window 0x%llx pid=%lu class=\"%s\" title=\"%s\" visible=%d rect=%ld,%ld,%ld,%ld\n",
             (unsigned long long)(uintptr_t)w.hwnd, (unsigned long)pid, w.cls.c_str(), Printable(w.title).c_str(),
             w.visible ? 1 : 0, w.rect.left, w.rect.top, w.rect.right, w.rect.bottom);
      for (const ts::ControlInfo& c : w.controls)
        printf("  control 0x%llx id=%d class=\"%s\" text=\"%s\" enabled=%d visible=%d\n",
               (unsigned long long)(uintptr_t)c.hwnd, c.id, c.cls.c_str(), Printable(c.text).c_str(),
               c.enabled ? 1 : 0, c.visible ? 1 : 0);
    }
  }
  return 0;
}

static int Rows(HWND list, int columns) {
  char cls[64] = "";
  if (!IsWindow(list) || !GetClassNameA(list, cls, sizeof(cls)) || _stricmp(cls, WC_LISTVIEWA) != 0) return 1;
  for (const auto& row : ts::ListViewRows(list, columns)) {
    for (size_t i = 0; i < row.size(); ++i) printf("%s%s", i ? "\t" : "", Printable(row[i]).c_str());
    printf("\n");
  }
  return 0;
}

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end with "\n" for the shell scripts
  std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "list" && argc == 3) return List(argv[2]);
  if (cmd == "rows" && (argc == 3 || argc == 4)) return Rows(ParseHwnd(argv[2]), argc == 4 ? atoi(argv[3]) : 0);
  if (cmd == "click" && argc == 4) return ts::ClickButton(ParseHwnd(argv[2]), atoi(argv[3])) ? 0 : 1;
  if (cmd == "close" && argc == 3) return ts::CloseWindowOf(ParseHwnd(argv[2])) ? 0 : 1;
  if (cmd == "key" && argc == 4) return ts::PressKey(ParseHwnd(argv[2]), (UINT)strtoul(argv[3], nullptr, 0)) ? 0 : 1;
  if (cmd == "shot" && (argc == 3 || argc == 4))
    return ts::SaveScreenshotPng(argv[2], argc == 4 ? ParseHwnd(argv[3]) : nullptr) ? 0 : 1;
  fprintf(stderr,
          "usage: winspy list <pid|exe-name> | rows <hwnd> [columns] | click <hwnd> <id> | close <hwnd>\n"
          "              | key <hwnd> <vk> | shot <file.png> [hwnd]\n");
  return 2;
}

// testhelper.exe: a small Windows program that plays "a running program" for the tests.
// Switches (combine freely; see tests/README.md):
//   /record <file>    append "start\t<pid>\t<exe>\t<cwd>\t<command line>" at start, "close\t<pid>\t<what>"
//                     on every WM_CLOSE and "end\t<pid>\t<exit code>" at a normal end (lines end "\r\n")
//   /hold <file>      open (or create) the file without write or delete sharing and keep it open
//   /window           show a top-level window that ends the program on WM_CLOSE
//   /ignoreclose      ... a window that ignores WM_CLOSE
//   /hangclose        ... a window whose WM_CLOSE handling never returns (a hung program)
//   /slowclose <ms>   ... a window that needs ms milliseconds to handle WM_CLOSE, then ends
//   /title <text>     the window's title (default "Test Helper"); /class <name> its class ("TestHelperWindow")
//   /dialog           show the demo dialog (controls in testhelper_ids.h); exit code 1 for OK, 2 for Cancel
//   /stdout <text>    write text to standard output byte for byte; \r \n \t \\ \xHH are escapes
//   /printenv <name>  write the value of environment variable name to standard output ("<unset>" if unset)
//   /sleep <ms>       without a window: wait ms before ending
//   /exit <code>      the exit code without a window or dialog (default 0)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testhelper_ids.h"

namespace {

enum CloseMode { CLOSE_NORMAL, CLOSE_IGNORE, CLOSE_HANG, CLOSE_SLOW };

struct Options {
  std::string recordFile, holdFile, title = "Test Helper", cls = "TestHelperWindow", stdoutText;
  bool window = false, dialog = false, hasStdout = false;
  CloseMode closeMode = CLOSE_NORMAL;
  DWORD slowMs = 0, sleepMs = 0;
  int exitCode = 0;
};

Options g_opt;

// Splits a command line the way the C runtime does for the common cases: blanks separate, double
// quotes group, backslashes are literal (no escape rules needed by the tests).
std::vector<std::string> SplitCommandLine(const char* p) {
  std::vector<std::string> out;
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '"') quoted = !quoted;
      else arg += *p;
      ++p;
    }
    out.push_back(arg);
  }
  return out;
}

// The command line after the program's own name.
const char* ArgsOf(const char* cmd) {
  bool quoted = false;
  while (*cmd && (quoted || (*cmd != ' ' && *cmd != '\t'))) {
    if (*cmd == '"') quoted = !quoted;
    ++cmd;
  }
  while (*cmd == ' ' || *cmd == '\t') ++cmd;
  return cmd;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == '\\') out += '\\';
    else if (c == 'x' && i + 2 < s.size()) {
      out += (char)strtol(s.substr(i + 1, 2).c_str(), nullptr, 16);
      i += 2;
    } else {
      out += '\\';
      out += c;
    }
  }
  return out;
}

void Record(const std::string& line) {
  if (g_opt.recordFile.empty()) return;
  HANDLE f = CreateFileA(g_opt.recordFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
  CloseHandle(f);
}

std::string Pid() { return std::to_string(GetCurrentProcessId()); }

int Finish(int code) {
  Record("end\t" + Pid() + "\t" + std::to_string(code));
  return code;
}

LRESULT CALLBACK HelperWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      switch (g_opt.closeMode) {
        case CLOSE_IGNORE:
          Record("close\t" + Pid() + "\tignored");
          return 0;
        case CLOSE_HANG:
          Record("close\t" + Pid() + "\thanging");
          for (;;) Sleep(1000);
        case CLOSE_SLOW:
          Record("close\t" + Pid() + "\tslow");
          Sleep(g_opt.slowMs);
          break;
        default:
          Record("close\t" + Pid() + "\tclosing");
          break;
      }
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_opt.exitCode);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int RunWindow(HINSTANCE inst) {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof(wc));
  wc.lpfnWndProc = HelperWndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszClassName = g_opt.cls.c_str();
  if (!RegisterClassA(&wc)) return 90;
  HWND hwnd = CreateWindowExA(0, g_opt.cls.c_str(), g_opt.title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              320, 200, nullptr, nullptr, inst, nullptr);
  if (!hwnd) return 91;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return (int)msg.wParam;
}

void FillDemoList(HWND list) {
  const char* headers[] = {"File", "Version", "Size"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA col;
    ZeroMemory(&col, sizeof(col));
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = i == 0 ? 200 : 90;
    col.pszText = const_cast<char*>(headers[i]);
    SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&col);
  }
  const char* rows[][3] = {{"alpha.dll", "1.0.0.1", "1234"},
                           {"sub\\beta.exe", "", "0"},
                           {"a name with spaces and a rather long tail to see that nothing is cut.txt", "2.5", "99999"}};
  for (int r = 0; r < 3; ++r) {
    LVITEMA item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>(rows[r][0]);
    int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    for (int c = 1; c < 3; ++c) {
      item.iItem = at;
      item.iSubItem = c;
      item.pszText = const_cast<char*>(rows[r][c]);
      SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
    }
  }
}

INT_PTR CALLBACK DemoDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowTextA(dlg, g_opt.title == "Test Helper" ? "Rig Demo" : g_opt.title.c_str());
      FillDemoList(GetDlgItem(dlg, IDC_DEMO_LIST));
      SendDlgItemMessageA(dlg, IDC_DEMO_PROGRESS, PBM_SETRANGE32, 0, 100);
      SendDlgItemMessageA(dlg, IDC_DEMO_PROGRESS, PBM_SETPOS, 40, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_DEMO_CHANGE:
          SetDlgItemTextA(dlg, IDC_DEMO_STATUS, "Changed");
          return TRUE;
        case IDC_DEMO_ASK: {
          int answer = MessageBoxA(dlg, "Proceed with the demo?", "Rig Demo", MB_YESNOCANCEL | MB_ICONQUESTION);
          char text[32];
          snprintf(text, sizeof(text), "Answer %d", answer);
          SetDlgItemTextA(dlg, IDC_DEMO_STATUS, text);
          return TRUE;
        }
        case IDC_DEMO_DISABLED:
          SetDlgItemTextA(dlg, IDC_DEMO_STATUS, "Disabled clicked");
          return TRUE;
        case IDOK:
        case IDCANCEL:
          Record("close\t" + Pid() + (LOWORD(wp) == IDOK ? "\tok" : "\tcancel"));
          EndDialog(dlg, LOWORD(wp));
          return TRUE;
      }
      break;
  }
  return FALSE;
}

bool ParseOptions(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "/record" && hasValue) g_opt.recordFile = args[++i];
    else if (a == "/hold" && hasValue) g_opt.holdFile = args[++i];
    else if (a == "/window") g_opt.window = true;
    else if (a == "/ignoreclose") g_opt.window = true, g_opt.closeMode = CLOSE_IGNORE;
    else if (a == "/hangclose") g_opt.window = true, g_opt.closeMode = CLOSE_HANG;
    else if (a == "/slowclose" && hasValue)
      g_opt.window = true, g_opt.closeMode = CLOSE_SLOW, g_opt.slowMs = strtoul(args[++i].c_str(), nullptr, 10);
    else if (a == "/title" && hasValue) g_opt.title = args[++i];
    else if (a == "/class" && hasValue) g_opt.cls = args[++i];
    else if (a == "/dialog") g_opt.dialog = true;
    else if (a == "/stdout" && hasValue) g_opt.hasStdout = true, g_opt.stdoutText += Unescape(args[++i]);
    else if (a == "/printenv" && hasValue) {
      char value[4096];
      DWORD n = GetEnvironmentVariableA(args[++i].c_str(), value, sizeof(value));
      g_opt.hasStdout = true;
      g_opt.stdoutText += (n == 0 || n >= sizeof(value)) ? std::string("<unset>") : std::string(value, n);
    }
    else if (a == "/sleep" && hasValue) g_opt.sleepMs = strtoul(args[++i].c_str(), nullptr, 10);
    else if (a == "/exit" && hasValue) g_opt.exitCode = atoi(args[++i].c_str());
    else return false;
  }
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
  const char* cmd = GetCommandLineA();
  if (!ParseOptions(SplitCommandLine(cmd))) return 99;

  char exe[MAX_PATH] = "", cwd[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, sizeof(exe));
  GetCurrentDirectoryA(sizeof(cwd), cwd);
  Record("start\t" + Pid() + "\t" + exe + "\t" + cwd + "\t" + ArgsOf(cmd));

  if (g_opt.hasStdout) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), g_opt.stdoutText.data(), (DWORD)g_opt.stdoutText.size(), &written,
              nullptr);
  }

  HANDLE held = INVALID_HANDLE_VALUE;  // kept open until the process ends
  if (!g_opt.holdFile.empty()) {
    held = CreateFileA(g_opt.holdFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return Finish(98);
  }

  int code = g_opt.exitCode;
  if (g_opt.dialog) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    code = (int)DialogBoxParamA(inst, MAKEINTRESOURCEA(IDD_HELPER_DEMO), nullptr, DemoDlgProc, 0);
  } else if (g_opt.window) {
    code = RunWindow(inst);
  } else if (g_opt.sleepMs) {
    Sleep(g_opt.sleepMs);
  }
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return Finish(code);
}

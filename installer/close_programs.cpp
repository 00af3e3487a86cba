// Closing the running programs among the entries: ask their windows to close, then wait for each
// one still running in dialog 101, which counts 20 seconds before the program is terminated.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "bounded.h"
#include "handles.h"
#include "resource.h"
#include "swaplet.h"

namespace {

constexpr DWORD kAskPauseMs = 200;
constexpr UINT kCloseAnswerTimeoutMs = 5000;  // a hung window does not hold the run
constexpr DWORD kTerminateWaitMs = 5000;      // the program's files are released once it has ended
constexpr int kSecondsBeforeTerminate = 20;

// A program found by its file name, kept open from the time it was found so that a process id
// reused later cannot make us end another program.
struct RunningProgram {
  DWORD id = kNoProcess;
  ScopedHandle process;
};

RunningProgram* g_program = nullptr;  // the program that dialog 101 waits for

// The part of an entry's name after its last "/", else after its last "\", else the whole name.
const char* ProgramFileName(const char* entry) {
  const char* slash = strrchr(entry, '/');
  if (slash) return slash + 1;
  const char* backslash = strrchr(entry, '\\');
  return backslash ? backslash + 1 : entry;
}

int IsExecutableEntry(const char* entry) {
  size_t length = strlen(entry);
  return length > 4 && _stricmp(entry + length - 4, ".exe") == 0;
}

// Finds the one process running fileName and opens it. 0 when none or several run. When the
// process cannot be opened (access denied), only its id is known: it can be asked, not ended.
int FindRunningProgram(const char* fileName, RunningProgram& program) {
  program.id = FindProcess(fileName);
  program.process.Reset();
  if (program.id == kNoProcess) return 0;
  program.process.Reset(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                    program.id));
  // With the handle held the id cannot be reused; a second look makes sure it still names our program.
  if (program.process.Valid() && FindProcess(fileName) != program.id) {
    program.process.Reset();
    program.id = kNoProcess;
    return 0;
  }
  return 1;
}

int HasEnded(const RunningProgram& program) {
  return program.process.Valid() && WaitForSingleObject(program.process.Get(), 0) == WAIT_OBJECT_0;
}

BOOL CALLBACK CloseWindowsProc(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != static_cast<DWORD>(processId)) return TRUE;
  SetForegroundWindow(window);
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kCloseAnswerTimeoutMs,
                          &answer) &&
      answer != 0)
    PostMessageA(window, WM_QUIT, 0, 0);
  return TRUE;
}

// Flag clear: asks every top-level window of the program to close. Flag set: terminates it with
// exit code 0 and waits (bounded) until it has ended.
void EndProgram(const RunningProgram& program, int terminate) {
  if (program.id == kNoProcess) return;
  if (!terminate) {
    EnumWindows(CloseWindowsProc, static_cast<LPARAM>(program.id));
    return;
  }
  if (!program.process.Valid() || HasEnded(program)) return;
  if (TerminateProcess(program.process.Get(), 0)) WaitForSingleObject(program.process.Get(), kTerminateWaitMs);
}

void ShowSeconds(HWND dlg) {
  char text[MAX_PATH];
  FormatOneNumber(text, sizeof text, theStrings.GetString(LS_FMT_SECONDS), g_secondsPassed);
  SetDlgItemTextA(dlg, IDC_CLOSE_SECONDS, text);
}

}  // namespace

DWORD FindProcess(const char* fileName) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return kNoProcess;
  PROCESSENTRY32 entry;
  ZeroMemory(&entry, sizeof entry);
  entry.dwSize = sizeof entry;  // the ANSI record: 296 bytes on 32-bit Windows, 304 on 64-bit
  static_assert(sizeof(void*) != 4 || sizeof(PROCESSENTRY32) == 296, "32-bit ANSI process record");
  if (!Process32First(snapshot.Get(), &entry)) return kNoProcess;
  size_t wanted = strlen(fileName);
  int matches = 0;
  DWORD found = kNoProcess;
  do {
    size_t length = strnlen(entry.szExeFile, sizeof entry.szExeFile);
    // A running name that is a leading part of the wanted name matches (as "tool" for "tool.exe").
    if (length > 0 && wanted >= length && _strnicmp(fileName, entry.szExeFile, length) == 0) {
      ++matches;
      found = entry.th32ProcessID;
    }
  } while (Process32Next(snapshot.Get(), &entry));
  return matches == 1 ? found : kNoProcess;
}

INT_PTR CALLBACK CloseProgramDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetClassIconFromResource(dlg);
      CenterOnScreen(dlg);
      g_secondsPassed = 0;
      SetWindowTextA(dlg, theStrings.GetString(LS_TITLE));
      SetDlgItemTextA(dlg, IDC_CLOSE_TERMINATE, theStrings.GetString(LS_BTN_TERMINATE));
      char text[MAX_PATH];
      FormatOneText(text, sizeof text, theStrings.GetString(LS_FMT_CLOSE_PROGRAM), g_programName);
      SetDlgItemTextA(dlg, IDC_CLOSE_PROGRAM_TEXT, text);
      ShowSeconds(dlg);
      SetTimer(dlg, TIMER_COUNT_SECONDS, 1000, nullptr);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == TIMER_COUNT_SECONDS) {
        if (FindProcess(g_programName) == kNoProcess || HasEnded(*g_program)) {
          PostMessageA(dlg, WM_CLOSE, 0, 0);
        } else if (++g_secondsPassed <= kSecondsBeforeTerminate) {
          ShowSeconds(dlg);
        } else {
          EndProgram(*g_program, TRUE);
          PostMessageA(dlg, WM_CLOSE, 0, 0);
        }
      }
      return TRUE;
    case WM_COMMAND:
      // The button ends the program at once; Escape (IDCANCEL) does nothing.
      if (wParam == IDC_CLOSE_TERMINATE) {
        EndProgram(*g_program, TRUE);
        PostMessageA(dlg, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_CLOSE:
      KillTimer(dlg, TIMER_COUNT_SECONDS);
      EndDialog(dlg, 0);
      return TRUE;
  }
  return FALSE;
}

void CloseRunningPrograms(HWND dlg) {
  // Asking: every running executable among the entries gets a close request.
  for (int i = 0; i < g_installList.Count(); ++i) {
    const char* entry = g_installList.At(i);
    if (!IsExecutableEntry(entry)) continue;
    RunningProgram program;
    if (!FindRunningProgram(ProgramFileName(entry), program)) continue;
    char label[520];
    FormatOneText(label, sizeof label, theStrings.GetString(LS_FMT_CLOSING), entry);
    SetDlgItemTextA(dlg, IDC_PROGRESS_LABEL, label);
    ShowNow(dlg);
    g_closingList.Add(entry);
    EndProgram(program, FALSE);
  }
  if (g_closingList.Count() > 0) Sleep(kAskPauseMs);

  // Waiting: a program still running gets dialog 101 and is terminated when the dialog ends.
  for (int i = 0; i < g_closingList.Count(); ++i) {
    const char* fileName = ProgramFileName(g_closingList.At(i));
    RunningProgram program;
    if (!FindRunningProgram(fileName, program)) continue;
    SetForegroundWindow(dlg);
    g_programName = fileName;
    g_program = &program;
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_CLOSE_PROGRAM), dlg, CloseProgramDlgProc, 0);
    EndProgram(program, TRUE);
    g_program = nullptr;
  }
  SetDlgItemTextA(dlg, IDC_PROGRESS_LABEL, theStrings.GetString(LS_INSTALL_LABEL));
  ShowNow(dlg);
}

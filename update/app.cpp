#include "app.h"

#include <windows.h>
#include <commctrl.h>

#include "bounded.h"
#include "handles.h"
#include "langstrings.h"
#include "update_dlg.h"

int g_auto = 0;
int g_hidden = 0;

CLangStrings theStrings(CLangStrings::Choice::Update);
CUpdateApp theApp;

SwitchFlags ParseSwitches(const char* cmdLine) {
  SwitchFlags flags;
  if (!cmdLine) return flags;
  const char* p = cmdLine;
  while (*p) {
    if (*p != '/') {
      ++p;
      continue;
    }
    ++p;  // the character after "/" is looked at; consumed only when it names a switch
    if (*p == 'A' || *p == 'a') {
      flags.autoDownload = 1;
      ++p;
    } else if (*p == 'H' || *p == 'h') {
      flags.hidden = 1;
      ++p;
    }
  }
  return flags;
}

int MutexNameFromDir(char* name, size_t size, const char* appDir) {
  if (!CopyBounded(name, size, appDir ? appDir : "")) return 0;
  for (char* p = name; *p; ++p)
    if (*p == '\\') *p = '-';
  return 1;
}

CUpdateApp::~CUpdateApp() = default;

BOOL CUpdateApp::InitInstance() {
  // The wizard's list view and progress bars live in the common controls.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  if (m_lpCmdLine && *m_lpCmdLine) {
    SwitchFlags flags = ParseSwitches(m_lpCmdLine);
    if (flags.autoDownload) g_auto = 1;
    if (flags.hidden) g_hidden = 1;
  }

  CUpdateDlg dlg;
  m_pMainWnd = &dlg;
  char mutexName[MAX_PATH];
  if (MutexNameFromDir(mutexName, sizeof(mutexName), dlg.AppDir())) {
    ScopedHandle mutex(CreateMutexA(nullptr, FALSE, mutexName));
    // Another Update of the same directory holds the mutex: end silently.
    if (mutex.Valid() && GetLastError() != ERROR_ALREADY_EXISTS) dlg.DoModal();
  }
  m_pMainWnd = nullptr;
  return FALSE;
}

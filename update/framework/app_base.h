// The application object of a dialog-based program: one global instance, whose InitInstance is
// called from WinMain (winmain.cpp). When InitInstance returns FALSE the process ends.
#pragma once
#include <windows.h>

class CDialogLite;

class CWinAppLite {
 public:
  CWinAppLite();
  virtual ~CWinAppLite();
  CWinAppLite(const CWinAppLite&) = delete;
  CWinAppLite& operator=(const CWinAppLite&) = delete;

  // Start-up hook. Returning FALSE ends the process without a message loop of the application.
  virtual BOOL InitInstance() { return FALSE; }
  // Called when the process is about to end; its result is the exit code.
  virtual int ExitInstance() { return 0; }

  // The one application object of the process (null before its construction).
  static CWinAppLite* Current();

  HINSTANCE m_hInstance = nullptr;
  const char* m_lpCmdLine = "";      // the command line after the program name
  CDialogLite* m_pMainWnd = nullptr; // owner of dialogs created without a parent
};

// Instance handle of the program's module, also before WinMain has run.
HINSTANCE AppInstance();

// The progress dialog (102): it hosts the whole replacement run, started from a one-shot timer.
#include <windows.h>

#include "resource.h"
#include "swaplet.h"

void CenterOnScreen(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  MoveWindow(window, x, y, width, height, TRUE);
}

void ShowNow(HWND dlg) { RedrawWindow(dlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

void SetClassIconFromResource(HWND dlg) {
  HICON icon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_SWAPLET));
  if (icon) SetClassLongPtrA(dlg, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

INT_PTR CALLBACK ProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SetClassIconFromResource(dlg);
      CenterOnScreen(dlg);
      SetWindowTextA(dlg, theStrings.GetString(LS_TITLE));
      SetDlgItemTextA(dlg, IDC_PROGRESS_LABEL, theStrings.GetString(LS_INSTALL_LABEL));
      SetDlgItemTextA(dlg, IDC_PROGRESS_NAME, "");
      SetTimer(dlg, TIMER_START_RUN, 100, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wParam == TIMER_START_RUN) {
        KillTimer(dlg, TIMER_START_RUN);  // fires once
        ReplaceFiles(dlg);
        PostMessageA(dlg, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_COMMAND:
      // Enter (IDOK) ends the dialog before the run starts; Escape (IDCANCEL) never does.
      if (wParam == IDOK) PostMessageA(dlg, WM_CLOSE, 0, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dlg, 0);
      return TRUE;
  }
  return FALSE;
}

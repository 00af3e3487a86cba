#include "dialog.h"

#include <cstring>
#include <vector>

#include "app_base.h"

namespace {

// Messages whose dialog-procedure result is the message's own result (all others go through
// DWLP_MSGRESULT).
bool ReturnsDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

// A writable copy of a dialog template with WS_VISIBLE taken out of its style, so that the dialog
// manager never shows the window on its own (it would do so right after WM_INITDIALOG, undoing a
// hide made there); DoModal shows it itself.
bool CopyTemplateHidden(HINSTANCE instance, UINT id, std::vector<DWORD>* copy) {
  HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  if (!res) return false;
  DWORD size = SizeofResource(instance, res);
  HGLOBAL loaded = LoadResource(instance, res);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size < 18) return false;
  copy->assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  memcpy(copy->data(), bytes, size);
  // An extended template starts with version 1 and signature 0xFFFF; its style is its 4th DWORD.
  const WORD* words = reinterpret_cast<const WORD*>(copy->data());
  bool extended = words[0] == 1 && words[1] == 0xFFFF;
  if (extended && size < 26) return false;
  DWORD& style = (*copy)[extended ? 3 : 0];
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  return true;
}

}  // namespace

CDialogLite::CDialogLite(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialogLite::~CDialogLite() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    DestroyWindow(m_hWnd);
  }
}

INT_PTR CDialogLite::DoModal() {
  HINSTANCE instance = AppInstance();
  std::vector<DWORD> dialogTemplate;
  if (!CopyTemplateHidden(instance, m_templateId, &dialogTemplate)) return -1;

  HWND owner = m_parent;
  CWinAppLite* app = CWinAppLite::Current();
  if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this)
    owner = app->m_pMainWnd->GetSafeHwnd();
  bool ownerDisabled = false;
  if (owner && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }

  m_continueModal = true;
  m_modalResult = -1;
  HWND hwnd = CreateDialogIndirectParamA(
      instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), owner, DialogProc,
      reinterpret_cast<LPARAM>(this));
  if (hwnd) {
    // A modal dialog is shown whether or not its template says visible (as the system's modal
    // dialogs are), unless it ended already or keeps itself hidden.
    if (m_continueModal && ShowAfterInit()) {
      ShowWindow(hwnd, SW_SHOWNORMAL);
      UpdateWindow(hwnd);
    }
    RunModalLoop();
  }
  // Give the activation back to the owner before the dialog goes, as a modal dialog does.
  if (ownerDisabled) EnableWindow(owner, TRUE);
  if (owner && hwnd && GetActiveWindow() == hwnd) SetActiveWindow(owner);
  if (hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    DestroyWindow(hwnd);
  }
  m_hWnd = nullptr;
  return hwnd ? m_modalResult : -1;
}

void CDialogLite::RunModalLoop() {
  MSG msg;
  while (m_continueModal) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end the dialog and leave the quit request for the caller's loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (PreTranslateMessage(&msg)) continue;
    if (m_hWnd && IsDialogMessageA(m_hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void CDialogLite::EndDialog(INT_PTR result) {
  m_modalResult = result;
  m_continueModal = false;
  // Wake the loop in case this runs inside a sent message while the loop waits for a posted one.
  if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

INT_PTR CALLBACK CDialogLite::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialogLite* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialogLite*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self) self->m_hWnd = hwnd;
  } else {
    self = reinterpret_cast<CDialogLite*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  // Nothing may unwind through the system's dialog code.
  try {
    return self->Dispatch(message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR CDialogLite::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      DoDataExchange();
      return OnInitDialog();
    case WM_COMMAND: {
      // Buttons send BN_CLICKED (0); keyboard accelerators send 1.
      UINT code = HIWORD(wParam);
      if (code == BN_CLICKED || code == 1) {
        if (LOWORD(wParam) == IDOK) {
          OnOK();
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          OnCancel();
          return TRUE;
        }
      }
      break;
    }
    case WM_CLOSE: {
      // A close request becomes the Cancel command, but only while the Cancel button (if the
      // dialog has one) is enabled; otherwise it only beeps.
      HWND cancel = GetDlgItem(IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      else
        MessageBeep(0);
      return TRUE;
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (!OnMessage(message, wParam, lParam, &result)) return FALSE;
  if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}

// Base class of the program's modal dialogs: one dialog procedure dispatches to virtual handlers,
// and DoModal runs a message loop of its own so that PreTranslateMessage sees every message before
// the dialog manager's keyboard handling (IsDialogMessage).
#pragma once
#include <windows.h>

class CDialogLite {
 public:
  // templateId: the dialog resource; parent: the owner (null: the application's main dialog).
  explicit CDialogLite(UINT templateId, HWND parent = nullptr);
  virtual ~CDialogLite();
  CDialogLite(const CDialogLite&) = delete;
  CDialogLite& operator=(const CDialogLite&) = delete;

  // Creates the dialog, disables its owner and runs the loop until EndDialog. Returns the value
  // given to EndDialog, or -1 when the dialog could not be created.
  INT_PTR DoModal();
  // Ends the modal loop with result (the window is destroyed when DoModal returns).
  void EndDialog(INT_PTR result);

  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }

 protected:
  // Binds control objects to their controls; runs right before OnInitDialog.
  virtual void DoDataExchange() {}
  // TRUE: the dialog manager sets the focus to the first tab stop.
  virtual BOOL OnInitDialog() { return TRUE; }
  // The IDOK and IDCANCEL commands (IDCANCEL also for every close request).
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Sees each message of the loop first; nonzero when it handled the message.
  virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }
  // Every other message: true when handled, with *result the value the message returns.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return false;
  }
  // DoModal shows the dialog after OnInitDialog only when this says so; a dialog that starts
  // hidden answers false and shows itself later.
  virtual bool ShowAfterInit() const { return true; }

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void RunModalLoop();

  UINT m_templateId;
  HWND m_parent;
  bool m_continueModal = false;
  INT_PTR m_modalResult = -1;
};

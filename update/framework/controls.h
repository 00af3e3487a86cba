// Thin wrappers over the controls of a dialog: each holds the control's window handle.
#pragma once
#include <windows.h>
#include <commctrl.h>

class CWndLite {
 public:
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  void EnableWindow(bool enable) const { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
  bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
  void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }

 protected:
  HWND m_hWnd = nullptr;
};

class CButtonLite : public CWndLite {};

class CProgressCtrlLite : public CWndLite {
 public:
  void SetRange(int lower, int upper) const { SendMessageA(m_hWnd, PBM_SETRANGE32, lower, upper); }
  void SetPos(int pos) const { SendMessageA(m_hWnd, PBM_SETPOS, pos, 0); }
};

class CListCtrlLite : public CWndLite {
 public:
  void SetFont(HFONT font, bool redraw) const {
    SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
  }
  void SetExtendedStyle(DWORD style) const {
    SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
  }
  // Inserts column `column` (format LVCFMT_LEFT/RIGHT, width in pixels); its index or -1.
  int InsertColumn(int column, const char* heading, int format, int width) const;
  int GetItemCount() const { return static_cast<int>(SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
  // Inserts a row at index with text in column 0; its index or -1.
  int InsertItem(int index, const char* text) const;
  bool SetItemText(int index, int column, const char* text) const;
};

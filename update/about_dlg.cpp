#include "about_dlg.h"

#include <shellapi.h>

#include <cstdio>

#include "langstrings.h"
#include "link_button.h"
#include "resources/resource.h"

// Publisher settings, chosen at build time (see update/CMakeLists.txt).
#ifndef UPD_PUBLISHER_HOMEPAGE
#define UPD_PUBLISHER_HOMEPAGE "http://www.example.com/"
#endif
#ifndef UPD_PUBLISHER_EMAIL
#define UPD_PUBLISHER_EMAIL "support@example.com"
#endif
#ifndef UPD_PUBLISHER_COPYRIGHT
#define UPD_PUBLISHER_COPYRIGHT " (C) 2026 Example Software"
#endif

namespace {
constexpr size_t kLineBuffer = MAX_PATH;
}

CAboutDlg::CAboutDlg(HWND parent) : CDialogLite(IDD_ABOUTBOX, parent) {}

BOOL CAboutDlg::OnInitDialog() {
  SetWindowTextA(m_hWnd, theStrings.GetString(LS_ABOUT));
  char line[kLineBuffer];
  // Lines that do not fit are cut, never overrun.
  snprintf(line, sizeof(line), "%s%s", theStrings.GetString(LS_ABOUT_COPYRIGHT), UPD_PUBLISHER_COPYRIGHT);
  SetDlgItemText(IDC_ABOUT_COPYRIGHT, line);
  snprintf(line, sizeof(line), "%s v1.0", theStrings.GetString(LS_TITLE));
  SetDlgItemText(IDC_ABOUT_VERSION, line);
  MakeLinkButton(m_hWnd, IDC_ABOUT_HOMEPAGE, "Author homepage", 0, 0);
  MakeLinkButton(m_hWnd, IDC_ABOUT_EMAIL, "Email to author", 0, 0);
  SetDlgItemText(IDOK, theStrings.GetString(LS_ABOUT_OK));
  return TRUE;
}

void CAboutDlg::OnHomepage() {
  ShellExecuteA(m_hWnd, "open", UPD_PUBLISHER_HOMEPAGE, nullptr, nullptr, SW_SHOWNORMAL);
}

void CAboutDlg::OnEmail() {
  ShellExecuteA(m_hWnd, "open", "mailto:" UPD_PUBLISHER_EMAIL, nullptr, nullptr, SW_SHOWNORMAL);
}

bool CAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    if (wParam == IDC_ABOUT_HOMEPAGE || wParam == IDC_ABOUT_EMAIL) {
      DrawLink(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    }
    return false;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDC_ABOUT_HOMEPAGE) {
      OnHomepage();
      return true;
    }
    if (LOWORD(wParam) == IDC_ABOUT_EMAIL) {
      OnEmail();
      return true;
    }
  }
  return false;
}

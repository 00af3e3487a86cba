#include "update_dlg.h"

#include <cstdio>
#include <string>

#include "about_dlg.h"
#include "app.h"
#include "bounded.h"
#include "fileutil.h"
#include "langstrings.h"
#include "launch_installer.h"
#include "resources/resource.h"

namespace {
// Buffer of the composed "connecting" text, as wide as a path.
constexpr size_t kLabelBuffer = MAX_PATH;
// Pause after a worker has ended, before its results are read.
constexpr DWORD kSettleMs = 200;
}  // namespace

void FormatKilobytes(char* text, size_t size, uint32_t bytes) {
  // Rounded up in 64 bits, so that sizes close to 4 GiB do not wrap to 0 KB.
  unsigned long long kb = (static_cast<unsigned long long>(bytes) + 1023) / 1024;
  snprintf(text, size, "%llu KB", kb);
}

int PercentOf(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  uint64_t percent = part * 100 / whole;  // part and whole are 32-bit values: no overflow
  return percent > 100 ? 100 : static_cast<int>(percent);
}

CUpdateDlg::CUpdateDlg(HWND parent) : CDialogLite(IDD_UPDATE_DIALOG, parent) {
  ZeroMemory(&m_savedPlacement, sizeof(m_savedPlacement));
  m_savedPlacement.length = sizeof(m_savedPlacement);
  m_hIcon = LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CUpdateDlg::~CUpdateDlg() = default;

void CUpdateDlg::DoDataExchange() {
  m_list.Attach(GetDlgItem(IDC_FILE_LIST));
  m_fileBar.Attach(GetDlgItem(IDC_FILE_PROGRESS));
  m_totalBar.Attach(GetDlgItem(IDC_TOTAL_PROGRESS));
  m_cancelButton.Attach(GetDlgItem(IDCANCEL));
  m_nextButton.Attach(GetDlgItem(IDOK));
}

void CUpdateDlg::SetStatus(int stringId) { SetDlgItemText(IDC_STATUS_LABEL, theStrings.GetString(stringId)); }

BOOL CUpdateDlg::OnInitDialog() {
  char path[MAX_PATH];
  char appDir[MAX_PATH];
  GetAppDirectory(appDir);
  bool loaded = JoinBounded(path, sizeof(path), appDir, "Update.Str") && theStrings.LoadFile(path);
  if (!loaded || m_updater.m_urls.empty()) {
    // No texts or no server: close at once, without ever showing the window.
    m_initFailed = true;
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return FALSE;
  }

  const char* about = theStrings.GetString(LS_ABOUT);
  HMENU sysMenu = GetSystemMenu(m_hWnd, FALSE);
  if (sysMenu && about[0]) {
    AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
  }

  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  SetWindowTextA(m_hWnd, theStrings.GetString(LS_TITLE));
  SetDlgItemText(IDC_LIST_LABEL, theStrings.GetString(LS_LIST_LABEL));
  SetDlgItemText(IDC_PHASE_LABEL, theStrings.GetString(LS_PHASE_RECEIVING));
  SetDlgItemText(IDC_FILE_LABEL, "");
  m_cancelButton.SetWindowText(theStrings.GetString(LS_BTN_CANCEL));

  m_list.SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), true);
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  m_list.InsertColumn(0, theStrings.GetString(LS_COL_FILE), LVCFMT_LEFT, 250);
  m_list.InsertColumn(1, theStrings.GetString(LS_COL_SIZE), LVCFMT_RIGHT, 80);

  OnOK();  // with no result yet this starts the check

  m_totalBar.SetRange(0, 100);
  m_fileBar.SetRange(0, 100);
  if (g_hidden) HideDialog();
  return TRUE;
}

void CUpdateDlg::OnOK() {
  // Next never ends the dialog.
  if (m_updater.m_result == RESULT_UPDATES_FOUND) {
    m_nextButton.EnableWindow(false);
    m_updater.StartDownload();
    m_lastPhase = -1;
    SetTimer(m_hWnd, TIMER_DOWNLOAD, kDownloadTimerMs, nullptr);
    SetStatus(LS_STATUS_DOWNLOADING);
    return;
  }
  SetStatus(LS_STATUS_CHECKING);
  m_nextButton.SetWindowText(theStrings.GetString(LS_BTN_NEXT));
  m_nextButton.EnableWindow(false);
  m_cancelButton.EnableWindow(false);
  m_updater.StartCheck();
  SetTimer(m_hWnd, TIMER_CHECK, kCheckTimerMs, nullptr);
}

void CUpdateDlg::OnCheckTimer() {
  char text[kLabelBuffer];
  FormatOneText(text, sizeof(text), theStrings.GetString(LS_FMT_CONNECTING), m_updater.m_base.Get().c_str());
  SetDlgItemText(IDC_FILE_LABEL, text);
  if (m_updater.m_busy) return;

  KillTimer(m_hWnd, TIMER_CHECK);
  Sleep(kSettleMs);
  switch (m_updater.m_result) {
    case RESULT_UPDATES_FOUND:
      for (int i = 0; i < m_updater.m_entries.Count(); ++i) {
        const UpdateEntry* entry = m_updater.m_entries.At(i);
        if (entry) AddFileRow(entry->name, entry->size);
      }
      SetStatus(LS_STATUS_UPDATES_FOUND);
      SetDlgItemText(IDC_FILE_LABEL, "");
      m_nextButton.EnableWindow(true);
      m_cancelButton.EnableWindow(true);
      if (g_hidden) RestoreDialog();
      if (g_auto) PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return;
    case RESULT_UP_TO_DATE:
      SetStatus(LS_STATUS_UP_TO_DATE);
      break;
    case RESULT_NO_SERVER:
      SetStatus(LS_STATUS_NO_SERVER);
      m_nextButton.SetWindowText(theStrings.GetString(LS_BTN_RETRY));
      m_nextButton.EnableWindow(true);
      break;
    default:
      break;
  }
  SetDlgItemText(IDC_FILE_LABEL, "");
  m_cancelButton.EnableWindow(true);
  if (g_hidden) PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

void CUpdateDlg::OnDownloadTimer() {
  m_totalBar.SetPos(PercentOf(static_cast<uint32_t>(m_updater.m_index.load()),
                              static_cast<uint32_t>(m_updater.m_count.load())));
  m_fileBar.SetPos(PercentOf(m_updater.m_received.load(), m_updater.m_curSize.load()));
  SetDlgItemText(IDC_FILE_LABEL, m_updater.m_curName.Get().c_str());
  int phase = m_updater.m_phase;
  if (phase != m_lastPhase) {
    m_lastPhase = phase;
    switch (phase) {
      case PHASE_IDLE:
      case PHASE_RECEIVING:
        SetDlgItemText(IDC_PHASE_LABEL, theStrings.GetString(LS_PHASE_RECEIVING));
        break;
      case PHASE_VERIFYING:
        SetDlgItemText(IDC_PHASE_LABEL, theStrings.GetString(LS_PHASE_VERIFYING));
        break;
      case PHASE_UNPACKING:
        SetDlgItemText(IDC_PHASE_LABEL, theStrings.GetString(LS_PHASE_UNPACKING));
        break;
      default:
        break;
    }
  }
  if (m_updater.m_busy) return;

  KillTimer(m_hWnd, TIMER_DOWNLOAD);
  Sleep(kSettleMs);
  int result = m_updater.m_result;
  if (result == RESULT_DOWNLOADED) {
    m_totalBar.SetPos(100);
    m_fileBar.SetPos(100);
    SetDlgItemText(IDC_FILE_LABEL, "");
    SetStatus(LS_STATUS_DOWNLOADED);
    m_cancelButton.EnableWindow(false);
    bool started = LaunchInstaller();
    m_cancelButton.EnableWindow(true);
    if (started) {
      SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
      return;
    }
    // The installer could not be written whole or started: offer the same Retry as after a
    // failed download (the files already fetched are kept and not fetched again).
    ShowDownloadFailed();
  } else if (result == RESULT_DOWNLOAD_FAILED || result == RESULT_CANCELLED) {
    ShowDownloadFailed();
  }
}

void CUpdateDlg::ShowDownloadFailed() {
  SetStatus(LS_STATUS_DOWNLOAD_FAILED);
  m_nextButton.SetWindowText(theStrings.GetString(LS_BTN_RETRY));
  m_nextButton.EnableWindow(true);
  m_updater.m_result = RESULT_UPDATES_FOUND;
}

bool CUpdateDlg::LaunchInstaller() { return LaunchInstallerFor(m_updater.m_appDir.c_str()) != 0; }

int CUpdateDlg::AddFileRow(const char* name, uint32_t size) {
  int index = m_list.InsertItem(m_list.GetItemCount(), "");
  if (index < 0) return index;
  char kb[32];
  FormatKilobytes(kb, sizeof(kb), size);
  m_list.SetItemText(index, 0, name);
  m_list.SetItemText(index, 1, kb);
  return index;
}

void CUpdateDlg::OnCancel() {
  if (m_updater.m_busy) {
    // Hold the download while the user answers; on Yes stop it and wait for the worker to end.
    m_updater.m_paused = 1;
    int answer = MessageBoxA(m_hWnd, theStrings.GetString(LS_ASK_CANCEL), theStrings.GetString(LS_TITLE),
                             MB_YESNO);
    if (answer == IDYES) {
      m_updater.m_cancel = 1;
      while (m_updater.m_busy) Sleep(kSettleMs);
    }
    m_updater.m_paused = 0;
    return;
  }
  // The update directory goes unless it holds a complete download for the installer (an engine
  // without an application directory has no update directory of its own to delete).
  if (m_updater.m_result != RESULT_DOWNLOADED && !m_updater.m_appDir.empty())
    DeleteTree(m_updater.m_updateDir.c_str());
  EndDialog(IDCANCEL);
}

BOOL CUpdateDlg::PreTranslateMessage(MSG* msg) {
  // Esc would cancel the dialog; the wizard ignores it.
  return msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE;
}

void CUpdateDlg::HideDialog() {
  if (m_visible != 1) return;
  m_savedPlacement.length = sizeof(m_savedPlacement);
  GetWindowPlacement(m_hWnd, &m_savedPlacement);
  LONG_PTR ex = GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
  SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, (ex & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW)) | WS_EX_TOOLWINDOW);
  WINDOWPLACEMENT hidden = m_savedPlacement;
  hidden.showCmd = SW_HIDE;
  SetWindowPlacement(m_hWnd, &hidden);
  m_visible = 0;
}

void CUpdateDlg::RestoreDialog() {
  if (m_visible != 0) return;
  LONG_PTR ex = GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
  SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, (ex & ~static_cast<LONG_PTR>(WS_EX_TOOLWINDOW)) | WS_EX_APPWINDOW);
  // A window hidden before it was first shown reports its placement as hidden or minimised-free
  // normal; either way it comes back shown normally where it was.
  if (m_savedPlacement.showCmd == SW_HIDE) m_savedPlacement.showCmd = SW_SHOWNORMAL;
  SetWindowPlacement(m_hWnd, &m_savedPlacement);
  m_visible = 1;
}

void CUpdateDlg::OnTimer(UINT_PTR id) {
  if (id == TIMER_CHECK)
    OnCheckTimer();
  else if (id == TIMER_DOWNLOAD)
    OnDownloadTimer();
}

void CUpdateDlg::OnSysCommand(UINT command, LPARAM) {
  if ((command & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  }
}

bool CUpdateDlg::OnPaint() {
  if (!IsIconic(m_hWnd)) return false;  // default painting
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &ps);
  return true;
}

bool CUpdateDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;  // default handling
      OnSysCommand(static_cast<UINT>(wParam), lParam);
      return true;
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(m_hIcon);
      return true;
    default:
      return false;
  }
}

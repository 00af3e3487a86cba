// The update wizard: lists the files that the check found, drives the download with two progress
// bars and hands over to the installer. It polls the engine on two timers; the engine's worker
// threads never touch the window.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "updater.h"

enum { TIMER_CHECK = 2008, TIMER_DOWNLOAD = 3000 };
constexpr UINT kCheckTimerMs = 300;
constexpr UINT kDownloadTimerMs = 100;

// Size column text: the size in kilobytes rounded up ("0 KB", "1 KB" for 1..1024 bytes, ...).
void FormatKilobytes(char* text, size_t size, uint32_t bytes);
// part * 100 / whole, truncated, in 64-bit arithmetic; 0 when whole is 0, at most 100.
int PercentOf(uint64_t part, uint64_t whole);

class CUpdateDlg : public CDialogLite {
 public:
  explicit CUpdateDlg(HWND parent = nullptr);
  ~CUpdateDlg() override;

  const char* AppDir() const { return m_updater.m_appDir.c_str(); }

  // Appends a row (name, size rounded up to KB) and returns its index.
  int AddFileRow(const char* name, uint32_t size);
  void HideDialog();
  void RestoreDialog();

 protected:
  void DoDataExchange() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool ShowAfterInit() const override { return m_visible && !m_initFailed; }

 private:
  void OnTimer(UINT_PTR id);
  void OnCheckTimer();
  void OnDownloadTimer();
  void OnSysCommand(UINT command, LPARAM lParam);
  bool OnPaint();
  // Writes the embedded installer to the temporary directory and starts it; false when it could
  // not be written whole or not be started.
  bool LaunchInstaller();
  void ShowDownloadFailed();
  void SetStatus(int stringId);

  CUpdater m_updater;
  int m_lastPhase = -1;
  int m_visible = 1;
  WINDOWPLACEMENT m_savedPlacement;
  CListCtrlLite m_list;
  CProgressCtrlLite m_fileBar;
  CProgressCtrlLite m_totalBar;
  CButtonLite m_cancelButton;
  CButtonLite m_nextButton;
  HICON m_hIcon = nullptr;
  bool m_initFailed = false;
};

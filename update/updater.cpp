#include "updater.h"

#include "fileutil.h"
#include "manifest_rules.h"

namespace {

constexpr DWORD kPathBuffer = MAX_PATH;

}  // namespace

CUpdater::CUpdater() {
  char dir[MAX_PATH];
  GetAppDirectory(dir);
  m_appDir = dir;
  ReadSettings();
}

CUpdater::CUpdater(const std::string& appDir) : m_appDir(appDir) {
  if (!m_appDir.empty() && m_appDir.back() != '\\' && m_appDir.back() != '/') m_appDir += '\\';
  ReadSettings();
}

CUpdater::~CUpdater() {
  // A worker still running would use the engine after it is gone: stop a download and wait for
  // the thread's last act (the dialog never gets here while a run is under way).
  if (m_busy.load(std::memory_order_acquire)) {
    m_cancel.store(1);
    while (m_busy.load(std::memory_order_acquire)) Sleep(10);
  }
}

void CUpdater::ReadSettings() {
  m_updateDir = m_appDir + "update\\";
  std::string ini = m_appDir + "update.ini";
  char value[kPathBuffer];
  GetPrivateProfileStringA("URL", "URL", "", value, kPathBuffer, ini.c_str());
  m_urls = SplitUrlList(value);
  m_base.Set("");
  GetPrivateProfileStringA("URL", "EXT", "", value, kPathBuffer, ini.c_str());
  m_ext = value;
}

int CUpdater::StartWorker(LPTHREAD_START_ROUTINE proc, int failedResult) {
  int idle = 0;
  if (!m_busy.compare_exchange_strong(idle, 1, std::memory_order_acq_rel)) return 0;  // a run is under way
  // Started suspended so that it runs at below-normal priority from its first instruction.
  DWORD id = 0;
  HANDLE thread = m_startThread(nullptr, 0, proc, this, CREATE_SUSPENDED, &id);
  if (!thread) {
    m_result.store(failedResult);
    m_busy.store(0, std::memory_order_release);
    return 0;
  }
  ScopedHandle owner(thread);
  SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(thread);
  return 1;
}

void CUpdater::StartCheck() { StartWorker(CheckThreadProc, RESULT_NO_SERVER); }

void CUpdater::StartDownload() { StartWorker(DownloadThreadProc, RESULT_DOWNLOAD_FAILED); }

DWORD WINAPI CUpdater::CheckThreadProc(LPVOID engine) {
  auto* self = static_cast<CUpdater*>(engine);
  self->m_workerPriority.store(GetThreadPriority(GetCurrentThread()));
  self->RunCheck();
  self->m_busy.store(0, std::memory_order_release);  // last act: hands the results to the dialog
  return 0;
}

DWORD WINAPI CUpdater::DownloadThreadProc(LPVOID engine) {
  auto* self = static_cast<CUpdater*>(engine);
  self->m_workerPriority.store(GetThreadPriority(GetCurrentThread()));
  self->RunDownload();
  self->m_busy.store(0, std::memory_order_release);
  return 0;
}

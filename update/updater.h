// The update engine: settings from "update.ini", the list of files to fetch, and the flags and
// counters through which the wizard follows and steers the check and download threads.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>
#include "handles.h"

enum UpdaterResult {
  RESULT_NONE = 0,
  RESULT_DOWNLOADED = 1,
  RESULT_UP_TO_DATE = 2,
  RESULT_DOWNLOAD_FAILED = 3,
  RESULT_CANCELLED = 4,
  RESULT_UPDATES_FOUND = 5,
  RESULT_NO_SERVER = 6
};

enum FilePhase { PHASE_IDLE = 0, PHASE_RECEIVING = 1, PHASE_VERIFYING = 2, PHASE_UNPACKING = 3 };

// One file to fetch: fixed fields followed by the name, in one block.
struct UpdateEntry {
  UpdateEntry* next;
  int index;            // "ENUM" number, also the number of the packed server file
  uint32_t size;        // "SIZE"
  uint32_t packedSize;  // "ZSIZE"
  uint32_t checksum;    // "ZSUM"
  char name[1];         // section name, zero-terminated (the block is allocated to fit it)
};

class UpdateEntryList {
 public:
  UpdateEntryList() = default;
  ~UpdateEntryList() { Clear(); }
  UpdateEntryList(const UpdateEntryList&) = delete;
  UpdateEntryList& operator=(const UpdateEntryList&) = delete;
  // Appends an entry; 1 on success, 0 when the allocation fails (the list is unchanged).
  int Add(const char* name, int index, uint32_t size, uint32_t checksum, uint32_t packedSize);
  // Entry at 0-based position i (a negative i gives the first), or nullptr past the end.
  const UpdateEntry* At(int i) const;
  int Count() const;
  void Clear();

 private:
  UpdateEntry* m_head = nullptr;
};

// A string that one thread replaces while another reads it: every access copies under a lock.
class GuardedString {
 public:
  std::string Get() const {
    CriticalSectionLocker lock(m_cs);
    return m_value;
  }
  void Set(const std::string& value) {
    CriticalSectionLocker lock(m_cs);
    m_value = value;
  }

 private:
  mutable CriticalSection m_cs;
  std::string m_value;
};

class CUpdater {
 public:
  // Reads "URL" and "EXT" of section "URL" from appDir + "update.ini"; appDir defaults to the
  // directory of the running executable.
  CUpdater();
  explicit CUpdater(const std::string& appDir);
  ~CUpdater();
  CUpdater(const CUpdater&) = delete;
  CUpdater& operator=(const CUpdater&) = delete;

  // Start a worker thread unless one runs (m_busy). A thread that cannot be started clears m_busy
  // and reports a failed run.
  void StartCheck();
  void StartDownload();
  static DWORD WINAPI CheckThreadProc(LPVOID engine);
  static DWORD WINAPI DownloadThreadProc(LPVOID engine);

  // The runs themselves, on the worker thread (callable directly in tests).
  int RunCheck();
  void RunDownload();

  // Settings and state, as the wizard reads them.
  std::vector<std::string> m_urls;
  GuardedString m_base;
  std::string m_ext;
  std::string m_appDir;
  std::string m_updateDir;
  UpdateEntryList m_entries;
  std::atomic<int> m_paused{0};
  std::atomic<int> m_cancel{0};
  std::atomic<int> m_phase{PHASE_IDLE};
  std::atomic<int> m_result{RESULT_NONE};
  std::atomic<int> m_index{0};
  std::atomic<int> m_count{0};
  GuardedString m_curName;
  std::atomic<uint32_t> m_received{0};
  std::atomic<uint32_t> m_curSize{0};
  std::atomic<int> m_busy{0};
};

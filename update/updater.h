// The update engine: settings from "update.ini", the list of files to fetch, and the flags and
// counters through which the wizard follows and steers the check and download threads.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
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
  UpdateEntry* m_tail = nullptr;  // last entry, so that Add does not walk the list
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

class ByteSource;

// Same signature as CreateThread; tests put in a starter that fails.
typedef HANDLE(WINAPI* ThreadStarter)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                      LPDWORD);

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

  // One file of the download run into m_updateDir + name + ".tmp"; inet is null for a directory base.
  // Nonzero on success.
  int DownloadFile(HINTERNET inet, const char* name, int index, uint32_t packedSize, uint32_t checksum,
                   uint32_t size);
  // The part of DownloadFile after the server file is open: creates tmpPath, receives, verifies,
  // unpacks and writes; deletes tmpPath when the file fails. Nonzero on success.
  int FetchToFile(ByteSource& source, const char* tmpPath, uint32_t packedSize, uint32_t checksum,
                  uint32_t size);
  // The read loop: requests of 4094 bytes (the rest once fewer than 4096 remain), each piece handed
  // to sink, m_received and the cancel and pause flags looked at after each read. Returns the bytes
  // received.
  typedef std::function<void(const uint8_t* data, uint32_t length)> PackedSink;
  uint32_t ReceivePacked(ByteSource& source, uint32_t packedSize, const PackedSink& sink);

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

  // Hooks for tests; the defaults are the real behaviour.
  int m_startOverride = -1;          // >= 0: the mirror walk starts here instead of at rand() % n
  int m_connectedOverride = -1;      // 0 or 1: taken instead of InternetGetConnectedState
  uint32_t m_writeLimit = 0xFFFFFFFF;  // the engine's file writes stop after this many bytes (full disk)
  DWORD m_shareReadPause = 1;        // milliseconds of sleep after each read from a directory base
  ThreadStarter m_startThread = CreateThread;
  std::atomic<int> m_workerPriority{THREAD_PRIORITY_ERROR_RETURN};  // priority the last worker ran at

 private:
  int StartWorker(LPTHREAD_START_ROUTINE proc, int failedResult);
  int PickServer(int connected, std::vector<uint8_t>& text);
  void ListEntries(const char* text, uint32_t systemMask);
  void ReadSettings();
};

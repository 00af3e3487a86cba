// Owners for Windows handles, so that every path closes what it opened.
#pragma once
#include <windows.h>

class ScopedHandle {  // CreateFile, CreateMutex, OpenProcess, CreateThread, snapshots
 public:
  explicit ScopedHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return m_h; }
  bool Valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) { Close(); m_h = h; }
  HANDLE Release() { HANDLE h = m_h; m_h = INVALID_HANDLE_VALUE; return h; }
  void Close() {
    if (Valid()) CloseHandle(m_h);
    m_h = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_h;
};

class ScopedFind {  // FindFirstFile
 public:
  explicit ScopedFind(HANDLE h) : m_h(h) {}
  ~ScopedFind() { if (Valid()) FindClose(m_h); }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_h; }

 private:
  HANDLE m_h;
};

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&m_cs); }
  ~CriticalSection() { DeleteCriticalSection(&m_cs); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&m_cs); }
  void Leave() { LeaveCriticalSection(&m_cs); }

 private:
  CRITICAL_SECTION m_cs;
};

class CriticalSectionLocker {
 public:
  explicit CriticalSectionLocker(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
  ~CriticalSectionLocker() { m_cs.Leave(); }
  CriticalSectionLocker(const CriticalSectionLocker&) = delete;
  CriticalSectionLocker& operator=(const CriticalSectionLocker&) = delete;

 private:
  CriticalSection& m_cs;
};

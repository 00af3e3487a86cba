// Where the bytes of a server file come from: a file on a network path, a WinInet request, or (in
// tests) anything else that hands out bytes in requests of a given size.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>

#include "handles.h"

// Owner of a WinInet handle (internet handle or request).
class InetHandle {
 public:
  explicit InetHandle(HINTERNET h = nullptr) : m_h(h) {}
  ~InetHandle() { Close(); }
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
  HINTERNET Get() const { return m_h; }
  bool Valid() const { return m_h != nullptr; }
  void Close() {
    if (m_h) InternetCloseHandle(m_h);
    m_h = nullptr;
  }

 private:
  HINTERNET m_h;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most size bytes into buffer and stores the count in *got. Nonzero when the read
  // succeeded; a successful read of 0 bytes means the source has ended.
  virtual int Read(void* buffer, uint32_t size, uint32_t* got) = 0;
};

// A file opened with CreateFileA; every read is followed by a pause of sleepMs milliseconds.
class FileSource : public ByteSource {
 public:
  FileSource(HANDLE file, DWORD sleepMs) : m_file(file), m_sleepMs(sleepMs) {}
  int Read(void* buffer, uint32_t size, uint32_t* got) override;

 private:
  ScopedHandle m_file;
  DWORD m_sleepMs;
};

// A WinInet request opened with InternetOpenUrlA.
class InetSource : public ByteSource {
 public:
  explicit InetSource(HINTERNET request) : m_request(request) {}
  int Read(void* buffer, uint32_t size, uint32_t* got) override;
  HINTERNET Handle() const { return m_request.Get(); }

 private:
  InetHandle m_request;
};

// Nonzero when the text begins with two slashes or two backslashes (a network directory).
int IsDirectoryBase(const char* text);
// Removes the address's entry, and the cached copy of its file, from the local internet cache.
void PurgeUrlCache(const char* address);
// Internet handle of the client: agent "Update", the system's proxy settings.
HINTERNET OpenInternet();

// Opens a server file: with CreateFileA for a directory base (each read then followed by
// sleepMs), otherwise as a WinInet request on inet, past every cache. Null when it cannot be opened.
std::unique_ptr<ByteSource> OpenServerFile(HINTERNET inet, const char* address, DWORD sleepMs);

// Reads until size bytes have arrived or a read fails or ends; returns the bytes read.
uint32_t ReadFull(ByteSource& source, void* buffer, uint32_t size);

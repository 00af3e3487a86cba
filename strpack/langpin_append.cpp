#include "langpin_append.h"

#include <cstdio>
#include <memory>
#include <new>

#include "append_trailer.h"
#include "fileutil.h"
#include "handles.h"

namespace {

bool SizeOf(HANDLE file, uint64_t& size) {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(file, &li)) return false;
  size = uint64_t(li.QuadPart);
  return true;
}

bool CutAt(HANDLE file, uint64_t length) {
  LARGE_INTEGER li;
  li.QuadPart = LONGLONG(length);
  return SetFilePointerEx(file, li, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool WriteAll(HANDLE file, const void* data, DWORD n) {
  DWORD written = 0;
  return WriteFile(file, data, n, &written, nullptr) && written == n;
}

// Reads the whole string file with one read; nullptr when it cannot be opened or read in full.
std::unique_ptr<uint8_t[]> ReadWhole(const char* path, uint32_t& n) {
  ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  uint64_t size = 0;
  if (!file.Valid() || !SizeOf(file.Get(), size) || size == 0 || size > 0xFFFFFFFFu - kTrailerSize)
    return nullptr;
  n = uint32_t(size);
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[n]);
  DWORD got = 0;
  if (!data || !ReadFile(file.Get(), data.get(), n, &got, nullptr) || got != n) return nullptr;
  return data;
}

bool ReportIfMissing(const char* path) {
  if (FileSizeOf(path) != 0) return false;
  printf("Not find file: %s\r\n", path);
  return true;
}

}  // namespace

bool StripAppended(HANDLE file) {
  uint64_t size = 0;
  if (!SizeOf(file, size) || size <= kTrailerSize) return false;
  LARGE_INTEGER at;
  at.QuadPart = LONGLONG(size - kTrailerSize);
  uint8_t last[kTrailerSize];
  DWORD got = 0;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, last, kTrailerSize, &got, nullptr) ||
      got != kTrailerSize)
    return false;
  uint32_t payload = 0;
  if (!ParseTrailer(last, size, payload)) return false;
  return CutAt(file, size - payload - kTrailerSize);
}

bool WriteAppended(HANDLE file, const uint8_t* data, uint32_t n) {
  uint64_t before = 0;
  if (!SizeOf(file, before)) return false;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) return false;
  uint8_t trailer[kTrailerSize];
  BuildTrailer(n, trailer);
  if (WriteAll(file, data, n) && WriteAll(file, trailer, kTrailerSize)) return true;
  CutAt(file, before);  // no partial block stays behind
  return false;
}

bool AppendString(const char* stringFile, const char* executable) {
  if (ReportIfMissing(stringFile) || ReportIfMissing(executable)) return false;
  ScopedHandle exe(CreateFileA(executable, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!exe.Valid()) return false;
  // The string file is read before the executable is touched, so a failure leaves it unchanged.
  uint32_t n = 0;
  std::unique_ptr<uint8_t[]> data = ReadWhole(stringFile, n);
  if (!data) return false;
  StripAppended(exe.Get());
  return WriteAppended(exe.Get(), data.get(), n);
}

#include "file_write.h"

#include "fileutil.h"
#include "handles.h"

int WriteWhole(HANDLE file, const void* data, uint32_t length, uint32_t limit) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t allowed = length < limit ? length : limit;
  uint32_t done = 0;
  while (done < allowed) {
    DWORD n = 0;
    if (!WriteFile(file, p + done, allowed - done, &n, nullptr) || n == 0) return 0;
    done += n;
  }
  return done == length;
}

int WriteNewFile(const char* path, const void* data, uint32_t length, uint32_t limit) {
  HANDLE created = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return 0;
  ScopedHandle file(created);
  int ok = WriteWhole(file.Get(), data, length, limit);
  file.Close();
  if (!ok) ForceDeleteFile(path);
  return ok;
}

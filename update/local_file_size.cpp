#include "local_file_size.h"

#include <windows.h>

#include <cstring>

#include "fileutil.h"

uint32_t LocalFileSize(const char* path) {
  if (!path || strpbrk(path, "*?")) return FileSizeOf(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return data.nFileSizeLow;
}

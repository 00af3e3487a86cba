// Self-removal: a batch file in the current (temporary) directory deletes the installer's executable
// once the process has ended, and then itself.
#include <windows.h>

#include <cstdio>

#include "swaplet.h"

namespace {

// A path as a batch-file literal: in double quotes, every "%" doubled so that the command
// interpreter does not take it for a variable. 0 when it does not fit.
int QuotedBatchPath(char* dest, size_t size, const char* path) {
  size_t at = 0;
  if (size < 3) return 0;
  dest[at++] = '"';
  for (const char* p = path; *p; ++p) {
    size_t need = *p == '%' ? 2 : 1;
    if (at + need + 2 > size) return 0;  // room for the closing quote and the NUL
    if (*p == '%') dest[at++] = '%';
    dest[at++] = *p;
  }
  dest[at++] = '"';
  dest[at] = '\0';
  return 1;
}

// Deletes the executable, retrying about once a second for up to 30 seconds while the installer is
// still ending, then deletes the batch file itself (named by its full path, as "%~f0" would be
// expanded again by some command interpreters when the path holds a "%").
int WriteBatch(FILE* batch, const char* exePath, const char* batchPath) {
  char exe[2 * MAX_PATH + 3];
  char self[2 * MAX_PATH + 3];
  if (!QuotedBatchPath(exe, sizeof exe, exePath) || !QuotedBatchPath(self, sizeof self, batchPath)) return 0;
  return fprintf(batch,
                 "@echo off\r\n"
                 "set selfdel_tries=0\r\n"
                 ":retry\r\n"
                 "del %s >nul 2>&1\r\n"
                 "if not exist %s goto done\r\n"
                 "set /a selfdel_tries+=1\r\n"
                 "if %%selfdel_tries%% geq 30 goto done\r\n"
                 "ping -n 2 127.0.0.1 >nul\r\n"
                 "goto retry\r\n"
                 ":done\r\n"
                 "del %s\r\n",
                 exe, exe, self) > 0;
}

}  // namespace

void SelfDelete() {
  char exePath[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, exePath, sizeof exePath);
  if (length == 0 || length >= sizeof exePath) return;  // a cut path would name another file
  char batchPath[MAX_PATH];
  length = GetFullPathNameA("SelfDel.bat", sizeof batchPath, batchPath, nullptr);
  if (length == 0 || length >= sizeof batchPath) return;
  FILE* batch = fopen("SelfDel.bat", "wb");
  if (!batch) return;
  int written = WriteBatch(batch, exePath, batchPath);
  if (fclose(batch) != 0 || !written) {
    DeleteFileA("SelfDel.bat");  // never start a half-written batch
    return;
  }
  WinExec("SelfDel.bat", SW_HIDE);
}

// Self-removal: a batch file in the current (temporary) directory deletes the installer's executable
// once the process has ended, and then itself.
#include <windows.h>

#include <cstdio>
#include <string>

#include "swaplet.h"

namespace {

// Inside a batch file "%" starts a variable: double it so that the path stays as it is.
std::string BatchLiteral(const char* path) {
  std::string out;
  for (const char* p = path; *p; ++p) {
    if (*p == '%') out += '%';
    out += *p;
  }
  return out;
}

// Deletes the quoted executable, retrying about once a second for up to 30 seconds while the
// installer is still ending, then deletes the batch file itself (named by its full path, as
// "%~f0" would be expanded again by some command interpreters when the path holds a "%").
std::string SelfDeleteBatch(const char* exePath, const char* batchPath) {
  std::string exe = "\"" + BatchLiteral(exePath) + "\"";
  return "@echo off\r\n"
         "set selfdel_tries=0\r\n"
         ":retry\r\n"
         "del " + exe + " >nul 2>&1\r\n"
         "if not exist " + exe + " goto done\r\n"
         "set /a selfdel_tries+=1\r\n"
         "if %selfdel_tries% geq 30 goto done\r\n"
         "ping -n 2 127.0.0.1 >nul\r\n"
         "goto retry\r\n"
         ":done\r\n"
         "del \"" + BatchLiteral(batchPath) + "\"\r\n";
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
  std::string text = SelfDeleteBatch(exePath, batchPath);
  size_t written = fwrite(text.data(), 1, text.size(), batch);
  if (fclose(batch) != 0 || written != text.size()) {
    DeleteFileA("SelfDel.bat");  // never start a half-written batch
    return;
  }
  WinExec("SelfDel.bat", SW_HIDE);
}

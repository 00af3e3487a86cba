// Plays a program that the manifest marks "EXE": at its start it appends one line
// "<creation time>\t<own path>\t<1 when %START_WATCH% exists, else 0>" to %START_LOG%, then ends.
// It takes no arguments, because the installer starts such programs without any.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Env(const char* name) {
  char value[MAX_PATH];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value) : std::string();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string log = Env("START_LOG");
  if (log.empty()) return 1;
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  unsigned long long when = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string watch = Env("START_WATCH");
  bool watched = !watch.empty() && GetFileAttributesA(watch.c_str()) != INVALID_FILE_ATTRIBUTES;
  char line[MAX_PATH + 64];
  snprintf(line, sizeof line, "%020llu\t%s\t%d\r\n", when, self, watched ? 1 : 0);
  for (int attempt = 0; attempt < 500; ++attempt) {
    HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(10);
  }
  return 2;
}

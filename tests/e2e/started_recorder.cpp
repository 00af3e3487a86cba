// e2e_recorder.exe: plays a program that the manifest marks with "EXE". The installer starts it with no
// arguments, so it records its start beside itself: one line "start\t<exe>\t<current folder>\t<args>"
// appended to <exe>.started. Then it ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
  char exe[MAX_PATH] = "", cwd[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, exe, sizeof(exe));
  if (n == 0 || n >= sizeof(exe)) return 1;
  GetCurrentDirectoryA(sizeof(cwd), cwd);
  std::string record = std::string(exe) + ".started";
  std::string line = std::string("start\t") + exe + "\t" + cwd + "\t" + (args ? args : "") + "\r\n";
  HANDLE f = CreateFileA(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  BOOL ok = WriteFile(f, line.data(), (DWORD)line.size(), &written, nullptr);
  CloseHandle(f);
  return ok && written == line.size() ? 0 : 3;
}

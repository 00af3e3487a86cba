#include "launch_installer.h"

#include <shellapi.h>

#include <cstring>

#include "bounded.h"
#include "handles.h"

namespace {
const char kInstallerName[] = "Swaplet.exe";

// The temporary directory into dir; 0 when it cannot be had or does not fit.
int TempDirectory(char dir[MAX_PATH]) {
  DWORD length = GetTempPathA(MAX_PATH, dir);
  if (length == 0 || length >= MAX_PATH) {  // a result of MAX_PATH or more is the size it needs
    dir[0] = '\0';
    return 0;
  }
  return 1;
}
}  // namespace

bool FindEmbeddedInstaller(HMODULE module, const void** data, DWORD* size) {
  HRSRC res = FindResourceA(module, "IDR_XDATA", "XDATA");
  if (!res) return false;
  HGLOBAL loaded = LoadResource(module, res);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  *data = bytes;
  *size = SizeofResource(module, res);
  return *size != 0;
}

int WriteWholeFile(const char* path, const void* data, DWORD size) {
  DWORD written = 0;
  BOOL ok;
  {
    ScopedHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return 0;
    ok = WriteFile(file.Get(), data, size, &written, nullptr);
  }
  if (ok && written == size) return 1;
  DeleteFileA(path);  // never leave a cut installer behind to be started
  return 0;
}

int LaunchInstallerFor(const char* appDir) {
  if (!appDir || strlen(appDir) >= MAX_PATH) return 0;
  char temp[MAX_PATH];
  if (!TempDirectory(temp)) return 0;
  SetCurrentDirectoryA(temp);

  const void* bytes = nullptr;
  DWORD size = 0;
  if (!FindEmbeddedInstaller(GetModuleHandleA(nullptr), &bytes, &size)) return 0;
  char path[MAX_PATH];
  if (!JoinBounded(path, sizeof(path), temp, kInstallerName)) return 0;
  if (!WriteWholeFile(path, bytes, size)) return 0;

  if (!TempDirectory(temp)) return 0;
  SetCurrentDirectoryA(temp);
  HINSTANCE started = ShellExecuteA(nullptr, "open", kInstallerName, appDir, temp, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

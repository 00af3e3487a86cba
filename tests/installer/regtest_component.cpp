// A test component for regsvr32: DllRegisterServer and DllUnregisterServer append one line
// "<register|unregister> <COMPONENT_TAG> <own path>" to the file named by %REGTEST_LOG%.
// Built twice, as the old and the new version of a component (tags "old" and "new").
#include <windows.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

HRESULT Record(const char* call) {
  char log[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("REGTEST_LOG", log, sizeof log);
  if (n == 0 || n >= sizeof log) return E_FAIL;
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(g_module, self, sizeof self);
  if (length == 0 || length >= sizeof self) return E_FAIL;
  std::string line = std::string(call) + " " + COMPONENT_TAG + " " + self + "\r\n";
  // Several regsvr32 processes may log at once: retry while another one has the file open.
  for (int attempt = 0; attempt < 200; ++attempt) {
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return ok ? S_OK : E_FAIL;
    }
    Sleep(10);
  }
  return E_FAIL;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() { return Record("register"); }
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() { return Record("unregister"); }

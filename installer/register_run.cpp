// Registration of components through regsvr32, and the start of the programs that the manifest marks.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "bounded.h"
#include "handles.h"
#include "manifest_rules.h"
#include "swaplet.h"

namespace {

// regsvr32 must have read the old file before it is deleted, and the new file is registered before
// the marked programs start; a component that never returns does not hold the run for long.
constexpr DWORD kRegisterWaitMs = 30000;

}  // namespace

void RegisterServer(const char* path, int registerFlag) {
  char parameters[280];
  if (!JoinBounded(parameters, sizeof parameters, registerFlag ? "/s \"" : "/u /s \"", path, "\"")) return;
  SHELLEXECUTEINFOA info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = "regsvr32.exe";
  info.lpParameters = parameters;
  info.nShow = SW_HIDE;
  if (!ShellExecuteExA(&info)) return;
  ScopedHandle process(info.hProcess);
  if (process.Valid()) WaitForSingleObject(process.Get(), kRegisterWaitMs);
}

void RunPrograms() {
  char name[MAX_PATH];
  for (int n = 1; ReadEnumName(g_localIni, n, name); ++n) {
    char exe[MAX_PATH];
    GetPrivateProfileStringA(name, "EXE", "", exe, sizeof exe, g_localIni);
    if (atol(exe) == 0) continue;
    // Only a program inside the application directory is started ("FOLDER" is not applied).
    char path[MAX_PATH];
    if (!IsSafeSectionName(name) || !JoinBounded(path, sizeof path, g_appDir, name)) continue;
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWDEFAULT);
  }
}

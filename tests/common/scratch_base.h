// Folder under which a Windows test that runs without the rig library makes its own folders: the
// environment's scratch folder, or %TEMP% outside it. Ends with "\".
#pragma once
#include <windows.h>
#include <cstdlib>
#include <string>

inline std::string ScratchBase() {
  const char* scratch = std::getenv("UPD_SCRATCH_WIN");
  if (scratch && *scratch) {
    std::string base = scratch;
    if (base.back() != '\\') base += '\\';
    return base;
  }
  char temp[MAX_PATH + 1] = "";
  DWORD n = GetTempPathA(sizeof temp, temp);
  return n > 0 && n < sizeof temp ? std::string(temp, n) : std::string(".\\");
}

// The replacement run: decide the entries again, close their programs, replace the files one by one
// (with a Retry/Cancel question for a file that cannot be removed), install the saved manifest as
// "update.ini" last, delete the update directory and start the marked programs.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "bounded.h"
#include "fileutil.h"
#include "manifest_rules.h"
#include "resource.h"
#include "swaplet.h"

namespace {

constexpr char kManifestEntry[] = "Update.ini";
constexpr DWORD kEntryPauseMs = 200;
constexpr DWORD kAfterClosingPauseMs = 500;
constexpr size_t kMessageSize = 4096;

// Destination and downloaded copy of an entry. 0 when the entry must be passed over: an unsafe
// name, a "FOLDER" without a macro, or a path that does not fit its buffer.
int EntryPaths(const char* name, char destination[MAX_PATH], char source[MAX_PATH]) {
  char folder[MAX_PATH];
  GetPrivateProfileStringA(name, "FOLDER", "", folder, sizeof folder, g_savedIni);
  if (!ResolveDestination(destination, folder, name, g_appDir)) return 0;
  return JoinBounded(source, MAX_PATH, g_updateDir, name, ".tmp");
}

// The user gave up on replacing this entry: the new local manifest keeps its old version.
void KeepOldVersion(const char* name) {
  char version[MAX_PATH];
  GetPrivateProfileStringA(name, "VER", "", version, sizeof version, g_localIni);
  WritePrivateProfileStringA(name, "VER", version, g_savedIni);
}

// Deletes the old destination, asking Retry/Cancel while it cannot be removed.
void RemoveOldFile(HWND dlg, const char* name, const char* destination) {
  while (!ForceDeleteFile(destination)) {
    char message[kMessageSize];
    FormatOneText(message, sizeof message, theStrings.GetString(LS_FMT_REPLACE_FAILED), destination);
    int answer = MessageBoxA(dlg, message, theStrings.GetString(LS_INSTALL_LABEL),
                             MB_RETRYCANCEL | MB_ICONINFORMATION);
    if (answer != IDRETRY) {
      KeepOldVersion(name);
      return;
    }
  }
}

void InstallEntry(HWND dlg, const char* name) {
  char reg[MAX_PATH];
  GetPrivateProfileStringA(name, "REG", "", reg, sizeof reg, g_savedIni);
  int registerFlag = reg[0] != '\0';
  char destination[MAX_PATH];
  char source[MAX_PATH];
  if (!EntryPaths(name, destination, source)) return;
  CreateDirectories(destination);
  if (FileSizeOf(source) == 0) return;  // nothing downloaded: the entry stays as it is
  if (FileSizeOf(destination) != 0) {
    if (registerFlag) RegisterServer(destination, FALSE);
    RemoveOldFile(dlg, name, destination);
  }
  if (CopyOver(destination, source) && registerFlag) RegisterServer(destination, TRUE);
}

}  // namespace

int CopyOver(const char* destination, const char* source) {
  SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
  return CopyFileA(source, destination, FALSE) != 0;
}

int ReadEnumName(const char* ini, int n, char name[MAX_PATH]) {
  char key[16];
  snprintf(key, sizeof key, "%d", n);
  GetPrivateProfileStringA("ENUM", key, "", name, MAX_PATH, ini);
  return name[0] != '\0';
}

void BuildInstallList() {
  uint32_t systemMask = GetWindowsMask();
  JoinBounded(g_localIni, sizeof g_localIni, g_appDir, "update.ini");
  JoinBounded(g_savedIni, sizeof g_savedIni, g_updateDir, "update.ini.tmp");
  g_installList.Clear();
  char name[MAX_PATH];
  for (int n = 1; ReadEnumName(g_savedIni, n, name); ++n) {
    char destination[MAX_PATH];
    char source[MAX_PATH];
    if (!EntryPaths(name, destination, source)) continue;
    uint32_t size = FileSizeOf(destination);
    char localVer[MAX_PATH];
    char serverVer[MAX_PATH];
    char os[32];
    GetPrivateProfileStringA(name, "VER", "", localVer, sizeof localVer, g_localIni);
    GetPrivateProfileStringA(name, "VER", "", serverVer, sizeof serverVer, g_savedIni);
    GetPrivateProfileStringA(name, "OS", "", os, sizeof os, g_savedIni);
    if (EntryQualifies(ParseOsMask(os), systemMask, localVer, size, serverVer)) g_installList.Add(name);
  }
  g_installList.Add(kManifestEntry);
}

void ReplaceFiles(HWND dlg) {
  HWND bar = GetDlgItem(dlg, IDC_PROGRESS_BAR);
  BuildInstallList();
  CloseRunningPrograms(dlg);
  if (g_closingList.Count() > 0) Sleep(kAfterClosingPauseMs);

  int count = g_installList.Count();
  SendMessageA(bar, PBM_SETPOS, 0, 0);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, count));
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  for (int i = 0; i < count; ++i) {
    const char* name = g_installList.At(i);
    SetDlgItemTextA(dlg, IDC_PROGRESS_NAME, name);
    SendMessageA(bar, PBM_STEPIT, 0, 0);
    ShowNow(dlg);
    Sleep(kEntryPauseMs);
    InstallEntry(dlg, name);
  }
  DeleteTree(g_updateDir);
  // The last step shows the bar full: a step past the end would make the control start over.
  SendMessageA(bar, PBM_SETPOS, count, 0);
  ShowNow(dlg);
  RunPrograms();
}

// Swaplet, the installer: process-wide state and the functions of its steps.
// One thread; all the work runs inside the progress dialog's one-shot timer.
#pragma once
#include <windows.h>

#include "langstrings.h"
#include "namelist.h"

extern HINSTANCE g_instance;
extern char g_appDir[MAX_PATH];     // the command line as received; ends with "\"
extern char g_updateDir[MAX_PATH];  // g_appDir + "Update\"
extern char g_localIni[MAX_PATH];   // g_appDir + "update.ini"
extern char g_savedIni[MAX_PATH];   // g_updateDir + "update.ini.tmp"
extern NameList g_installList;      // entries to install, "Update.ini" last
extern NameList g_closingList;      // executables that were asked to close
extern const char* g_programName;   // file name that the close-program dialog waits for
extern int g_secondsPassed;         // seconds counted by the close-program dialog

// A process id that names no process.
constexpr DWORD kNoProcess = 0xFFFFFFFF;

// progress_dialog.cpp
INT_PTR CALLBACK ProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
void CenterOnScreen(HWND window);
// Paints the dialog and its controls at once: the run holds the message loop, so nothing else would.
void ShowNow(HWND dlg);
// Sets the window class's large icon to icon 128 (both dialogs show it).
void SetClassIconFromResource(HWND dlg);

// replace_files.cpp
// Name listed under key n of section "ENUM" of a manifest (MAX_PATH buffer); 0 at the first empty
// value, where every walk of the list stops.
int ReadEnumName(const char* ini, int n, char name[MAX_PATH]);
void ReplaceFiles(HWND dlg);
void BuildInstallList();
int CopyOver(const char* destination, const char* source);

// close_programs.cpp
void CloseRunningPrograms(HWND dlg);
DWORD FindProcess(const char* fileName);
INT_PTR CALLBACK CloseProgramDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// register_run.cpp
void RegisterServer(const char* path, int registerFlag);
void RunPrograms();

// self_delete.cpp
void SelfDelete();

// Entry point of the installer: the command line is the application directory.
#include <windows.h>
#include <commctrl.h>

#include "bounded.h"
#include "resource.h"
#include "swaplet.h"

HINSTANCE g_instance = nullptr;
char g_appDir[MAX_PATH] = "";
char g_updateDir[MAX_PATH] = "";
char g_localIni[MAX_PATH] = "";
char g_savedIni[MAX_PATH] = "";
NameList g_installList;
NameList g_closingList;
const char* g_programName = "";
int g_secondsPassed = 0;

CLangStrings theStrings(CLangStrings::Choice::Swaplet);

namespace {

// Fills g_appDir and g_updateDir from the command line as it stands (no quotes removed, no trimming).
// Refuses a command line whose derived paths would not fit their buffers.
int TakeApplicationDirectory(const char* commandLine) {
  if (!CopyBounded(g_appDir, sizeof g_appDir, commandLine)) return 0;
  if (!JoinBounded(g_updateDir, sizeof g_updateDir, g_appDir, "Update\\")) return 0;
  char longest[MAX_PATH];  // the longest fixed path derived from it: the saved manifest
  return JoinBounded(longest, sizeof longest, g_updateDir, "update.ini.tmp");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  g_instance = instance;
  if (commandLine && *commandLine && TakeApplicationDirectory(commandLine)) {
    char strFile[MAX_PATH];
    if (JoinBounded(strFile, sizeof strFile, g_appDir, "Update.Str") && theStrings.LoadFile(strFile)) {
      INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
      InitCommonControlsEx(&controls);
      DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
    }
  }
  SelfDelete();
  return 0;
}

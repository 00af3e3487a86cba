// The application object of Update.exe: reads the switches, keeps to one instance per application
// directory and runs the update wizard.
#pragma once
#include <cstddef>

#include "framework/app_base.h"

// Set by "/A" (go on to the download by itself) and "/H" (start hidden); read by the wizard.
extern int g_auto;
extern int g_hidden;

struct SwitchFlags {
  int autoDownload = 0;
  int hidden = 0;
};

// Scans the command line: at every "/" the next character decides ("A"/"a" automatic, "H"/"h"
// hidden; that letter is consumed, any other character is looked at again). Everything else is
// skipped, so switches are found anywhere, also inside words.
SwitchFlags ParseSwitches(const char* cmdLine);

// Name of the instance mutex: the application directory with every "\" turned into "-".
// Returns 0 (name empty) when it does not fit into size bytes.
int MutexNameFromDir(char* name, size_t size, const char* appDir);

class CUpdateApp : public CWinAppLite {
 public:
  CUpdateApp() = default;
  ~CUpdateApp() override;
  BOOL InitInstance() override;
};

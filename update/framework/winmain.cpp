// Entry point of the GUI program: hands the command line to the global application object.
#include "app_base.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
  CWinAppLite* app = CWinAppLite::Current();
  if (!app) return 1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = cmdLine ? cmdLine : "";
  // A dialog-based program does all its work inside InitInstance; TRUE would ask for a message
  // loop of the application, which these programs do not have.
  app->InitInstance();
  return app->ExitInstance();
}

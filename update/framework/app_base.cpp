#include "app_base.h"

namespace {
CWinAppLite* g_app = nullptr;
}

CWinAppLite::CWinAppLite() { g_app = this; }

CWinAppLite::~CWinAppLite() {
  if (g_app == this) g_app = nullptr;
}

CWinAppLite* CWinAppLite::Current() { return g_app; }

HINSTANCE AppInstance() {
  if (g_app && g_app->m_hInstance) return g_app->m_hInstance;
  return GetModuleHandleA(nullptr);
}

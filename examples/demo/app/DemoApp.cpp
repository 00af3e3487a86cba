// The demo application's program: a window that names its version and the folder it runs from.
// scripts/demo builds it twice (DEMO_VERSION "1.0.0" for the installed copy, "1.1.0" for the release)
// in place of the placeholder DemoApp.exe files, so that the installer has a real program to restart.
#include <windows.h>

#include <cstdio>

#ifndef DEMO_VERSION
#define DEMO_VERSION "0.0.0"
#endif

static LRESULT CALLBACK DemoWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
  char exe[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, exe, sizeof(exe));
  if (n == 0 || n >= sizeof(exe)) exe[0] = '\0';
  char text[MAX_PATH + 128];
  snprintf(text, sizeof(text), "Demo application, version %s\r\n\r\nRunning from:\r\n%s", DEMO_VERSION, exe);

  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof(wc));
  wc.lpfnWndProc = DemoWndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = "DemoAppWindow";
  if (!RegisterClassA(&wc)) return 1;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Demo App " DEMO_VERSION, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 420, 160, nullptr, nullptr, inst, nullptr);
  if (!hwnd) return 1;
  RECT rc;
  GetClientRect(hwnd, &rc);
  CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 12, rc.right - 24, rc.bottom - 24, hwnd,
                  nullptr, inst, nullptr);
  SendMessageA(GetWindow(hwnd, GW_CHILD), WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), TRUE);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return (int)msg.wParam;
}

#include "link_button.h"

#include "resources/resource.h"

namespace {
const char kOldProcProperty[] = "oldproc";
constexpr int kTextBuffer = 256;  // the text is read with this buffer: at most 255 characters
constexpr int kMeasureLimit = 240;

// One hand cursor for all link buttons; dropped when any of them is destroyed.
HCURSOR g_linkCursor = nullptr;

// A device context of a window, released on every path.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
  ~WindowDC() {
    if (m_dc) ReleaseDC(m_hwnd, m_dc);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return m_dc; }

 private:
  HWND m_hwnd;
  HDC m_dc;
};
}  // namespace

HCURSOR LinkCursorHandle() { return g_linkCursor; }

HWND MakeLinkButton(HWND parent, int id, const char* text, int x, int y) {
  HWND button = GetDlgItem(parent, id);
  if (!button) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    button = CreateWindowExA(0, "BUTTON", text ? text : "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, y, 0, 0,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!button) return nullptr;
  } else if (text) {
    SetWindowTextA(button, text);
  }
  if (!GetPropA(button, kOldProcProperty)) {  // subclass once, even when called again
    LONG_PTR old = GetWindowLongPtrA(button, GWLP_WNDPROC);
    SetPropA(button, kOldProcProperty, reinterpret_cast<HANDLE>(old));
    SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkWndProc));
  }

  RECT window;
  GetWindowRect(button, &window);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
  RECT text_rect;
  MeasureLinkText(button, &text_rect);
  MoveWindow(button, window.left, window.top, text_rect.right - text_rect.left, text_rect.bottom - text_rect.top,
             TRUE);
  UpdateWindow(button);
  return button;
}

void MeasureLinkText(HWND button, RECT* rect) {
  WindowDC dc(button);
  char text[kTextBuffer];
  int length = GetWindowTextA(button, text, sizeof(text));
  GetClientRect(button, rect);
  rect->right = rect->left + kMeasureLimit;
  rect->bottom = rect->top + kMeasureLimit;
  if (!dc.Get()) return;
  HGDIOBJ oldFont = SelectObject(dc.Get(), GetStockObject(DEFAULT_GUI_FONT));
  DrawTextA(dc.Get(), text, length, rect, DT_CALCRECT | DT_SINGLELINE | DT_WORDBREAK);
  rect->bottom += 1;  // room for the underline
  SelectObject(dc.Get(), oldFont);
}

void DrawLink(const DRAWITEMSTRUCT* drawItem) {
  HWND button = drawItem->hwndItem;
  HDC dc = drawItem->hDC;
  HDC ownDc = nullptr;
  if (!dc) dc = ownDc = GetDC(button);
  if (!dc) return;
  COLORREF colour = (drawItem->itemState & ODS_SELECTED) ? kLinkPressedColour : kLinkColour;
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);

  char text[kTextBuffer];
  int length = GetWindowTextA(button, text, sizeof(text));
  RECT client;
  GetClientRect(button, &client);
  DrawTextA(dc, text, length, &client, DT_SINGLELINE | DT_WORDBREAK | DT_LEFT | DT_TOP);
  MoveToEx(dc, client.left, client.bottom - 1, nullptr);
  LineTo(dc, client.right, client.bottom - 1);

  SelectObject(dc, oldFont);
  if (pen) {
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (ownDc) ReleaseDC(button, ownDc);
}

LRESULT CALLBACK LinkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProcProperty));
  switch (message) {
    case WM_SETCURSOR:
      if (!g_linkCursor) {
        HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
        g_linkCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
      }
      SetCursor(g_linkCursor);
      return 1;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      RemovePropA(hwnd, kOldProcProperty);
      if (old) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      g_linkCursor = nullptr;  // a resource cursor is shared by the system: dropped, not destroyed
      break;
    default:
      break;
  }
  return old ? CallWindowProcA(old, hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

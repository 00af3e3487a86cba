// Link buttons: owner-drawn buttons whose window procedure is replaced so that they look like
// underlined hyperlinks (blue, red while pressed), fit their size to their text, leave their
// background unpainted and show a pointing hand.
#pragma once
#include <windows.h>

constexpr COLORREF kLinkColour = RGB(0, 0, 238);
constexpr COLORREF kLinkPressedColour = RGB(238, 0, 0);

// Makes child id of parent a link button (creating it at x, y when missing; setting its text when
// text is not null), subclasses it and sizes it to its text. Returns the button or null.
HWND MakeLinkButton(HWND parent, int id, const char* text, int x, int y);
// The rectangle the button's text takes in the default GUI font, plus one pixel of height for the
// underline (at most 255 characters are measured).
void MeasureLinkText(HWND button, RECT* rect);
// Draws a link button for WM_DRAWITEM.
void DrawLink(const DRAWITEMSTRUCT* drawItem);
LRESULT CALLBACK LinkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The shared hand cursor, null until a link first asks for it (for tests).
HCURSOR LinkCursorHandle();

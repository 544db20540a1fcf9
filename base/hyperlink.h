// The hyperlink static control: a static text shown in blue, underlined while the mouse is over
// it, with the hand cursor, whose clicks reach its dialog as STN_CLICKED.
#pragma once

#include <windows.h>

bool makeHyperlink(HWND dialog, int controlId);
bool attachHyperlink(HWND control);
LRESULT CALLBACK hyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK hyperlinkStaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr COLORREF kHyperlinkColour = 0x00FF0000; // pure blue

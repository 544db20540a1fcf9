// The hyperlink static control. Both the static and its parent are subclassed; everything the
// replacement procedures need lives in window properties of the two windows, so any number of
// links in any number of dialogs work without a table of their own.
#include "base/hyperlink.h"

#include "base/handles.h"

static const char kOriginalProc[] = "_Hyperlink_Original_Proc_";
static const char kOriginalFont[] = "_Hyperlink_Original_Font_";
static const char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
static const char kFromStatic[] = "_Hyperlink_From_Static_";

static WNDPROC originalProc(HWND window) {
    return reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProc));
}

// Installs procedure on window and keeps the one it replaces in the window's property.
static void subclass(HWND window, WNDPROC procedure) {
    LONG_PTR previous = GetWindowLongPtrA(window, GWLP_WNDPROC);
    SetPropA(window, kOriginalProc, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

// Puts the previous procedure back and forgets it; returns it for the last message.
static WNDPROC unsubclass(HWND window) {
    WNDPROC previous = originalProc(window);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(window, kOriginalProc);
    return previous;
}

// A static without a font of its own draws with the system font, so the underlined variant is
// derived from that one.
static HFONT createUnderlineFont(HFONT font) {
    HGDIOBJ base = font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
    LOGFONTA record;
    if (GetObjectA(base, sizeof record, &record) != sizeof record)
        return nullptr;
    record.lfUnderline = 1;
    return CreateFontIndirectA(&record);
}

bool makeHyperlink(HWND dialog, int controlId) {
    return attachHyperlink(GetDlgItem(dialog, controlId));
}

// A control that is a link already is left as it is: subclassing it again would make the
// replacement its own previous procedure.
bool attachHyperlink(HWND control) {
    if (control == nullptr)
        return false;
    if (GetPropA(control, kFromStatic) != nullptr)
        return true;
    HWND parent = GetParent(control);
    if (parent != nullptr &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC)) != hyperlinkParentProc)
        subclass(parent, hyperlinkParentProc);
    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
    subclass(control, hyperlinkStaticProc);

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    SetPropA(control, kOriginalFont, font);
    OwnedGdiObject underline(createUnderlineFont(font));
    if (underline.get() != nullptr && SetPropA(control, kUnderlineFont, underline.get()))
        underline.release();
    SetPropA(control, kFromStatic, reinterpret_cast<HANDLE>(1));
    return true;
}

LRESULT CALLBACK hyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = originalProc(window);
    switch (message) {
    case WM_DESTROY:
        unsubclass(window);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC: {
        LRESULT brush = CallWindowProcA(previous, window, message, wParam, lParam);
        if (GetPropA(reinterpret_cast<HWND>(lParam), kFromStatic) != nullptr)
            SetTextColor(reinterpret_cast<HDC>(wParam), kHyperlinkColour);
        return brush;
    }
    default:
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
}

static void showFont(HWND control, HANDLE font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    InvalidateRect(control, nullptr, FALSE);
}

// Entering the control underlines it and captures the mouse; the first move outside it while
// captured takes the underline away and releases the capture.
static void followMouse(HWND control, LPARAM lParam) {
    if (GetCapture() != control) {
        if (HANDLE underline = GetPropA(control, kUnderlineFont))
            showFont(control, underline);
        SetCapture(control);
        return;
    }
    RECT area;
    GetWindowRect(control, &area);
    POINT point = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
    ClientToScreen(control, &point);
    if (!PtInRect(&area, point)) {
        showFont(control, GetPropA(control, kOriginalFont));
        ReleaseCapture();
    }
}

LRESULT CALLBACK hyperlinkStaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = originalProc(window);
    switch (message) {
    case WM_DESTROY: {
        unsubclass(window);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetPropA(window, kOriginalFont)),
                     FALSE);
        RemovePropA(window, kOriginalFont);
        OwnedGdiObject underline(RemovePropA(window, kUnderlineFont));
        RemovePropA(window, kFromStatic);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    case WM_SETCURSOR: {
        HCURSOR cursor = LoadCursorA(nullptr, IDC_HAND);
        if (cursor == nullptr)
            cursor = LoadCursorA(nullptr, IDC_ARROW);
        SetCursor(cursor);
        return 1;
    }
    case WM_MOUSEMOVE:
        followMouse(window, lParam);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    default:
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
}

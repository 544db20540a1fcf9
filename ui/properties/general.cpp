// The General page: the drive at a glance. Whether it is connected and under which letter, the
// storage used, free and in total with the usage bar as the quota call fills them in, and the
// storage package as a link to the portal's product-change page. It changes no setting.
#include "ui/properties/frame.h"
#include "ui/properties/pages.h"

#include "base/hyperlink.h"
#include "base/registry.h"
#include "base/settings.h"
#include "core/appstate.h"
#include "res/resource.h"
#include "service/quota.h"

#include <commctrl.h>

#include <string>

constexpr const char* kProductChangePage = NIMBARA_PORTAL_PAGE("Produktwechsel");
constexpr COLORREF kUsedColour = RGB(0, 110, 0);

static void showControl(HWND page, int id, bool visible) {
    ShowWindow(GetDlgItem(page, id), visible ? SW_SHOW : SW_HIDE);
}

// Exactly one of the two pictures is visible.
static void showConnection(HWND page) {
    showControl(page, IDC_CONNECTED_PICTURE, app.connected);
    showControl(page, IDC_NOT_CONNECTED_PICTURE, !app.connected);
    SetDlgItemTextA(page, IDC_CONNECTION_TYPE,
                    app.connected ? "Netzlaufwerk" : "Nichtverbundenes Netzlaufwerk");
}

// The stored letter as it is, without a check of its form; none stored keeps the text shown.
static void showDriveLetter(HWND page) {
    std::string letter;
    if (readProductString(settings::kDriveLetter, &letter))
        SetDlgItemTextA(page, IDC_DRIVE_TEXT, ("Laufwerk " + letter).c_str());
}

// Each figure the answer carried goes to its control; one it left out leaves its control as it
// was.
static void showQuotaFigures(HWND page, const QuotaFigures& figures) {
    static const int controls[kQuotaItemCount] = {
        IDC_USED_BYTES,   IDC_TOTAL_BYTES, IDC_FREE_BYTES,   IDC_USED_PRETTY,
        IDC_TOTAL_PRETTY, IDC_FREE_PRETTY, IDC_PACKAGE_LINK,
    };
    for (int item = 0; item < kQuotaItemCount; ++item)
        if (figures.sent[item])
            SetDlgItemTextA(page, controls[item], figures.values[item].c_str());
}

// The bar is set up only after an answer was read.
static void showUsageBar(HWND page, int position) {
    HWND bar = GetDlgItem(page, IDC_USAGE_BAR);
    SendMessageA(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(0, 100, 0));
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETSTEP, 0, 0);
    SendMessageA(bar, PBM_SETPOS, position, 0);
}

// Figures the service did not confirm are not shown: the byte counts are hidden and the
// readable ones say so.
static void setUpGeneralPage(HWND page) {
    showConnection(page);
    showDriveLetter(page);
    QuotaFigures figures;
    bool known = queryQuotaStored(&figures);
    showQuotaFigures(page, figures);
    if (figures.answered)
        showUsageBar(page, figures.barPosition);
    for (int id : {IDC_USED_BYTES, IDC_FREE_BYTES, IDC_TOTAL_BYTES})
        showControl(page, id, known);
    if (known)
        return;
    for (int id : {IDC_USED_PRETTY, IDC_TOTAL_PRETTY, IDC_FREE_PRETTY})
        SetDlgItemTextA(page, id, "unbekannt");
}

// The green brush of the used-storage square lives as long as the page, in the page's own
// dialog data.
static HBRUSH usedBrush(HWND page) {
    return reinterpret_cast<HBRUSH>(GetWindowLongPtrA(page, DWLP_USER));
}

// The two legend squares; every other control keeps the dialog's colours.
static INT_PTR controlColour(HWND page, HWND control) {
    switch (GetDlgCtrlID(control)) {
    case IDC_USED_SQUARE:
        return reinterpret_cast<INT_PTR>(usedBrush(page));
    case IDC_FREE_SQUARE:
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default:
        return FALSE;
    }
}

// The refresh button stays disabled while the quota call blocks the dialog.
static bool runGeneralCommand(HWND page, int id, int notification) {
    switch (id) {
    case IDC_PACKAGE_LINK:
        if (notification == STN_CLICKED)
            openWebPage(page, kProductChangePage, true);
        return true;
    case IDC_REFRESH:
        if (notification == BN_CLICKED) {
            EnableWindow(GetDlgItem(page, IDC_REFRESH), FALSE);
            setUpGeneralPage(page);
            EnableWindow(GetDlgItem(page, IDC_REFRESH), TRUE);
        }
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK generalPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(page, DWLP_USER,
                              reinterpret_cast<LONG_PTR>(CreateSolidBrush(kUsedColour)));
            setUpGeneralPage(page);
            makeHyperlink(page, IDC_PACKAGE_LINK);
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return controlColour(page, reinterpret_cast<HWND>(lParam));
        case WM_COMMAND:
            return runGeneralCommand(page, LOWORD(wParam), HIWORD(wParam));
        case WM_DESTROY:
            DeleteObject(usedBrush(page));
            SetWindowLongPtrA(page, DWLP_USER, 0);
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        return FALSE; // nothing may leave a page procedure; the step simply did not happen
    }
}

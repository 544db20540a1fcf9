// The Update page: an empty page for now, which the frame creates and shows like any other.
#include "ui/properties/pages.h"

INT_PTR CALLBACK updatePageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

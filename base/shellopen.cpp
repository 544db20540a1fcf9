// The real shell hand-over (see shellopen.h).
#include "base/shellopen.h"

#include <shellapi.h>

// ShellExecuteA reports success with a value above 32.
bool shellOpen(HWND owner, const char* file, const char* parameters, int show) {
    HINSTANCE result = ShellExecuteA(owner, "open", file, parameters, nullptr, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

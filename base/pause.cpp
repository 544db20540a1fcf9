// The real pause (see pause.h).
#include "base/pause.h"

void pauseMilliseconds(DWORD milliseconds) {
    Sleep(milliseconds);
}

// The internet check against WinINet (see connectivity.h).
#include "core/connectivity.h"

#include "core/notify.h"

#include <windows.h>

#include <wininet.h>

bool internetAvailable() {
    DWORD flags = 0;
    BOOL connected = InternetGetConnectedState(&flags, 0);
    switch (connectivityFrom(connected != FALSE, flags)) {
    case Connectivity::NotConnected:
        return false;
    case Connectivity::Offline:
        showMessage("offline");
        return false;
    default:
        return true;
    }
}

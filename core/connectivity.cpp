// Internet-check verdict (see connectivity.h).
#include "core/connectivity.h"

// Only the offline flag alone counts as offline; combined with any other bit the system is
// taken to be online, as WinINet reports a working connection that way too.
Connectivity connectivityFrom(bool queryResult, uint32_t flags) {
    if (!queryResult)
        return Connectivity::NotConnected;
    if (flags == kInternetConnectionOffline)
        return Connectivity::Offline;
    return Connectivity::Available;
}

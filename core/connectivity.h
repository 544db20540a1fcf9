// The internet check that every network action makes first: the verdict from what WinINet
// reports (portable, connectivity.cpp) and the check itself (internet.cpp, a translation unit
// of its own so that tests can link a version that answers as they need).
#pragma once

#include <cstdint>

enum class Connectivity {
    Available,    // go on
    NotConnected, // the query said no: fail quietly
    Offline,      // the only flag is the offline flag: tell the user "offline"
};

constexpr uint32_t kInternetConnectionOffline = 0x20;

Connectivity connectivityFrom(bool queryResult, uint32_t flags);

// Asks WinINet; false when there is no connection. A system that reports itself offline also
// gets the message box "offline"; the caller adds its own balloon.
bool internetAvailable();

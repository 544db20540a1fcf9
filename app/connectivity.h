// The verdict of the internet check from what WinINet reports. Portable.
#pragma once

#include <cstdint>

enum class Connectivity {
    Available,    // go on
    NotConnected, // the query said no: fail quietly
    Offline,      // the only flag is the offline flag: tell the user "offline"
};

constexpr uint32_t kInternetConnectionOffline = 0x20;

Connectivity connectivityFrom(bool queryResult, uint32_t flags);

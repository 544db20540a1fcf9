// The last update announcement of the web service: kept for the life of the process, filled by
// the authentication call and read by the Update page. Fields are only ever overwritten.
#pragma once

#include <string>

struct UpdateInfo {
    bool announced = false;
    std::string version;
    std::string location;
    std::string fileSize;
    std::string checksum;
    std::string checksumSha256; // of the announcement it came with; empty: none announced
    std::string infoUri;
};

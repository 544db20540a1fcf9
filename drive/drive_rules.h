// The drive's rules that need no Windows call: the texts of the mapping errors, the remote name
// of the share, the connection names under which Windows reports it, and the unit masks of the
// volume broadcasts. Portable; mount.cpp and drivewatch.cpp ask these.
#pragma once

#include "core/method_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The text shown for a mapping error; null for success and for the codes that are retried.
const char* mappingErrorText(uint32_t code);

// The share's remote name for the method and the Windows major version. False when it does not
// fit size bytes; the buffer then holds the empty text.
bool formatRemoteName(char* buffer, size_t size, ConnectionMethod method, uint32_t majorVersion,
                      const char* host, const char* share);

// The connection names under which Windows may report the share's drive.
struct ConnectionForms {
    std::string unc;      // "\\host\share": the scan and the broadcast
    std::string uncSsl;   // "\\host@SSL\share": the broadcast only
    std::string httpUrl;  // "http://host/share": the broadcast only
    std::string httpsUrl; // "https://host/share": the broadcast only
};

ConnectionForms connectionForms(const std::string& host, const std::string& share);
bool isAnyConnectionForm(const ConnectionForms& forms, const std::string& name);

// Unit masks of the volume broadcasts: bit 0 is drive A, bit 25 drive Z.
bool unitMaskHasDrive(uint32_t mask, int index);
char firstDriveLetter(uint32_t mask);

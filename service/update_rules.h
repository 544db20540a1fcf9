// The rules of the self-update that need no Windows: the request path of the download, the
// expected size, the position of the progress bar and which addresses may be used at all.
#pragma once

#include <cstdint>
#include <string>

constexpr long kDefaultUpdateSize = 250000;

// The location without its scheme and host, and without a leading slash:
// "scheme://host/dir/file.exe" gives "dir/file.exe". The result points into location.
const char* updateRequestPath(const char* location);
// The leading decimal number of the announced file size; kDefaultUpdateSize when none is sent.
long expectedUpdateSize(const std::string& fileSize);
// The most a download may bring: 64 MiB, or four times the expected size when that is more.
uint32_t updateSizeLimit(long expected);
// 0 to 100: the received bytes against the expected size; 0 while the size is unknown (0 or less).
int downloadBarPosition(uint32_t received, long expected);
// Only the web is asked for an update or shown from the service: "http://" or "https://".
bool isWebAddress(const char* address);

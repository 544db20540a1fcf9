// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320), the checksum the web service announces
// for an update. Portable: no Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class Sha256;

constexpr uint32_t kCrc32Start = 0xFFFFFFFF;

// The usual 256-entry table, built where it is used rather than carried in the program.
class Crc32 {
public:
    Crc32();
    // Carries crc (kCrc32Start at first) over size bytes; the checksum is the complement of the
    // end.
    uint32_t update(uint32_t crc, const void* data, size_t size) const;

private:
    uint32_t table_[256];
};

// The checksum of the stream from its position to its end, and the bytes read: -1 after a read
// error. False when there is no stream.
// With sha, the same bytes go to the SHA-256 digest too, in the one pass.
bool fileCrc32(FILE* file, uint32_t* crc, long* count, Sha256* sha = nullptr);

// The checksum as the service writes it: "%08lX", eight upper-case hexadecimal digits.
void formatCrc32(uint32_t crc, char (&text)[9]);

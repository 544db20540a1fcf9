// CRC-32 (see crc32.h).
#include "base/crc32.h"

#include "base/sha256.h"
#include "base/text.h"

#include <climits>

Crc32::Crc32() {
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) != 0 ? (value >> 1) ^ 0xEDB88320 : value >> 1;
        table_[i] = value;
    }
}

uint32_t Crc32::update(uint32_t crc, const void* data, size_t size) const {
    const unsigned char* byte = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        crc = (crc >> 8) ^ table_[(crc ^ byte[i]) & 0xFF];
    return crc;
}

bool fileCrc32(FILE* file, uint32_t* crc, long* count, Sha256* sha) {
    if (file == nullptr)
        return false;
    const Crc32 table;
    unsigned char block[4096];
    uint32_t value = kCrc32Start;
    long read = 0;
    bool failed = false;
    size_t got;
    while (!failed && (got = fread(block, 1, sizeof block, file)) > 0) {
        value = table.update(value, block, got);
        sha != nullptr ? sha->update(block, got) : void();
        failed = got > static_cast<size_t>(LONG_MAX - read); // a count beyond a long: unreadable
        read += failed ? 0 : static_cast<long>(got);
    }
    *crc = ~value;
    *count = failed || ferror(file) ? -1 : read;
    return true;
}

void formatCrc32(uint32_t crc, char (&text)[9]) {
    formatText(text, sizeof text, "%08lX", static_cast<unsigned long>(crc));
}

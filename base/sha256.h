// SHA-256 (FIPS 180-4), the digest the web service may announce for an update beside its CRC-32:
// a CRC-32 can be made to match any file by appending four bytes, a SHA-256 cannot. Portable: no
// Windows calls, and no CryptoAPI, which the older systems the client runs on lack for SHA-256.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void update(const void* data, size_t size);
    // The digest as 64 lower-case hexadecimal digits; the object is used up.
    std::string finishHex();

private:
    void compress(const unsigned char* block);

    uint32_t state_[8];
    unsigned char block_[64];
    size_t used_ = 0;     // bytes waiting in block_
    uint64_t length_ = 0; // bytes given in all
};

// Whether text, as announced, is the digest hex (finishHex's): the same 64 digits, either case.
bool sameSha256(const std::string& text, const std::string& hex);

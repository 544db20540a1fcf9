// The web-folder link file in the Shell Link binary format: a header, a link-target ID list of
// three items (My Computer, the web-folders namespace, the web folder itself) and an empty
// extra-data section. All integers are little-endian.
#include "drive/linkfile.h"

#include <cstdint>
#include <cstring>

namespace {

typedef std::vector<unsigned char> Bytes;

void put(Bytes* bytes, const unsigned char* data, size_t size) {
    bytes->insert(bytes->end(), data, data + size);
}

void put16(Bytes* bytes, uint32_t value) {
    bytes->push_back(static_cast<unsigned char>(value & 0xFF));
    bytes->push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void put32(Bytes* bytes, uint32_t value) {
    put16(bytes, value & 0xFFFF);
    put16(bytes, value >> 16);
}

void putZeros(Bytes* bytes, size_t count) {
    bytes->insert(bytes->end(), count, 0);
}

// A counted text: its length, one 16-bit unit per character (the byte widened as it is), and a
// 16-bit terminator.
void putCountedText(Bytes* bytes, const char* text, size_t length) {
    put16(bytes, static_cast<uint32_t>(length));
    for (size_t i = 0; i < length; ++i)
        put16(bytes, static_cast<unsigned char>(text[i]));
    put16(bytes, 0);
}

const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// My Computer: size 20, type 0x1F, sort order 0x50, {20D04FE0-3AEA-1069-A2D8-08002B30309D}.
const unsigned char kMyComputerItem[20] = {0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0,
                                           0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8,
                                           0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
// The web-folders namespace: size 20, type 0x2E, {BDEADF00-C265-11D0-BCED-00A0C90AB50F}.
const unsigned char kWebFoldersItem[20] = {0x14, 0x00, 0x2E, 0x00, 0x00, 0xDF, 0xEA,
                                           0xBD, 0x65, 0xC2, 0xD0, 0x11, 0xBC, 0xED,
                                           0x00, 0xA0, 0xC9, 0x0A, 0xB5, 0x0F};
const unsigned char kWebFolderMark[6] = {0x4C, 0x50, 0x00, 0x01, 0x42, 0x57};

} // namespace

bool webFolderLinkBytes(const char* address, const char* displayName, Bytes* bytes) {
    size_t n = strlen(displayName);
    size_t m = strlen(address);
    // Item 3 and the ID list carry their sizes in 16 bits.
    if (n + m > (0xFFFF - 42 - 36) / 2)
        return false;
    uint32_t itemSize = static_cast<uint32_t>(36 + 2 * (n + m));
    bytes->clear();
    // Header, 76 bytes.
    put32(bytes, 0x4C);
    put(bytes, kLinkClsid, sizeof kLinkClsid);
    put32(bytes, 0x01);                     // LinkFlags: HasLinkTargetIDList
    putZeros(bytes, 4 + 8 + 8 + 8 + 4 + 4); // attributes, three times, file size, icon index
    put32(bytes, 1);                        // ShowCommand: normal window
    putZeros(bytes, 2 + 2 + 4 + 4);         // hot key, reserved
    // Link-target ID list.
    put16(bytes, 42 + itemSize);
    put(bytes, kMyComputerItem, sizeof kMyComputerItem);
    put(bytes, kWebFoldersItem, sizeof kWebFoldersItem);
    put16(bytes, itemSize);
    put(bytes, kWebFolderMark, sizeof kWebFolderMark);
    putZeros(bytes, 16);
    put32(bytes, 0x10);
    putCountedText(bytes, displayName, n);
    putCountedText(bytes, address, m);
    put16(bytes, 0); // end of the ID list
    put32(bytes, 0); // terminal block of the extra data
    return true;
}

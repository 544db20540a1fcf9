// Bounded text helpers: every fixed-size buffer of the client is written through these,
// and a text that would not fit is reported instead of being cut silently.
#pragma once

#include <cstddef>

// Formats into buffer (size bytes, always terminated when size > 0). Returns false when the
// result did not fit or the format failed; the buffer then holds the empty text.
bool formatText(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Copies source into buffer. Returns false (and leaves the empty text) when it does not fit.
bool copyText(char* buffer, size_t size, const char* source);

// Copies as much of source as fits, cut at the limit and always terminated (size > 0). For
// texts that are better shown cut than not at all, such as a balloon: an empty balloon text
// would make the shell remove the balloon.
void copyTextCut(char* buffer, size_t size, const char* source);

// Case-insensitive comparison of two ASCII texts; other bytes compare as they are.
bool equalsIgnoringAsciiCase(const char* a, const char* b);

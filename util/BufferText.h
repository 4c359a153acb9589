#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// Text from a fixed-size buffer filled by the client: up to the first zero byte, and never past the
// buffer's end when the client left no terminator inside it.
inline std::string TextUpToZero(const char* buffer, std::size_t capacity) {
    const void* terminator = std::memchr(buffer, '\0', capacity);
    const std::size_t length =
        terminator == nullptr ? capacity : static_cast<std::size_t>(static_cast<const char*>(terminator) - buffer);
    return std::string(buffer, length);
}

// Copies text into a fixed-size buffer as zero-terminated text, cut so that the terminator always fits.
inline void CopyToBuffer(const std::string& text, char* buffer, std::size_t capacity) {
    if (capacity == 0)
        return;
    const std::size_t length = text.size() < capacity ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Byte strings for the ncp tests, written as hex: "44 6D 64 54", with "00*38" for 38 zero bytes (any byte
// may be repeated so).
inline std::vector<std::uint8_t> FromHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] == ' ') {
            ++position;
            continue;
        }
        const auto byte =
            static_cast<std::uint8_t>(std::stoi(std::string(text.substr(position, 2)), nullptr, 16));
        position += 2;
        std::size_t count = 1;
        if (position < text.size() && text[position] == '*') {
            const std::size_t end = text.find(' ', position);
            count = std::stoul(std::string(text.substr(position + 1, end - position - 1)));
            position = end == std::string_view::npos ? text.size() : end;
        }
        bytes.insert(bytes.end(), count, byte);
    }
    return bytes;
}

inline std::vector<std::uint8_t> Concat(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    std::vector<std::uint8_t> both(a.begin(), a.end());
    both.insert(both.end(), b.begin(), b.end());
    return both;
}

// The byte strings one after the other.
inline std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const std::vector<std::uint8_t>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

#pragma once

// What every fuzz target shares: the properties it checks, and a reader that takes an input apart into the
// harness's choices and the pieces handed to the routine under test. Each target defines
// LLVMFuzzerTestOneInput; libFuzzer calls it under clang (scripts/fuzz.sh), ReplayMain.cpp under any
// compiler with the files of the target's corpus.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace Fuzz {

// A property that must hold for every input. A violation ends the run like a crash, so that libFuzzer keeps
// the input and the replay test fails.
inline void Require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property violated: %s\n", property);
    std::abort();
}

// Reads an input from the front; past its end every field is zero and every piece empty.
class Input final {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    std::uint8_t Byte() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    // A piece of at most limit bytes whose length is given by the next byte (or word when limit > 255).
    std::span<const std::uint8_t> Piece(std::size_t limit = 255) {
        std::size_t length = limit > 255 ? Word() : Byte();
        if (length > limit)
            length %= limit + 1;
        return Take(length);
    }
    std::string Text(std::size_t limit = 255) {
        const auto piece = Piece(limit);
        return std::string(piece.begin(), piece.end());
    }
    std::span<const std::uint8_t> Take(std::size_t length) {
        const std::size_t available = bytes_.size() - position_;
        const std::span<const std::uint8_t> piece =
            bytes_.subspan(position_, length < available ? length : available);
        position_ += piece.size();
        return piece;
    }
    std::span<const std::uint8_t> Rest() { return Take(bytes_.size() - position_); }
    bool Empty() const { return position_ >= bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace Fuzz

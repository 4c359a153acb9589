#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Byte fields of NCP frames. NCP mixes byte orders within one packet (lengths and most bindery fields
// are big-endian, extension numbers and file fields little-endian), so every field names its order.
// Nothing here casts a structure over bytes.
namespace Ncp {

// Text as the program's zero-terminated buffers will hold it: up to its first zero byte. A counted name from
// a server may carry zero bytes inside its count; they end the name, as they would in the caller's buffer.
inline std::string TextBeforeZero(std::string text) {
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

// Appends fields to a growing byte vector.
class ByteWriter final {
public:
    ByteWriter() = default;
    explicit ByteWriter(std::vector<std::uint8_t>& target) : external_(&target) {}

    void U8(std::uint8_t value) { Out().push_back(value); }
    void BE16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value >> 8));
        U8(static_cast<std::uint8_t>(value));
    }
    void LE16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void BE32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            U8(static_cast<std::uint8_t>(value >> shift));
    }
    void LE32(std::uint32_t value) {
        for (int shift = 0; shift <= 24; shift += 8)
            U8(static_cast<std::uint8_t>(value >> shift));
    }
    void Bytes(std::span<const std::uint8_t> bytes) { Out().insert(Out().end(), bytes.begin(), bytes.end()); }
    void Zeros(std::size_t count) { Out().insert(Out().end(), count, 0); }
    // A length byte and the text, cut to 255 bytes.
    void NString8(std::string_view text) {
        const std::size_t length = text.size() < 255 ? text.size() : 255;
        U8(static_cast<std::uint8_t>(length));
        Text(text.substr(0, length));
    }
    // The text cut or zero-padded to exactly width bytes (a fixed name field).
    void Fixed(std::string_view text, std::size_t width) {
        const std::size_t length = text.size() < width ? text.size() : width;
        Text(text.substr(0, length));
        Zeros(width - length);
    }
    // The text and a zero byte.
    void StringZ(std::string_view text) {
        Text(text);
        U8(0);
    }
    void Text(std::string_view text) {
        for (const char c : text)
            U8(static_cast<std::uint8_t>(c));
    }
    // Overwrites a big-endian 16-bit field written earlier (a length word known only at the end).
    void PatchBE16(std::size_t offset, std::uint16_t value) {
        Out()[offset] = static_cast<std::uint8_t>(value >> 8);
        Out()[offset + 1] = static_cast<std::uint8_t>(value);
    }
    void PatchBE32(std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            Out()[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }

    std::size_t Size() const { return external_ != nullptr ? external_->size() : own_.size(); }
    const std::vector<std::uint8_t>& Result() const { return external_ != nullptr ? *external_ : own_; }
    std::vector<std::uint8_t> Take() { return external_ != nullptr ? *external_ : std::move(own_); }

private:
    std::vector<std::uint8_t>& Out() { return external_ != nullptr ? *external_ : own_; }

    std::vector<std::uint8_t> own_;
    std::vector<std::uint8_t>* external_ = nullptr;
};

// Reads fields from a byte span without ever reading past its end. A read beyond the end yields zeros
// (or empty text) and marks the reader failed for good, so a decoder reads every field and checks Ok()
// once at the end.
class ByteReader final {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() {
        if (!Need(1))
            return 0;
        return bytes_[position_++];
    }
    std::uint16_t BE16() {
        if (!Need(2))
            return 0;
        const auto value = static_cast<std::uint16_t>((bytes_[position_] << 8) | bytes_[position_ + 1]);
        position_ += 2;
        return value;
    }
    std::uint16_t LE16() {
        if (!Need(2))
            return 0;
        const auto value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }
    std::uint32_t BE32() {
        if (!Need(4))
            return 0;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | bytes_[position_++];
        return value;
    }
    std::uint32_t LE32() {
        if (!Need(4))
            return 0;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(bytes_[position_++]) << (8 * i);
        return value;
    }
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        if (!Need(count))
            return {};
        const auto bytes = bytes_.subspan(position_, count);
        position_ += count;
        return bytes;
    }
    void Skip(std::size_t count) { Bytes(count); }
    // A length byte and that many bytes of text.
    std::string NString8() { return Text(U8()); }
    // A fixed field of width bytes, as text up to its first zero byte.
    std::string Fixed(std::size_t width) {
        const std::string field = Text(width);
        return field.substr(0, field.find('\0'));
    }
    // Text up to a zero byte, which is consumed; failed when no zero byte comes before the end.
    std::string StringZ() {
        for (std::size_t end = position_; end < bytes_.size(); ++end)
            if (bytes_[end] == 0) {
                std::string text = Text(end - position_);
                ++position_;
                return text;
            }
        failed_ = true;
        position_ = bytes_.size();
        return {};
    }
    std::string Text(std::size_t count) {
        const auto bytes = Bytes(count);
        return std::string(bytes.begin(), bytes.end());
    }
    // Everything not read yet.
    std::span<const std::uint8_t> Rest() { return Bytes(Remaining()); }

    bool Ok() const { return !failed_; }
    // Ok and every byte consumed: a request with trailing bytes is as wrong as a short one for fixed layouts.
    bool AtEnd() const { return !failed_ && position_ == bytes_.size(); }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    std::size_t Position() const { return position_; }

private:
    bool Need(std::size_t count) {
        if (failed_ || count > bytes_.size() - position_) {
            failed_ = true;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

} // namespace Ncp

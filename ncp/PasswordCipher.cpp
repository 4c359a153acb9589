#include "ncp/PasswordCipher.h"

#include <vector>

namespace Ncp {

namespace {

using Block = std::array<std::uint8_t, 32>;

// The cipher's constants, needed byte for byte to interoperate with NetWare servers and clients.
constexpr Block KeyTable = {0x48, 0x93, 0x46, 0x67, 0x98, 0x3d, 0xe6, 0x8d, 0xb7, 0x10, 0x7a,
                            0x26, 0x5a, 0xb9, 0xb1, 0x35, 0x6b, 0x0f, 0xd5, 0x70, 0xae, 0xfb,
                            0xad, 0x11, 0xf4, 0x47, 0xdc, 0xa7, 0xec, 0xcf, 0x50, 0xc0};

// 256 nibbles, one hex digit each, entry 0 first: maps a mixed byte to 4 output bits.
constexpr std::string_view NibbleTable = "780864e45c17bfa8f8cc941e46240ab92fb1d2195e7002660738293f7fcf64a0"
                                         "23abd83a17cf189d9194e4c55c8b239e7769efc8d1a6ed077a01f54b7bec95d1"
                                         "bd135de630bbf3649da3149483be5052cbd5d5d2d9aca0b3536951ee0e82d220"
                                         "4f859686babf0728c73a1425f7ace593e712e1f4a6c6f430c036f87b2dc6aa8d";

std::uint8_t Nibble(std::uint8_t index) {
    const char digit = NibbleTable[index];
    return static_cast<std::uint8_t>(digit <= '9' ? digit - '0' : digit - 'a' + 10);
}

// Folds input of any length into 32 bytes: whole 32-byte blocks are XORed in; a shorter rest is repeated
// over the block with one key-table byte after each repetition. Trailing zero bytes do not count.
//
// An empty input (or a rest of zero bytes after whole blocks) leaves the block as it is. Two readings
// of the cipher exist for the empty password: one leaves the block all zero, the other XORs the whole key
// table into it. This one follows the first: it is the open-source NetWare client library's, whose login
// code was used against real servers for many years, where password-less accounts (GUEST) were common;
// the other comes from a reimplementation that checked its empty case only against itself. Both agree
// for every non-empty password.
Block Stretch(std::span<const std::uint8_t> input) {
    while (!input.empty() && input.back() == 0)
        input = input.first(input.size() - 1);
    Block block{};
    while (input.size() >= block.size()) {
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] ^= input[i];
        input = input.subspan(block.size());
    }
    if (input.empty())
        return block;
    std::size_t next = 0;
    for (std::size_t position = 0; position < block.size(); ++position) {
        if (next == input.size()) {
            block[position] ^= KeyTable[position];
            next = 0;
        } else {
            block[position] ^= input[next++];
        }
    }
    return block;
}

// Mixes a 4-byte salt into a 32-byte block and condenses the result to 16 bytes.
PasswordHash Mix(std::span<const std::uint8_t, 4> salt, const Block& input) {
    Block mixed{};
    for (std::size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = input[i] ^ salt[i % 4];
    std::uint8_t carry = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < mixed.size(); ++i) {
            const auto shifted = static_cast<std::uint8_t>(mixed[i] + carry);
            const auto other = static_cast<std::uint8_t>(mixed[(i + carry) % mixed.size()] - KeyTable[i]);
            mixed[i] = shifted ^ other;
            carry = static_cast<std::uint8_t>(carry + mixed[i]);
        }
    }
    PasswordHash hash{};
    for (std::size_t j = 0; j < hash.size(); ++j)
        hash[j] = static_cast<std::uint8_t>(Nibble(mixed[2 * j]) | (Nibble(mixed[2 * j + 1]) << 4));
    return hash;
}

} // namespace

PasswordHash HashPassword(std::uint32_t objectId, std::string_view password) {
    const std::array<std::uint8_t, 4> salt = {
        static_cast<std::uint8_t>(objectId >> 24), static_cast<std::uint8_t>(objectId >> 16),
        static_cast<std::uint8_t>(objectId >> 8), static_cast<std::uint8_t>(objectId)};
    std::vector<std::uint8_t> upper;
    upper.reserve(password.size());
    for (const char c : password)
        upper.push_back(static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    const PasswordHash hash = Mix(salt, Stretch(upper));
    // The upper-cased copy held the password: clear it before the memory goes back.
    for (auto& byte : upper)
        *static_cast<volatile std::uint8_t*>(&byte) = 0;
    return hash;
}

LoginResponse LoginResponseFor(const LoginKey& key, const PasswordHash& hash) {
    const Block stretched = Stretch(hash);
    const std::span<const std::uint8_t, 8> keyBytes(key);
    const PasswordHash first = Mix(keyBytes.first<4>(), stretched);
    const PasswordHash second = Mix(keyBytes.last<4>(), stretched);
    Block both{};
    for (std::size_t i = 0; i < 16; ++i) {
        both[i] = first[i];
        both[16 + i] = second[i];
    }
    LoginResponse response{};
    for (std::size_t i = 0; i < response.size(); ++i)
        response[i] = both[i] ^ both[31 - i] ^ both[15 - i] ^ both[16 + i];
    return response;
}

bool SameResponse(const LoginResponse& a, const LoginResponse& b) {
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference = static_cast<std::uint8_t>(difference | (a[i] ^ b[i]));
    return difference == 0;
}

} // namespace Ncp

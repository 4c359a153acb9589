#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// The keyed bindery login's password cipher. The server stores a 16-byte hash of the password salted with
// the user's object ID; at login the client asks for an 8-byte key, and both sides mix the key with that
// hash into an 8-byte response: the client sends its response, the server compares it with its own. The
// password itself never travels. Used by the client's login and by the servers' password check.
namespace Ncp {

using PasswordHash = std::array<std::uint8_t, 16>;
using LoginKey = std::array<std::uint8_t, 8>;
using LoginResponse = std::array<std::uint8_t, 8>;

// The hash a server keeps for a password. objectId is the user's bindery object ID as the server reports
// it (its big-endian wire bytes read as a number); the password is upper-cased (ASCII letters) first, so
// passwords are case-insensitive. An empty password hashes its 32 zero bytes without mixing in the key
// table (see PasswordCipher.cpp for why).
PasswordHash HashPassword(std::uint32_t objectId, std::string_view password);

// The response to a login key for a stored password hash.
LoginResponse LoginResponseFor(const LoginKey& key, const PasswordHash& hash);

// Compares two responses in time independent of where they differ (a server's check).
bool SameResponse(const LoginResponse& a, const LoginResponse& b);

} // namespace Ncp

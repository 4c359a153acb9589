#pragma once

#include <array>
#include <cstdint>
#include <string>

// The name of the user authenticated on a connection: directory services first, bindery second.
namespace NetUtil {

// Zero-terminated user-name text; the longest name written is one directory name and its terminator.
using UserNameBuffer = std::array<char, 257>;

inline constexpr const char* NotAuthenticated = "<not authenticated>";

// Opens a handle on the reference and reads its user name into buffer; writes nothing on failure.
void GetConnRefUserName(std::uint32_t connRef, UserNameBuffer& buffer);

// Writes the user name, or "<not authenticated>" when nobody is logged in; writes nothing on failure.
std::uint16_t GetConnUserName(std::uint32_t connHandle, UserNameBuffer& buffer);

std::uint16_t GetObjectName(std::uint32_t connHandle, std::uint32_t objectId, std::string& name);
std::uint32_t GetDSObjectName(std::uint32_t connHandle, std::uint32_t objectId, std::string& name);
std::uint16_t GetBinderyObjectName(std::uint32_t connHandle, std::uint32_t objectId, std::uint16_t& objectType,
                                   std::string& name);

} // namespace NetUtil

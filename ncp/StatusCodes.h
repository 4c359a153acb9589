#pragma once

#include <cstdint>

// Every status the emulated client and servers answer, in one place. Values follow NetWare's conventions:
// 0x88xx are the requester's (workstation) codes, 0x89xx are server completion codes.
namespace StatusCodes {
inline constexpr std::uint16_t Success = 0x0000;

// Requester (workstation side).
inline constexpr std::uint16_t InvalidConnection = 0x8801;    // unknown or dropped connection handle
inline constexpr std::uint16_t BufferTooSmall = 0x880E;       // caller's buffer cannot hold the answer
inline constexpr std::uint16_t NoConnectionToServer = 0x880F; // the workstation knows no such server
inline constexpr std::uint16_t InvalidParameter = 0x8836; // unknown information type, bad mode, null pointer
inline constexpr std::uint16_t NoMoreEntries = 0x88FF;    // end of a connection scan
inline constexpr std::uint16_t NoPrimaryConnection = 0x8847; // no primary connection set
inline constexpr std::uint16_t ClientNotStarted = 0x8866;    // client or NWCLX start-up refused
inline constexpr std::uint16_t InvalidConnRef = 0x8872;      // unknown connection reference
inline constexpr std::uint16_t ExchangePending = 0x880D;      // another call still waits for a server
inline constexpr std::uint16_t NoPasswordHeld = 0x8867;       // reconnecting needs a password none holds

// Requester transport (NCP over TCP). NetWare's own requester codes where one fits.
inline constexpr std::uint16_t RequestTimedOut = 0x8805;   // no answer within the time limit (receive failed)
inline constexpr std::uint16_t SendFailed = 0x8809;        // the request could not be sent
inline constexpr std::uint16_t HostUnreachable = 0x880A;   // no route to the server's address
inline constexpr std::uint16_t MalformedReply = 0x8816;    // reply frame or NCP header malformed
inline constexpr std::uint16_t ConnectionLost = 0x8819;    // closed, reset, or given up after a time-out
inline constexpr std::uint16_t ReplyMismatch = 0x8876;     // reply's sequence/connection not the request's
inline constexpr std::uint16_t HostNotFound = 0x8884;      // the server name resolves to no address
inline constexpr std::uint16_t ConnectionRefused = 0x8885; // nothing listens at the server's address and port
// A reply longer than the negotiated bound is BufferTooSmall (NetWare: more data than the reply buffer
// holds).

// Server completion codes.
inline constexpr std::uint16_t NoSuchExtension = 0x89FE;     // unknown extension (servers: 0xFF, 0xD5)
inline constexpr std::uint16_t NoSuchObject = 0x89FC;        // bindery object unknown
inline constexpr std::uint16_t ModuleNotFound = 0x8901;      // NLM file not in SYS:SYSTEM
inline constexpr std::uint16_t ModuleAlreadyLoaded = 0x8902; // NLM loaded already
inline constexpr std::uint16_t ModuleNotLoaded = 0x8903;     // NLM to unload is not loaded
inline constexpr std::uint16_t InvalidModuleName = 0x8904;   // empty or malformed module name
inline constexpr std::uint16_t BadRequest = 0x897E;          // malformed NCP extension request
inline constexpr std::uint16_t NoSuchVolume = 0x8998;        // unknown volume
inline constexpr std::uint16_t FailedRequest = 0x89FF;       // generic failure
inline constexpr std::uint16_t UnknownRequest = 0x89FB;      // NCP extension request code not known
inline constexpr std::uint16_t InvalidScreenHandle = 0x89A1; // console screen handle never issued or gone
inline constexpr std::uint16_t NoScreenSelected = 0x89A2;    // console read, key or clear before a select

// Directory services (32-bit).
inline constexpr std::uint32_t DSNoSuchEntry = 0xFFFFFDA7;     // -601
inline constexpr std::uint32_t DSNotAvailable = 0xFFFFFC1E;    // -994: server has no directory services
inline constexpr std::uint32_t DSNotEnoughMemory = 0xFFFFFED3; // -301: no further context can be made
inline constexpr std::uint32_t DSInvalidContext = 0xFFFFFEB8;  // -328: context never made or already freed
} // namespace StatusCodes

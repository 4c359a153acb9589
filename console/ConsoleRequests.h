#pragma once

#include <array>
#include <cstdint>
#include <string>

class ConsoleChannel;

// The six messages of the console extension "QV_EXT", each one NCP extension request on a connection.
namespace NCP_Ext {

inline constexpr std::uint16_t ListNextScreenCode = 0x4019;
inline constexpr std::uint16_t OpenScreenCode = 0x4015;
inline constexpr std::uint16_t SelectScreenCode = 0x4016;
inline constexpr std::uint16_t ReadScreenRowsCode = 0x401C;
inline constexpr std::uint16_t SendScreenKeyCode = 0x401D;
inline constexpr std::uint16_t ClearScreenCode = 0x4012;

inline constexpr std::size_t ScreenRows = 25;
inline constexpr std::size_t ScreenColumns = 80;
inline constexpr std::size_t RowsPerRead = 5;
inline constexpr std::size_t BytesPerCell = 2;
inline constexpr std::size_t BytesPerRow = ScreenColumns * BytesPerCell; // 160
inline constexpr std::size_t RowsReplySize = RowsPerRead * BytesPerRow;  // 800
inline constexpr std::size_t ListReplySize = 263;
inline constexpr std::size_t ScreenNameFieldSize = 255;

using ScreenRowsBuffer = std::array<std::uint8_t, RowsReplySize>;

// Every operation zero-fills its reply buffer before the exchange, so a short or failed reply reads as zero
// bytes: the end of the screen list, no screen handle (0), blank cells. None shows a box or retries.

// One exchange: states replyCapacity as the expected reply length and sends the request.
std::uint16_t ConsoleRequest(std::uint32_t connHandle, std::uint32_t extensionId, const std::uint8_t* request,
                             std::uint32_t requestLength, std::uint8_t* reply, std::uint16_t replyCapacity);

// The screen after previousScreen (0 asks for the first); 0 when there is none. Stores its status in
// LastStatus; leaves screenName untouched when it returns 0. The name is taken from at most the 255 bytes of
// its field, up to the first zero byte.
std::uint32_t ListNextScreen(std::uint32_t connHandle, std::uint32_t extensionId,
                             std::uint32_t previousScreen, std::string& screenName);
std::uint16_t OpenScreen(std::uint32_t connHandle, std::uint32_t extensionId, std::uint32_t screenRef,
                         std::uint8_t option, std::int32_t& screenHandle);
std::uint16_t SelectScreen(std::uint32_t connHandle, std::uint32_t extensionId, std::int32_t screenHandle);
std::uint16_t ReadScreenRows(std::uint32_t connHandle, std::uint32_t extensionId, std::uint32_t firstRow,
                             ScreenRowsBuffer& rows);
std::uint16_t SendScreenKey(std::uint32_t connHandle, std::uint32_t extensionId, std::uint16_t keyWord);
std::uint16_t ClearScreen(std::uint32_t connHandle, std::uint32_t extensionId);

// The same messages over any channel (a console window's own connection). ListNextScreen hands its status
// out instead of storing it in LastStatus, which belongs to the window's thread.
std::uint32_t ListNextScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t previousScreen,
                             std::string& screenName, std::uint16_t& status);
std::uint16_t OpenScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t screenRef,
                         std::uint8_t option, std::int32_t& screenHandle);
std::uint16_t SelectScreen(ConsoleChannel& channel, std::uint32_t extensionId, std::int32_t screenHandle);
std::uint16_t ReadScreenRows(ConsoleChannel& channel, std::uint32_t extensionId, std::uint32_t firstRow,
                             ScreenRowsBuffer& rows);
std::uint16_t SendScreenKey(ConsoleChannel& channel, std::uint32_t extensionId, std::uint16_t keyWord);
std::uint16_t ClearScreen(ConsoleChannel& channel, std::uint32_t extensionId);

} // namespace NCP_Ext

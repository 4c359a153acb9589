#include "console/ConsoleReader.h"

#include "console/ConsoleChannel.h"
#include "console/ConsoleRequests.h"
#include "console/ScreenList.h"

namespace {
bool Failed(std::uint16_t status) {
    return status != 0;
}
} // namespace

std::uint16_t ConsoleReader::LookUp() {
    return channel_.LookUpConsole(extensionId_);
}

std::uint16_t ConsoleReader::Read(const std::string& screenName, ConsoleScroll::ScreenLines& screen) {
    if (const std::uint16_t status = LookUp(); Failed(status))
        return status;
    std::uint32_t screenRef = 0;
    std::uint16_t status = 0;
    NCP_Ext::WalkScreenList(
        channel_, extensionId_,
        [&](std::uint32_t reference, const std::string& name) {
            if (name != screenName)
                return true;
            screenRef = reference;
            return false;
        },
        status);
    if (screenRef == 0)
        return Failed(status) ? status : ScreenNotFound;

    std::int32_t handle = 0;
    if (status = NCP_Ext::OpenScreen(channel_, extensionId_, screenRef, 0, handle); Failed(status))
        return status;
    if (handle == -1 || handle == 0)
        return NoScreenHandle;
    if (status = NCP_Ext::SelectScreen(channel_, extensionId_, handle); Failed(status))
        return status;
    selected_ = true;

    ConsoleScroll::ScreenLines lines;
    lines.reserve(NCP_Ext::ScreenRows);
    NCP_Ext::ScreenRowsBuffer rows{};
    for (std::uint32_t first = 0; first < NCP_Ext::ScreenRows; first += NCP_Ext::RowsPerRead) {
        if (status = NCP_Ext::ReadScreenRows(channel_, extensionId_, first, rows); Failed(status))
            return status;
        for (std::size_t row = 0; row < NCP_Ext::RowsPerRead; ++row) {
            std::string line(NCP_Ext::ScreenColumns, ' ');
            for (std::size_t column = 0; column < NCP_Ext::ScreenColumns; ++column) {
                const std::uint8_t byte = rows[row * NCP_Ext::BytesPerRow + column * NCP_Ext::BytesPerCell];
                line[column] = byte == 0 ? ' ' : static_cast<char>(byte);
            }
            lines.push_back(std::move(line));
        }
    }
    screen = std::move(lines);
    return 0;
}

std::uint16_t ConsoleReader::ScreenNames(std::vector<std::string>& names) {
    if (const std::uint16_t status = LookUp(); Failed(status))
        return status;
    names.clear();
    std::uint16_t status = 0;
    NCP_Ext::WalkScreenList(
        channel_, extensionId_,
        [&](std::uint32_t, const std::string& name) {
            names.push_back(name);
            return true;
        },
        status);
    // The walk ends with a failed request as with the end of the list; a failure before any screen tells.
    return names.empty() ? status : 0;
}

std::uint16_t ConsoleReader::SendKeys(const std::vector<std::uint16_t>& keyWords) {
    for (const std::uint16_t keyWord : keyWords)
        if (const std::uint16_t status = NCP_Ext::SendScreenKey(channel_, extensionId_, keyWord);
            Failed(status))
            return status;
    return 0;
}

std::uint16_t ConsoleReader::Clear() {
    return NCP_Ext::ClearScreen(channel_, extensionId_);
}

#include "emulator/ConsoleModule.h"

#include "emulator/ByteOrder.h"
#include "emulator/ServerConsole.h"
#include "ncp/StatusCodes.h"

#include <algorithm>

namespace Emulator {

namespace {
std::size_t RequestLength(std::uint16_t code) {
    switch (code) {
    case ConsoleModule::ListNextScreen:
    case ConsoleModule::SelectScreen:
    case ConsoleModule::ReadScreenRows:
        return 6;
    case ConsoleModule::OpenScreen:
        return 7;
    case ConsoleModule::SendScreenKey:
        return 4;
    case ConsoleModule::ClearScreen:
        return 2;
    default:
        return 0;
    }
}
} // namespace

std::uint16_t ConsoleModule::HandleRequest(std::uint32_t connection, std::span<const std::uint8_t> request,
                                           std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (request.size() < 2)
        return StatusCodes::BadRequest;
    const std::uint16_t code = ByteOrder::ReadLE16(request, 0);
    const std::size_t length = RequestLength(code);
    if (length == 0)
        return StatusCodes::UnknownRequest;
    if (request.size() != length)
        return StatusCodes::BadRequest;
    const std::uint16_t status = Answer(connection, code, request, reply);
    if (status == StatusCodes::Success)
        Bend(reply);
    return status;
}

bool ConsoleModule::NeedsConsoleOperator(std::span<const std::uint8_t> request) const {
    return request.size() < 2 || ByteOrder::ReadLE16(request, 0) != ListNextScreen;
}

std::uint16_t ConsoleModule::Answer(std::uint32_t connection, std::uint16_t code,
                                    std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply) {
    switch (code) {
    case ListNextScreen:
        ListNext(ByteOrder::ReadLE32(request, 2), reply);
        return StatusCodes::Success;
    case OpenScreen: {
        // The option byte at offset 2 asks for nothing this module distinguishes.
        const std::int32_t handle = console_.Open(ByteOrder::ReadLE32(request, 3));
        ByteOrder::AppendLE32(reply, static_cast<std::uint32_t>(handle));
        return StatusCodes::Success;
    }
    case SelectScreen:
        if (!console_.Select(connection, static_cast<std::int32_t>(ByteOrder::ReadLE32(request, 2))))
            return StatusCodes::InvalidScreenHandle;
        reply.push_back(0);
        return StatusCodes::Success;
    case ReadScreenRows:
        return ReadRows(console_.Selected(connection), ByteOrder::ReadLE32(request, 2), reply);
    case SendScreenKey:
    case ClearScreen: {
        ConsoleScreen* screen = console_.Selected(connection);
        if (screen == nullptr)
            return StatusCodes::NoScreenSelected;
        if (code == SendScreenKey)
            screen->HandleKey(ByteOrder::ReadLE16(request, 2));
        else
            screen->Clear();
        reply.push_back(0);
        return StatusCodes::Success;
    }
    default:
        return StatusCodes::UnknownRequest;
    }
}

void ConsoleModule::ListNext(std::uint32_t previous, std::vector<std::uint8_t>& reply) {
    std::uint32_t reference = console_.NextReference(previous);
    if (reference == 0 && previous != 0 && console_.Fault() == ConsoleFault::EndlessScreenList &&
        console_.ScreenByReference(previous) != nullptr)
        reference = console_.FirstReference();
    reply.assign(ListReplySize, 0);
    if (reference == 0)
        return;
    ByteOrder::WriteLE32(reply, 0, reference);
    ByteOrder::WriteLE32(reply, 4, console_.Position(reference));
    const std::string& name = console_.ScreenByReference(reference)->Name();
    // A name keeps at least one zero byte of the field, unless the module is told to fill the field.
    const std::size_t length = std::min(name.size(), NameFieldSize - 1);
    std::copy_n(name.begin(), length, reply.begin() + 8);
    if (console_.Fault() == ConsoleFault::UnterminatedNames)
        std::fill(reply.begin() + 8 + static_cast<std::ptrdiff_t>(length), reply.end(), '.');
}

std::uint16_t ConsoleModule::ReadRows(ConsoleScreen* screen, std::uint32_t firstRow,
                                      std::vector<std::uint8_t>& reply) {
    if (screen == nullptr)
        return StatusCodes::NoScreenSelected;
    if (firstRow >= static_cast<std::uint32_t>(ScreenBuffer::Rows))
        return StatusCodes::BadRequest;
    screen->Refresh();
    // Rows below the last one read as zero bytes.
    reply.assign(ReadReplySize, 0);
    for (std::size_t i = 0; i < RowsPerRead; ++i) {
        const std::uint32_t row = firstRow + static_cast<std::uint32_t>(i);
        if (row >= static_cast<std::uint32_t>(ScreenBuffer::Rows))
            break;
        const auto cells = screen->Cells().RowCells(static_cast<int>(row));
        std::copy(cells.begin(), cells.end(),
                  reply.begin() + static_cast<std::ptrdiff_t>(i * ScreenBuffer::RowBytes));
    }
    return StatusCodes::Success;
}

void ConsoleModule::Bend(std::vector<std::uint8_t>& reply) {
    switch (console_.Fault()) {
    case ConsoleFault::ShortReplies:
        reply.resize(reply.size() / 2);
        break;
    case ConsoleFault::GarbledReplies:
        for (std::uint8_t& byte : reply) {
            // xorshift64: the same garbage on every run.
            garbleState_ ^= garbleState_ << 13;
            garbleState_ ^= garbleState_ >> 7;
            garbleState_ ^= garbleState_ << 17;
            byte = static_cast<std::uint8_t>(garbleState_ >> 24);
        }
        break;
    default:
        break;
    }
}

} // namespace Emulator

// The server side of the console messages: a server's console module fed any requests, raw or well-formed
// with any fields, under each of its injected faults. Properties: a refused request gets no reply bytes; an
// answered one gets the reply size of its message (halved when the module is told to cut replies); the
// screen handles held never outnumber the screens, and opening a screen again gives its handle again.

#include "FuzzSupport.h"

#include "emulator/ConsoleModule.h"
#include "emulator/Server.h"
#include "ncp/StatusCodes.h"

#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

using Emulator::ConsoleModule;

std::filesystem::path volumesRoot;

std::size_t ReplySize(std::uint16_t code) {
    switch (code) {
    case ConsoleModule::ListNextScreen:
        return ConsoleModule::ListReplySize;
    case ConsoleModule::OpenScreen:
        return ConsoleModule::OpenReplySize;
    case ConsoleModule::ReadScreenRows:
        return ConsoleModule::ReadReplySize;
    default:
        return 1;
    }
}

// A request of the right length for one of the six codes, its fields from the input.
std::vector<std::uint8_t> WellFormed(Fuzz::Input& input, const std::vector<std::uint32_t>& references,
                                     std::int32_t lastHandle) {
    static constexpr std::uint16_t Codes[] = {ConsoleModule::ListNextScreen, ConsoleModule::OpenScreen,
                                              ConsoleModule::SelectScreen,   ConsoleModule::ReadScreenRows,
                                              ConsoleModule::SendScreenKey,  ConsoleModule::ClearScreen};
    const std::uint8_t choice = input.Byte();
    const std::uint16_t code = Codes[choice % 6];
    std::vector<std::uint8_t> request{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8)};
    const auto put32 = [&request](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            request.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    // Half of the references and handles are ones the module issued, so that the requests get through.
    const bool known = (choice & 0x80) != 0 && !references.empty();
    const std::uint32_t reference = known ? references[input.Byte() % references.size()] : input.Word();
    switch (code) {
    case ConsoleModule::ListNextScreen:
        put32(reference);
        break;
    case ConsoleModule::OpenScreen:
        request.push_back(input.Byte());
        put32(reference);
        break;
    case ConsoleModule::SelectScreen:
        put32(known ? static_cast<std::uint32_t>(lastHandle) : input.Word());
        break;
    case ConsoleModule::ReadScreenRows:
        put32(input.Byte() % 32);
        break;
    case ConsoleModule::SendScreenKey: {
        const std::uint16_t key = input.Word();
        request.push_back(static_cast<std::uint8_t>(key));
        request.push_back(static_cast<std::uint8_t>(key >> 8));
        break;
    }
    default:
        break;
    }
    return request;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    volumesRoot =
        std::filesystem::temp_directory_path() / ("tessaline-console-fuzz-" + std::to_string(::getpid()));
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(volumesRoot, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fuzz::Input input(data, size);
    Emulator::ServerConfig config;
    config.name = "ATLAS";
    config.majorVersion = 5;
    const auto fixedTime = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    Emulator::Server server(config, volumesRoot, [fixedTime] { return fixedTime; });
    Emulator::ServerConsole& console = server.Console();
    const auto fault = static_cast<Emulator::ConsoleFault>(input.Byte() % 5);
    console.SetFault(fault);
    ConsoleModule module(console);

    std::vector<std::uint32_t> references;
    for (std::uint32_t reference = console.NextReference(0); reference != 0;
         reference = console.NextReference(reference))
        references.push_back(reference);
    std::map<std::uint32_t, std::int32_t> handles;
    std::int32_t lastHandle = 0;
    std::vector<std::uint8_t> reply;
    for (int request = 0; request < 64 && !input.Empty(); ++request) {
        const bool raw = (input.Byte() & 3) == 0;
        const auto piece = raw ? input.Piece(16) : std::span<const std::uint8_t>();
        const std::vector<std::uint8_t> bytes = raw ? std::vector<std::uint8_t>(piece.begin(), piece.end())
                                                    : WellFormed(input, references, lastHandle);
        const std::uint16_t status = module.HandleRequest(1, bytes, reply);
        if (status != StatusCodes::Success) {
            Fuzz::Require(reply.empty(), "a refused request gets no reply bytes");
            continue;
        }
        const std::uint16_t code = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
        const std::size_t expected = ReplySize(code);
        Fuzz::Require(reply.size() ==
                          (fault == Emulator::ConsoleFault::ShortReplies ? expected / 2 : expected),
                      "an answer has its message's reply size");
        if (code == ConsoleModule::OpenScreen && fault == Emulator::ConsoleFault::None) {
            const std::uint32_t reference =
                static_cast<std::uint32_t>(bytes[3] | (bytes[4] << 8) | (bytes[5] << 16) | (bytes[6] << 24));
            const auto handle = static_cast<std::int32_t>(reply[0] | (reply[1] << 8) | (reply[2] << 16) |
                                                          (static_cast<std::uint32_t>(reply[3]) << 24));
            if (handle != -1) {
                const auto [known, inserted] = handles.emplace(reference, handle);
                Fuzz::Require(inserted || known->second == handle, "opening a screen again gives its handle");
                lastHandle = handle;
            }
        }
        Fuzz::Require(console.HandleCount() <= console.ScreenCount(), "no more handles than screens");
    }
    return 0;
}

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The identity of every NCP call the program sends or serves: function number, subfunction, how the
// request lays out the bytes after the function code, and a readable name for logs and fault injection.
namespace Ncp {

// What follows the function byte of a request.
enum class RequestLayout : std::uint8_t {
    Plain,                // the data (33, 97, 25, 66, 72, 73)
    LengthAndSubfunction, // BE16 length word (subfunction + data), subfunction, data (22, 23, 36, 131)
    Subfunction,          // subfunction, data; no length word (87, 104)
    Extension,            // 37: BE16 length word of the data, or 0xFFFF for the fragmented form; then data
};

// How function's requests are laid out. Unknown functions are Plain.
RequestLayout LayoutOf(std::uint8_t function);

// One call: a function, and its subfunction where the function has them.
struct CallId {
    std::uint8_t function = 0;
    std::optional<std::uint8_t> subfunction;

    friend bool operator==(const CallId&, const CallId&) = default;
};

// The calls, by name.
namespace Calls {
inline constexpr CallId GetFileServerInformation{23, 17};
inline constexpr CallId ConnectionInformation{23, 22};
inline constexpr CallId GetLoginKey{23, 23};
inline constexpr CallId KeyedObjectLogin{23, 24};
inline constexpr CallId GetStationLoggedInfo{23, 28};
inline constexpr CallId GetBinderyObjectId{23, 53};
inline constexpr CallId GetBinderyObjectName{23, 54};
inline constexpr CallId CheckConsolePrivileges{23, 200};
inline constexpr CallId Logout{25, std::nullopt};
inline constexpr CallId NegotiateBufferSize{33, std::nullopt};
inline constexpr CallId ScanExtensions{36, 0};
inline constexpr CallId ExtensionInfoByName{36, 2};
inline constexpr CallId ExtensionInfoByNumber{36, 5};
inline constexpr CallId ExecuteExtension{37, std::nullopt};
inline constexpr CallId CloseFile{66, std::nullopt};
inline constexpr CallId ReadFile{72, std::nullopt};
inline constexpr CallId WriteFile{73, std::nullopt};
inline constexpr CallId OpenCreateFile{87, 1};
inline constexpr CallId RenameOrMove{87, 4};
inline constexpr CallId ModifyDosInformation{87, 7};
inline constexpr CallId DeleteFile{87, 8};
inline constexpr CallId BigPacketMaxSize{97, std::nullopt};
inline constexpr CallId PingDirectoryServices{104, 1};
inline constexpr CallId DirectoryServicesFragment{104, 2};
inline constexpr CallId GetBinderyContext{104, 4};
inline constexpr CallId LoadNlm{131, 1};
inline constexpr CallId UnloadNlm{131, 2};
} // namespace Calls

struct CallInfo {
    CallId id;
    std::string_view name; // "Get File Server Information"
};

// Every call this library has a codec for, in function order.
std::span<const CallInfo> KnownCalls();

// "23/17 Get File Server Information", "33 Negotiate Buffer Size"; unknown calls read "23/99 Unknown".
// A subfunction given for a function without subfunctions is ignored.
std::string FunctionName(std::uint8_t function, std::optional<std::uint8_t> subfunction = std::nullopt);
inline std::string FunctionName(CallId id) {
    return FunctionName(id.function, id.subfunction);
}

// Whether function's requests carry a subfunction byte.
inline bool HasSubfunction(std::uint8_t function) {
    const RequestLayout layout = LayoutOf(function);
    return layout == RequestLayout::LengthAndSubfunction || layout == RequestLayout::Subfunction;
}

} // namespace Ncp

#pragma once

#include "emulator/ExtensionRegistry.h"
#include "emulator/ServerConsole.h"
#include "emulator/Volumes.h"
#include "ncp/PasswordCipher.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Emulator {

// Where every server takes its time from: the wall clock by default, a fixed or stepped clock in tests.
using Clock = std::function<std::chrono::system_clock::time_point()>;

// The facts a server is made with.
struct ServerConfig {
    std::string name;
    std::uint8_t majorVersion = 4;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::uint16_t maxConnections = 100;      // enforced: connection numbers beyond it are refused (0xD9)
    std::vector<std::string> volumes{"SYS"}; // SYS is added first when missing
    std::uint8_t sftLevel = 2;
    std::uint8_t ttsLevel = 1;
    std::string directoryName;   // the server's directory name, e.g. "CN=ATLAS.O=ACME" (major version >= 4)
    std::string binderyContext;  // e.g. "OU=SALES.O=ACME" (major version >= 4)
    bool standardScreens = true; // "System Console", "Monitor" and "Logger Screen"
};

// What one user may hold on a server, and the largest file it stores: bounds on what a peer can make the
// server spend. openFiles bounds the files of all users together (the process's descriptors).
struct ServerLimits {
    std::uint32_t connectionsPerUser = 16; // logged-in connections of one user object
    std::uint32_t openFilesPerConnection = 32;
    std::uint32_t openFilesPerUser = 128;
    std::size_t openFiles = 4096;
    std::uint64_t maxFileSize = 64ull * 1024 * 1024;
};

// NetWare's intruder detection: after attempts wrong passwords for one object within window, its logins are
// refused (0xC5) for lockout, also with the right password. attempts 0 turns it off.
struct IntruderDetection {
    std::uint32_t attempts = 7;
    std::chrono::minutes window{30};
    std::chrono::minutes lockout{15};
};

// A bindery object, with its directory name on servers that have directory services. A user keeps only the
// hash of its password (salted with its ID), never the password.
struct ServerObject {
    std::uint32_t id = 0;
    std::string binderyName;   // at most 47 characters
    std::string directoryName; // empty: the directory knows no name for it
    std::uint16_t type = 1;    // 1 = user
    Ncp::PasswordHash passwordHash{};
    bool consoleOperator = false; // may load and unload modules and write SYS:SYSTEM
};

// An NLM the server knows how to run: loading it lists it among the modules and, when it names an
// extension, registers that extension (unloading it removes the extension again). Modules without a
// definition load as well, when their file is in SYS:SYSTEM, and are only listed.
struct ModuleDefinition {
    std::string fileName; // e.g. "QVEXT.NLM"
    std::string description;
    std::string extensionName; // empty: the module registers no extension
    std::uint8_t majorVersion = 1;
    std::uint8_t minorVersion = 0;
    std::uint8_t revision = 0;
    std::array<std::uint8_t, 32> queryData{};
    std::function<std::shared_ptr<NCPExtension>()> makeExtension;
};

// One line of the server's event log, which the "Logger Screen" shows.
struct LogEntry {
    std::chrono::system_clock::time_point time;
    std::string text;
};

// One emulated NetWare file server: its identity and counts, its bindery objects and directory names,
// the users of its connections, its volumes, its modules and registered NCP extensions, and its console
// screens. Its NCP sessions reach it by connection number; everything here is the server's own side.
// Every server knows the console module "QVEXT.NLM", which registers "QV_EXT" (ConsoleModule).
class Server final {
public:
    static constexpr const char* ConsoleModuleFile = "QVEXT.NLM";
    static constexpr const char* ConsoleExtensionName = "QV_EXT";

    Server(ServerConfig config, const std::filesystem::path& volumesRoot, Clock clock);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    const ServerConfig& Config() const { return config_; }
    const std::string& Name() const { return config_.name; }
    bool HasDirectoryServices() const { return config_.majorVersion >= 4; }
    const ServerLimits& Limits() const { return limits_; }
    void SetLimits(const ServerLimits& limits) { limits_ = limits; }

    // --- bindery objects ---
    // Adds a user object with an empty password and no console rights; objectId 0 has one allocated.
    // Returns the ID.
    std::uint32_t AddUser(const std::string& binderyName, const std::string& directoryName,
                          std::uint32_t objectId = 0);
    const ServerObject* FindObject(std::uint32_t objectId) const;
    // The object of that bindery name (letter case ignored) and type, or null.
    const ServerObject* FindObject(std::string_view binderyName, std::uint16_t type) const;
    // Keeps the hash of the password (letter case ignored); false for an unknown object.
    bool SetPassword(std::uint32_t objectId, std::string_view password);
    bool SetConsoleOperator(std::uint32_t objectId, bool consoleOperator);

    // --- intruder detection ---
    void SetIntruderDetection(const IntruderDetection& settings) { intruderDetection_ = settings; }
    // Whether logins of the object are locked out now.
    bool LoginLocked(std::uint32_t objectId) const;
    // A wrong password for the object: counted, and the object locked once too many fall in the window.
    void LoginFailed(std::uint32_t objectId);
    // A login that succeeded forgets the wrong passwords before it.
    void LoginSucceeded(std::uint32_t objectId) { intruders_.erase(objectId); }
    // Whether the object exists and is a console operator; false for 0 (nobody).
    bool IsConsoleOperator(std::uint32_t objectId) const;

    // --- connections (numbered by the server) ---
    // The lowest free connection number (1..maxConnections), or 0 when every number is taken.
    std::uint32_t Attach(std::uint32_t userId);
    void Detach(std::uint32_t connection);
    // Logs userId in on the connection (0: logs out); the login time is now.
    bool SetConnectionUser(std::uint32_t connection, std::uint32_t userId);
    // The user object ID logged in on the connection (0: nobody); nothing for an unknown connection.
    std::optional<std::uint32_t> UserOnConnection(std::uint32_t connection) const;
    // When the connection's user logged in (or the connection was made); nothing for an unknown connection.
    std::optional<std::chrono::system_clock::time_point> LoginTime(std::uint32_t connection) const;
    std::size_t AttachedCount() const { return connections_.size(); }
    // The most connections attached at once since start.
    std::size_t PeakConnections() const { return peakConnections_; }
    // How many connections the user object is logged in on.
    std::size_t UserConnectionCount(std::uint32_t userId) const;

    // --- open files, counted per user and for the server ---
    bool MayOpenFile(std::uint32_t userId) const;
    void FilesOpened(std::uint32_t userId, std::ptrdiff_t count); // negative when files close
    std::size_t OpenFileCount() const { return openFiles_; }
    // NCP connection numbers are 16-bit and 0xFFFF means "none".
    static constexpr std::uint32_t MaxConnectionNumber = 0xFFFE;

    // --- NCP extensions ---
    ExtensionRegistry& Extensions() { return extensions_; }
    const ExtensionRegistry& Extensions() const { return extensions_; }
    // Registers an extension outside any module.
    std::uint32_t RegisterExtension(const std::string& name, std::uint8_t major, std::uint8_t minor,
                                    std::uint8_t revision, std::shared_ptr<NCPExtension> handler,
                                    const std::array<std::uint8_t, 32>& queryData = {});

    // --- modules ---
    void DefineModule(ModuleDefinition definition);
    // Loads by name: a path before the name is dropped, ".NLM" is added when the name has no extension,
    // letter case is ignored. InvalidModuleName, ModuleAlreadyLoaded or ModuleNotFound (no such file in
    // SYS:SYSTEM) when it cannot.
    std::uint16_t LoadModule(std::string_view name);
    // InvalidModuleName or ModuleNotLoaded when it cannot.
    std::uint16_t UnloadModule(std::string_view name);
    // Loaded module file names, upper-cased, in load order.
    std::vector<std::string> LoadedModules() const;
    bool IsModuleLoaded(std::string_view name) const;
    std::string ModuleDescription(std::string_view fileName) const;
    // The module file name a LOAD or UNLOAD of name means ("monitor" -> "MONITOR.NLM"); empty when none.
    static std::string ModuleFileName(std::string_view name);

    // --- volumes and console ---
    Volumes& ServerVolumes() { return volumes_; }
    const Volumes& ServerVolumes() const { return volumes_; }
    ServerConsole& Console() { return console_; }

    // --- time and events ---
    std::chrono::system_clock::time_point Now() const { return clock_(); }
    void SetClock(Clock clock);
    std::chrono::system_clock::time_point BootTime() const { return bootTime_; }
    void SetBootTime(std::chrono::system_clock::time_point bootTime) { bootTime_ = bootTime; }
    void Log(std::string text);
    // The latest entries (at most 200), oldest first.
    const std::deque<LogEntry>& EventLog() const { return eventLog_; }
    // How many entries were ever logged, including those dropped from the front.
    std::uint64_t LoggedCount() const { return loggedCount_; }

private:
    struct LoadedModule {
        std::string fileName;
        std::uint32_t extensionId = 0; // 0: registered none
    };

    const ModuleDefinition* Definition(std::string_view fileName) const;

    ServerConfig config_;
    Clock clock_;
    std::chrono::system_clock::time_point bootTime_;
    Volumes volumes_;
    std::map<std::uint32_t, ServerObject> objects_;
    std::uint32_t nextObjectId_ = 0x01000001;
    struct Attachment {
        std::uint32_t userId = 0;
        std::chrono::system_clock::time_point loginTime;
    };

    std::map<std::uint32_t, Attachment> connections_; // by connection number
    struct IntruderRecord {
        std::deque<std::chrono::system_clock::time_point> failures; // within the window, oldest first
        std::chrono::system_clock::time_point lockedUntil;
    };
    std::size_t peakConnections_ = 0;
    ServerLimits limits_;
    std::map<std::uint32_t, std::size_t> openFilesByUser_;
    std::size_t openFiles_ = 0;
    IntruderDetection intruderDetection_;
    std::map<std::uint32_t, IntruderRecord> intruders_; // by object ID
    std::vector<ModuleDefinition> definitions_;
    std::vector<LoadedModule> modules_;
    std::deque<LogEntry> eventLog_;
    std::uint64_t loggedCount_ = 0;
    // The console before the extensions: the console module registered there refers to it.
    ServerConsole console_;
    ExtensionRegistry extensions_;
};

} // namespace Emulator

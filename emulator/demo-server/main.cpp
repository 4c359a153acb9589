// tessaline-demo-server: the demo network's servers (ATLAS, BOREAS, CASTOR) answering NCP over TCP, for
// trying the program against real sockets and for the client's tests. It is a demo network, not a NetWare
// server. Prints one line per server ("ATLAS 127.0.0.1:40123") once all listen, and runs until SIGINT or
// SIGTERM.

#include "emulator/DemoNetwork.h"
#include "emulator/NcpServer.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* Usage =
    "Usage: tessaline-demo-server [options]\n"
    "\n"
    "Runs Tessaline's demo network: three emulated servers (ATLAS, BOREAS, CASTOR) that answer the\n"
    "NetWare Core Protocol over TCP, each on its own port. This is a demo network for trying the program\n"
    "and testing its client, not a NetWare server: it serves the few calls the program makes.\n"
    "\n"
    "Options:\n"
    "  --address ADDRESS      IPv4 address to listen on (default 127.0.0.1)\n"
    "  --port-base PORT       fixed ports: ATLAS on PORT, BOREAS on PORT+1, CASTOR on PORT+2\n"
    "                         (default: ports chosen by the system)\n"
    "  --volumes DIRECTORY    where the servers' volumes live (default: the program's,\n"
    "                         under the user's data directory)\n"
    "  --idle-timeout SECONDS close a connection that completes no request for so long\n"
    "                         (default 900); a started frame must arrive whole within 10 s\n"
    "  --latency MS           delay every reply by MS milliseconds, as over a WAN (default 0)\n"
    "  --capture FILE         write every NCP frame to a pcap capture file\n"
    "  --max-file-size MIB    the largest file a client may write (default 64); a write\n"
    "                         beyond it answers \"out of space\" (0x96)\n"
    "  --connections-per-user N  logged-in connections per user and server (default 16)\n"
    "  --open-files-per-user N   open files per user and server (default 128, at most\n"
    "                         32 per connection)\n"
    "  --intruder-attempts N  wrong passwords within the window that lock a user's logins\n"
    "                         (default 7; 0: no intruder detection)\n"
    "  --intruder-window MINUTES   the window they are counted in (default 30)\n"
    "  --intruder-lockout MINUTES  how long a lock lasts (default 15); restarting the\n"
    "                         server resets every lock\n"
    "  --help                 show this text\n"
    "\n"
    "Demo users (passwords are not case-sensitive):\n"
    "  ATLAS   ADMIN / acme (console operator), GUEST / guest (no console rights)\n"
    "  BOREAS  JDOE / sales (console operator)\n"
    "  CASTOR  SUPERVISOR / castor (console operator)\n"
    "\n"
    "Each server takes at most its advertised number of connections (ATLAS 250, BOREAS 100,\n"
    "CASTOR 25) and closes any further one at once.\n"
    "\n"
    "Once all servers listen, one line per server is printed: NAME ADDRESS:PORT.\n"
    "Stops on SIGINT or SIGTERM.\n";

struct Settings {
    std::string address = "127.0.0.1";
    std::optional<unsigned long> portBase;
    std::string volumes;
    unsigned long idleSeconds = 900;
    unsigned long latencyMilliseconds = 0;
    std::string capture;
    Emulator::ServerLimits limits;
    Emulator::IntruderDetection intruders;
    bool help = false;
};

// The numeric options: name, largest value, smallest value, where the value goes.
struct NumberOption {
    std::string_view name;
    unsigned long minimum;
    unsigned long maximum;
    std::function<void(Settings&, unsigned long)> store;
};

const std::vector<NumberOption>& NumberOptions() {
    static const std::vector<NumberOption> options{
        {"--max-file-size", 1, 4095,
         [](Settings& s, unsigned long v) { s.limits.maxFileSize = std::uint64_t{v} * 1024 * 1024; }},
        {"--connections-per-user", 1, 65535,
         [](Settings& s, unsigned long v) { s.limits.connectionsPerUser = static_cast<std::uint32_t>(v); }},
        {"--open-files-per-user", 1, 65535,
         [](Settings& s, unsigned long v) { s.limits.openFilesPerUser = static_cast<std::uint32_t>(v); }},
        {"--intruder-attempts", 0, 1000,
         [](Settings& s, unsigned long v) { s.intruders.attempts = static_cast<std::uint32_t>(v); }},
        {"--intruder-window", 1, 7 * 24 * 60,
         [](Settings& s, unsigned long v) { s.intruders.window = std::chrono::minutes(v); }},
        {"--intruder-lockout", 1, 7 * 24 * 60,
         [](Settings& s, unsigned long v) { s.intruders.lockout = std::chrono::minutes(v); }},
    };
    return options;
}

std::optional<unsigned long> Number(const char* text, unsigned long maximum) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value > maximum || text[0] == '-')
        return std::nullopt;
    return value;
}

// Nothing, with a message on stderr, for an unknown option or a bad value.
std::optional<Settings> Parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            settings.help = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "tessaline-demo-server: unknown option or missing value: %s\n", argv[i]);
            return std::nullopt;
        }
        const char* value = argv[++i];
        if (option == "--address") {
            settings.address = value;
        } else if (option == "--port-base") {
            settings.portBase = Number(value, 65533);
            if (!settings.portBase || *settings.portBase == 0) {
                std::fprintf(stderr, "tessaline-demo-server: --port-base takes a port from 1 to 65533\n");
                return std::nullopt;
            }
        } else if (option == "--volumes") {
            settings.volumes = value;
        } else if (option == "--idle-timeout") {
            const auto seconds = Number(value, 7 * 24 * 3600);
            if (!seconds || *seconds == 0) {
                std::fprintf(stderr, "tessaline-demo-server: --idle-timeout takes a number of seconds\n");
                return std::nullopt;
            }
            settings.idleSeconds = *seconds;
        } else if (option == "--latency") {
            const auto milliseconds = Number(value, 10000);
            if (!milliseconds) {
                std::fprintf(stderr, "tessaline-demo-server: --latency takes milliseconds from 0 to 10000\n");
                return std::nullopt;
            }
            settings.latencyMilliseconds = *milliseconds;
        } else if (option == "--capture") {
            settings.capture = value;
        } else if (const auto known = std::find_if(NumberOptions().begin(), NumberOptions().end(),
                                                   [&](const NumberOption& o) { return o.name == option; });
                   known != NumberOptions().end()) {
            const auto number = Number(value, known->maximum);
            if (!number || *number < known->minimum) {
                std::fprintf(stderr, "tessaline-demo-server: %s takes a number from %lu to %lu\n",
                             argv[i - 1], known->minimum, known->maximum);
                return std::nullopt;
            }
            known->store(settings, *number);
        } else {
            std::fprintf(stderr, "tessaline-demo-server: unknown option: %s\n", argv[i - 1]);
            return std::nullopt;
        }
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Settings> settings = Parse(argc, argv);
    if (!settings) {
        std::fputs("Try --help.\n", stderr);
        return 2;
    }
    if (settings->help) {
        std::fputs(Usage, stdout);
        return 0;
    }

    // The signals are waited for here; blocked before the server's thread starts, so it inherits the mask
    // and never takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::string volumes =
        settings->volumes.empty() ? Emulator::DefaultVolumesRoot() : settings->volumes;
    std::vector<Emulator::DemoServer> servers = Emulator::MakeDemoServers(volumes);
    Emulator::NcpServer::Options options;
    options.idleTimeout = std::chrono::seconds(settings->idleSeconds);
    options.captureFile = settings->capture;
    options.replyLatency = std::chrono::milliseconds(settings->latencyMilliseconds);
    Emulator::NcpServer ncp(options);
    std::uint16_t port = settings->portBase ? static_cast<std::uint16_t>(*settings->portBase) : 0;
    for (const Emulator::DemoServer& demo : servers) {
        demo.server->SetLimits(settings->limits);
        demo.server->SetIntruderDetection(settings->intruders);
        if (!demo.server->ServerVolumes().Ready())
            std::fprintf(stderr, "tessaline-demo-server: the volumes of %s cannot be made under %s\n",
                         demo.server->Name().c_str(), volumes.c_str());
        ncp.AddServer(*demo.server, settings->address, port);
        if (port != 0)
            ++port;
    }
    std::string error;
    if (!ncp.Start(&error)) {
        std::fprintf(stderr, "tessaline-demo-server: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& name : ncp.ServerNames())
        std::printf("%s %s:%u\n", name.c_str(), settings->address.c_str(), unsigned{ncp.Port(name)});
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    ncp.Stop();
    return 0;
}

#include "tools/vorne/options.hpp"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <type_traits>

#include "platform/udp_socket.hpp"
#include "platform/utf.hpp"

namespace vorne_tool {
namespace {

enum : unsigned {
    kRead = 1,
    kWrite = 2,
    kPoll = 4,
    kDiscover = 8,
    kBrowse = 16,
    kSim = 32,
    kDemo = 64,
    kDriver = kRead | kWrite | kPoll | kBrowse,  // commands that load the driver for a site
    kAll = 127,
};

struct OptionSpec {
    const char* name;
    const char* value;  // nullptr: a flag
    unsigned commands;
    const char* help;
};

const OptionSpec kOptions[] = {
    {"--json", nullptr, kRead | kPoll | kDiscover | kBrowse, "one JSON object per line"},
    {"--tags", "FILE", kPoll, "the tag list: CSV, name,station,address per row"},
    {"--interval", "MS", kPoll, "time from the start of one scan to the next (default 1000)"},
    {"--count", "N", kPoll, "stop after N scans (default: until Ctrl-C)"},
    {"--strict", nullptr, kPoll, "refuse a tag list with a bad row (exit status 2) instead of leaving the row out"},
    {"--out", "FILE", kBrowse, "write the tag list to FILE (default: standard output)"},
    {"--range", "LOW-HIGH", kDiscover, "only devices LOW..HIGH answer the Who-Is"},
    {"--null-value", "TEXT", kWrite, "the VALUE text that writes Null (relinquishes the priority), e.g. NULL"},
    {"--port", "N", kAll & ~kSim, "UDP port of the BACnet/IP network (default 47808)"},
    {"--port", "N", kSim, "UDP port the device listens on (default 47808)"},
    {"--timeout", "MS", kDriver | kDemo, "answer time-out in milliseconds (default 3000)"},
    {"--timeout", "MS", kDiscover, "how long to collect I-Am answers, in milliseconds (default 3000)"},
    {"--bind", "ADDR", kDriver | kDiscover, "local IPv4 address to send and listen on (default: all)"},
    {"--bind", "ADDR", kSim, "IPv4 address the device listens on (default 127.0.0.2)"},
    {"--broadcast", "ADDR", kDriver, "where Who-Is goes (default 255.255.255.255)"},
    {"--broadcast", "ADDR[,ADDR...]", kDiscover, "where Who-Is goes, one to each (default 255.255.255.255)"},
    {"--mstp", "DEVICE", kDriver, "use MS/TP on the serial DEVICE instead of BACnet/IP"},
    {"--mstp", "DEVICE", kSim, "be an MS/TP station on the serial DEVICE; \"pty\" makes a pseudo-terminal"},
    {"--baud", "N", kDriver | kSim, "MS/TP baud rate (default 38400)"},
    {"--station", "N", kDriver, "the driver's own MS/TP station (default 1)"},
    {"--station", "N", kSim, "the device's MS/TP station (default 2)"},
    {"--device", "N", kSim, "the device instance (default 1234)"},
    {"--objects", "FILE", kSim, "load the object set from FILE (see tools/sim/README.md)"},
    {"--name", "TEXT", kSim, "the device's object-name"},
    {"--network", "N", kSim, "place the device behind a router, on this network"},
    {"--mac", "N", kSim, "the device's MAC on that network (default 1)"},
    {"--no-segmentation", nullptr, kSim, "a device that never segments"},
    {"--unreadable", "TYPE:INSTANCE,...", kSim, "objects that answer every read with read-access-denied"},
    {"--log", "FILE", kDriver | kDemo, "write the driver's communication log to FILE"},
    {"--verbose", nullptr, kDriver | kDemo, "show the driver's communication log on standard error"},
    {"--driver", "PATH", kDriver | kDemo, "the driver library to load (default: next to vorne, or $VORNE_DRIVER)"},
    {"--help", nullptr, kAll, "this text"},
};

unsigned CommandBit(const std::string& command) {
    static const char* const kNames[] = {"read", "write", "poll", "discover", "browse", "sim", "demo"};
    for (unsigned i = 0; i < std::size(kNames); ++i)
        if (command == kNames[i]) return 1u << i;
    return 0;
}

const OptionSpec* FindOption(std::string_view name, unsigned bit) {
    for (const auto& entry : kOptions)
        if (name == entry.name && (entry.commands & bit) != 0) return &entry;
    return nullptr;
}

bool KnownOption(std::string_view name) {
    for (const auto& entry : kOptions)
        if (name == entry.name) return true;
    return false;
}

bool ReadNumber(const char* text, std::int64_t low, std::int64_t high, std::int64_t& out) {
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

// LOW-HIGH, both device instances, LOW <= HIGH.
bool ReadRange(const char* text, std::int64_t& low, std::int64_t& high) {
    const std::string range = text;
    const auto dash = range.find('-');
    if (dash == std::string::npos) return false;
    std::int64_t a = 0, b = 0;
    if (!ReadNumber(range.substr(0, dash).c_str(), 0, 4194303, a) ||
        !ReadNumber(range.substr(dash + 1).c_str(), 0, 4194303, b) || a > b)
        return false;
    low = a;
    high = b;
    return true;
}

// An IPv4 address, or with `list` a comma-separated list of them; the message names the bad one.
bool CheckAddresses(const std::string& option, const std::string& text, bool list, std::string& error) {
    std::stringstream items(text);
    int count = 0;
    for (std::string item; std::getline(items, item, ','); ++count)
        if (!platform::ParseIpv4(item))
            return error = option + " " + text + ": '" + item + "' is not an IPv4 address (e.g. 192.168.1.255)", false;
    if (count == 0) return error = option + " needs an IPv4 address", false;
    if (count > 1 && !list) return error = option + " takes one IPv4 address", false;
    return true;
}

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) ::unsetenv(name);
    else ::setenv(name, value.c_str(), 1);
#endif
}

// Applies one option with its value (nullptr for a flag); false with a message.
bool Apply(std::string_view arg, const char* text, const std::string& command, CommonOptions& options,
           std::string& error) {
    std::int64_t number = 0;
    auto needs = [&](const char* what) {
        error = std::string(arg) + " needs " + what + ", not '" + text + "'";
        return false;
    };
    // A number low..high into the field, or the message what it needs.
    auto numberInto = [&](auto& field, std::int64_t low, std::int64_t high, const char* what) {
        if (!ReadNumber(text, low, high, number)) return needs(what);
        field = static_cast<std::remove_reference_t<decltype(field)>>(number);
        return true;
    };
    if (arg == "--help") options.help = true;
    else if (arg == "--json") options.json = true;
    else if (arg == "--strict") options.strict = true;
    else if (arg == "--verbose") options.verbose = true;
    else if (arg == "--no-segmentation") options.simNoSegmentation = true;
    else if (arg == "--port") {
        return numberInto(options.host.udpPort, 1, 65535, "a port 1..65535");
    } else if (arg == "--timeout") {
        return numberInto(options.host.timeoutMs, 1, 65535, "1..65535 ms");
    } else if (arg == "--null-value") {
        options.host.nullValue = platform::Utf8ToUtf16(text);
    } else if (arg == "--log") {
        options.logFile = text;
    } else if (arg == "--bind") {
        if (!CheckAddresses("--bind", text, false, error)) return false;
        options.bind = text;
    } else if (arg == "--broadcast") {
        if (!CheckAddresses("--broadcast", text, command == "discover", error)) return false;
        options.broadcast = text;
    } else if (arg == "--mstp") {
        options.host.mstpDevice = text;
    } else if (arg == "--baud") {
        return numberInto(options.host.baudRate, 1200, 1000000, "a baud rate such as 38400");
    } else if (arg == "--station") {
        options.host.mstpStation = text;
        options.stationGiven = true;
    } else if (arg == "--driver") {
        options.driverPath = text;
    } else if (arg == "--tags") {
        options.tagsFile = text;
    } else if (arg == "--objects") {
        options.objectsFile = text;
    } else if (arg == "--interval") {
        return numberInto(options.intervalMs, 1, 86400000, "milliseconds");
    } else if (arg == "--count") {
        return numberInto(options.count, 1, 1LL << 40, "a number of scans");
    } else if (arg == "--device") {
        return numberInto(options.deviceInstance, 0, 4194302, "0..4194302");
    } else if (arg == "--range") {
        if (!ReadRange(text, options.rangeLow, options.rangeHigh)) return needs("LOW-HIGH, two device instances");
    } else if (arg == "--out") {
        options.outFile = text;
    } else if (arg == "--name") {
        options.simName = text;
    } else if (arg == "--network") {
        return numberInto(options.simNetwork, 0, 65534, "0..65534");
    } else if (arg == "--mac") {
        return numberInto(options.simMac, 0, 255, "0..255");
    } else if (arg == "--unreadable") {
        options.simUnreadable = text;
    }
    return true;
}

}  // namespace

std::string OptionsHelp(const std::string& command) {
    const unsigned bit = CommandBit(command);
    std::string text;
    for (const auto& entry : kOptions) {
        if ((entry.commands & bit) == 0) continue;
        const std::string name = std::string(entry.name) + (entry.value ? std::string(" ") + entry.value : "");
        char line[200];
        std::snprintf(line, sizeof line, "  %-24s %s\n", name.c_str(), entry.help);
        text += line;
    }
    return text;
}

bool ParseOptions(const std::string& command, int argc, char** argv, int first, CommonOptions& options,
                  std::string& error) {
    options.command = command;
    const unsigned bit = CommandBit(command);
    for (int i = first; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h") arg = "--help";
        const bool looksLikeOption = arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
        if (!looksLikeOption) {
            options.positional.emplace_back(arg);
            continue;
        }
        const OptionSpec* entry = FindOption(arg, bit);
        if (entry == nullptr) {
            error = KnownOption(arg) ? std::string(arg) + " is not an option of " + command
                                     : "unknown option " + std::string(arg);
            error += " (see vorne " + command + " --help)";
            return false;
        }
        const char* text = nullptr;
        if (entry->value != nullptr) {
            if (i + 1 >= argc) return error = std::string(arg) + " needs a value: " + entry->value, false;
            text = argv[++i];
        }
        if (!Apply(arg, text, command, options, error)) return false;
    }
    return true;
}

void ApplyEnvironment(const CommonOptions& options) {
#ifdef _WIN32
    const char* nowhere = "NUL";
#else
    const char* nowhere = "/dev/null";
#endif
    if (!options.logFile.empty()) SetEnvironment("VORNE_LOG", options.logFile);
    else if (options.verbose) SetEnvironment("VORNE_LOG", "");
    else if (std::getenv("VORNE_LOG") == nullptr) SetEnvironment("VORNE_LOG", nowhere);
    if (!options.bind.empty()) SetEnvironment("VORNE_BIND", options.bind);
    if (!options.broadcast.empty()) SetEnvironment("VORNE_BROADCAST", options.broadcast);
}

}  // namespace vorne_tool

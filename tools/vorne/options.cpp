#include "tools/vorne/options.hpp"

#include <cstdlib>
#include <string_view>

#include "platform/utf.hpp"

namespace vorne_tool {
namespace {

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

void SetEnvironment(const char* name, const std::string& value) {
    if (value.empty()) return;
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

}  // namespace

const char* const kCommonOptionsHelp =
    "  --port N          UDP port of the BACnet/IP network (default 47808)\n"
    "  --timeout MS      answer time-out in milliseconds (default 3000)\n"
    "  --null-value TEXT value text that relinquishes a write (writes Null)\n"
    "  --log FILE        write the communication log to FILE (else standard error)\n"
    "  --bind ADDR       local IPv4 address of the driver's socket\n"
    "  --broadcast ADDR  address that Who-Is broadcasts go to\n"
    "  --mstp DEVICE     use MS/TP on the serial DEVICE instead of BACnet/IP\n"
    "  --baud N          MS/TP baud rate (default 38400)\n"
    "  --station N       the driver's own MS/TP station (default 1; for sim, the device's, default 2)\n"
    "  --driver PATH     the driver library to load (default: next to vorne, or $VORNE_DRIVER)\n"
    "  --help            this text\n";

bool ParseOptions(int argc, char** argv, int first, CommonOptions& options, std::string& error) {
    for (int i = first; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        const char* text = nullptr;
        std::int64_t number = 0;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--port") {
            if (!value(text) || !ReadNumber(text, 1, 65535, number)) return error = "--port needs 1..65535", false;
            options.host.udpPort = static_cast<std::uint32_t>(number);
        } else if (arg == "--timeout") {
            if (!value(text) || !ReadNumber(text, 1, 65535, number)) return error = "--timeout needs 1..65535 ms", false;
            options.host.timeoutMs = static_cast<std::uint16_t>(number);
        } else if (arg == "--null-value") {
            if (!value(text)) return false;
            options.host.nullValue = platform::Utf8ToUtf16(text);
        } else if (arg == "--log") {
            if (!value(text)) return false;
            options.logFile = text;
        } else if (arg == "--bind") {
            if (!value(text)) return false;
            options.bind = text;
        } else if (arg == "--broadcast") {
            if (!value(text)) return false;
            options.broadcast = text;
        } else if (arg == "--mstp") {
            if (!value(text)) return false;
            options.host.mstpDevice = text;
        } else if (arg == "--baud") {
            if (!value(text) || !ReadNumber(text, 1200, 1000000, number)) return error = "--baud needs a rate", false;
            options.host.baudRate = static_cast<std::uint32_t>(number);
        } else if (arg == "--station") {
            if (!value(text)) return false;
            options.host.mstpStation = text;
            options.stationGiven = true;
        } else if (arg == "--driver") {
            if (!value(text)) return false;
            options.driverPath = text;
        } else if (arg == "--tags" || arg == "--objects") {
            if (!value(text)) return false;
            (arg == "--tags" ? options.tagsFile : options.objectsFile) = text;
        } else if (arg == "--interval") {
            if (!value(text) || !ReadNumber(text, 1, 86400000, number)) return error = "--interval needs ms", false;
            options.intervalMs = static_cast<std::uint32_t>(number);
        } else if (arg == "--count") {
            if (!value(text) || !ReadNumber(text, 1, 1LL << 40, number)) return error = "--count needs a number", false;
            options.count = number;
        } else if (arg == "--device") {
            if (!value(text) || !ReadNumber(text, 0, 4194302, number)) return error = "--device needs 0..4194302", false;
            options.deviceInstance = static_cast<std::uint32_t>(number);
        } else if (arg == "--range") {
            if (!value(text) || !ReadRange(text, options.rangeLow, options.rangeHigh))
                return error = "--range needs LOW-HIGH, two device instances", false;
        } else if (arg == "--out") {
            if (!value(text)) return false;
            options.outFile = text;
        } else if (arg == "--name") {
            if (!value(text)) return false;
            options.simName = text;
        } else if (arg == "--network") {
            if (!value(text) || !ReadNumber(text, 0, 65534, number)) return error = "--network needs 0..65534", false;
            options.simNetwork = static_cast<std::uint16_t>(number);
        } else if (arg == "--mac") {
            if (!value(text) || !ReadNumber(text, 0, 255, number)) return error = "--mac needs 0..255", false;
            options.simMac = static_cast<std::uint8_t>(number);
        } else if (arg == "--no-segmentation") {
            options.simNoSegmentation = true;
        } else if (arg == "--unreadable") {
            if (!value(text)) return false;
            options.simUnreadable = text;
        } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            error = "unknown option " + std::string(arg);
            return false;
        } else {
            options.positional.emplace_back(arg);
        }
    }
    return true;
}

void ApplyEnvironment(const CommonOptions& options) {
    SetEnvironment("VORNE_LOG", options.logFile);
    SetEnvironment("VORNE_BIND", options.bind);
    SetEnvironment("VORNE_BROADCAST", options.broadcast);
}

}  // namespace vorne_tool

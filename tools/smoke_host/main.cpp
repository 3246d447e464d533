// A minimal host: loads the driver library, opens it on BACnet/IP, asks it
// about a few tag addresses and closes it. Exit code 0 when every step
// answered as a host expects.
//
//   vorne_smoke_host [path-to-driver-library] [udp-port]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/dynamic_library.hpp"
#include "platform/utf.hpp"
#include "vorne/settings_record.hpp"
#include "vorne/vorne.h"

namespace {

template <typename Fn>
Fn Entry(const platform::DynamicLibrary& library, const char* name) {
    auto fn = reinterpret_cast<Fn>(library.Symbol(name));
    if (fn == nullptr) {
        std::fprintf(stderr, "vorne_smoke_host: the library lacks %s\n", name);
        std::exit(2);
    }
    return fn;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1]
                                      : (std::filesystem::path(argv[0]).parent_path().parent_path() / "src" /
                                         VORNE_LIBRARY_FILE).string();
    const std::uint32_t port = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 47808;
    platform::DynamicLibrary library(path);
    if (!library.IsLoaded()) {
        std::fprintf(stderr, "vorne_smoke_host: cannot load %s: %s\n", path.c_str(), library.Error().c_str());
        return 2;
    }
    auto open = Entry<decltype(&UDrvOpenW)>(library, "UDrvOpenW");
    auto close = Entry<decltype(&UDrvClose)>(library, "UDrvClose");
    auto idle = Entry<decltype(&UDrvOnIdle)>(library, "UDrvOnIdle");
    auto validAddress = Entry<decltype(&UDrvValidAddressExW)>(library, "UDrvValidAddressExW");
    auto getType = Entry<decltype(&UDrvGetTypeW)>(library, "UDrvGetTypeW");

    vorne::DriverSettings settings{};
    settings.timeout = 2000;
    settings.udpPort = port;
    char16_t version[16] = {};
    std::int32_t error = 0;
    if (open(nullptr, &settings, version, &error) != 1) {
        std::fprintf(stderr, "vorne_smoke_host: open failed with error %d\n", error);
        return 1;
    }
    std::printf("driver %s opened on UDP port %u\n", platform::Utf16ToUtf8(version).c_str(), port);
    idle();

    int failures = 0;
    const struct {
        const char16_t* address;
        int32_t type;
    } tags[] = {{u"AV:1:PRESENT-VALUE", 2}, {u"BI:3:PRESENT-VALUE", 1}, {u"DEV:1234:OBJECT-NAME", 3}};
    for (const auto& tag : tags) {
        const int32_t valid = validAddress(tag.address);
        const int32_t type = getType(nullptr, tag.address);
        std::printf("%-24s valid=%d type=%d\n", platform::Utf16ToUtf8(tag.address).c_str(), valid == 0, type);
        failures += valid != 0 || type != tag.type;
    }
    close(nullptr);
    std::printf("%s\n", failures == 0 ? "smoke run passed" : "smoke run FAILED");
    return failures == 0 ? 0 : 1;
}

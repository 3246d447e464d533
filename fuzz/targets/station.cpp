// Station texts as the host gives them with a group, on either link: parsed,
// put on the device table (bound at once when they carry a link address) and
// resolved to the address and routing that requests go out with. Input: the
// text, see TextFromBytes in fuzz_support.hpp.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "host/station.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzzing::TextFromBytes(data, size);
    static LinkServices::MSTP mstp;
    LinkServices::ILink* const links[] = {&host::Driver().bvll, &mstp};
    for (LinkServices::ILink* link : links) {
        LinkServices::ActiveLink() = link;
        host::ClearDeviceTable();
        host::StationInfo info;
        host::ParseStation(text, info);
        host::DiscoverStation(text);
        LinkServices::LinkAddress address;
        network::NpduInfo npdu;
        host::ResolveStation(text, address, npdu);
    }
    LinkServices::ActiveLink() = nullptr;
    host::ClearDeviceTable();
    return 0;
}

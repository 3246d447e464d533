// A peer's ReadPropertyMultiple request (the bytes behind the service
// choice), answered from the driver's Device object through the recording link.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "services/read_property_multiple.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    fuzzing::InstallRecordingLinkAndHooks(LinkServices::kLinkBacnetIp);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::BeginExchange(1);
    LinkServices::LinkAddress source;
    source.SetIp(u"10.0.0.9", 47808);
    APDUServices::ReadPropertyMultiple(9).Process(source, network::NpduInfo{}, data, size);
    return 0;
}

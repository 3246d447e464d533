// A ReadPropertyMultiple acknowledgement (the bytes behind the service
// choice): each result decoded by its property's coder or as a primitive,
// and handed to the read cycle.
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
    APDUServices::ReadPropertyMultipleAck(1).Process(source, network::NpduInfo{}, data, size);
    return 0;
}

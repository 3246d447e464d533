// The BACnet/IP byte stream as the shared receiver hands it over: frames
// assembled byte by byte, their NPDUs decoded and their APDUs dispatched.
// Input: the invoke ID of the pending request, then the received bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "host/driver_state.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    fuzzing::InstallRecordingLinkAndHooks(LinkServices::kLinkBacnetIp);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzzing::BeginExchange(data[0]);
    LinkServices::BVLL& bvll = host::Driver().receiveBvll;
    bvll.ClearAssembler();
    LinkServices::LinkAddress source;
    source.SetIp(u"10.0.0.9", 47808);
    for (std::size_t i = 1; i < size; ++i) bvll.ProcessByte(data[i], source);
    return 0;
}

// BACnet/IP datagrams as the shared receiver hands them over, one BVLC
// message each: checked, their NPDUs decoded and their APDUs dispatched.
// Input: the invoke ID of the pending request, then datagrams, each behind
// its length in two octets (big-endian; the last one takes what is left).
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
    LinkServices::LinkAddress source;
    source.SetIp(u"10.0.0.9", 47808);
    std::size_t at = 1;
    while (at + 2 <= size) {
        std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
        at += 2;
        if (length > size - at) length = size - at;
        bvll.ProcessDatagram(data + at, length, source);
        at += length;
    }
    return 0;
}

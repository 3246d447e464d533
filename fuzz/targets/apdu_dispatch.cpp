// The APDU dispatcher with a request pending, so that acknowledgements,
// errors and segments are taken up. Input: the invoke ID of the pending
// request, then APDUs as records (fuzz_support.hpp), dispatched in order, so
// that the segments of one answer can follow each other.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.hpp"
#include "services/dispatch.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    fuzzing::InstallRecordingLinkAndHooks(LinkServices::kLinkBacnetIp);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzzing::BeginExchange(data[0]);
    LinkServices::LinkAddress source;
    source.SetIp(u"10.0.0.9", 47808);
    for (const auto& apdu : fuzzing::Records(data + 1, size - 1))
        services::Dispatch(source, network::NpduInfo{}, apdu.data(), apdu.size());
    return 0;
}

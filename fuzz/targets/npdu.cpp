// Received NPDUs: the network header parsed, the APDU behind it checked to
// lie inside the NPDU, then dispatched, so that answers go back with the
// routing the header gave. Input: the invoke ID of the pending request, then
// the NPDU.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.hpp"
#include "network/npdu.hpp"
#include "services/dispatch.hpp"

namespace {

const std::uint8_t* g_npdu = nullptr;
std::size_t g_npduLength = 0;

void CheckThenDispatch(const LinkServices::LinkAddress& source, const network::NpduInfo& info,
                       const std::uint8_t* apdu, std::size_t length) {
    const bool inside = apdu >= g_npdu && length <= g_npduLength &&
                        static_cast<std::size_t>(apdu - g_npdu) <= g_npduLength - length;
    if (!inside || info.sourceMacLength > network::NpduInfo::kMaxMacLength ||
        info.destinationMacLength > network::NpduInfo::kMaxMacLength)
        std::abort();
    services::Dispatch(source, info, apdu, length);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    fuzzing::InstallRecordingLinkAndHooks(LinkServices::kLinkBacnetIp);
    network::SetApduHandler(&CheckThenDispatch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzzing::BeginExchange(data[0]);
    g_npdu = data + 1;
    g_npduLength = size - 1;
    LinkServices::LinkAddress source;
    source.SetIp(u"10.0.0.9", 47808);
    network::ProcessNpdu(source, g_npdu, g_npduLength);
    return 0;
}

// The MS/TP byte stream from the serial line: frames assembled byte by byte,
// checked, and their NPDUs decoded and dispatched. Input: the invoke ID of
// the pending request, a mode byte, then either the raw bytes (mode even) or
// records (fuzz_support.hpp) of frame type, destination, source and data,
// each sent as a frame with correct CRCs (mode odd), so that the layers
// above are reached as often as the assembler's own checks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.hpp"
#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"

namespace {

constexpr std::uint8_t kOwnStation = 3;

LinkServices::MSTP& Link() {
    static LinkServices::MSTP link;
    return link;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    fuzzing::InstallRecordingLinkAndHooks(LinkServices::kLinkMstp);
    Link().SetOwnStation(kOwnStation);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    fuzzing::BeginExchange(data[0]);
    LinkServices::MSTP& link = Link();
    link.ClearAssembler();
    if ((data[1] & 1) == 0) {
        for (std::size_t i = 2; i < size; ++i) link.ProcessByte(data[i]);
        return 0;
    }
    for (const auto& record : fuzzing::Records(data + 2, size - 2)) {
        if (record.size() < 3) continue;
        const auto frame = LinkServices::MstpFrame::Encode(record[0], record[1], record[2], record.data() + 3,
                                                           static_cast<std::uint16_t>(record.size() - 3));
        for (std::uint8_t byte : frame) link.ProcessByte(byte);
    }
    return 0;
}

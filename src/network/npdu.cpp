#include "network/npdu.hpp"

#include <cstring>
#include <vector>

#include "links/current_link.hpp"
#include "platform/trace.hpp"
#include "services/dispatch.hpp"

namespace network {
namespace {

constexpr std::size_t kMaxNpduHeaderBytes = 24;
constexpr std::size_t kStackFrameBytes = 1536;

constexpr int kErrorMalformed = 2;

ApduHandler& Handler() {
    static ApduHandler handler = &services::Dispatch;
    return handler;
}

// Reads network, MAC length and MAC at pos; at least one byte must remain
// behind them.
bool ReadAddressGroup(const std::uint8_t* frame, std::size_t length, std::size_t& pos, std::uint16_t& net,
                      std::uint32_t& macLength, const std::uint8_t*& mac) {
    if (!(pos + 3 < length)) {
        platform::TraceError(kErrorMalformed);
        return false;
    }
    net = static_cast<std::uint16_t>((frame[pos] << 8) | frame[pos + 1]);
    macLength = frame[pos + 2];
    pos += 3;
    mac = frame + pos;
    if (macLength == 0) return true;
    if (macLength > NpduInfo::kMaxMacLength || pos + macLength >= length) {
        platform::TraceError(kErrorMalformed);
        return false;
    }
    pos += macLength;
    return true;
}

}  // namespace

ApduHandler SetApduHandler(ApduHandler handler) {
    ApduHandler previous = Handler();
    Handler() = handler != nullptr ? handler : &services::Dispatch;
    return previous;
}

void BuildNpdu(NpduInfo& info, const std::uint8_t* apdu, std::size_t apduLength, std::uint8_t* out,
               std::size_t& outLength) {
    std::size_t n = 0;
    out[n++] = 0x01;
    info.SetExpectingReply();
    out[n++] = info.ControlByte();
    // The control byte, the destination group and the hop count follow one test.
    if (info.HasDestination()) {
        out[n++] = static_cast<std::uint8_t>(info.destinationNetwork >> 8);
        out[n++] = static_cast<std::uint8_t>(info.destinationNetwork);
        out[n++] = static_cast<std::uint8_t>(info.destinationMacLength);
        for (std::uint32_t i = 0; i < info.destinationMacLength && i < NpduInfo::kMaxMacLength; ++i)
            out[n++] = info.destinationMac[i];
    }
    if (info.sourcePresent) {
        out[n++] = static_cast<std::uint8_t>(info.sourceNetwork >> 8);
        out[n++] = static_cast<std::uint8_t>(info.sourceNetwork);
        out[n++] = static_cast<std::uint8_t>(info.sourceMacLength);
        for (std::uint32_t i = 0; i < info.sourceMacLength && i < NpduInfo::kMaxMacLength; ++i)
            out[n++] = info.sourceMac[i];
    }
    if (info.HasDestination()) out[n++] = info.hopCount;
    if (apduLength > 0) std::memcpy(out + n, apdu, apduLength);
    outLength = n + apduLength;
}

std::int32_t EncodeNpdu(const LinkServices::LinkAddress& destination, NpduInfo& info, const std::uint8_t* apdu,
                        std::size_t apduLength) {
    // Every request passes here: it is framed on the stack unless it is
    // longer than any request the links carry. (No thread_local buffer: one
    // with a destructor would keep the library loaded after the host frees it.)
    std::uint8_t onStack[kStackFrameBytes];
    std::vector<std::uint8_t> onHeap;
    std::uint8_t* buffer = onStack;
    if (apduLength + kMaxNpduHeaderBytes > sizeof onStack) {
        onHeap.resize(apduLength + kMaxNpduHeaderBytes);
        buffer = onHeap.data();
    }
    std::size_t length = 0;
    BuildNpdu(info, apdu, apduLength, buffer, length);
    LinkServices::ILink* link = LinkServices::ActiveLink();
    if (link == nullptr) return LinkServices::kSendNoSocket;
    return link->Send(destination, buffer, static_cast<std::uint32_t>(length));
}

void ProcessNpdu(const LinkServices::LinkAddress& source, const std::uint8_t* frame, std::size_t length) {
    platform::TraceEntry("NPDU::Process");
    if (length < 2) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    if (frame[0] != 0x01) platform::TraceWarning(u"NPDU version incorrect");
    const std::uint8_t control = frame[1];
    if (control & 0x40) platform::TraceWarning(u"Unexpected bit 6 set");
    if (control & 0x10) platform::TraceWarning(u"Unexpected bit 4 set");
    if (control & 0x80) {
        platform::TraceWarning(u"Unsupported NSDU received");
        return;
    }

    NpduInfo info;
    if (control & 0x04) info.SetExpectingReply();
    std::size_t pos = 2;
    std::uint16_t net = 0;
    std::uint32_t macLength = 0;
    const std::uint8_t* mac = nullptr;
    if (control & 0x20) {
        if (!ReadAddressGroup(frame, length, pos, net, macLength, mac)) return;
        if (net == 0xFFFF) platform::TraceWarning(u"Broadcast message received");
        if (macLength == 0)
            info.SetBroadcastDestination(net);
        else
            info.SetDestination(net, macLength, mac);
    }
    if (control & 0x08) {
        if (!ReadAddressGroup(frame, length, pos, net, macLength, mac)) return;
        if (macLength == 0)
            info.SetSourceNetwork(net);
        else
            info.SetSource(net, macLength, mac);
    }
    if (control & 0x20) {
        if (!(pos + 1 < length)) {
            platform::TraceError(kErrorMalformed);
            return;
        }
        info.SetHopCount(frame[pos++]);
    }
    Handler()(source, info, frame + pos, length - pos);
}

}  // namespace network

#include "links/bvll.hpp"

#include <cstring>
#include <string>
#include <vector>

#include "links/shared_receiver.hpp"
#include "netwise.h"
#include "network/npdu.hpp"
#include "network/npdu_peek.hpp"
#include "services/foreign_answer.hpp"
#include "platform/trace.hpp"
#include "tagcore.h"

namespace LinkServices {
namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kDistributeBroadcastToNetwork = 0x09;
constexpr std::uint8_t kOriginalUnicastNpdu = 0x0A;
constexpr std::uint8_t kOriginalBroadcastNpdu = 0x0B;
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kForwardedHeaderSize = 10;  // the header and the originator's B/IP address
constexpr int kErrorMalformed = 2;
constexpr int kErrorFunctionNotAccepted = 6;

// The B/IP address (four octets of IPv4 address, two of port) that a
// Forwarded-NPDU carries.
LinkAddress OriginatorAddress(const std::uint8_t* bip) {
    std::u16string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) text += u'.';
        for (char c : std::to_string(bip[i])) text += static_cast<char16_t>(c);
    }
    LinkAddress address;
    address.SetIp(text.c_str(), static_cast<std::uint32_t>(bip[4] << 8 | bip[5]));
    return address;
}

bool WellFramed(const std::uint8_t* bytes, std::size_t count) {
    return count >= kHeaderSize && bytes[0] == kBvlcType && (std::size_t{bytes[2]} << 8 | bytes[3]) == count &&
           count <= BVLL::kMaxFrameSize;
}

// Where a well-framed message's NPDU starts; 0 for a function that carries none.
std::size_t NpduOffset(const std::uint8_t* bytes, std::size_t count) {
    switch (bytes[1]) {
        case kForwardedNpdu:
            return count > kForwardedHeaderSize ? kForwardedHeaderSize : 0;
        case kDistributeBroadcastToNetwork:
        case kOriginalUnicastNpdu:
        case kOriginalBroadcastNpdu:
            return kHeaderSize;
        default:
            return 0;
    }
}

}  // namespace

std::uint32_t DatagramOwner(const std::uint8_t* bytes, std::size_t count) {
    if (!WellFramed(bytes, count)) return APDUServices::kAnyConsumer;
    const std::size_t npdu = NpduOffset(bytes, count);
    return npdu != 0 ? network::AnswerOwner(bytes + npdu, count - npdu) : APDUServices::kAnyConsumer;
}

bool IsBroadcastAddress(const LinkAddress& address) {
    return address.kind == LinkAddress::kIp &&
           (address.IpText() == kLocalBroadcastText || address.IpText() == u"255.255.255.255");
}

void BVLL::GetBroadcastAddress(LinkAddress& out) {
    out.Initialise();
    out.SetIp(u"255.255.255.255", configuredPort_);
}

void BVLL::ParseAddress(LinkAddress& out, const char16_t* text) {
    out.Initialise();
    if (IsIpAddressText(text) != 0) out.SetIp(text, configuredPort_);
}

std::int32_t BVLL::Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) {
    if (destination.kind != LinkAddress::kIp) return kSendWrongAddressKind;
    const std::uint32_t total = length + kHeaderSize;
    // Built on the stack, as the network layer's NPDU is, unless it is longer
    // than any frame the link carries.
    std::uint8_t onStack[1536];
    std::vector<std::uint8_t> onHeap;
    std::uint8_t* frame = onStack;
    if (total > sizeof onStack) {
        onHeap.resize(total);
        frame = onHeap.data();
    }
    frame[0] = kBvlcType;
    // Devices drop an Original-Unicast-NPDU that reached them through a broadcast address.
    frame[1] = IsBroadcastAddress(destination) ? kOriginalBroadcastNpdu : kOriginalUnicastNpdu;
    frame[2] = static_cast<std::uint8_t>(total >> 8);
    frame[3] = static_cast<std::uint8_t>(total);
    if (length > 0) std::memcpy(frame + kHeaderSize, bytes, length);
    const std::int32_t socket = SharedSocket();
    if (socket == 0) return kSendNoSocket;
    return UdpSendTo(socket, destination.ipText, configuredPort_, destination.port, frame,
                     static_cast<std::int32_t>(total));
}

void BVLL::Close() { StopSharedReceiver(); }

bool BVLL::IsValidAddress(const char16_t* text) { return IsIpAddressText(text) != 0; }

void BVLL::ProcessDatagram(const std::uint8_t* bytes, std::size_t count, const LinkAddress& source) {
    platform::TraceEntry("BVLL::ProcessDatagram");
    if (count == 0 || bytes[0] != kBvlcType) return;  // not BACnet/IP: dropped without a line
    if (count < kHeaderSize || (std::size_t{bytes[2]} << 8 | bytes[3]) != count || count > sizeof frame_) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    // Another instance's answer goes before anything of it is copied or decoded.
    const std::size_t npdu = NpduOffset(bytes, count);
    if (npdu != 0 && network::DropAnswerOfAnotherInstance(bytes + npdu, count - npdu)) return;
    std::memcpy(frame_, bytes, count);
    DecodeFrame(count, source);
}

void BVLL::DecodeFrame(std::size_t count, const LinkAddress& source) {
    platform::TraceEntry("BVLL::DecodeFrame");
    switch (frame_[1]) {
        case kForwardedNpdu:
            if (count < kForwardedHeaderSize) {
                platform::TraceError(kErrorMalformed);
                return;
            }
            // A BBMD forwards the broadcasts of other subnets, Who-Is answers
            // among them: the sender is the originator it names, not the BBMD.
            network::ProcessNpdu(OriginatorAddress(frame_ + kHeaderSize), frame_ + kForwardedHeaderSize,
                                 count - kForwardedHeaderSize);
            break;
        case kDistributeBroadcastToNetwork:
        case kOriginalUnicastNpdu:
        case kOriginalBroadcastNpdu:
            network::ProcessNpdu(source, frame_ + kHeaderSize, count - kHeaderSize);
            break;
        default:
            platform::TraceError(kErrorFunctionNotAccepted);
            break;
    }
}

}  // namespace LinkServices

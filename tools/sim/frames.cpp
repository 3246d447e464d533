#include "sim/frames.hpp"

namespace sim {
namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kOriginalUnicast = 0x0A;
constexpr std::uint8_t kOriginalBroadcast = 0x0B;
constexpr std::size_t kBvlcHeader = 4;
constexpr std::size_t kForwardedAddress = 6;

constexpr std::uint8_t kNpduVersion = 0x01;
constexpr std::uint8_t kNetworkMessage = 0x80;
constexpr std::uint8_t kDestinationPresent = 0x20;
constexpr std::uint8_t kSourcePresent = 0x08;
constexpr std::uint16_t kGlobalBroadcast = 0xFFFF;
constexpr std::uint8_t kHopCount = 255;

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

void Append16(encoding::ByteVector& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

}  // namespace

bool ParseFrame(const std::uint8_t* data, std::size_t length, std::uint32_t fromAddress, std::uint16_t fromPort,
                const Placement& placement, Incoming& incoming) {
    if (length < kBvlcHeader || data[0] != kBvlcType || Read16(data + 2) != length) return false;
    Peer from;
    from.address = fromAddress;
    from.port = fromPort;
    std::size_t position = kBvlcHeader;
    switch (data[1]) {
        case kOriginalUnicast:
        case kOriginalBroadcast:
            break;
        case kForwardedNpdu:
            // Answers go to the original sender, not to the forwarding BBMD.
            if (length < kBvlcHeader + kForwardedAddress) return false;
            from.address = (static_cast<std::uint32_t>(data[4]) << 24) | (data[5] << 16) | (data[6] << 8) | data[7];
            from.port = Read16(data + 8);
            position += kForwardedAddress;
            break;
        default: return false;
    }
    return ParseNpdu(data + position, length - position, from, placement, incoming);
}

bool ParseNpdu(const std::uint8_t* data, std::size_t length, const Peer& from, const Placement& placement,
               Incoming& incoming) {
    Incoming in;
    in.peer = from;
    std::size_t position = 0;
    if (length - position < 2 || data[position] != kNpduVersion) return false;
    const std::uint8_t control = data[position + 1];
    position += 2;
    if ((control & kNetworkMessage) != 0) return false;
    bool forUs = true;
    if ((control & kDestinationPresent) != 0) {
        if (length - position < 3) return false;
        const std::uint16_t dnet = Read16(data + position);
        const std::uint8_t dlen = data[position + 2];
        position += 3;
        if (length - position < dlen) return false;
        const std::vector<std::uint8_t> dadr(data + position, data + position + dlen);
        position += dlen;
        forUs = dnet == kGlobalBroadcast ||
                (placement.network != 0 && dnet == placement.network && (dlen == 0 || dadr == placement.mac));
    }
    if ((control & kSourcePresent) != 0) {
        if (length - position < 3) return false;
        in.peer.routed = true;
        in.peer.network = Read16(data + position);
        const std::uint8_t slen = data[position + 2];
        position += 3;
        if (slen == 0 || length - position < slen || in.peer.network == kGlobalBroadcast) return false;
        in.peer.mac.assign(data + position, data + position + slen);
        position += slen;
    }
    if ((control & kDestinationPresent) != 0) {
        if (length - position < 1) return false;
        position += 1;  // hop count
    }
    if (!forUs || position >= length) return false;
    in.apdu = data + position;
    in.apduLength = length - position;
    incoming = std::move(in);
    return true;
}

namespace {

// The network layer header and the APDU, after what frame holds; the frame
// is sized for all of it at once.
void AppendNpdu(encoding::ByteVector& frame, const Peer& to, const Placement& placement,
                const encoding::ByteVector& apdu) {
    // The longest header: version, control, both addresses, hop count.
    frame.reserve(frame.size() + 9 + to.mac.size() + placement.mac.size() + apdu.size());
    const std::size_t controlAt = frame.size() + 1;
    frame.insert(frame.end(), {kNpduVersion, 0});
    std::uint8_t control = 0;
    if (to.routed) {
        control |= kDestinationPresent;
        Append16(frame, to.network);
        frame.push_back(static_cast<std::uint8_t>(to.mac.size()));
        frame.insert(frame.end(), to.mac.begin(), to.mac.end());
    }
    if (placement.network != 0) {
        control |= kSourcePresent;
        Append16(frame, placement.network);
        frame.push_back(static_cast<std::uint8_t>(placement.mac.size()));
        frame.insert(frame.end(), placement.mac.begin(), placement.mac.end());
    }
    if (to.routed) frame.push_back(kHopCount);
    frame[controlAt] = control;
    frame.insert(frame.end(), apdu.begin(), apdu.end());
}

}  // namespace

encoding::ByteVector BuildFrame(const Peer& to, const Placement& placement, const encoding::ByteVector& apdu) {
    encoding::ByteVector frame{kBvlcType, kOriginalUnicast, 0, 0};
    AppendNpdu(frame, to, placement, apdu);
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

encoding::ByteVector BuildNpdu(const Peer& to, const Placement& placement, const encoding::ByteVector& apdu) {
    encoding::ByteVector npdu;
    AppendNpdu(npdu, to, placement, apdu);
    return npdu;
}

}  // namespace sim

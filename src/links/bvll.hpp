// BACnet/IP: BVLC framing over the shared UDP socket.
#pragma once

#include <cstddef>
#include <cstdint>

#include "links/ilink.hpp"

namespace LinkServices {

class BVLL : public ILink {
public:
    static constexpr std::int32_t kMaxFrameSize = 5010;

    void SetConfiguredPort(std::uint32_t port) { configuredPort_ = port; }
    std::uint32_t ConfiguredPort() const { return configuredPort_; }

    void GetBroadcastAddress(LinkAddress& out) override;
    std::int32_t GetLinkType() override { return kLinkBacnetIp; }
    void ParseAddress(LinkAddress& out, const char16_t* text) override;
    std::int32_t GetMaxFrameSize() override { return kMaxFrameSize; }
    // Sends the NPDU as an Original-Broadcast-NPDU to a broadcast address,
    // else as an Original-Unicast-NPDU.
    std::int32_t Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) override;
    void Close() override;
    bool IsValidAddress(const char16_t* text) override;

    // Takes one received datagram, which is one BVLC message: a datagram
    // whose header does not announce exactly its own length is dropped alone,
    // with "Error: 2"; one that does not start with 0x81 is dropped silently.
    void ProcessDatagram(const std::uint8_t* bytes, std::size_t count, const LinkAddress& source);

private:
    // Hands the NPDU of the message in the frame buffer up to the network layer.
    void DecodeFrame(std::size_t count, const LinkAddress& source);

    std::uint32_t configuredPort_ = LinkAddress::kDefaultPort;
    // The datagram is decoded from here, not from the shared ring, whose slot
    // the receive thread may refill once it has been read.
    std::uint8_t frame_[kMaxFrameSize] = {};
};

// The consumer of the shared port that a received datagram's answer belongs
// to, by its invoke ID; APDUServices::kAnyConsumer for anything else.
std::uint32_t DatagramOwner(const std::uint8_t* bytes, std::size_t count);

// Whether the link sends to this address as a broadcast.
bool IsBroadcastAddress(const LinkAddress& address);

}  // namespace LinkServices

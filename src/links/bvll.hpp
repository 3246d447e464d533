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
    // Sends the NPDU as an Original-Unicast-NPDU, to broadcast addresses too.
    std::int32_t Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) override;
    void Close() override;
    bool IsValidAddress(const char16_t* text) override;

    // Feeds one received byte to the frame assembler. Frames are delimited by
    // their BVLC length only; the assembler is not reset between datagrams.
    void ProcessByte(std::uint8_t byte, const LinkAddress& source);
    // Feeds a run of received bytes, exactly as byte by byte, but copies a
    // frame's body in one piece.
    void ProcessBytes(const std::uint8_t* bytes, std::size_t count, const LinkAddress& source);
    // Hands the NPDU of the assembled frame up to the network layer.
    void DecodeFrame(const LinkAddress& source);
    void ClearAssembler();
    void CopyAssemblerFrom(const BVLL& other);

    std::int32_t ReceivedCount() const { return receivedCount_; }
    std::int32_t State() const { return state_; }

private:
    std::uint32_t configuredPort_ = LinkAddress::kDefaultPort;
    std::uint8_t frame_[kMaxFrameSize] = {};
    std::int32_t receivedCount_ = 0;
    std::uint16_t remaining_ = 0;
    std::int32_t state_ = 0;
};

}  // namespace LinkServices

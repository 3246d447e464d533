// MS/TP on a serial line: framing of NPDUs into data frames and byte-wise
// assembly of received frames, over the host's serial library Portwise. The
// driver takes no part in the token ring: it writes a frame whenever it has
// one and accepts the data frames addressed to it (or broadcast).
#pragma once

#include <cstdint>

#include "links/ilink.hpp"
#include "links/mstp_frame.hpp"

namespace LinkServices {

class MSTP : public ILink {
public:
    static constexpr std::int32_t kMaxFrameSize = 512;

    // Opens the serial port that the host's settings record names and takes
    // received bytes from then on; 0 or the serial library's error code.
    std::int32_t Open(void* hostHandle, const void* settings, std::uint8_t ownStation);
    // The source of every frame sent, and the destination that received frames must carry (or 255).
    void SetOwnStation(std::uint8_t station) { ownStation_ = station; }
    // The line's rate, which sets how long a silence drops a frame cut off.
    void SetBaudRate(std::uint32_t baudRate);

    void GetBroadcastAddress(LinkAddress& out) override;
    std::int32_t GetLinkType() override { return kLinkMstp; }
    void ParseAddress(LinkAddress& out, const char16_t* text) override;
    std::int32_t GetMaxFrameSize() override { return kMaxFrameSize; }
    // Sends the NPDU as a BACnet Data Not Expecting Reply frame, requests
    // included: 0, 3 for an address that is not an MS/TP station, -1 without
    // an open port, or the serial library's error word.
    std::int32_t Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) override;
    void Close() override;
    bool IsValidAddress(const char16_t* text) override;

    // Feeds one received byte to the frame assembler. A frame that falls
    // silent before its end is dropped when the next byte comes.
    void ProcessByte(std::uint8_t byte);
    // Checks the assembled frame and hands its NPDU to the network layer.
    void DecodeFrame();
    void ClearAssembler();

    std::int32_t ReceivedCount() const { return receivedCount_; }
    std::int32_t State() const { return state_; }

private:
    std::uint8_t frame_[kMaxFrameSize] = {};
    std::int32_t receivedCount_ = 0;
    void* port_ = nullptr;
    std::int32_t state_ = 0;
    std::uint16_t remaining_ = 0;
    std::uint8_t ownStation_ = 0;
    std::uint32_t frameAbortMs_ = MstpFrame::FrameAbortMs(MstpFrame::kDefaultBaudRate);
    std::uint32_t lastByteTick_ = 0;
};

}  // namespace LinkServices

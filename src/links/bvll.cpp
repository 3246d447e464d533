#include "links/bvll.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "links/shared_receiver.hpp"
#include "netwise.h"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "portwise.h"
#include "tagcore.h"

namespace LinkServices {
namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kDistributeBroadcastToNetwork = 0x09;
constexpr std::uint8_t kOriginalUnicastNpdu = 0x0A;
constexpr std::uint8_t kOriginalBroadcastNpdu = 0x0B;
constexpr int kErrorMalformed = 2;
constexpr int kErrorFunctionNotAccepted = 6;

enum AssemblerState : std::int32_t { kWaitType = 0, kFunction = 1, kLengthHigh = 2, kLengthLow = 3, kBody = 4 };

}  // namespace

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
    ClearAssembler();
    std::vector<std::uint8_t> frame(length + 4);
    const std::uint32_t total = length + 4;
    frame[0] = kBvlcType;
    frame[1] = kOriginalUnicastNpdu;
    frame[2] = static_cast<std::uint8_t>(total >> 8);
    frame[3] = static_cast<std::uint8_t>(total);
    if (length > 0) std::memcpy(frame.data() + 4, bytes, length);
    const std::int32_t socket = SharedSocket();
    if (socket == 0) return kSendNoSocket;
    return UdpSendTo(socket, destination.ipText, configuredPort_, destination.port, frame.data(),
                     static_cast<std::int32_t>(frame.size()));
}

void BVLL::Close() { StopSharedReceiver(); }

bool BVLL::IsValidAddress(const char16_t* text) { return IsIpAddressText(text) != 0; }

void BVLL::ClearAssembler() {
    // Only the bytes received since the last clear can be non-zero.
    const auto used = static_cast<std::size_t>(receivedCount_ > 0 ? receivedCount_ : 0);
    std::memset(frame_, 0, used < sizeof frame_ ? used : sizeof frame_);
    receivedCount_ = 0;
    remaining_ = 0;
    state_ = kWaitType;
}

void BVLL::CopyAssemblerFrom(const BVLL& other) {
    std::memcpy(frame_, other.frame_, sizeof frame_);
    receivedCount_ = other.receivedCount_;
    remaining_ = other.remaining_;
    state_ = other.state_;
}

void BVLL::ProcessByte(std::uint8_t byte, const LinkAddress& source) {
    platform::TraceEntry("BVLL::ProcessByte");
    if (receivedCount_ >= kMaxFrameSize) {
        SerialTrace(u"BVLL buffer full!");
        ClearAssembler();
        return;
    }
    frame_[receivedCount_++] = byte;
    switch (state_) {
        case kWaitType:
            if (byte == kBvlcType)
                state_ = kFunction;
            else
                ClearAssembler();
            break;
        case kFunction:
            state_ = kLengthHigh;
            break;
        case kLengthHigh:
            remaining_ = static_cast<std::uint16_t>(byte * 256);
            state_ = kLengthLow;
            break;
        case kLengthLow:
            remaining_ = static_cast<std::uint16_t>(remaining_ | byte);
            if (remaining_ > 4) {
                remaining_ = static_cast<std::uint16_t>(remaining_ - 4);
                state_ = kBody;
            } else {
                DecodeFrame(source);
                ClearAssembler();
            }
            break;
        default:
            if (--remaining_ == 0) {
                DecodeFrame(source);
                ClearAssembler();
            }
            break;
    }
}

void BVLL::ProcessBytes(const std::uint8_t* bytes, std::size_t count, const LinkAddress& source) {
    std::size_t i = 0;
    while (i < count) {
        if (state_ == kBody && receivedCount_ < kMaxFrameSize) {
            const auto room = static_cast<std::size_t>(kMaxFrameSize - receivedCount_);
            const std::size_t run = std::min({count - i, static_cast<std::size_t>(remaining_), room});
            std::memcpy(frame_ + receivedCount_, bytes + i, run);
            receivedCount_ += static_cast<std::int32_t>(run);
            remaining_ = static_cast<std::uint16_t>(remaining_ - run);
            i += run;
            if (remaining_ == 0) {
                DecodeFrame(source);
                ClearAssembler();
            }
            continue;  // a full buffer is the next byte's business, as byte by byte
        }
        ProcessByte(bytes[i++], source);
    }
}

void BVLL::DecodeFrame(const LinkAddress& source) {
    platform::TraceEntry("BVLL::DecodeFrame");
    if (frame_[0] != kBvlcType || receivedCount_ < 4) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    const auto count = static_cast<std::size_t>(receivedCount_);
    switch (frame_[1]) {
        case kForwardedNpdu:
            // The NPDU starts behind the originator's B/IP address; answers still go to the forwarder.
            network::ProcessNpdu(source, frame_ + 10, count >= 10 ? count - 10 : 0);
            break;
        case kDistributeBroadcastToNetwork:
        case kOriginalUnicastNpdu:
        case kOriginalBroadcastNpdu:
            network::ProcessNpdu(source, frame_ + 4, count - 4);
            break;
        default:
            platform::TraceError(kErrorFunctionNotAccepted);
            break;
    }
}

}  // namespace LinkServices

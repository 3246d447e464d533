#include "links/mstp.hpp"

#include <atomic>
#include <cstring>
#include <exception>

#include "encoding/text_forms.hpp"
#include "links/mstp_frame.hpp"
#include "links/mstp_lock.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "platform/trace.hpp"
#include "platform/utf.hpp"
#include "portwise.h"
#include "vorne/settings_record.hpp"

namespace LinkServices {
namespace {

constexpr int kErrorMalformed = 2;
constexpr std::uint16_t kLengthLimit = 504;

enum AssemblerState : std::int32_t {
    kPreamble1 = 0,
    kPreamble2 = 1,
    kFrameType = 2,
    kDestination = 3,
    kSource = 4,
    kLengthHigh = 5,
    kLengthLow = 6,
    kHeaderCrc = 7,
    kData = 8,
    kDataCrc1 = 9,
    kDataCrc2 = 10
};

// The link that receives: the serial library's callback carries only the port.
std::atomic<MSTP*> g_receiver{nullptr};

class ReceiveLockGuard {
public:
    ReceiveLockGuard() : locked_(LockDriverStateForReceive()) {}
    ~ReceiveLockGuard() {
        if (locked_) UnlockDriverStateForReceive();
    }
    ReceiveLockGuard(const ReceiveLockGuard&) = delete;
    ReceiveLockGuard& operator=(const ReceiveLockGuard&) = delete;
    bool Locked() const { return locked_; }

private:
    bool locked_;
};

// Runs on the serial library's thread, once per received byte. No exception
// may leave it: the library's frames are not ours to unwind.
void HOSTLIB_CALL ReceiveCallback(void* port) noexcept {
    MSTP* link = g_receiver.load(std::memory_order_acquire);
    if (link == nullptr) return;
    try {
        ReceiveLockGuard lock;
        if (!lock.Locked()) return;  // the port is closing: leave the byte unread
        std::uint8_t byte = 0;
        if (SerialReadByte(port, &byte) != 0) link->ProcessByte(byte);
    } catch (const std::exception& e) {
        try {
            platform::TraceWarning(u"MSTP::ProcessByte failed: " + platform::Utf8ToUtf16(e.what()));
        } catch (...) {
        }
    } catch (...) {
        try {
            platform::TraceWarning(u"MSTP::ProcessByte failed");
        } catch (...) {
        }
    }
}

}  // namespace

std::int32_t MSTP::Open(void* hostHandle, const void* settings, std::uint8_t ownStation) {
    SetOwnStation(ownStation);
    SetBaudRate(settings != nullptr ? vorne::CopySettings(settings).serialBaudRate : 0);
    Close();  // a port left open by an earlier open
    ClearAssembler();
    std::int32_t error = 0;
    void* port = SerialOpen(hostHandle, settings, &error);
    if (error != 0) return error;
    port_ = port;
    AbandonReceive(false);
    g_receiver.store(this, std::memory_order_release);
    SerialSetReceiveCallback(port_, &ReceiveCallback);
    return 0;
}

void MSTP::GetBroadcastAddress(LinkAddress& out) {
    out.Initialise();
    out.SetMstpStation(MstpFrame::kBroadcastStation);
}

void MSTP::ParseAddress(LinkAddress& out, const char16_t* text) {
    out.Initialise();
    if (auto station = encoding::ReadWholeNumber(platform::HostText(text)))
        out.SetMstpStation(static_cast<std::uint8_t>(*station));
}

std::int32_t MSTP::Send(const LinkAddress& destination, const std::uint8_t* bytes, std::uint32_t length) {
    platform::TraceEntry("MSTP::Send");
    if (destination.kind != LinkAddress::kMstpStation) return kSendWrongAddressKind;
    ClearAssembler();
    if (port_ == nullptr) return kSendNoSocket;
    const auto frame = MstpFrame::Encode(MstpFrame::kDataNotExpectingReply, destination.mstpStation, ownStation_,
                                         bytes, static_cast<std::uint16_t>(length));
    if (SerialWrite(port_, frame.data(), static_cast<std::int32_t>(frame.size())) != 0) return 0;
    return static_cast<const PortwisePort*>(port_)->errorWord;
}

void MSTP::Close() {
    if (port_ == nullptr) return;
    // The receive thread may be waiting for the lock this thread holds; it
    // must give up so that closing can wait for it to end.
    AbandonReceive(true);
    SerialClose(port_);
    port_ = nullptr;
    MSTP* self = this;
    g_receiver.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

bool MSTP::IsValidAddress(const char16_t* text) {
    return encoding::ReadWholeNumber(platform::HostText(text)).has_value();
}

// Our serial library keeps no per-frame state, so clearing touches only the
// assembler's own fields.
void MSTP::ClearAssembler() {
    std::memset(frame_, 0, sizeof frame_);
    receivedCount_ = 0;
    remaining_ = 0;
    state_ = kPreamble1;
}

void MSTP::SetBaudRate(std::uint32_t baudRate) { frameAbortMs_ = MstpFrame::FrameAbortMs(baudRate); }

void MSTP::ProcessByte(std::uint8_t byte) {
    platform::TraceEntry("MSTP::ProcessByte");
    const std::uint32_t now = platform::TickCount();
    if (receivedCount_ > 0 && now - lastByteTick_ > frameAbortMs_) {
        // Noise that looked like a frame start must not take the bytes of the frames after it.
        if (state_ > kPreamble2) platform::TraceError(kErrorMalformed);
        ClearAssembler();
    }
    lastByteTick_ = now;
    if (receivedCount_ >= kMaxFrameSize) {
        SerialTrace(u"MS/TP buffer full!");
        ClearAssembler();
        return;
    }
    frame_[receivedCount_++] = byte;
    bool complete = false;
    switch (state_) {
        case kPreamble1:
            if (byte == MstpFrame::kPreamble1)
                state_ = kPreamble2;
            else
                ClearAssembler();
            break;
        case kPreamble2:
            if (byte == MstpFrame::kPreamble2)
                state_ = kFrameType;
            else
                ClearAssembler();
            break;
        case kFrameType:
        case kDestination:
        case kSource:
            ++state_;
            break;
        case kLengthHigh:
            remaining_ = static_cast<std::uint16_t>(byte * 256);
            state_ = kLengthLow;
            break;
        case kLengthLow:
            remaining_ = static_cast<std::uint16_t>(remaining_ | byte);
            state_ = kHeaderCrc;
            break;
        case kHeaderCrc:
            if (remaining_ == 0)
                complete = true;
            else
                state_ = kData;
            break;
        case kData:
            if (--remaining_ == 0) state_ = kDataCrc1;
            break;
        case kDataCrc1:
            state_ = kDataCrc2;
            break;
        default:
            complete = true;
            break;
    }
    if (complete) {
        DecodeFrame();
        ClearAssembler();
    }
}

void MSTP::DecodeFrame() {
    platform::TraceEntry("MSTP::DecodeFrame");
    const auto count = static_cast<std::size_t>(receivedCount_);
    platform::TraceBytes(u"Rx:", frame_, count);
    if (count < MstpFrame::kHeaderSize || frame_[0] != MstpFrame::kPreamble1 || frame_[1] != MstpFrame::kPreamble2) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    const std::uint8_t frameType = frame_[2];
    if (frameType != MstpFrame::kDataExpectingReply && frameType != MstpFrame::kDataNotExpectingReply) return;
    const std::uint8_t destination = frame_[3];
    if (destination != ownStation_ && destination != MstpFrame::kBroadcastStation) return;
    if (frame_[7] != MstpFrame::HeaderCrc(frame_ + 2)) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    const auto length = static_cast<std::uint16_t>(frame_[5] << 8 | frame_[6]);
    if (length == 0) return;
    if (count != length + 10u || length >= kLengthLimit ||
        MstpFrame::DataCrc(frame_ + MstpFrame::kHeaderSize, length) !=
            (frame_[MstpFrame::kHeaderSize + length] | frame_[MstpFrame::kHeaderSize + length + 1] << 8)) {
        platform::TraceError(kErrorMalformed);
        return;
    }
    LinkAddress source;
    source.SetMstpStation(frame_[4]);
    // A copy: an answer sent from within clears the frame buffer.
    std::uint8_t npdu[kMaxFrameSize];
    std::memcpy(npdu, frame_ + MstpFrame::kHeaderSize, length);
    network::ProcessNpdu(source, npdu, length);
}

}  // namespace LinkServices

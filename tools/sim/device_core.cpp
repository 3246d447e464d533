#include "sim/device_core.hpp"

#include <algorithm>
#include <utility>

#include "sim/ids.hpp"
#include "sim/services.hpp"

namespace sim {
namespace {

constexpr std::uint8_t kPduConfirmed = 0;
constexpr std::uint8_t kPduUnconfirmed = 1;
constexpr std::uint8_t kPduSegmentAck = 4;
constexpr std::uint8_t kPduAbort = 7;
constexpr std::uint8_t kSegmentedMessage = 0x08;
constexpr std::uint8_t kSegmentedResponseAccepted = 0x02;
constexpr std::uint8_t kFromServer = 0x01;
// PDU type and flags, invoke id, sequence number, proposed window, service.
constexpr std::size_t kSegmentHeader = 5;

}  // namespace

std::size_t MaxApduFromCode(std::uint8_t code) {
    static constexpr std::size_t kSizes[] = {50, 128, 206, 480, 1024, 1476};
    return code < std::size(kSizes) ? kSizes[code] : kDeviceMaxApdu;
}

std::size_t MaxSegmentsFromCode(std::uint8_t code) {
    static constexpr std::size_t kCounts[] = {0, 2, 4, 8, 16, 32, 64, 0};
    return kCounts[code & 7];
}

void DeviceCore::OnApdu(const Peer& from, const std::uint8_t* apdu, std::size_t length, std::uint32_t now) {
    if (length == 0) return;
    switch (apdu[0] >> 4) {
        case kPduConfirmed: OnConfirmedRequest(from, apdu, length, now); break;
        case kPduUnconfirmed:
            if (length >= 2 && apdu[1] == service::kWhoIs) {
                if (auto iAm = WhoIsService(db_, apdu + 2, length - 2)) send_(from, *iAm);
            }
            break;
        case kPduSegmentAck:
            if (length >= 4 && (apdu[0] & kFromServer) == 0)
                segmenter_.OnSegmentAck(from, apdu[1], apdu[2], apdu[3], now);
            break;
        case kPduAbort:
            if (length >= 2 && (apdu[0] & kFromServer) == 0) segmenter_.OnAbort(from, apdu[1]);
            break;
        default: break;
    }
}

void DeviceCore::OnConfirmedRequest(const Peer& from, const std::uint8_t* apdu, std::size_t length,
                                    std::uint32_t now) {
    if (length < 3) return;
    const std::uint8_t invokeId = apdu[2];
    // A request longer than the max-APDU the device announces does not fit its buffer.
    if (length > maxApdu_) {
        send_(from, MakeReject(invokeId, reject_reason::kBufferOverflow));
        return;
    }
    if ((apdu[0] & kSegmentedMessage) != 0) {
        // Requests are small; the device does not reassemble them.
        send_(from, MakeAbort(invokeId, abort_reason::kSegmentationNotSupported));
        return;
    }
    if (length < 4) {
        send_(from, MakeReject(invokeId, reject_reason::kMissingRequiredParameter));
        return;
    }
    const std::uint8_t serviceChoice = apdu[3];
    const std::uint8_t* body = apdu + 4;
    const std::size_t bodyLength = length - 4;
    ServiceAnswer answer;
    switch (serviceChoice) {
        case service::kReadProperty: answer = ReadPropertyService(db_, body, bodyLength); break;
        case service::kReadPropertyMultiple: answer = ReadPropertyMultipleService(db_, body, bodyLength); break;
        case service::kWriteProperty: answer = WritePropertyService(db_, body, bodyLength); break;
        default: answer = Rejected(reject_reason::kUnrecognizedService); break;
    }
    if (answer.type != ServiceAnswer::Type::kComplexAck) {
        send_(from, MakeAnswerApdu(answer, invokeId, serviceChoice));
        return;
    }
    const std::size_t limit = std::min(MaxApduFromCode(apdu[1] & 0x0F), maxApdu_);
    if (kComplexAckHeader + answer.body.size() <= limit) {
        send_(from, MakeComplexAck(invokeId, serviceChoice, std::move(answer.body)));
        return;
    }
    if ((apdu[0] & kSegmentedResponseAccepted) == 0 || !segmentsAnswers_) {
        send_(from, MakeAbort(invokeId, abort_reason::kSegmentationNotSupported));
        return;
    }
    const std::size_t payload = limit - kSegmentHeader;
    const std::size_t segments = (answer.body.size() + payload - 1) / payload;
    const std::size_t allowed = MaxSegmentsFromCode(static_cast<std::uint8_t>(apdu[1] >> 4));
    if (allowed != 0 && segments > allowed) {
        send_(from, MakeAbort(invokeId, abort_reason::kBufferOverflow));
        return;
    }
    segmenter_.Begin(from, invokeId, serviceChoice, answer.body, payload, now);
}

}  // namespace sim

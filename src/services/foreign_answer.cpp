#include "services/foreign_answer.hpp"

#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"
#include "services/transactions.hpp"

namespace APDUServices {
namespace {

constexpr int kErrorMalformed = 2;
constexpr std::uint32_t kInvokeIdsPerConsumer = 7;

}  // namespace

bool DropAnswerOfAnotherInstance(const std::uint8_t* apdu, std::size_t length) {
    if (length < 3) return false;
    const std::uint8_t type = apdu[0] >> 4;
    if (type != APDU_TYPE_COMPLEX_ACK && type != APDU_TYPE_ERROR) return false;
    const auto& state = Transactions();
    const std::uint8_t invokeId = apdu[1];
    if (invokeId == state.pendingInvokeId) return false;
    if (type == APDU_TYPE_COMPLEX_ACK) {
        platform::TraceWarningNumber(u"Received InvokeID=", invokeId);
        if (state.deviceTimedOut) return true;
        if ((apdu[0] & 0x08) != 0 && length < 5) {
            platform::TraceError(kErrorMalformed);
            return true;
        }
    }
    // Instances that share the port see each other's answers.
    platform::TraceWarning(u"BACNET_ERROR_PACKET_NOT_FOR_THIS_INSTANCE");
    return true;
}

std::uint32_t AnswerOwner(const std::uint8_t* apdu, std::size_t length) {
    if (length < 2) return kAnyConsumer;
    switch (apdu[0] >> 4) {
        case APDU_TYPE_SIMPLE_ACK:
        case APDU_TYPE_COMPLEX_ACK:
        case APDU_TYPE_ERROR:
        case APDU_TYPE_REJECT:
        case APDU_TYPE_ABORT:
            return apdu[1] / kInvokeIdsPerConsumer;
        default:
            return kAnyConsumer;
    }
}

}  // namespace APDUServices

// The one outstanding request of a driver instance, its invoke IDs and the
// hooks through which outcomes reach the host interface.
#pragma once

#include <cstdint>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"
#include "tagcore.h"

namespace APDUServices {

struct ResultHooks {
    void (*onPropertyValue)(std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance,
                            std::int32_t property, const HostValue& value) = nullptr;
    void (*onReadError)(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode) = nullptr;
    void (*onPropertyError)(std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance,
                            std::int32_t property, std::uint32_t errorCode) = nullptr;
    void (*onWriteAck)(std::uint8_t invokeId) = nullptr;
    void (*onWriteError)(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode) = nullptr;
    // The station refused the pending read or write with an Abort or a Reject.
    void (*onReadRefused)(std::uint8_t invokeId) = nullptr;
    void (*onWriteRefused)(std::uint8_t invokeId) = nullptr;
    // Records a status for a request (a later one replaces it).
    void (*setTransactionStatus)(std::uint8_t invokeId, std::int32_t status) = nullptr;
    // A device announced itself: where it is and how to address it.
    // maxApdu: what the device's I-Am announced, 0 when unknown.
    void (*onDeviceBinding)(std::int32_t instance, const LinkServices::LinkAddress& address,
                            const network::NpduInfo& reply, std::uint32_t maxApdu) = nullptr;
};

// Who was asked what: an answer counts only when it comes from the station
// asked, carries the request's invoke ID and service, and the request is
// still open and not yet answered.
struct PendingRequest {
    std::uint32_t serial = 0;  // numbers the requests; 0 is none
    bool open = false;
    bool answered = false;
    std::uint32_t accepted = 0;  // what the host side took from answers to it
    std::uint8_t service = 0;
    LinkServices::LinkAddress station;
    // A routed device answers with SNET/SADR equal to the request's DNET/DADR.
    bool routed = false;
    std::uint16_t network = 0;
    std::uint32_t macLength = 0;
    std::uint8_t mac[network::NpduInfo::kMaxMacLength] = {};
};

struct TransactionState {
    std::uint8_t lowestInvokeId = 0;
    std::uint8_t highestInvokeId = 0;
    std::uint8_t currentInvokeId = 0;
    std::uint8_t pendingInvokeId = 0;
    bool deviceTimedOut = false;
    PendingRequest request;
    ResultHooks hooks;
};

TransactionState& Transactions();

// Sets the instance's range of seven IDs (one for an instance outside the shared receiver).
void SetInvokeIdRange(std::uint8_t lowest, std::uint8_t highest);

// The next ID of the range; it becomes the current and the pending ID.
std::uint8_t AllocateInvokeId();

// Opens the request about to be sent with the pending invoke ID; any earlier
// one is abandoned. Its serial number.
std::uint32_t BeginRequest(std::uint8_t service, const LinkServices::LinkAddress& station,
                           const network::NpduInfo& npdu);
// Closes the request when it is still the one with this serial number.
void EndRequest(std::uint32_t serial);
// True once the whole answer of that request has been processed.
bool RequestAnswered(std::uint32_t serial);

enum class AnswerCheck { kOurs, kOtherInstance, kStray };
// Abort and Reject carry no service choice.
inline constexpr std::uint8_t kAnyService = 0xFF;
// Whether an answer PDU belongs to the open request; logs why not.
AnswerCheck CheckAnswer(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                        std::uint8_t invokeId, std::uint8_t service);
// The open request's whole answer has been processed: nothing more counts.
void MarkAnswered();
// The host side took a value or a status from the answer being processed. An
// acknowledgement it took nothing from (a stale one for other objects under a
// reused invoke ID) does not answer the request.
void NoteAnswerAccepted();

}  // namespace APDUServices

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
    // Records a status for a request (a later one replaces it).
    void (*setTransactionStatus)(std::uint8_t invokeId, std::int32_t status) = nullptr;
    // A device announced itself: where it is and how to address it.
    void (*onDeviceBinding)(std::int32_t instance, const LinkServices::LinkAddress& address,
                            const network::NpduInfo& reply) = nullptr;
};

struct TransactionState {
    std::uint8_t lowestInvokeId = 0;
    std::uint8_t highestInvokeId = 0;
    std::uint8_t currentInvokeId = 0;
    std::uint8_t pendingInvokeId = 0;
    bool deviceTimedOut = false;
    ResultHooks hooks;
};

TransactionState& Transactions();

// Sets the instance's range of seven IDs (one for an instance outside the shared receiver).
void SetInvokeIdRange(std::uint8_t lowest, std::uint8_t highest);

// The next ID of the range; it becomes the current and the pending ID.
std::uint8_t AllocateInvokeId();

}  // namespace APDUServices

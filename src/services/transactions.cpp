#include "services/transactions.hpp"

namespace APDUServices {

TransactionState& Transactions() {
    static TransactionState state;
    return state;
}

void SetInvokeIdRange(std::uint8_t lowest, std::uint8_t highest) {
    auto& state = Transactions();
    state.lowestInvokeId = lowest;
    state.highestInvokeId = highest;
}

std::uint8_t AllocateInvokeId() {
    auto& state = Transactions();
    const std::uint8_t current = state.currentInvokeId;
    const std::uint8_t next =
        (state.lowestInvokeId <= current && current < state.highestInvokeId) ? static_cast<std::uint8_t>(current + 1)
                                                                             : state.lowestInvokeId;
    state.currentInvokeId = next;
    state.pendingInvokeId = next;
    return next;
}

}  // namespace APDUServices

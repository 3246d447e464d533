#include "network/npdu_info.hpp"

#include <algorithm>

#include "platform/trace.hpp"

namespace network {

void NpduInfo::SetBroadcastDestination(std::uint16_t network) {
    destinationPresent = 1;
    destinationNetwork = network;
    destinationMacLength = 0;
}

void NpduInfo::SetDestination(std::uint16_t network, std::uint32_t length, const std::uint8_t* mac) {
    if (length > kMaxMacLength) {
        platform::TraceWarning(u"Invalid DLEN");
        return;
    }
    destinationPresent = 1;
    destinationNetwork = network;
    destinationMacLength = length;
    std::copy_n(mac, length, destinationMac);
}

void NpduInfo::SetSourceNetwork(std::uint16_t network) {
    sourcePresent = 1;
    sourceNetwork = network;
    sourceMacLength = 0;
}

void NpduInfo::SetSource(std::uint16_t network, std::uint32_t length, const std::uint8_t* mac) {
    if (length > kMaxMacLength) {
        platform::TraceWarning(u"Invalid SLEN");
        return;
    }
    sourcePresent = 1;
    sourceNetwork = network;
    sourceMacLength = length;
    std::copy_n(mac, length, sourceMac);
}

void NpduInfo::SetRoutedStation(std::uint16_t network) {
    routedStation = 1;
    destinationPresent = 1;
    destinationNetwork = network;
}

std::uint8_t NpduInfo::ControlByte() const {
    std::uint8_t control = 0;
    if (HasDestination()) control |= 0x20;
    if (sourcePresent) control |= 0x08;
    if (expectingReply) control |= 0x04;
    return control;
}

NpduInfo NpduInfo::MakeReply(const NpduInfo& received) {
    NpduInfo reply;
    if (received.sourcePresent)
        reply.SetDestination(received.sourceNetwork, received.sourceMacLength, received.sourceMac);
    reply.segmentedResponseAccepted = received.segmentedResponseAccepted;
    reply.routedStation = 0;
    return reply;
}

}  // namespace network

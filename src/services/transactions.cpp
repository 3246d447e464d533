#include "services/transactions.hpp"

#include <array>
#include <optional>
#include <string>

#include "platform/trace.hpp"
#include "services/segmentation.hpp"

namespace APDUServices {
namespace {

// Dotted IPv4 text as four octets; nothing for any other text.
std::optional<std::array<std::uint8_t, 4>> Ipv4(std::u16string_view text) {
    std::array<std::uint8_t, 4> octets{};
    std::size_t part = 0, digits = 0;
    std::uint32_t value = 0;
    for (const char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            value = value * 10 + static_cast<std::uint32_t>(c - u'0');
            if (++digits > 3 || value > 255) return std::nullopt;
        } else if (c == u'.' && digits > 0 && part < 3) {
            octets[part++] = static_cast<std::uint8_t>(value);
            value = 0;
            digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (part != 3 || digits == 0) return std::nullopt;
    octets[3] = static_cast<std::uint8_t>(value);
    return octets;
}

// The same station on the link. The port is not compared: every BACnet/IP
// peer of an instance answers on the one port the instance uses.
bool SameStation(const LinkServices::LinkAddress& asked, const LinkServices::LinkAddress& source) {
    if (asked.kind != source.kind) return false;
    if (asked.kind == LinkServices::LinkAddress::kMstpStation) return asked.mstpStation == source.mstpStation;
    const auto a = Ipv4(asked.IpText()), b = Ipv4(source.IpText());
    if (a && b) return *a == *b;
    return asked.IpText() == source.IpText();
}

bool SameNetworkSource(const PendingRequest& request, const network::NpduInfo& npdu) {
    if (!request.routed) return npdu.sourcePresent == 0;
    if (npdu.sourcePresent == 0 || npdu.sourceNetwork != request.network) return false;
    if (request.macLength == 0) return true;  // asked by broadcast on that network
    if (npdu.sourceMacLength != request.macLength) return false;
    for (std::uint32_t i = 0; i < request.macLength && i < network::NpduInfo::kMaxMacLength; ++i)
        if (npdu.sourceMac[i] != request.mac[i]) return false;
    return true;
}

std::u16string Describe(const LinkServices::LinkAddress& source, std::uint8_t invokeId) {
    std::string text = "InvokeID=" + std::to_string(invokeId) + " from ";
    std::u16string line(text.begin(), text.end());
    if (source.kind == LinkServices::LinkAddress::kMstpStation) {
        const std::string station = "station " + std::to_string(source.mstpStation);
        line.append(station.begin(), station.end());
    } else {
        line += source.IpText();
    }
    return line;
}

AnswerCheck Stray(const char16_t* why, const LinkServices::LinkAddress& source, std::uint8_t invokeId) {
    platform::TraceWarning(std::u16string(why) + Describe(source, invokeId));
    return AnswerCheck::kStray;
}

}  // namespace

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

std::uint32_t BeginRequest(std::uint8_t service, const LinkServices::LinkAddress& station,
                           const network::NpduInfo& npdu) {
    PendingRequest& request = Transactions().request;
    const std::uint32_t serial = request.serial + 1 == 0 ? 1 : request.serial + 1;
    request = PendingRequest{};
    request.serial = serial;
    request.open = true;
    request.service = service;
    request.station = station;
    // A request to a remote network is answered from there (SNET, and SADR when DADR was given).
    request.routed = npdu.destinationPresent != 0 || npdu.routedStation != 0;
    if (request.routed) {
        request.network = npdu.destinationNetwork;
        request.macLength = npdu.destinationMacLength;
        for (std::uint32_t i = 0; i < npdu.destinationMacLength && i < network::NpduInfo::kMaxMacLength; ++i)
            request.mac[i] = npdu.destinationMac[i];
    }
    // Segments of an abandoned answer must not be joined to this one.
    ClearReassembly();
    return serial;
}

void EndRequest(std::uint32_t serial) {
    PendingRequest& request = Transactions().request;
    if (request.serial == serial) request.open = false;
}

bool RequestAnswered(std::uint32_t serial) {
    const PendingRequest& request = Transactions().request;
    return request.serial == serial && request.answered;
}

AnswerCheck CheckAnswer(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu,
                        std::uint8_t invokeId, std::uint8_t service) {
    const auto& state = Transactions();
    if (invokeId != state.pendingInvokeId) {
        // Instances that share the port see each other's answers.
        platform::TraceWarning(u"BACNET_ERROR_PACKET_NOT_FOR_THIS_INSTANCE");
        return AnswerCheck::kOtherInstance;
    }
    const PendingRequest& request = state.request;
    if (!request.open || request.answered) return Stray(u"Late answer dropped: ", source, invokeId);
    if (!SameStation(request.station, source) || !SameNetworkSource(request, npdu))
        return Stray(u"Answer from another station dropped: ", source, invokeId);
    if (service != kAnyService && service != request.service)
        return Stray(u"Answer to another service dropped: ", source, invokeId);
    return AnswerCheck::kOurs;
}

void MarkAnswered() { Transactions().request.answered = true; }

void NoteAnswerAccepted() { ++Transactions().request.accepted; }

}  // namespace APDUServices

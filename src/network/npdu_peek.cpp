#include "network/npdu_peek.hpp"

#include "network/npdu_info.hpp"
#include "services/foreign_answer.hpp"

namespace network {
namespace {

// Skips a network, MAC-length and MAC group as ProcessNpdu reads it: false
// where it would log (malformed, or the global broadcast network).
bool SkipAddressGroup(const std::uint8_t* npdu, std::size_t length, std::size_t& pos) {
    if (!(pos + 3 < length)) return false;
    const bool globalBroadcast = npdu[pos] == 0xFF && npdu[pos + 1] == 0xFF;
    const std::size_t macLength = npdu[pos + 2];
    pos += 3;
    if (macLength > 0 && (macLength > NpduInfo::kMaxMacLength || pos + macLength >= length)) return false;
    pos += macLength;
    return !globalBroadcast;
}

}  // namespace

std::size_t QuietApduOffset(const std::uint8_t* npdu, std::size_t length) {
    constexpr std::uint8_t kNetworkMessage = 0x80, kUnexpectedBits = 0x50, kDestination = 0x20, kSource = 0x08;
    if (length < 2 || npdu[0] != 0x01 || (npdu[1] & (kNetworkMessage | kUnexpectedBits)) != 0) return 0;
    const std::uint8_t control = npdu[1];
    std::size_t pos = 2;
    if ((control & kDestination) && !SkipAddressGroup(npdu, length, pos)) return 0;
    if ((control & kSource) && !SkipAddressGroup(npdu, length, pos)) return 0;
    // (A source network of 0xFFFF takes the full path too: cautious, and never seen.)
    if (control & kDestination) {
        if (!(pos + 1 < length)) return 0;
        ++pos;
    }
    return pos < length ? pos : 0;
}

bool DropAnswerOfAnotherInstance(const std::uint8_t* npdu, std::size_t length) {
    const std::size_t apdu = QuietApduOffset(npdu, length);
    return apdu != 0 && APDUServices::DropAnswerOfAnotherInstance(npdu + apdu, length - apdu);
}

std::uint32_t AnswerOwner(const std::uint8_t* npdu, std::size_t length) {
    const std::size_t apdu = QuietApduOffset(npdu, length);
    return apdu != 0 ? APDUServices::AnswerOwner(npdu + apdu, length - apdu) : APDUServices::kAnyConsumer;
}

}  // namespace network

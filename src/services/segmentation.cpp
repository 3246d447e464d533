#include "services/segmentation.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "network/npdu.hpp"
#include "platform/clock.hpp"
#include "platform/trace.hpp"

namespace APDUServices {
namespace {

constexpr std::uint32_t kPurgeIntervalMs = 10000;
constexpr std::uint32_t kStaleReassemblyMs = 5000;
constexpr std::uint8_t kLargestWindow = 127;

struct Reassembly {
    std::vector<std::uint8_t> data;
    std::uint8_t expected = 0;     // the next sequence number in order
    std::uint8_t lastAcked = 0;    // the window ends behind it
    std::uint8_t windowSize = 1;
    bool gapReported = false;      // one negative acknowledgement per gap
    bool complete = false;
    bool refused = false;          // outgrew the buffer: nothing more is taken
    std::uint32_t startTick = 0;
};

struct SegmentationState {
    std::map<std::uint8_t, Reassembly> reassemblies;
    std::uint8_t buffer[kReassemblyBufferBytes] = {};
    std::uint32_t lastPurgeTick = 0;
};

SegmentationState& State() {
    static SegmentationState state;
    return state;
}

void Purge() {
    auto& state = State();
    const std::uint32_t now = platform::TickCount();
    if (now - state.lastPurgeTick < kPurgeIntervalMs) return;
    state.lastPurgeTick = now;
    for (auto it = state.reassemblies.begin(); it != state.reassemblies.end();) {
        if (now - it->second.startTick > kStaleReassemblyMs)
            it = state.reassemblies.erase(it);
        else
            ++it;
    }
}

std::uint8_t WindowOf(std::uint8_t proposed) { return std::clamp<std::uint8_t>(proposed, 1, kLargestWindow); }

// Joins a segment's data; false (with the warning) when it would not fit.
bool Join(Reassembly& reassembly, const std::uint8_t* data, std::size_t length) {
    if (reassembly.data.size() + length > kReassemblyBufferBytes - 1) {
        platform::TraceWarning(u"Segmentation Buffer Overflow, increase the buffer size");
        reassembly.refused = true;
        return false;
    }
    reassembly.data.insert(reassembly.data.end(), data, data + length);
    return true;
}

}  // namespace

void SegmentReceived(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, std::uint8_t invokeId,
                     std::uint8_t sequence, std::uint8_t proposedWindow, bool moreFollows, const std::uint8_t* data,
                     std::size_t length) {
    auto& reassemblies = State().reassemblies;
    const std::uint8_t window = WindowOf(proposedWindow);
    auto found = reassemblies.find(invokeId);
    if (found == reassemblies.end()) {
        // Without the first segment there is nothing to join to: the server sends it again.
        if (sequence == 0) {
            Reassembly& first = reassemblies[invokeId];
            first.startTick = platform::TickCount();
            first.windowSize = window;
            first.expected = 1;
            first.complete = !moreFollows;
            if (Join(first, data, length)) SendSegmentAck(source, npdu, invokeId, 0, window);
        }
        Purge();
        return;
    }
    Reassembly& reassembly = found->second;
    if (reassembly.complete || reassembly.refused) return;
    const std::uint8_t last = static_cast<std::uint8_t>(reassembly.expected - 1);
    const auto ahead = static_cast<std::uint8_t>(sequence - reassembly.expected);
    if (ahead == 0) {
        if (!Join(reassembly, data, length)) return;
        reassembly.expected = static_cast<std::uint8_t>(sequence + 1);
        reassembly.gapReported = false;
        reassembly.complete = !moreFollows;
        // The last segment of each window is acknowledged, and the final one.
        if (reassembly.complete || sequence == static_cast<std::uint8_t>(reassembly.lastAcked + reassembly.windowSize)) {
            SendSegmentAck(source, npdu, invokeId, sequence, window);
            reassembly.lastAcked = sequence;
        }
    } else if (ahead < 0x80) {
        // A segment is missing: ask for everything behind the last one in sequence.
        if (!reassembly.gapReported) {
            SendSegmentAck(source, npdu, invokeId, last, window, true);
            reassembly.lastAcked = last;
            reassembly.gapReported = true;
        }
    } else if (sequence == reassembly.lastAcked) {
        // The server resent a window whose acknowledgement it missed: acknowledge it again.
        SendSegmentAck(source, npdu, invokeId, last, window);
        reassembly.lastAcked = last;
    }
    Purge();
}

bool MessageComplete(std::uint8_t invokeId, std::uint8_t serviceChoice, const std::uint8_t*& message,
                     std::size_t& length) {
    auto& state = State();
    const auto found = state.reassemblies.find(invokeId);
    if (found == state.reassemblies.end() || !found->second.complete) return false;
    const std::vector<std::uint8_t>& data = found->second.data;
    state.buffer[0] = serviceChoice;
    if (!data.empty()) std::memcpy(state.buffer + 1, data.data(), data.size());
    length = 1 + data.size();
    message = state.buffer;
    state.reassemblies.erase(found);
    return true;
}

std::int32_t SendSegmentAck(const LinkServices::LinkAddress& destination, const network::NpduInfo& received,
                            std::uint8_t invokeId, std::uint8_t sequence, std::uint8_t windowSize, bool negative) {
    network::NpduInfo reply = network::NpduInfo::MakeReply(received);
    reply.segmentedResponseAccepted = 0;
    const std::uint8_t apdu[4] = {static_cast<std::uint8_t>(negative ? 0x42 : 0x40), invokeId, sequence, windowSize};
    return network::EncodeNpdu(destination, reply, apdu, sizeof apdu);
}

void ClearReassembly() { State().reassemblies.clear(); }

}  // namespace APDUServices

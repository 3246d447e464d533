#include "services/segmentation.hpp"

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

struct Segment {
    std::uint32_t sequence;
    std::uint8_t final;
    std::vector<std::uint8_t> data;
};

struct Reassembly {
    std::vector<Segment> segments;
    std::uint32_t windowSize = 0;
    std::uint32_t lastAcknowledged = 0;
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

}  // namespace

void SegmentReceived(const LinkServices::LinkAddress& source, const network::NpduInfo& npdu, std::uint8_t invokeId,
                     std::uint8_t sequence, std::uint8_t proposedWindow, bool moreFollows, const std::uint8_t* data,
                     std::size_t length) {
    Reassembly& reassembly = State().reassemblies[invokeId];
    std::uint8_t final = 0;
    if (sequence == 0) {
        reassembly = Reassembly{};
        reassembly.startTick = platform::TickCount();
        reassembly.windowSize = proposedWindow;
        SendSegmentAck(source, npdu, invokeId, 0, proposedWindow);
        reassembly.lastAcknowledged = 0;
    } else {
        final = moreFollows ? 0 : 1;
        // Acknowledge the last segment of each window, and the final one so that
        // the peer does not resend it.
        if (sequence == reassembly.lastAcknowledged + reassembly.windowSize || final) {
            SendSegmentAck(source, npdu, invokeId, sequence, proposedWindow);
            reassembly.lastAcknowledged = sequence;
        }
    }
    reassembly.segments.push_back(Segment{sequence, final, std::vector<std::uint8_t>(data, data + length)});
    Purge();
}

bool MessageComplete(std::uint8_t invokeId, std::uint8_t serviceChoice, const std::uint8_t*& message,
                     std::size_t& length) {
    auto& state = State();
    const auto found = state.reassemblies.find(invokeId);
    if (found == state.reassemblies.end() || found->second.segments.empty()) return false;
    const auto& segments = found->second.segments;
    std::size_t position = 1;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i + 1 == segments.size() && segments[i].final != 1) return false;
        for (std::uint8_t byte : segments[i].data) {
            if (position >= kReassemblyBufferBytes - 1) {
                platform::TraceWarning(u"Segmentation Buffer Overflow, increase the buffer size");
                return false;
            }
            state.buffer[position++] = byte;
        }
    }
    state.buffer[0] = serviceChoice;
    if (position > kLargestMessageBytes) {
        platform::TraceWarning(u"Main Buffer Overflow, increase the buffer size");
        return false;
    }
    length = position;
    message = state.buffer;
    state.reassemblies.erase(found);
    return true;
}

std::int32_t SendSegmentAck(const LinkServices::LinkAddress& destination, const network::NpduInfo& received,
                            std::uint8_t invokeId, std::uint8_t sequence, std::uint8_t windowSize) {
    network::NpduInfo reply = network::NpduInfo::MakeReply(received);
    reply.segmentedResponseAccepted = 0;
    const std::uint8_t apdu[4] = {0x40, invokeId, sequence, windowSize};
    return network::EncodeNpdu(destination, reply, apdu, sizeof apdu);
}

void ClearReassembly() { State().reassemblies.clear(); }

}  // namespace APDUServices

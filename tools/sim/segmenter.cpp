#include "sim/segmenter.hpp"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kSegmentedComplexAck = 0x38;
constexpr std::uint8_t kMoreFollows = 0x04;
constexpr std::uint8_t kLargestWindow = 127;

}  // namespace

void Segmenter::Begin(const Peer& peer, std::uint8_t invokeId, std::uint8_t service, const encoding::ByteVector& body,
                      std::size_t segmentPayload, std::uint32_t now) {
    Transfer transfer;
    transfer.peer = peer;
    transfer.invokeId = invokeId;
    transfer.service = service;
    segmentPayload = std::max<std::size_t>(segmentPayload, 1);
    for (std::size_t offset = 0; offset < body.size(); offset += segmentPayload) {
        const std::size_t end = std::min(body.size(), offset + segmentPayload);
        transfer.payloads.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(offset),
                                       body.begin() + static_cast<std::ptrdiff_t>(end));
    }
    transfer.windowEnd = 1;
    transfer.retriesLeft = settings_.retries;
    Transfer& stored = transfers_[Key{peer, invokeId}] = std::move(transfer);
    SendWindow(stored, now);
}

void Segmenter::SendWindow(Transfer& transfer, std::uint32_t now) {
    for (std::size_t i = transfer.windowStart; i < transfer.windowEnd; ++i) {
        const bool more = i + 1 < transfer.payloads.size();
        encoding::ByteVector apdu;
        apdu.reserve(5 + transfer.payloads[i].size());  // the segment header, then the payload
        for (const std::uint8_t octet : {static_cast<std::uint8_t>(kSegmentedComplexAck | (more ? kMoreFollows : 0)),
                                         transfer.invokeId, static_cast<std::uint8_t>(i & 0xFF),
                                         settings_.proposedWindow, transfer.service})
            apdu.push_back(octet);
        apdu.insert(apdu.end(), transfer.payloads[i].begin(), transfer.payloads[i].end());
        send_(transfer.peer, apdu);
    }
    transfer.sentAt = now;
}

void Segmenter::OnSegmentAck(const Peer& peer, std::uint8_t invokeId, std::uint8_t sequence, std::uint8_t window,
                             std::uint32_t now) {
    const auto found = transfers_.find(Key{peer, invokeId});
    if (found == transfers_.end()) return;
    Transfer& transfer = found->second;
    // Sequence numbers wrap at 256: the acknowledged segment lies between the
    // one before the window and the last one sent.
    const auto before = static_cast<std::int64_t>(transfer.windowStart) - 1;
    const std::int64_t acknowledged = before + ((sequence - before) & 0xFF);
    if (acknowledged >= static_cast<std::int64_t>(transfer.windowEnd)) return;
    const auto next = static_cast<std::size_t>(acknowledged + 1);
    if (next >= transfer.payloads.size()) {
        transfers_.erase(found);
        return;
    }
    const std::size_t size = std::clamp<std::size_t>(window, 1, kLargestWindow);
    transfer.windowStart = next;
    transfer.windowEnd = std::min(transfer.payloads.size(), next + size);
    transfer.retriesLeft = settings_.retries;
    SendWindow(transfer, now);
}

void Segmenter::OnAbort(const Peer& peer, std::uint8_t invokeId) { transfers_.erase(Key{peer, invokeId}); }

void Segmenter::Tick(std::uint32_t now) {
    for (auto it = transfers_.begin(); it != transfers_.end();) {
        Transfer& transfer = it->second;
        if (now - transfer.sentAt < settings_.timeoutMs) {
            ++it;
        } else if (transfer.retriesLeft-- > 0) {
            SendWindow(transfer, now);
            ++it;
        } else {
            it = transfers_.erase(it);
        }
    }
}

}  // namespace sim

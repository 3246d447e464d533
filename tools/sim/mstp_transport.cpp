#include "sim/mstp_transport.hpp"

#include <algorithm>

#include "links/mstp_frame.hpp"

namespace sim {
namespace {

namespace frame = LinkServices::MstpFrame;

constexpr std::size_t kDataCrcSize = 2;
constexpr std::size_t kReadChunk = 512;
// Octets kept while looking for a frame start; anything older is noise.
constexpr std::size_t kMaxPending = 4096;

}  // namespace

bool MstpTransport::Receive(Incoming& incoming) {
    for (;;) {
        if (NextFrame(incoming)) return true;
        std::uint8_t buffer[kReadChunk];
        const std::int32_t n = line_->Read(buffer, sizeof buffer);
        if (n <= 0) return false;
        if (pending_.size() + static_cast<std::size_t>(n) > kMaxPending) pending_.clear();
        pending_.insert(pending_.end(), buffer, buffer + n);
    }
}

bool MstpTransport::NextFrame(Incoming& incoming) {
    for (;;) {
        const auto start = std::find(pending_.begin(), pending_.end(), frame::kPreamble1);
        pending_.erase(pending_.begin(), start);
        if (pending_.size() < frame::kHeaderSize) return false;
        if (pending_[1] != frame::kPreamble2 || frame::HeaderCrc(pending_.data() + 2) != pending_[7]) {
            if (pending_[1] == frame::kPreamble2) ++badFrames_;
            pending_.erase(pending_.begin());
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(pending_[5] << 8 | pending_[6]);
        const std::size_t total = frame::kHeaderSize + (length > 0 ? length + kDataCrcSize : 0);
        if (length > kMstpMaxNpdu) {
            ++badFrames_;
            pending_.erase(pending_.begin(), pending_.begin() + 2);
            continue;
        }
        if (pending_.size() < total) return false;
        const std::uint8_t* data = pending_.data() + frame::kHeaderSize;
        const std::uint16_t crc = static_cast<std::uint16_t>(data[length] | data[length + 1] << 8);
        if (length > 0 && frame::DataCrc(data, length) != crc) {
            ++badFrames_;
            pending_.erase(pending_.begin(), pending_.begin() + 2);
            continue;
        }
        const std::uint8_t type = pending_[2];
        const std::uint8_t destination = pending_[3];
        const std::uint8_t source = pending_[4];
        frame_.assign(data, data + length);
        if (log_) log_("<- station " + std::to_string(source) + " " + HexOf(pending_.data(), total));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
        const bool dataFrame = type == frame::kDataExpectingReply || type == frame::kDataNotExpectingReply;
        const bool forUs = destination == station_ || destination == frame::kBroadcastStation;
        if (!dataFrame || !forUs || length == 0) continue;
        Peer from;
        from.address = source;
        if (ParseNpdu(frame_.data(), frame_.size(), from, placement_, incoming)) return true;
    }
}

void MstpTransport::Send(const Peer& to, const encoding::ByteVector& apdu) {
    const encoding::ByteVector npdu = BuildNpdu(to, placement_, apdu);
    if (npdu.size() > kMstpMaxNpdu) return;
    const auto bytes = frame::Encode(frame::kDataNotExpectingReply, static_cast<std::uint8_t>(to.address), station_,
                                     npdu.data(), static_cast<std::uint16_t>(npdu.size()));
    line_->Write(bytes.data(), bytes.size());
    if (log_) log_("-> station " + std::to_string(to.address) + " " + HexOf(bytes.data(), bytes.size()));
}

std::string MstpTransport::Describe() const {
    return "MS/TP station " + std::to_string(station_) + " on " + line_->Name();
}

}  // namespace sim

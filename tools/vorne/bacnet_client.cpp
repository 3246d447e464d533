#include "tools/vorne/bacnet_client.hpp"

#include "encoding/tags.hpp"
#include "platform/clock.hpp"
#include "sim/tag_reader.hpp"

namespace vorne_tool {
namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kOriginalUnicast = 0x0A;
constexpr std::uint8_t kOriginalBroadcast = 0x0B;
constexpr std::uint8_t kNpduVersion = 0x01;
constexpr std::uint8_t kNetworkMessage = 0x80;
constexpr std::uint8_t kDestinationPresent = 0x20;
constexpr std::uint8_t kSourcePresent = 0x08;
constexpr std::uint8_t kExpectingReply = 0x04;
constexpr std::uint8_t kHopCount = 255;

constexpr std::uint8_t kPduConfirmed = 0x00;
constexpr std::uint8_t kPduUnconfirmed = 0x10;
constexpr std::uint8_t kMaxApdu1476 = 0x05;
constexpr std::uint8_t kServiceIAm = 0;
constexpr std::uint8_t kServiceWhoIs = 8;
constexpr std::uint8_t kServiceReadProperty = 12;
constexpr std::uint32_t kReceiveSliceMs = 20;
constexpr std::size_t kLargestDatagram = 2048;

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void AppendContextUnsigned(std::vector<std::uint8_t>& out, std::uint32_t tag, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(
        out, value, encoding::MakeContextTag(tag, static_cast<std::uint32_t>(encoding::UnsignedOctetCount(value))));
}

// The BVLC and network headers of a frame, down to its APDU; nullopt for
// network-layer messages and anything malformed.
std::optional<std::size_t> ApduStart(const std::uint8_t* data, std::size_t length, DeviceAddress& from) {
    if (length < 6 || data[0] != kBvlcType || Read16(data + 2) != length) return std::nullopt;
    std::size_t position = 4;
    if (data[1] == kForwardedNpdu) {
        if (length < 12) return std::nullopt;
        from.ip = (static_cast<std::uint32_t>(data[4]) << 24) | (data[5] << 16) | (data[6] << 8) | data[7];
        from.port = Read16(data + 8);
        position = 10;
    } else if (data[1] != kOriginalUnicast && data[1] != kOriginalBroadcast) {
        return std::nullopt;
    }
    if (length - position < 2 || data[position] != kNpduVersion) return std::nullopt;
    const std::uint8_t control = data[position + 1];
    position += 2;
    if ((control & kNetworkMessage) != 0) return std::nullopt;
    if ((control & kDestinationPresent) != 0) {
        if (length - position < 3 || length - position - 3 < data[position + 2]) return std::nullopt;
        position += 3 + data[position + 2];
    }
    if ((control & kSourcePresent) != 0) {
        if (length - position < 3) return std::nullopt;
        from.network = Read16(data + position);
        const std::uint8_t slen = data[position + 2];
        position += 3;
        if (length - position < slen) return std::nullopt;
        from.mac.assign(data + position, data + position + slen);
        position += slen;
    }
    if ((control & kDestinationPresent) != 0) ++position;  // hop count
    if (position >= length) return std::nullopt;
    return position;
}

std::string ErrorClassName(std::uint32_t value) {
    static const char* const kNames[] = {"device", "object", "property", "resources", "security", "services"};
    return value < std::size(kNames) ? kNames[value] : std::to_string(value);
}

std::string ErrorCodeName(std::uint32_t value) {
    switch (value) {
        case 0: return "other";
        case 2: return "configuration-in-progress";
        case 3: return "device-busy";
        case 9: return "invalid-data-type";
        case 25: return "operational-problem";
        case 27: return "read-access-denied";
        case 31: return "unknown-object";
        case 32: return "unknown-property";
        case 42: return "invalid-array-index";
        case 50: return "property-is-not-an-array";
        default: return std::to_string(value);
    }
}

}  // namespace

std::string HexText(const std::vector<std::uint8_t>& octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t octet : octets) {
        text += kDigits[octet >> 4];
        text += kDigits[octet & 15];
    }
    return text;
}

std::string ReadOutcome::Describe() const {
    switch (kind) {
        case Kind::kValues: return "ok";
        case Kind::kError:
            return "error " + ErrorClassName(errorClass) + "/" + ErrorCodeName(errorCode);
        case Kind::kReject: return "reject reason " + std::to_string(reason);
        case Kind::kAbort:
            return reason == 4 ? "abort segmentation-not-supported" : "abort reason " + std::to_string(reason);
        case Kind::kNoAnswer: break;
    }
    return "no answer";
}

BacnetClient::~BacnetClient() {
    if (socket_ != platform::kNoSocket) platform::UdpSocketClose(socket_);
}

bool BacnetClient::Open(const std::string& bindAddress, std::uint16_t port, bool anyPortIfBusy, std::string& error) {
    std::uint32_t address = 0;
    if (!bindAddress.empty()) {
        const auto parsed = platform::ParseIpv4(bindAddress);
        if (!parsed) return error = "not an IPv4 address: " + bindAddress, false;
        address = *parsed;
    }
    std::int32_t code = 0;
    socket_ = platform::UdpSocketOpen(code);
    if (socket_ == platform::kNoSocket) return error = "cannot open a UDP socket (error " + std::to_string(code) + ")", false;
    if (!platform::UdpSocketBind(socket_, address, port, code) &&
        !(anyPortIfBusy && platform::UdpSocketBind(socket_, address, 0, code))) {
        error = "cannot bind " + (bindAddress.empty() ? std::string("*") : bindAddress) + ":" + std::to_string(port) +
                " (error " + std::to_string(code) + ")";
        return false;
    }
    platform::UdpSocketSetReceiveTimeout(socket_, kReceiveSliceMs);
    return true;
}

std::uint16_t BacnetClient::LocalPort() const { return platform::UdpSocketLocalPort(socket_); }

void BacnetClient::Send(const DeviceAddress& to, const std::vector<std::uint8_t>& apdu, bool broadcast,
                        bool expectReply) {
    std::vector<std::uint8_t> frame{kBvlcType, broadcast ? kOriginalBroadcast : kOriginalUnicast, 0, 0, kNpduVersion, 0};
    std::uint8_t control = expectReply ? kExpectingReply : 0;
    if (to.network != 0) {
        control |= kDestinationPresent;
        Append16(frame, to.network);
        frame.push_back(static_cast<std::uint8_t>(to.mac.size()));
        frame.insert(frame.end(), to.mac.begin(), to.mac.end());
        frame.push_back(kHopCount);
    }
    frame[5] = control;
    frame.insert(frame.end(), apdu.begin(), apdu.end());
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    platform::UdpSocketSendTo(socket_, to.ip, to.port, frame.data(), frame.size());
}

std::optional<BacnetClient::Received> BacnetClient::Receive(std::uint32_t waitMs) {
    std::vector<std::uint8_t> buffer(kLargestDatagram);
    const std::uint32_t started = platform::TickCount();
    do {
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        std::int32_t error = 0;
        const std::int32_t n = platform::UdpSocketReceive(socket_, buffer.data(), buffer.size(), address, port, error);
        if (n <= 0) continue;
        Received received;
        received.from.ip = address;
        received.from.port = port;
        const auto start = ApduStart(buffer.data(), static_cast<std::size_t>(n), received.from);
        if (!start) continue;
        received.apdu.assign(buffer.begin() + static_cast<std::ptrdiff_t>(*start), buffer.begin() + n);
        return received;
    } while (platform::TickCount() - started < waitMs);
    return std::nullopt;
}

void BacnetClient::SendWhoIs(std::uint32_t to, std::uint16_t port,
                             std::optional<std::pair<std::uint32_t, std::uint32_t>> range) {
    std::vector<std::uint8_t> apdu{kPduUnconfirmed, kServiceWhoIs};
    if (range) {
        AppendContextUnsigned(apdu, 0, range->first);
        AppendContextUnsigned(apdu, 1, range->second);
    }
    DeviceAddress target;
    target.ip = to;
    target.port = port;
    Send(target, apdu, true, false);
}

std::optional<IAm> BacnetClient::ParseIAm(const Received& frame) {
    const auto& apdu = frame.apdu;
    if (apdu.size() < 2 || apdu[0] != kPduUnconfirmed || apdu[1] != kServiceIAm) return std::nullopt;
    sim::Value values[4];
    std::size_t position = 2;
    for (sim::Value& value : values) {
        std::size_t consumed = 0;
        if (!sim::DecodeValue(apdu.data() + position, apdu.size() - position, value, consumed)) return std::nullopt;
        position += consumed;
    }
    if (values[0].kind != sim::Kind::kObjectIdentifier || values[1].kind != sim::Kind::kUnsigned ||
        values[2].kind != sim::Kind::kEnumerated || values[3].kind != sim::Kind::kUnsigned)
        return std::nullopt;
    IAm iAm;
    iAm.from = frame.from;
    iAm.deviceInstance = values[0].instance;
    iAm.maxApdu = values[1].number;
    iAm.segmentation = values[2].number;
    iAm.vendorId = values[3].number;
    return iAm;
}

void BacnetClient::CollectIAms(std::uint32_t waitMs, const std::function<void(const IAm&)>& onIAm) {
    const std::uint32_t started = platform::TickCount();
    for (std::uint32_t elapsed = 0; elapsed < waitMs; elapsed = platform::TickCount() - started) {
        const auto frame = Receive(waitMs - elapsed);
        if (!frame) break;
        if (const auto iAm = ParseIAm(*frame)) onIAm(*iAm);
    }
}

ReadOutcome BacnetClient::ReadProperty(const DeviceAddress& device, std::uint32_t type, std::uint32_t instance,
                                       std::uint32_t property, std::optional<std::uint32_t> index,
                                       std::uint32_t timeoutMs, int attempts) {
    ReadOutcome outcome;
    for (int attempt = 0; attempt < attempts && outcome.kind == ReadOutcome::Kind::kNoAnswer; ++attempt) {
        const std::uint8_t invokeId = nextInvokeId_++;
        std::vector<std::uint8_t> apdu{kPduConfirmed, kMaxApdu1476, invokeId, kServiceReadProperty};
        encoding::EncodeObjectIdentifierWithTag(apdu, type, instance, encoding::MakeContextTag(0, 4));
        AppendContextUnsigned(apdu, 1, property);
        if (index) AppendContextUnsigned(apdu, 2, *index);
        Send(device, apdu, false, true);

        const std::uint32_t started = platform::TickCount();
        for (std::uint32_t elapsed = 0; elapsed < timeoutMs; elapsed = platform::TickCount() - started) {
            const auto frame = Receive(timeoutMs - elapsed);
            if (!frame) break;
            const auto& answer = frame->apdu;
            if (frame->from.ip != device.ip || answer.size() < 3 || answer[1] != invokeId) continue;
            const std::uint8_t pduType = answer[0] >> 4;
            if (pduType == 3 && answer.size() >= 3 && answer[2] == kServiceReadProperty && (answer[0] & 0x08) == 0) {
                sim::TagReader reader(answer.data() + 3, answer.size() - 3);
                std::uint32_t t = 0, i = 0, p = 0, echoed = 0;
                const std::uint8_t* content = nullptr;
                std::size_t length = 0;
                if (!reader.ReadContextObjectId(0, t, i) || !reader.ReadContextUnsigned(1, p)) continue;
                reader.ReadContextUnsigned(2, echoed);
                if (!reader.ReadEnclosed(3, content, length)) continue;
                outcome = ReadOutcome{};
                outcome.kind = ReadOutcome::Kind::kValues;
                for (std::size_t position = 0; position < length;) {
                    sim::Value value;
                    std::size_t consumed = 0;
                    // Constructed values are not taken apart here; callers read primitives.
                    if (!sim::DecodeValue(content + position, length - position, value, consumed)) break;
                    outcome.values.push_back(std::move(value));
                    position += consumed;
                }
                return outcome;
            }
            if (pduType == 5 && answer.size() >= 4) {
                sim::Value errorClass, errorCode;
                std::size_t a = 0, b = 0;
                outcome.kind = ReadOutcome::Kind::kError;
                if (sim::DecodeValue(answer.data() + 3, answer.size() - 3, errorClass, a) &&
                    sim::DecodeValue(answer.data() + 3 + a, answer.size() - 3 - a, errorCode, b)) {
                    outcome.errorClass = errorClass.number;
                    outcome.errorCode = errorCode.number;
                }
                return outcome;
            }
            if (pduType == 6 || pduType == 7) {
                outcome.kind = pduType == 6 ? ReadOutcome::Kind::kReject : ReadOutcome::Kind::kAbort;
                outcome.reason = answer[2];
                return outcome;
            }
        }
    }
    return outcome;
}

}  // namespace vorne_tool

#include "sim_client.hpp"

#include "encoding/tags.hpp"

namespace sim_test {

Bytes Frame(const Bytes& apdu) {
    Bytes frame{0x81, 0x0A, 0, 0, 0x01, 0x04};
    frame.insert(frame.end(), apdu.begin(), apdu.end());
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

Bytes ApduOf(const Bytes& frame) {
    if (frame.size() < 6 || frame[0] != 0x81 || frame[1] != 0x0A || frame[4] != 0x01) return {};
    if ((frame[2] << 8 | frame[3]) != static_cast<int>(frame.size())) return {};
    std::size_t position = 6;
    const std::uint8_t control = frame[5];
    if (control & 0x20) position += 3 + frame.at(position + 2);
    if (control & 0x08) position += 3 + frame.at(position + 2);
    if (control & 0x20) position += 1;
    return Bytes(frame.begin() + static_cast<std::ptrdiff_t>(position), frame.end());
}

Bytes ConfirmedHeader(std::uint8_t invokeId, std::uint8_t service, std::uint8_t maxApduCode, bool segmentedAccepted,
                      std::uint8_t maxSegmentsCode) {
    return {static_cast<std::uint8_t>(segmentedAccepted ? 0x02 : 0x00),
            static_cast<std::uint8_t>((maxSegmentsCode << 4) | maxApduCode), invokeId, service};
}

void AppendContextUnsigned(Bytes& out, std::uint8_t tag, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(
        out, value, encoding::MakeContextTag(tag, static_cast<std::uint32_t>(encoding::UnsignedOctetCount(value))));
}

void AppendContextObjectId(Bytes& out, std::uint8_t tag, std::uint32_t type, std::uint32_t instance) {
    encoding::EncodeObjectIdentifierWithTag(out, type, instance, encoding::MakeContextTag(tag, 4));
}

Bytes ReadPropertyRequest(std::uint8_t invokeId, std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                          std::optional<std::uint32_t> index) {
    Bytes apdu = ConfirmedHeader(invokeId, 12);
    AppendContextObjectId(apdu, 0, type, instance);
    AppendContextUnsigned(apdu, 1, property);
    if (index) AppendContextUnsigned(apdu, 2, *index);
    return apdu;
}

Bytes WritePropertyRequest(std::uint8_t invokeId, std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                           const Bytes& value, std::uint32_t priority, std::optional<std::uint32_t> index) {
    Bytes apdu = ConfirmedHeader(invokeId, 15);
    AppendContextObjectId(apdu, 0, type, instance);
    AppendContextUnsigned(apdu, 1, property);
    if (index) AppendContextUnsigned(apdu, 2, *index);
    apdu.push_back(0x3E);
    apdu.insert(apdu.end(), value.begin(), value.end());
    apdu.push_back(0x3F);
    if (priority != 0) AppendContextUnsigned(apdu, 4, priority);
    return apdu;
}

Bytes Encode(const sim::Value& value) {
    Bytes out;
    sim::EncodeValue(out, value);
    return out;
}

std::optional<std::vector<sim::Value>> DecodeAll(const std::uint8_t* data, std::size_t length) {
    std::vector<sim::Value> values;
    std::size_t position = 0;
    while (position < length) {
        sim::Value value;
        std::size_t consumed = 0;
        if (!sim::DecodeValue(data + position, length - position, value, consumed)) return std::nullopt;
        values.push_back(value);
        position += consumed;
    }
    return values;
}

std::optional<std::vector<sim::Value>> ValuesOfReadAck(const Bytes& apdu) {
    if (apdu.size() < 4 || apdu[0] != 0x30 || apdu.back() != 0x3F) return std::nullopt;
    std::size_t open = 3;
    while (open < apdu.size() && apdu[open] != 0x3E) open += (apdu[open] & 0x07) + 1;  // small context tags only
    if (open >= apdu.size()) return std::nullopt;
    return DecodeAll(apdu.data() + open + 1, apdu.size() - open - 2);
}

void SimulatorTest::StartSimulator(sim::SimOptions options) {
    port = testing_support::FreeUdpPort();
    options.bindAddress = address;
    options.port = port;
    std::string error;
    ASSERT_TRUE(simulator.Start(options, error)) << error;
}

std::optional<Bytes> SimulatorTest::Receive(std::uint32_t timeoutMs) {
    const auto frame = peer.Receive(timeoutMs);
    if (!frame) return std::nullopt;
    return ApduOf(*frame);
}

std::optional<Bytes> SimulatorTest::Exchange(const Bytes& apdu, std::uint32_t timeoutMs) {
    Send(apdu);
    return Receive(timeoutMs);
}

ReadResult SimulatorTest::Read(std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                               std::optional<std::uint32_t> index) {
    ReadResult result;
    const auto answer = Exchange(ReadPropertyRequest(nextInvokeId++, type, instance, property, index));
    if (!answer) {
        ADD_FAILURE() << "no answer";
        return result;
    }
    result.apdu = *answer;
    if (answer->size() == 7 && (*answer)[0] == 0x50) {
        result.errorClass = (*answer)[4];
        result.errorCode = (*answer)[6];
    } else if (const auto values = ValuesOfReadAck(*answer)) {
        result.values = *values;
    } else if (answer->empty() || (*answer)[0] != 0x30) {
        ADD_FAILURE() << "not a ReadProperty answer";
    }
    return result;
}

Bytes SimulatorTest::Write(std::uint32_t type, std::uint32_t instance, std::uint32_t property,
                           const sim::Value& value, std::uint32_t priority, std::optional<std::uint32_t> index) {
    const auto answer =
        Exchange(WritePropertyRequest(nextInvokeId++, type, instance, property, Encode(value), priority, index));
    return answer.value_or(Bytes{});
}

}  // namespace sim_test

// The device takes requests up to the max-APDU it announces and refuses a
// longer one with Reject buffer-overflow, as a device with a buffer of that
// size does: never by silence, never by answering it.
#include "sim/default_objects.hpp"
#include "sim/device_core.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

constexpr std::uint8_t kRejectBufferOverflow = 1;

// A ReadPropertyMultiple of analog values' present values, exactly `length`
// octets long; the last object's list is padded to make up the odd octets.
Bytes RequestOfLength(std::uint8_t invokeId, std::size_t length, std::uint8_t maxApduCode) {
    Bytes apdu = ConfirmedHeader(invokeId, 14, maxApduCode, true, 0);
    constexpr std::size_t kObject = 9;  // 0C + identifier, 1E 09 55 1F
    std::size_t objects = (length - apdu.size()) / kObject;
    if ((length - apdu.size()) % kObject == 1) --objects;  // pad with two or three octets only
    for (std::uint32_t n = 1; n <= objects; ++n) {
        AppendContextObjectId(apdu, 0, 2, n);
        apdu.push_back(0x1E);
        AppendContextUnsigned(apdu, 0, 85);
        while (n == objects && length - apdu.size() - 1 >= 2) {
            const bool three = length - apdu.size() - 1 == 3;
            AppendContextUnsigned(apdu, 0, three ? 256 : 85);
        }
        apdu.push_back(0x1F);
    }
    EXPECT_EQ(apdu.size(), length);
    return apdu;
}

bool IsComplexAck(const encoding::ByteVector& apdu) { return !apdu.empty() && apdu[0] >> 4 == 3; }

TEST(RequestSizeTest, TheDeviceTakesRequestsUpToItsMaxApduAndRejectsLongerOnes) {
    for (const auto& [maxApdu, code] : {std::pair<std::size_t, std::uint8_t>{1476, 5}, {480, 3}}) {
        SCOPED_TRACE("max-APDU " + std::to_string(maxApdu));
        sim::ObjectDatabase db;
        sim::AddDefaultObjects(db, 1234, "SIM");
        std::vector<encoding::ByteVector> sent;
        sim::SegmentSettings settings;
        settings.deviceMaxApdu = maxApdu;
        sim::DeviceCore core(db, [&sent](const sim::Peer&, const encoding::ByteVector& apdu) { sent.push_back(apdu); },
                             settings);
        sim::Peer client;
        client.address = 0x7F000001;
        client.port = 47808;

        const Bytes fits = RequestOfLength(7, maxApdu, code);
        core.OnApdu(client, fits.data(), fits.size(), 0);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_TRUE(IsComplexAck(sent.back())) << "a request of the max-APDU was refused";

        const Bytes tooLong = RequestOfLength(8, maxApdu + 1, code);
        core.OnApdu(client, tooLong.data(), tooLong.size(), 0);
        ASSERT_EQ(sent.size(), 2u) << "a request longer than the max-APDU got no answer";
        EXPECT_EQ(sent.back(), (encoding::ByteVector{0x60, 8, kRejectBufferOverflow}));
    }
}

class RequestSizeOnUdpTest : public SimulatorTest {};

// A request far longer than any max-APDU arrives whole and is refused; the
// device reports the longest request it has seen.
TEST_F(RequestSizeOnUdpTest, ARequestLongerThanTheMaxApduIsRejectedWithBufferOverflow) {
    StartSimulator();
    const auto fits = Exchange(RequestOfLength(3, 1476, 5));
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ((*fits)[0] >> 4, 3) << "a request of the max-APDU was refused";
    EXPECT_EQ(simulator.LargestRequest(), 1476u);

    const auto answer = Exchange(RequestOfLength(4, 3000, 5));
    ASSERT_TRUE(answer.has_value()) << "the device stayed silent";
    EXPECT_EQ(*answer, (Bytes{0x60, 4, kRejectBufferOverflow}));
    EXPECT_EQ(simulator.LargestRequest(), 3000u);
}

}  // namespace
}  // namespace sim_test

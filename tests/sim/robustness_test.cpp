// Garbage and truncated requests: the device never crashes, never reads past
// a frame, and keeps answering afterwards. Seeds are fixed so that a failure
// repeats.
#include <random>

#include "platform/clock.hpp"
#include "sim/default_objects.hpp"
#include "sim/device_core.hpp"
#include "sim/frames.hpp"
#include "sim/ids.hpp"
#include "sim/object_file.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;

std::vector<Bytes> ValidRequests() {
    Bytes rpm = ConfirmedHeader(2, 14, 0, true);
    AppendContextObjectId(rpm, 0, t::kAnalogOutput, 1);
    rpm.insert(rpm.end(), {0x1E, 0x09, 0x08, 0x09, 0x57, 0x19, 0x00, 0x1F});
    return {
        ReadPropertyRequest(1, t::kDevice, 1234, p::kObjectList),
        ReadPropertyRequest(1, t::kMultiStateValue, 1, p::kStateText, 2),
        rpm,
        WritePropertyRequest(3, t::kAnalogOutput, 1, p::kPresentValue, Encode(sim::Value::Real(3)), 8),
        WritePropertyRequest(3, t::kSchedule, 1, p::kWeeklySchedule, {0x0E, 0xB4, 1, 2, 3, 4, 0x44, 0, 0, 0, 0, 0x0F}, 0, 2),
        {0x10, 0x08, 0x09, 0x00, 0x1A, 0xFF, 0xFF},
        {0x40, 1, 0, 4},
    };
}

Bytes Mutate(Bytes frame, std::mt19937& random) {
    switch (random() % 4) {
        case 0: frame.resize(random() % (frame.size() + 1)); break;
        case 1: frame[random() % frame.size()] = static_cast<std::uint8_t>(random()); break;
        case 2: frame.insert(frame.begin() + static_cast<std::ptrdiff_t>(random() % frame.size()), static_cast<std::uint8_t>(random())); break;
        default:
            for (int i = 0; i < 4; ++i) frame[random() % frame.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
    }
    // Keep the length field right half of the time, so the damage reaches the NPDU and APDU.
    if (frame.size() >= 4 && random() % 2 == 0) {
        frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
        frame[3] = static_cast<std::uint8_t>(frame.size());
    }
    return frame;
}

TEST(RobustnessTest, DamagedAndRandomFramesNeverCrashTheDevice) {
    sim::ObjectDatabase db;
    sim::AddDefaultObjects(db, 1234, "fuzz");
    std::size_t answers = 0;
    sim::DeviceCore core(db, [&](const sim::Peer&, const Bytes& apdu) {
        ASSERT_GE(apdu.size(), 2u);
        ASSERT_LE(apdu.size(), sim::kDeviceMaxApdu);
        ++answers;
    }, {});
    std::mt19937 random(20260314);
    const std::vector<Bytes> requests = ValidRequests();
    const sim::Placement placements[] = {{}, {5, {7}}};
    for (int i = 0; i < 6000; ++i) {
        Bytes frame;
        if (i % 3 == 0) {
            frame.resize(random() % 40);
            for (auto& byte : frame) byte = static_cast<std::uint8_t>(random());
            if (frame.size() > 2 && random() % 2 == 0) frame[0] = 0x81;
        } else {
            frame = Mutate(Frame(requests[random() % requests.size()]), random);
        }
        sim::Incoming incoming;
        if (sim::ParseFrame(frame.data(), frame.size(), 0x7F000001, 47808, placements[i % 2], incoming)) {
            // The APDU is copied so that the sanitizer sees a read past its end.
            const Bytes apdu(incoming.apdu, incoming.apdu + incoming.apduLength);
            core.OnApdu(incoming.peer, apdu.data(), apdu.size(), static_cast<std::uint32_t>(i * 10));
        }
        core.Tick(static_cast<std::uint32_t>(i * 10));
    }
    EXPECT_GT(answers, 1000u);
}

TEST(RobustnessTest, RandomObjectTextsFailCleanly) {
    std::mt19937 random(7);
    const std::string alphabet = "AVIOBMSCLNT 0123456789.:=\"[],#{}n-_*\\\r\nabcdefghijklmnopqrstuvwxyz";
    const std::string seeds[] = {"AV 1 present-value=REAL:1.5 state-text=[STR:a,STR:b]", "DEVICE object-name=\"x\"",
                                 "AV 1..3 object-name=\"R{n}\"", "SCH 1 effective-period=RAW:A4FFFFFFFF"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = seeds[random() % std::size(seeds)];
        for (int k = 0; k < 3; ++k) text[random() % text.size()] = alphabet[random() % alphabet.size()];
        sim::ObjectDatabase db;
        std::string error;
        if (!sim::LoadObjectText(text, 1, "d", db, error)) {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << text;
        }
    }
}

class RobustnessOverUdpTest : public SimulatorTest {};

TEST_F(RobustnessOverUdpTest, StillAnswersAfterAFloodOfGarbage) {
    StartSimulator();
    std::mt19937 random(99);
    const std::vector<Bytes> requests = ValidRequests();
    // From a peer of its own, whose answers (and resent segments) stay out of the way.
    testing_support::UdpPeer garbage;
    for (int i = 0; i < 1000; ++i) {
        garbage.SendTo(address.c_str(), port, Mutate(Frame(requests[random() % requests.size()]), random));
        if (i % 50 == 49) platform::SleepMs(20);  // paced, so that the socket's buffer does not overflow
    }
    EXPECT_EQ(Read(t::kAnalogInput, 1, p::kPresentValue).values, std::vector<sim::Value>{sim::Value::Real(12.5f)});
    EXPECT_TRUE(simulator.Running());
}

}  // namespace
}  // namespace sim_test

// WriteProperty: the priority array of commandable objects, and the writes
// the device refuses.
#include "sim/ids.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;
using sim::Value;

class WritePropertyTest : public SimulatorTest {
protected:
    void SetUp() override { StartSimulator(); }

    void ExpectAck(const Bytes& answer) {
        ASSERT_EQ(answer.size(), 3u);
        EXPECT_EQ(answer[0], 0x20);
        EXPECT_EQ(answer[2], 15);
    }
    void ExpectError(const Bytes& answer, std::uint8_t errorClass, std::uint8_t code) {
        ASSERT_EQ(answer.size(), 7u);
        EXPECT_EQ(answer, (Bytes{0x50, answer[1], 15, 0x91, errorClass, 0x91, code}));
    }
    Value PresentValueOverTheWire(std::uint32_t type, std::uint32_t instance) {
        const ReadResult result = Read(type, instance, p::kPresentValue);
        return result.values.empty() ? Value::Signed(-999) : result.values[0];
    }
};

TEST_F(WritePropertyTest, HighestPriorityWinsAndRelinquishFallsBack) {
    const Value relinquish = *simulator.RelinquishDefault(t::kAnalogOutput, 1);
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Real(40), 8));
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Real(75), 5));
    EXPECT_EQ(PresentValueOverTheWire(t::kAnalogOutput, 1), Value::Real(75));
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Real(10), 12));
    EXPECT_EQ(PresentValueOverTheWire(t::kAnalogOutput, 1), Value::Real(75));

    const auto slots = simulator.PriorityArray(t::kAnalogOutput, 1);
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[4], Value::Real(75));
    EXPECT_EQ((*slots)[7], Value::Real(40));
    EXPECT_EQ((*slots)[11], Value::Real(10));
    EXPECT_FALSE((*slots)[0]);

    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Null(), 5));
    EXPECT_EQ(PresentValueOverTheWire(t::kAnalogOutput, 1), Value::Real(40));
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Null(), 8));
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Null(), 12));
    EXPECT_EQ(PresentValueOverTheWire(t::kAnalogOutput, 1), relinquish);
    // Relinquishing an empty slot is no fault.
    ExpectAck(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Null(), 3));
}

TEST_F(WritePropertyTest, PriorityArrayOverTheWireShowsNullsAndSlots) {
    ExpectAck(Write(t::kBinaryValue, 2, p::kPresentValue, Value::Enumerated(1), 9));
    const ReadResult slots = Read(t::kBinaryValue, 2, p::kPriorityArray);
    ASSERT_EQ(slots.values.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(slots.values[i], i == 8 ? Value::Enumerated(1) : Value::Null()) << i;
    EXPECT_EQ(Read(t::kBinaryValue, 2, p::kPriorityArray, 9).values, std::vector<Value>{Value::Enumerated(1)});
}

TEST_F(WritePropertyTest, WithoutPriorityTheWriteGoesToSixteen) {
    ExpectAck(Write(t::kAnalogValue, 1, p::kPresentValue, Value::Real(23.5f)));
    EXPECT_EQ((*simulator.PriorityArray(t::kAnalogValue, 1))[15], Value::Real(23.5f));
    EXPECT_EQ(*simulator.PresentValue(t::kAnalogValue, 1), Value::Real(23.5f));
}

TEST_F(WritePropertyTest, RelinquishDefaultIsWritable) {
    ExpectAck(Write(t::kMultiStateValue, 1, p::kRelinquishDefault, Value::Unsigned(3)));
    EXPECT_EQ(PresentValueOverTheWire(t::kMultiStateValue, 1), Value::Unsigned(3));
}

TEST_F(WritePropertyTest, WrongDatatypesAndRangesAreRefused) {
    ExpectError(Write(t::kAnalogOutput, 1, p::kPresentValue, Value::Unsigned(5), 8), 2, 9);
    ExpectError(Write(t::kBinaryOutput, 1, p::kPresentValue, Value::Enumerated(2), 8), 2, 37);
    ExpectError(Write(t::kMultiStateOutput, 1, p::kPresentValue, Value::Unsigned(5), 8), 2, 37);
    ExpectError(Write(t::kMultiStateOutput, 1, p::kPresentValue, Value::Unsigned(0), 8), 2, 37);
    ExpectAck(Write(t::kMultiStateOutput, 1, p::kPresentValue, Value::Unsigned(4), 8));
    EXPECT_FALSE((*simulator.PriorityArray(t::kBinaryOutput, 1))[7]);
}

TEST_F(WritePropertyTest, ReadOnlyPropertiesAreWriteAccessDenied) {
    ExpectError(Write(t::kDevice, 1234, p::kObjectName, Value::Text("Renamed")), 2, 40);
    ExpectError(Write(t::kAnalogInput, 1, p::kPresentValue, Value::Real(1)), 2, 40);
    ExpectError(Write(t::kAnalogOutput, 1, p::kPriorityArray, Value::Real(1), 0, 3), 2, 40);
    ExpectError(Write(t::kAnalogInput, 1, p::kObjectIdentifier, Value::ObjectId(0, 9)), 2, 40);
    ExpectError(Write(t::kAnalogInput, 77, p::kPresentValue, Value::Real(1)), 1, 31);
    ExpectError(Write(t::kAnalogInput, 1, p::kStateText, Value::Text("x")), 2, 32);
}

TEST_F(WritePropertyTest, InputsTakeWritesWhileOutOfService) {
    ExpectAck(Write(t::kAnalogInput, 2, p::kOutOfService, Value::Boolean(true)));
    ExpectAck(Write(t::kAnalogInput, 2, p::kPresentValue, Value::Real(30)));
    EXPECT_EQ(PresentValueOverTheWire(t::kAnalogInput, 2), Value::Real(30));
    // The status flags follow: out-of-service is their fourth bit.
    EXPECT_EQ(Read(t::kAnalogInput, 2, p::kStatusFlags).values[0], Value::Bits({false, false, false, true}));
}

TEST_F(WritePropertyTest, ArrayElementsAndPlainPropertiesAreStored) {
    ExpectAck(Write(t::kMultiStateValue, 1, p::kStateText, Value::Text("Sommer"), 0, 3));
    EXPECT_EQ(Read(t::kMultiStateValue, 1, p::kStateText, 3).values, std::vector<Value>{Value::Text("Sommer")});
    ExpectError(Write(t::kMultiStateValue, 1, p::kStateText, Value::Text("x"), 0, 9), 2, 42);
    ExpectError(Write(t::kAnalogValue, 3, p::kDescription, Value::Text("x"), 0, 1), 2, 50);
    ExpectAck(Write(t::kAnalogValue, 3, p::kDescription, Value::Text("Über-Sollwert")));
    EXPECT_EQ(Read(t::kAnalogValue, 3, p::kDescription).values[0].text, "Über-Sollwert");
}

TEST_F(WritePropertyTest, PriorityOutsideOneToSixteenIsRejected) {
    const auto zero = Exchange(WritePropertyRequest(40, t::kAnalogValue, 1, p::kPresentValue, Encode(Value::Real(1)), 17));
    EXPECT_EQ(zero, (Bytes{0x60, 40, 6}));
    Bytes noValue = ConfirmedHeader(41, 15);
    AppendContextObjectId(noValue, 0, t::kAnalogValue, 1);
    AppendContextUnsigned(noValue, 1, p::kPresentValue);
    noValue.push_back(0x3E);
    EXPECT_EQ(Exchange(noValue), (Bytes{0x60, 41, 5}));
}

}  // namespace
}  // namespace sim_test

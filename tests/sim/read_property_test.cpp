// ReadProperty against the default object set: exact answers, errors, array
// indexes, and one value of every primitive datatype.
#include "sim/ids.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;
using sim::Kind;

class ReadPropertyTest : public SimulatorTest {
protected:
    void SetUp() override { StartSimulator(); }
};

TEST_F(ReadPropertyTest, PresentValueAnswerIsExact) {
    const auto answer = Exchange(ReadPropertyRequest(7, t::kAnalogInput, 1, p::kPresentValue));
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, (Bytes{0x30, 7, 12, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x19, 0x55, 0x3E, 0x44, 0x41, 0x48, 0x00,
                              0x00, 0x3F}));  // 12.5
}

TEST_F(ReadPropertyTest, UnknownObjectAndPropertyGiveErrorPdus) {
    const auto object = Exchange(ReadPropertyRequest(9, t::kAnalogInput, 999, p::kPresentValue));
    ASSERT_TRUE(object);
    EXPECT_EQ(*object, (Bytes{0x50, 9, 12, 0x91, 0x01, 0x91, 31}));
    const auto prop = Exchange(ReadPropertyRequest(10, t::kAnalogInput, 1, p::kStateText));
    ASSERT_TRUE(prop);
    EXPECT_EQ(*prop, (Bytes{0x50, 10, 12, 0x91, 0x02, 0x91, 32}));
}

TEST_F(ReadPropertyTest, ArrayIndexesSelectElementsAndZeroGivesTheLength) {
    EXPECT_EQ(Read(t::kAnalogOutput, 1, p::kPriorityArray, 0).values,
              std::vector<sim::Value>{sim::Value::Unsigned(16)});
    EXPECT_EQ(Read(t::kAnalogOutput, 1, p::kPriorityArray).values.size(), 16u);
    EXPECT_EQ(Read(t::kMultiStateOutput, 1, p::kStateText, 3).values,
              std::vector<sim::Value>{sim::Value::Text("Medium")});
    EXPECT_EQ(Read(t::kSchedule, 1, p::kWeeklySchedule, 0).values,
              std::vector<sim::Value>{sim::Value::Unsigned(7)});
    const ReadResult monday = Read(t::kSchedule, 1, p::kWeeklySchedule, 1);
    // [0] { 07:00 21.0, 18:00 17.0 }
    EXPECT_EQ(monday.apdu, (Bytes{0x30, monday.apdu[1], 12, 0x0C, 0x04, 0x40, 0x00, 0x01, 0x19, 123, 0x29, 0x01,
                                  0x3E, 0x0E, 0xB4, 7, 0, 0, 0, 0x44, 0x41, 0xA8, 0, 0, 0xB4, 18, 0, 0, 0, 0x44,
                                  0x41, 0x88, 0, 0, 0x0F, 0x3F}));
    const ReadResult beyond = Read(t::kMultiStateOutput, 1, p::kStateText, 5);
    EXPECT_EQ(beyond.errorCode, 42u);
    const ReadResult notArray = Read(t::kAnalogInput, 1, p::kPresentValue, 1);
    EXPECT_EQ(notArray.errorClass, 2u);
    EXPECT_EQ(notArray.errorCode, 50u);
}

TEST_F(ReadPropertyTest, EveryPrimitiveDatatypeIsServed) {
    struct Case {
        std::uint32_t type, instance, property;
        Kind kind;
    };
    const Case cases[] = {
        {t::kAnalogOutput, 1, p::kPriorityArray, Kind::kNull},
        {t::kAnalogInput, 1, p::kOutOfService, Kind::kBoolean},
        {t::kPositiveIntegerValue, 1, p::kPresentValue, Kind::kUnsigned},
        {t::kIntegerValue, 1, p::kPresentValue, Kind::kSigned},
        {t::kAnalogValue, 7, p::kPresentValue, Kind::kReal},
        {t::kLargeAnalogValue, 1, p::kPresentValue, Kind::kDouble},
        {t::kOctetStringValue, 1, p::kPresentValue, Kind::kOctetString},
        {t::kCharacterStringValue, 1, p::kPresentValue, Kind::kCharacterString},
        {t::kBitStringValue, 1, p::kPresentValue, Kind::kBitString},
        {t::kBinaryInput, 1, p::kPresentValue, Kind::kEnumerated},
        {t::kDateValue, 1, p::kPresentValue, Kind::kDate},
        {t::kTimeValue, 1, p::kPresentValue, Kind::kTime},
        {t::kDevice, 1234, p::kObjectIdentifier, Kind::kObjectIdentifier},
    };
    for (const Case& c : cases) {
        const ReadResult result = Read(c.type, c.instance, c.property);
        ASSERT_FALSE(result.values.empty()) << c.type << "," << c.instance << " property " << c.property;
        EXPECT_EQ(result.values[0].kind, c.kind) << c.type << "," << c.instance;
    }
    EXPECT_EQ(Read(t::kLargeAnalogValue, 1, p::kPresentValue).values[0].dbl, 123456.789012);
    EXPECT_EQ(Read(t::kIntegerValue, 1, p::kPresentValue).values[0].integer, -1234);
}

TEST_F(ReadPropertyTest, NonAsciiTextsTravelAsUtf8) {
    const ReadResult name = Read(t::kAnalogInput, 4, p::kObjectName);
    ASSERT_EQ(name.values.size(), 1u);
    EXPECT_EQ(name.values[0].text, "Température salle 3");
    // Character set 0 then the UTF-8 octets: "é" is two of them.
    const Bytes expected{0x75, 21, 0x00, 'T', 'e', 'm', 'p', 0xC3, 0xA9, 'r'};
    EXPECT_TRUE(std::search(name.apdu.begin(), name.apdu.end(), expected.begin(), expected.end()) != name.apdu.end());
}

TEST_F(ReadPropertyTest, WildcardDeviceInstanceMeansThisDevice) {
    const ReadResult result = Read(t::kDevice, 4194303, p::kObjectIdentifier);
    EXPECT_EQ(result.values, std::vector<sim::Value>{sim::Value::ObjectId(t::kDevice, 1234)});
}

TEST_F(ReadPropertyTest, DeviceDescribesItself) {
    EXPECT_EQ(Read(t::kDevice, 1234, p::kMaxApduLengthAccepted).values[0].number, 1476u);
    EXPECT_EQ(Read(t::kDevice, 1234, p::kSegmentationSupported).values[0], sim::Value::Enumerated(0));
    EXPECT_EQ(Read(t::kDevice, 1234, p::kLocalDate).values[0].kind, Kind::kDate);
    const auto services = Read(t::kDevice, 1234, p::kProtocolServicesSupported).values.at(0).bits;
    for (std::size_t bit : {12u, 14u, 15u, 26u, 34u}) EXPECT_TRUE(services.at(bit)) << bit;
    EXPECT_EQ(Read(t::kDevice, 1234, p::kObjectList, 0).values[0].number, simulator.ObjectCount());
}

TEST_F(ReadPropertyTest, MalformedAndUnknownRequestsAreRejected) {
    Bytes truncated = ConfirmedHeader(3, 12);
    AppendContextObjectId(truncated, 0, t::kAnalogInput, 1);
    EXPECT_EQ(Exchange(truncated), (Bytes{0x60, 3, 5}));  // missing-required-parameter
    Bytes wrongTag = ConfirmedHeader(4, 12);
    AppendContextUnsigned(wrongTag, 1, p::kPresentValue);
    EXPECT_EQ(Exchange(wrongTag), (Bytes{0x60, 4, 4}));  // invalid-tag
    Bytes extra = ReadPropertyRequest(5, t::kAnalogInput, 1, p::kPresentValue, 1);
    AppendContextUnsigned(extra, 3, 1);
    EXPECT_EQ(Exchange(extra), (Bytes{0x60, 5, 7}));  // too-many-arguments
    EXPECT_EQ(Exchange(ConfirmedHeader(6, 99)), (Bytes{0x60, 6, 9}));  // unrecognized-service
}

}  // namespace
}  // namespace sim_test

// Devices as commissioning meets them: one that never segments (it says so
// and aborts long answers even for clients that take segments) and objects
// that refuse every read.
#include "sim/ids.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;

class SiteOptionsTest : public SimulatorTest {};

TEST_F(SiteOptionsTest, DeviceWithoutSegmentationSaysSoAndAbortsLongAnswers) {
    sim::SimOptions options;
    options.segmentation = false;
    StartSimulator(options);

    const auto iAm = Exchange({0x10, 0x08});
    ASSERT_TRUE(iAm);
    // object identifier, max APDU 1476, then segmentation: no-segmentation (3).
    ASSERT_GE(iAm->size(), 12u);
    EXPECT_EQ((*iAm)[10], 0x91);
    EXPECT_EQ((*iAm)[11], 3);
    const ReadResult segmentation = Read(t::kDevice, 1234, p::kSegmentationSupported);
    ASSERT_EQ(segmentation.values.size(), 1u);
    EXPECT_EQ(segmentation.values[0], sim::Value::Enumerated(3));

    Bytes request = ConfirmedHeader(9, 12, 5, true);
    AppendContextObjectId(request, 0, t::kDevice, 1234);
    AppendContextUnsigned(request, 1, p::kObjectList);
    EXPECT_EQ(Exchange(request), (Bytes{0x71, 9, 4})) << "Abort segmentation-not-supported";

    // Element by element still works, and short answers are unchanged.
    const ReadResult length = Read(t::kDevice, 1234, p::kObjectList, 0);
    ASSERT_EQ(length.values.size(), 1u);
    EXPECT_GT(length.values[0].number, 300u);
    const ReadResult last = Read(t::kDevice, 1234, p::kObjectList, length.values[0].number);
    ASSERT_EQ(last.values.size(), 1u);
    EXPECT_EQ(last.values[0].kind, sim::Kind::kObjectIdentifier);
}

TEST_F(SiteOptionsTest, UnreadableObjectsDenyEveryReadAndTheOthersAnswer) {
    sim::SimOptions options;
    options.unreadableObjects = {{t::kAnalogValue, 7}};
    StartSimulator(options);

    for (std::uint32_t property : {p::kObjectName, p::kPresentValue, p::kObjectIdentifier}) {
        const ReadResult denied = Read(t::kAnalogValue, 7, property);
        EXPECT_EQ(denied.errorClass, 2u) << property;
        EXPECT_EQ(denied.errorCode, 27u) << property;
    }
    EXPECT_EQ(Read(t::kAnalogValue, 8, p::kObjectName).values.size(), 1u);

    // In a ReadPropertyMultiple the denied object's results are errors beside the good ones.
    Bytes request = ConfirmedHeader(10, 14);
    AppendContextObjectId(request, 0, t::kAnalogValue, 7);
    request.push_back(0x1E);
    AppendContextUnsigned(request, 0, p::kPresentValue);
    request.push_back(0x1F);
    AppendContextObjectId(request, 0, t::kAnalogValue, 8);
    request.push_back(0x1E);
    AppendContextUnsigned(request, 0, p::kPresentValue);
    request.push_back(0x1F);
    const auto answer = Exchange(request);
    ASSERT_TRUE(answer);
    const Bytes deniedResult{0x0C, 0x00, 0x80, 0x00, 0x07, 0x1E, 0x29, 0x55, 0x5E, 0x91, 0x02, 0x91, 0x1B, 0x5F, 0x1F};
    ASSERT_GT(answer->size(), 3 + deniedResult.size());
    EXPECT_EQ(Bytes(answer->begin() + 3, answer->begin() + 3 + static_cast<std::ptrdiff_t>(deniedResult.size())),
              deniedResult);
    EXPECT_EQ((*answer)[3 + deniedResult.size() + 4], 8) << "the second object follows";
}

TEST_F(SiteOptionsTest, UnknownUnreadableObjectStopsTheStart) {
    sim::SimOptions options;
    options.unreadableObjects = {{t::kAnalogValue, 9999}};
    sim::Simulator other;
    std::string error;
    options.port = 0;
    EXPECT_FALSE(other.Start(options, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace sim_test

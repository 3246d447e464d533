// A property of the driver's own Device whose stored value does not encode
// (here an object-identifier text that breaks its grammar) is answered with
// that property's error, never with a half-encoded value.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "services/read_property.hpp"
#include "services/read_property_multiple.hpp"
#include "support/hex.hpp"
#include "support/recording_link.hpp"
#include "support/trace_capture.hpp"
#include "tables/device_properties.hpp"
#include "tables/vocabulary.hpp"

namespace {

using testing_support::BytesAre;
using testing_support::Hex;

constexpr std::int32_t kObjectIdentifier = 75;

class UnencodableLocalValueTest : public ::testing::Test {
protected:
    void SetUp() override {
        tables::BuildTypeTables();
        tables::BuildNameTables();
        tables::BuildDevicePropertyTable(1000, 3, 1476);
        ::StoreText(&tables::DeviceProperties()[kObjectIdentifier].value, u"not an identifier");
    }
    void TearDown() override { tables::BuildDevicePropertyTable(1000, 3, 1476); }

    // The APDU of the one answer to the request, without its two NPDU octets.
    template <typename Service>
    std::vector<std::uint8_t> Answer(const std::string& requestHex) {
        const auto bytes = Hex(requestHex);
        auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), exact.get());
        Service(4).Process(LinkServices::LinkAddress{}, network::NpduInfo{}, exact.get(), bytes.size());
        if (link_.sent.size() != 1 || link_.sent[0].size() < 2) return {};
        return std::vector<std::uint8_t>(link_.sent[0].begin() + 2, link_.sent[0].end());
    }

    testing_support::RecordingLink link_;
    testing_support::TraceCapture trace_;
};

TEST_F(UnencodableLocalValueTest, ReadPropertyMultipleAnswersThatPropertyWithItsErrorAndTheOthersWithValues) {
    const auto answer = Answer<APDUServices::ReadPropertyMultiple>("0c 02 00 04 d2 1e 09 4d 09 4b 09 62 1f");
    EXPECT_TRUE(BytesAre(answer, "30 04 0e 0c 02 00 04 d2 1e 29 4d 4e 75 06 00 53 43 41 44 41 4f "
                                 "29 4b 5e 91 02 91 00 5f 29 62 4e 21 01 4f 1f"));
}

TEST_F(UnencodableLocalValueTest, ReadPropertyAnswersWithThePropertysError) {
    const auto answer = Answer<APDUServices::ReadProperty>("0c 02 00 04 d2 19 4b");
    EXPECT_TRUE(BytesAre(answer, "50 04 0c 91 02 91 00"));
}

}  // namespace

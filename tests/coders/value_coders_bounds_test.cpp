// Random bytes through the action, destination, event-parameter, scaling and
// any-value coders: nothing is read behind the given length (the address
// sanitizer watches) and the consumed count never passes it.
#include <gtest/gtest.h>

#include <random>

#include "coders/bacnet_action_list.hpp"
#include "coders/bacnet_any_coder.hpp"
#include "coders/bacnet_destination_coder.hpp"
#include "coders/bacnet_event_parameters_coder.hpp"
#include "coders/bacnet_prescale_coder.hpp"
#include "coders/bacnet_scale_coder.hpp"
#include "support/hex.hpp"

namespace {

TEST(ValueCodersBounds, RandomBytesStayWithinLength) {
    coders::BACnetActionList actions;
    coders::BACnetDestinationCoder destinations;
    coders::BACnetEventParametersCoder events;
    coders::BACnetPrescaleCoder prescale;
    coders::BACnetScaleCoder scale;
    coders::BACnetAnyCoder any;
    coders::IPropertyCoder* const all[] = {&actions, &destinations, &events, &prescale, &scale, &any};
    // Mostly the tag bytes these values are made of, extended lengths included.
    const std::uint8_t likely[] = {0x0c, 0x0e, 0x0f, 0x19, 0x1a, 0x1c, 0x1d, 0x1e, 0x1f, 0x29, 0x2e, 0x2f, 0x3f, 0x4e,
                                   0x4f, 0x59, 0x6c, 0x79, 0x89, 0x00, 0x11, 0x21, 0x44, 0x75, 0x82, 0x91, 0xb4, 0xfe,
                                   0xff, 0x05};
    std::mt19937 random(6404);
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 48);
        for (auto& b : bytes)
            b = random() % 4 ? likely[random() % sizeof likely] : static_cast<std::uint8_t>(random());
        for (coders::IPropertyCoder* coder : all) {
            for (const std::int32_t closingTag : {3, 4}) {
                HostValue value{};
                std::uint32_t consumed = 0;
                coder->Decode(bytes.data(), static_cast<std::uint32_t>(bytes.size()), value, closingTag, consumed);
                ASSERT_LE(consumed, bytes.size()) << testing_support::ToHex(bytes);
            }
        }
    }
}

}  // namespace

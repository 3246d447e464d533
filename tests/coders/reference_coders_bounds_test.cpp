// Random bytes through every reference and list coder: nothing is read
// behind the given length (the address sanitizer watches) and the consumed
// count never passes it.
#include <random>

#include "coders/bacnet_read_access_result_coder.hpp"
#include "coders/group_member_list_coder.hpp"
#include "coders/device_object_reference_list_coder.hpp"
#include "coders/enumerated_list_coder.hpp"
#include "coders/list_unsigned_coder.hpp"
#include "coders/object_list_coder.hpp"
#include "coders/object_property_reference.hpp"
#include "coders/priority_array_coder.hpp"
#include "coders/setpoint_reference_coder.hpp"
#include "coders/state_text_coder.hpp"
#include "reference_coder_frames.hpp"

namespace {

using namespace coders;

TEST(ReferenceCodersBounds, RandomBytesStayWithinLength) {
    IPropertyCoder* const all[] = {
        &SharedCoder<ObjectPropertyReference>(),        &SharedCoder<SetpointReferenceCoder>(),
        &SharedCoder<DeviceObjectReferenceListCoder>(), &SharedCoder<ObjectListCoder>(),
        &SharedCoder<ListUnsignedCoder>(),              &SharedCoder<EnumeratedListCoder>(),
        &SharedCoder<StateTextCoder>(),                 &SharedCoder<PriorityArrayCoder>(),
        &SharedCoder<BACnetReadAccessSpecificationCoder>(), &SharedCoder<BACnetReadAccessResultCoder>()};
    // Mostly the tag bytes these values are made of, so that decoding gets deep.
    const std::uint8_t likely[] = {0x0c, 0x0e, 0x0f, 0x19, 0x1c, 0x1e, 0x1f, 0x29, 0x39, 0x3c, 0x3e, 0x3f,
                                   0x4e, 0x4f, 0x5e, 0x5f, 0x00, 0x21, 0x44, 0x75, 0x82, 0x91, 0xc4, 0xfe};
    std::mt19937 random(6301);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 40);
        for (auto& b : bytes) b = random() % 3 ? likely[random() % sizeof likely] : static_cast<std::uint8_t>(random());
        for (IPropertyCoder* coder : all) {
            for (const std::int32_t closingTag : {3, 4}) {
                const auto d = reference_frames::DecodeBytes(*coder, bytes, bytes.size(), closingTag, false);
                ASSERT_LE(d.consumed, bytes.size()) << testing_support::ToHex(bytes);
            }
        }
    }
}

}  // namespace

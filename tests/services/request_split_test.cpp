// Cutting a ReadPropertyMultiple that would not fit the link: every part
// fits, the parts ask for exactly what the whole did, in wire order, and no
// part is cut short while the next property would still have fitted.
#include <gtest/gtest.h>

#include "services/read_property_multiple.hpp"

namespace {

using APDUServices::ObjectPropertyMap;

// (type, instance, property) in wire order.
std::vector<std::tuple<std::int32_t, std::int32_t, std::uint32_t>> Flatten(const std::vector<ObjectPropertyMap>& parts) {
    std::vector<std::tuple<std::int32_t, std::int32_t, std::uint32_t>> all;
    for (const auto& part : parts)
        for (const auto& [object, ids] : part)
            for (std::uint32_t id : ids) all.emplace_back(object.first, object.second, id);
    return all;
}

TEST(RequestSplitTest, PartsFitTheLinkAndTogetherAskForTheWhole) {
    ObjectPropertyMap whole;
    for (std::int32_t n = 0; n < 90; ++n) whole[{2, n}] = {85, 77, 117};
    // One object with more properties than one request holds, some of two and three octets.
    for (std::uint32_t p = 0; p < 300; ++p) whole[{8, 7}].push_back(p * 97);
    for (const std::size_t maxApdu : {std::size_t{1476}, std::size_t{480}, std::size_t{50}}) {
        SCOPED_TRACE("max-APDU " + std::to_string(maxApdu));
        const auto parts = APDUServices::SplitRequest(whole, maxApdu);
        ASSERT_GT(parts.size(), 1u);
        EXPECT_EQ(Flatten(parts), Flatten({whole}));
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const std::size_t length = APDUServices::RequestApduLength(parts[i]);
            EXPECT_LE(length, maxApdu) << "part " << i;
            // Nothing of the next part would have fitted: it needs at least
            // its property reference, and the object's own octets when new.
            if (i + 1 < parts.size()) {
                EXPECT_GT(length + 2 + 7, maxApdu) << "part " << i << " cut short";
            }
        }
    }
    EXPECT_EQ(APDUServices::SplitRequest(whole, APDUServices::RequestApduLength(whole)).size(), 1u);
}

}  // namespace

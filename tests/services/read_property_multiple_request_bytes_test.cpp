// A scan's ReadPropertyMultiple request is written straight into octets
// counted beforehand; it must come out as the general encoders write it,
// whatever the widths of its identifiers.
#include <gtest/gtest.h>

#include <vector>

#include "encoding/tags.hpp"
#include "links/current_link.hpp"
#include "network/npdu.hpp"
#include "services/apdu_headers.hpp"
#include "services/read_property_multiple.hpp"
#include "support/hex.hpp"
#include "support/recording_link.hpp"

namespace {

using namespace APDUServices;

// The request as the general encoders write it, one value after another.
std::vector<std::uint8_t> GeneralRequest(std::uint8_t invokeId, const ObjectPropertyMap& properties,
                                         const network::NpduInfo& npdu) {
    encoding::ByteVector apdu;
    EncodeConfirmedRequestHeader(apdu, invokeId, kServiceReadPropertyMultiple, npdu);
    for (const auto& [object, identifiers] : properties) {
        encoding::EncodeObjectIdentifierWithTag(apdu, static_cast<std::uint32_t>(object.first),
                                                static_cast<std::uint32_t>(object.second),
                                                encoding::MakeContextTag(0, 4));
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtOpening));
        for (std::uint32_t id : identifiers)
            encoding::EncodeUnsignedWithTag(apdu, id, encoding::MakeContextTag(0, encoding::UnsignedOctetCount(id)));
        apdu.push_back(encoding::MakeContextTag(1, encoding::kLvtClosing));
    }
    return apdu;
}

TEST(ReadPropertyMultipleRequestBytes, AreWhatTheGeneralEncodersWrite) {
    testing_support::RecordingLink link;

    ObjectPropertyMap properties;
    properties[{0, 0}] = {0, 255, 256};
    properties[{2, 4194303}] = {65535, 65536, 16777215, 16777216, 0xFFFFFFFFu};
    properties[{8, 1234}] = {};  // an object whose tags all went: its list stays, empty
    properties[{1023, 77}] = {85};
    network::NpduInfo npdu;
    ASSERT_EQ(ReadPropertyMultiple(42).SendReadPropertyMultipleRequest(LinkServices::LinkAddress{}, npdu, properties),
              0);
    const auto apdu = GeneralRequest(42, properties, npdu);
    network::NpduInfo again;
    ASSERT_EQ(network::EncodeNpdu(LinkServices::LinkAddress{}, again, apdu.data(), apdu.size()), 0);

    ASSERT_EQ(link.sent.size(), 2u);
    EXPECT_EQ(testing_support::ToHex(link.sent[0]), testing_support::ToHex(link.sent[1]));
    EXPECT_EQ(apdu.size(), RequestApduLength(properties));
}

}  // namespace

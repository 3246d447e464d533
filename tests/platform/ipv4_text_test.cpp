#include <gtest/gtest.h>

#include <string>

#include "platform/udp_socket.hpp"

namespace platform {
namespace {

TEST(Ipv4TextTest, AddressesRoundTripThroughBothTextForms) {
    for (const char* text : {"0.0.0.0", "255.255.255.255", "10.0.100.9", "192.168.1.20", "127.0.0.1", "1.22.103.250"}) {
        SCOPED_TRACE(text);
        const auto address = ParseIpv4(std::string(text));
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(FormatIpv4(*address), text);
        char16_t wide[kIpv4TextCapacity];
        const std::size_t length = FormatIpv4(*address, wide);
        const std::string narrow(text);
        EXPECT_EQ(std::u16string(wide), std::u16string(narrow.begin(), narrow.end()));
        EXPECT_EQ(length, narrow.size());
        EXPECT_EQ(ParseIpv4(std::u16string_view(wide, length)), address);
    }
}

TEST(Ipv4TextTest, MalformedTextsAreRefusedInBothForms) {
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", "01234.1.1.1", "a.b.c.d", "1..2.3", "1.2.3.-4"}) {
        SCOPED_TRACE(text);
        const std::string narrow(text);
        EXPECT_FALSE(ParseIpv4(narrow).has_value());
        EXPECT_FALSE(ParseIpv4(std::u16string(narrow.begin(), narrow.end())).has_value());
    }
}

}  // namespace
}  // namespace platform

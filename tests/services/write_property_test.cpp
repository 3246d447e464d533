#include <gtest/gtest.h>

#include "encoding/host_value.hpp"
#include "services/write_property.hpp"
#include "support/hex.hpp"
#include "support/recording_link.hpp"
#include "tables/vocabulary.hpp"

namespace {

using APDUServices::WriteProperty;
using testing_support::BytesAre;

class WritePropertyTest : public ::testing::Test {
protected:
    void SetUp() override { tables::BuildTypeTables(); }

    std::int32_t Write(std::int32_t type, std::int32_t instance, std::int32_t property, const HostValue& value,
                       std::uint8_t priority, std::u16string_view nullText, std::uint8_t invokeId = 2) {
        WriteProperty request(invokeId);
        LinkServices::LinkAddress address;
        address.SetIp(u"10.0.0.1", 47808);
        network::NpduInfo npdu;
        return request.SendWritePropertyRequest(address, npdu, type, instance, property, value, priority, nullText);
    }

    static HostValue Real(double d) {
        HostValue v{};
        encoding::SetDouble(v, d);
        return v;
    }
    static HostValue Integer(std::int32_t n) {
        HostValue v{};
        encoding::SetInteger(v, n);
        return v;
    }
    static HostValue Text(const char16_t* t) {
        HostValue v{};
        StoreText(&v, t);
        return v;
    }

    testing_support::RecordingLink link_;
};

TEST_F(WritePropertyTest, RequestsAreByteExact) {
    ASSERT_EQ(Write(2, 3, 85, Real(21.5), 8, u""), 0);
    EXPECT_TRUE(BytesAre(link_.sent.back(), "01 04 00 05 02 0f 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f 49 08"));
}

TEST_F(WritePropertyTest, OverMstpTheHeaderAnnouncesSmallerAnswers) {
    testing_support::RecordingLink mstp(LinkServices::kLinkMstp);
    ASSERT_EQ(Write(8, 7, 10, Integer(5), 16, u"", 3), 0);  // apdu-segment-timeout: Unsigned
    EXPECT_TRUE(BytesAre(mstp.sent.back(), "01 04 00 03 03 0f 0c 02 00 00 07 19 0a 3e 21 05 3f 49 10"));
}

TEST_F(WritePropertyTest, TheNullValueTextRelinquishes) {
    ASSERT_EQ(Write(2, 3, 85, Text(u"NULL"), 8, u"NULL"), 0);
    EXPECT_TRUE(BytesAre(link_.sent.back(), "01 04 00 05 02 0f 0c 00 80 00 03 19 55 3e 00 3f 49 08"));
    ASSERT_EQ(Write(2, 3, 85, Real(0.0), 8, u"0"), 0);
    EXPECT_TRUE(BytesAre(link_.sent.back(), "01 04 00 05 02 0f 0c 00 80 00 03 19 55 3e 00 3f 49 08"));
    // Binary "on" (all bits set) becomes active before the null test.
    ASSERT_EQ(Write(4, 1, 85, Integer(-1), 8, u"-1"), 0);
    EXPECT_TRUE(BytesAre(link_.sent.back(), "01 04 00 05 02 0f 0c 01 00 00 01 19 55 3e 91 01 3f 49 08"));
    // Without a null value text every value is written as it is.
    ASSERT_EQ(Write(2, 3, 85, Real(0.0), 8, u""), 0);
    EXPECT_TRUE(BytesAre(link_.sent.back(), "01 04 00 05 02 0f 0c 00 80 00 03 19 55 3e 44 00 00 00 00 3f 49 08"));
}

TEST_F(WritePropertyTest, NothingIsSentForUnknownDatatypesOrBadValues) {
    EXPECT_EQ(Write(2, 3, 131, Real(1), 8, u""), APDUServices::kWriteNoDatatype);  // log-buffer: no datatype
    EXPECT_EQ(Write(8, 1, 57, Text(u"12:00"), 8, u""), 18);  // local-time without hundredths
    EXPECT_TRUE(link_.sent.empty());
}

}  // namespace

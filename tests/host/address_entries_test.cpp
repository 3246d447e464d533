#include <gtest/gtest.h>

#include "host/address_entries.hpp"
#include "host/driver_state.hpp"
#include "tagcore.h"

namespace {

class GetHeaderAddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterDriver(u"VORNE", &host::Driver().parsedAddress), 0);
        host::Driver().repeatCounter = 0;
    }

    std::int32_t Propose(const char16_t* a, const char16_t* b) {
        return host::GetHeaderAddress(u"1:5", a, u"1:5", b, header_, address_);
    }

    char16_t header_[81] = {};
    char16_t address_[81] = {};
};

TEST_F(GetHeaderAddressTest, RepeatLimitStopsARunOfProposals) {
    host::Driver().repeatLimit = 3;
    EXPECT_NE(Propose(u"AV:1:OBJECT-NAME", u"AV:2:OBJECT-NAME"), 0);  // count 1
    EXPECT_NE(Propose(u"AV:2:OBJECT-NAME", u"AV:3:OBJECT-NAME"), 0);  // count 2
    EXPECT_EQ(Propose(u"AV:3:OBJECT-NAME", u"AV:4:OBJECT-NAME"), 0);  // count 3 reaches the limit
    EXPECT_EQ(host::Driver().repeatCounter, 0u);
    EXPECT_NE(Propose(u"AV:4:OBJECT-NAME", u"AV:5:OBJECT-NAME"), 0);  // a new run
}

TEST_F(GetHeaderAddressTest, LimitsZeroAndOneStopAtOnceNegativeNever) {
    for (std::int32_t limit : {0, 1}) {
        host::Driver().repeatLimit = limit;
        EXPECT_EQ(Propose(u"AV:1:OBJECT-NAME", u"AV:2:OBJECT-NAME"), 0);
    }
    host::Driver().repeatLimit = -1;
    for (int i = 0; i < 50; ++i) EXPECT_NE(Propose(u"AV:1:OBJECT-NAME", u"AV:2:OBJECT-NAME"), 0);
}

TEST_F(GetHeaderAddressTest, SchedulesStopAtTheSecondProposal) {
    host::Driver().repeatLimit = 30;
    EXPECT_NE(Propose(u"SCH:1:OBJECT-NAME", u"SCH:2:OBJECT-NAME"), 0);
    EXPECT_EQ(Propose(u"SCH:2:OBJECT-NAME", u"SCH:3:OBJECT-NAME"), 0);
}

TEST_F(GetHeaderAddressTest, EqualAddressesResetTheCounter) {
    host::Driver().repeatLimit = 30;
    host::Driver().repeatCounter = 5;
    Propose(u"AV:1:OBJECT-NAME", u"AV:1:OBJECT-NAME");
    EXPECT_EQ(host::Driver().repeatCounter, 0u);
}

TEST_F(GetHeaderAddressTest, PresentValueOfTheSameObjectIsRefused) {
    host::Driver().repeatLimit = 30;
    EXPECT_EQ(Propose(u"AV:1:PRESENT-VALUE", u"AV:1:PRESENT-VALUE"), 0);
    EXPECT_EQ(Propose(u"AV:1:PRESENT-VALUE:8", u"AV:1:PRESENT-VALUE"), 0);
}

TEST(AddressChecks, PriorityCheck) {
    EXPECT_TRUE(host::PriorityCheckAccepts(u"AV:1:PRESENT-VALUE", u"AV:2:PRESENT-VALUE"));
    EXPECT_FALSE(host::PriorityCheckAccepts(u"AV:1:PRESENT-VALUE:8", u"AV:2:PRESENT-VALUE:8"));
    EXPECT_TRUE(host::PriorityCheckAccepts(u"AV:1:PRESENT-VALUE:8", u"AV:1:PRESENT-VALUE:9"));
    EXPECT_FALSE(host::PriorityCheckAccepts(u"AV:1:PRIORITY-ARRAY:8", u"AV:1:PRESENT-VALUE:9"));
    EXPECT_FALSE(host::PriorityCheckAccepts(u"AV:1:PRESENT-VALUE", u"AV:1:PRIORITY-ARRAY:9"));
    // Short texts never read parts that are not there.
    EXPECT_FALSE(host::PriorityCheckAccepts(u"AV", u"AV:1:2:3"));
    EXPECT_TRUE(host::PriorityCheckAccepts(u"AV:1", u"AV:1:PRESENT-VALUE:3"));
}

TEST(AddressChecks, PresentValueCheck) {
    EXPECT_FALSE(host::PresentValueCheckAccepts(u"AV:1:PRESENT-VALUE", u"AV:1:PRESENT-VALUE:3"));
    EXPECT_TRUE(host::PresentValueCheckAccepts(u"AV:1:PRESENT-VALUE", u"AV:2:PRESENT-VALUE"));
    EXPECT_TRUE(host::PresentValueCheckAccepts(u"AV:1:PRESENT-VALUE", u"AV:1:OBJECT-NAME"));
    EXPECT_TRUE(host::PresentValueCheckAccepts(u"AV:1", u"AV:1"));
}

}  // namespace

// The driver as a host sees it: loaded from its file, driven through the
// exported entries only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/driver_module.hpp"

namespace {

using testing_support::BacnetIpSettings;
using testing_support::DriverModule;
using testing_support::MstpSettings;

class EntriesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(driver_.Loaded()) << driver_.Error(); }
    void TearDown() override { driver_->close(nullptr); }

    // Opens with the record placed at an odd address, as a packed host record may be.
    int32_t Open(const vorne::DriverSettings& settings, int32_t& error) {
        unsigned char buffer[sizeof settings + 1];
        std::memcpy(buffer + 1, &settings, sizeof settings);
        return driver_->open(nullptr, buffer + 1, version_, &error);
    }

    DriverModule driver_;
    char16_t version_[16];
};

TEST_F(EntriesTest, OpenWritesTheVersionTextAndItsTerminator) {
    std::fill(std::begin(version_), std::end(version_), u'#');
    int32_t error = -1;
    EXPECT_EQ(Open(BacnetIpSettings(47808), error), 1);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(std::u16string(version_), u"3.15");
    EXPECT_EQ(version_[5], u'#');  // nothing beyond the terminator
}

TEST_F(EntriesTest, OpenRefusesBadSettingsWithTheirCodes) {
    int32_t error = 0;
    EXPECT_EQ(Open(BacnetIpSettings(0), error), 0);
    EXPECT_EQ(error, 12);
    for (const char16_t* station : {u"255", u"abc", u"", u"12x", u"300"}) {
        EXPECT_EQ(Open(MstpSettings(station), error), 0);
        EXPECT_EQ(error, 11) << "station text accepted";
    }
}

TEST_F(EntriesTest, GetTypeFollowsTheDatatypeOfTheProperty) {
    int32_t error = 0;
    ASSERT_EQ(Open(BacnetIpSettings(47808), error), 1);
    EXPECT_EQ(driver_->getType(nullptr, u"AV:1:PRESENT-VALUE"), 2);  // Real
    EXPECT_EQ(driver_->getType(nullptr, u"BV:1:PRESENT-VALUE"), 1);  // Enumerated
    EXPECT_EQ(driver_->getType(nullptr, u"MSV:1:PRESENT-VALUE"), 2);  // Unsigned sits beside Real
    EXPECT_EQ(driver_->getType(nullptr, u"AI:3:OBJECT-NAME"), 3);  // CharacterString
    EXPECT_EQ(driver_->getType(nullptr, u"SCH:1:WEEKLY-SCHEDULE"), 3);  // constructed, shown as text
    EXPECT_EQ(driver_->getType(nullptr, u"AI:1:LOG-BUFFER"), 1);  // no datatype entry
    EXPECT_EQ(driver_->getType(nullptr, u"not an address"), 1);
    EXPECT_EQ(driver_->getType(nullptr, nullptr), 1);
}

TEST_F(EntriesTest, AddressEntriesAnswerWithTagcoreVerdicts) {
    int32_t error = 0;
    ASSERT_EQ(Open(BacnetIpSettings(47808), error), 1);
    EXPECT_EQ(driver_->validHeader(u"192.168.0.10"), 0);
    EXPECT_NE(driver_->validHeader(u""), 0);
    EXPECT_EQ(driver_->validAddress(nullptr, u"analog-value:7:present-value:8"), 0);
    EXPECT_NE(driver_->validAddressEx(u"AV:7"), 0);
    EXPECT_EQ(driver_->compareAddress(u"h", u"AV:1:85", u"h", u"ANALOG-VALUE:1:PRESENT-VALUE"), 0);

    char16_t header[81], address[81];
    EXPECT_NE(driver_->getHeaderAddress(u"1:5", u"AV:1:OBJECT-NAME", u"1:5", u"AV:2:OBJECT-NAME", header, address), 0);
    EXPECT_EQ(std::u16string(address), u"AV:3:OBJECT-NAME");
    EXPECT_EQ(std::u16string(header), u"1:5");
}

TEST_F(EntriesTest, SetDriverTaskInterfaceReturnsItsArgument) {
    static const VorneTaskOperations operations{nullptr, nullptr};
    VorneTaskInterface task{&operations};
    EXPECT_EQ(driver_->setDriverTaskInterface(&task), &task);
    EXPECT_EQ(driver_->setDriverTaskInterface(nullptr), nullptr);
}

TEST_F(EntriesTest, IdleOnAnOpenDriverIsHarmless) {
    int32_t error = 0;
    ASSERT_EQ(Open(BacnetIpSettings(47808), error), 1);
    driver_->onIdle();
    EXPECT_EQ(driver_->close(nullptr), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include "host/driver_state.hpp"
#include "host/lifecycle.hpp"
#include "support/driver_module.hpp"

namespace {

TEST(NullValueSpec, SplitsTextAndRepeatLimit) {
    struct Case {
        std::u16string setting;
        std::u16string text;
        std::int32_t limit;
    };
    const Case cases[] = {
        {u"", u"", 30},      {u"X", u"X", 30},   {u"X:", u"X", 30},     {u"X:5", u"X", 5},
        {u":7", u"", 7},     {u"X:abc", u"X", 0}, {u"N/A:-3", u"N/A", -3}, {u"X:12ab", u"X", 12},
        {u"a:b:c", u"a", 0}, {u"X: 4", u"X", 4},
    };
    for (const auto& c : cases) {
        const auto parsed = host::ParseNullValueSpec(c.setting);
        EXPECT_EQ(parsed.text, c.text);
        EXPECT_EQ(parsed.repeatLimit, c.limit);
    }
}

TEST(ApplySettings, MstpStationIsReadAsAWholeNumber) {
    struct Case {
        const char16_t* text;
        std::int32_t result;
        std::uint8_t station;
    };
    // 0x5001: no serial device is configured, which is checked after the station.
    const Case cases[] = {{u"254", 0x5001, 254}, {u"12.9", 0x5001, 12}, {u"1.2e1", 0x5001, 12}, {u"-1", 0x5001, 255},
                          {u"255", 11, 0},    {u"abc", 11, 0},    {u"", 11, 0},        {u" 7", 0x5001, 7}};
    for (const auto& c : cases) {
        auto& state = host::Driver();
        state.mstpStation = 0;
        const auto settings = testing_support::MstpSettings(c.text);
        const auto result = host::ApplySettings(nullptr, settings, &settings);
        EXPECT_EQ(result == 11, c.result == 11) << "result " << result;
        if (result != 11) {
            EXPECT_EQ(state.mstpStation, c.station);
            EXPECT_EQ(LinkServices::ActiveLink(), &state.mstp);
        }
    }
}

TEST(ApplySettings, BacnetIpTakesThePort) {
    auto& state = host::Driver();
    auto settings = testing_support::BacnetIpSettings(47809);
    vorne::SetSettingsText(settings.nullValueSpec, u"NULL:3");
    EXPECT_EQ(host::ApplySettings(nullptr, settings, &settings), 0);
    EXPECT_EQ(LinkServices::ActiveLink(), &state.bvll);
    EXPECT_EQ(state.udpPort, 47809u);
    EXPECT_EQ(state.nullValueText, u"NULL");
    EXPECT_EQ(state.repeatLimit, 3);
    LinkServices::LinkAddress broadcast;
    state.bvll.GetBroadcastAddress(broadcast);
    EXPECT_EQ(broadcast.port, 47809u);
    LinkServices::ActiveLink()->Close();
}

}  // namespace

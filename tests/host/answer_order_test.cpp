// Values of a group's answer land on their own lines whatever order the
// device answers in and whatever order the host lists its tags in; a triple
// named twice gives both values to the later tag, as it always has.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"

namespace {

using testing_support::ScriptedStations;

constexpr std::uint32_t kPromptly = 2000;

// An analog value's result: the object's opening, and present-value (85) and
// relinquish-default (104) as Reals, written as their hexadecimal octets.
std::string AvResults(int instance, const char* presentValue, const char* relinquishDefault) {
    char object[32];
    std::snprintf(object, sizeof object, "0c 00 80 00 %02x 1e ", instance);
    return std::string(object) + "29 55 4e 44 " + presentValue + " 4f 29 68 4e 44 " + relinquishDefault + " 4f 1f ";
}

class AnswerOrderTest : public ScriptedStations {
protected:
    // Starts the group, answers its request with the given results, and finishes the scan.
    std::vector<HostValue> Scan(const std::vector<std::u16string>& tags, const std::string& results,
                                std::int32_t& status) {
        std::vector<const char16_t*> texts;
        for (const auto& tag : tags) texts.push_back(tag.c_str());
        status = 0;
        EXPECT_EQ(driver_->readGroupStart(u"127.0.0.2", nullptr, texts.data(), static_cast<std::int32_t>(texts.size()),
                                          &status),
                  1)
            << status;
        const std::uint8_t id = InvokeIdOf(Receives(*first_));
        Sends(*first_, "01 00 30 %ID% 0e " + results, id);
        std::vector<HostValue> values(tags.size());
        status = 99;
        EXPECT_TRUE(FinishRead(values.data(), static_cast<std::int32_t>(values.size()), status, kPromptly));
        return values;
    }
};

// 1.0, 2.0, 3.0, 4.0, 5.0, 6.0 as Reals.
constexpr const char* k1 = "3f 80 00 00";
constexpr const char* k2 = "40 00 00 00";
constexpr const char* k3 = "40 40 00 00";
constexpr const char* k4 = "40 80 00 00";
constexpr const char* k5 = "40 a0 00 00";
constexpr const char* k6 = "40 c0 00 00";

void ExpectValues(const std::vector<HostValue>& values, const std::vector<double>& expected) {
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].quality, 192) << "line " << i;
        EXPECT_DOUBLE_EQ(encoding::GetDouble(values[i]), expected[i]) << "line " << i;
    }
}

TEST_F(AnswerOrderTest, EveryValueFindsItsLineWhateverOrderTheDeviceAnswersIn) {
    const std::vector<std::u16string> tags = {u"AV:1:PRESENT-VALUE", u"AV:1:RELINQUISH-DEFAULT",
                                              u"AV:2:PRESENT-VALUE", u"AV:2:RELINQUISH-DEFAULT",
                                              u"AV:3:PRESENT-VALUE", u"AV:3:RELINQUISH-DEFAULT"};
    std::int32_t status = 0;
    // In the request's order.
    ExpectValues(Scan(tags, AvResults(1, k1, k2) + AvResults(2, k3, k4) + AvResults(3, k5, k6), status),
                 {1, 2, 3, 4, 5, 6});
    // Properties and objects in another order than asked: each value still on its own line.
    const std::string swapped = "0c 00 80 00 01 1e 29 68 4e 44 " + std::string(k2) + " 4f 29 55 4e 44 " + k1 + " 4f 1f ";
    ExpectValues(Scan(tags, swapped + AvResults(3, k5, k6) + AvResults(2, k3, k4), status), {1, 2, 3, 4, 5, 6});
    // A value nobody asked for in the middle is dropped; the rest still land.
    ExpectValues(Scan(tags, AvResults(1, k1, k2) + AvResults(9, k6, k6) + AvResults(2, k3, k4) + AvResults(3, k5, k6),
                      status),
                 {1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(log_.Has("Warning: Packet does not belong to us. Packet Discarted!"));
    EXPECT_FALSE(log_.Has("Warning: Line not Found!"));
}

TEST_F(AnswerOrderTest, TagsListedOutOfObjectOrderStillGetTheirOwnValues) {
    // The request lists the objects in ascending order, so the answer's order differs from the tags'.
    const std::vector<std::u16string> tags = {u"AV:3:PRESENT-VALUE", u"AV:1:RELINQUISH-DEFAULT",
                                              u"AV:1:PRESENT-VALUE", u"AV:3:RELINQUISH-DEFAULT"};
    std::int32_t status = 0;
    const std::string results = "0c 00 80 00 01 1e 29 68 4e 44 " + std::string(k2) + " 4f 29 55 4e 44 " + k1 +
                                " 4f 1f " + "0c 00 80 00 03 1e 29 55 4e 44 " + k5 + " 4f 29 68 4e 44 " + k6 + " 4f 1f ";
    ExpectValues(Scan(tags, results, status), {5, 2, 1, 6});
}

TEST_F(AnswerOrderTest, ATripleNamedTwiceFillsTheLaterTagOnly) {
    // The request asks for AV 1's present-value twice, then AV 2's, however the tags are listed.
    const std::string results = "0c 00 80 00 01 1e 29 55 4e 44 " + std::string(k1) + " 4f 29 55 4e 44 " + k2 +
                                " 4f 1f 0c 00 80 00 02 1e 29 55 4e 44 " + k3 + " 4f 1f ";
    const std::u16string av1 = u"AV:1:PRESENT-VALUE", av2 = u"AV:2:PRESENT-VALUE";
    struct Layout {
        std::vector<std::u16string> tags;
        std::size_t earlier, later, other;
    };
    for (const Layout& layout : {Layout{{av1, av1, av2}, 0, 1, 2}, Layout{{av1, av2, av1}, 0, 2, 1}}) {
        SCOPED_TRACE("AV 1 at lines " + std::to_string(layout.earlier) + " and " + std::to_string(layout.later));
        std::int32_t status = 0;
        const std::vector<HostValue> values = Scan(layout.tags, results, status);
        EXPECT_EQ(values[layout.earlier].quality, 0);
        EXPECT_EQ(values[layout.later].quality, 192);
        EXPECT_DOUBLE_EQ(encoding::GetDouble(values[layout.later]), 2.0);
        EXPECT_EQ(values[layout.other].quality, 192);
        EXPECT_DOUBLE_EQ(encoding::GetDouble(values[layout.other]), 3.0);
        EXPECT_TRUE(log_.Has("Warning: Line not Found!"));
    }
}

}  // namespace

// An answer fills only the lines of the request it answers: it must come from
// the station asked, carry the request's invoke ID and arrive while that scan
// is open. Late, duplicated and misdirected answers are dropped with a line.
#include <gtest/gtest.h>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"

namespace {

using testing_support::ScriptedStations;

constexpr const char* kAnswerAv3 = "01 00 30 %ID% 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f";  // 21.5
constexpr const char* kOtherAnswerAv3 = "01 00 30 %ID% 0c 0c 00 80 00 03 19 55 3e 44 42 c8 00 00 3f";  // 100.0

class AnswerMatchingTest : public ScriptedStations {};

TEST_F(AnswerMatchingTest, ADuplicateAnswerBetweenScansNeverFillsTheNextGroupsTag) {
    std::int32_t status = 0;
    ASSERT_EQ(StartRead(u"127.0.0.2", {u"AV:3:PRESENT-VALUE"}, status), 1) << status;
    const std::uint8_t id = InvokeIdOf(Receives(*first_));
    Sends(*first_, kAnswerAv3, id);
    HostValue value{};
    status = 99;
    ASSERT_TRUE(FinishRead(&value, 1, status));
    EXPECT_EQ(status, 99);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);

    // The first device sends its answer again; the next scan is another
    // group's, on the second device, which stays silent.
    Sends(*first_, kAnswerAv3, id);
    platform::SleepMs(30);
    driver_->onIdle();
    EXPECT_TRUE(log_.HasPrefix("Warning: Late answer dropped: InvokeID=" + std::to_string(id)));
    ASSERT_EQ(StartRead(u"127.0.0.3", {u"AV:3:PRESENT-VALUE"}, status), 1) << status;
    EXPECT_FALSE(Receives(*second_).empty());
    value = HostValue{};
    status = 99;
    ASSERT_TRUE(FinishRead(&value, 1, status));
    EXPECT_EQ(status, -15) << "the second device's tag got " << encoding::GetDouble(value);
    EXPECT_NE(value.quality, 192);
}

TEST_F(AnswerMatchingTest, AnAnswerFromAnotherStationWithThePendingInvokeIdIsDropped) {
    std::int32_t status = 0;
    ASSERT_EQ(StartRead(u"127.0.0.2", {u"AV:3:PRESENT-VALUE"}, status), 1) << status;
    const std::uint8_t id = InvokeIdOf(Receives(*first_));
    Sends(*second_, kOtherAnswerAv3, id);  // not the station asked
    platform::SleepMs(30);
    HostValue value{};
    status = 99;
    EXPECT_EQ(driver_->readGroupFinish(&value, 0, 1, &status), 0)
        << "the scan ended with the other station's " << encoding::GetDouble(value);
    EXPECT_TRUE(log_.Has("Warning: Answer from another station dropped: InvokeID=" + std::to_string(id) +
                         " from 127.0.0.3"));
    Sends(*first_, kAnswerAv3, id);
    ASSERT_TRUE(FinishRead(&value, 1, status));
    EXPECT_EQ(status, 99);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);
    EXPECT_EQ(value.quality, 192);
}

// A routed device answers through its router with SNET/SADR: an answer from
// another device behind the same router is not its answer.
TEST_F(AnswerMatchingTest, BehindARouterTheAnswerMustComeFromTheDeviceAsked) {
    std::int32_t status = 0;
    driver_->addGroup(reinterpret_cast<void*>(1), u"127.0.0.2:5:77:0A");
    ASSERT_EQ(StartRead(u"127.0.0.2:5:77:0A", {u"AV:3:PRESENT-VALUE"}, status), 1) << status;
    const auto request = Receives(*first_);
    // 01 24, DNET 5, DLEN 1, DADR 0A, hop count, then the APDU.
    ASSERT_GT(request.size(), 10u);
    const std::uint8_t id = request[9];
    // Device 0B on network 5 answers with the pending invoke ID.
    Sends(*first_, "01 08 00 05 01 0b 30 %ID% 0c 0c 00 80 00 03 19 55 3e 44 42 c8 00 00 3f", id);
    platform::SleepMs(30);
    HostValue value{};
    status = 99;
    EXPECT_EQ(driver_->readGroupFinish(&value, 0, 1, &status), 0) << encoding::GetDouble(value);
    Sends(*first_, "01 08 00 05 01 0a 30 %ID% 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f", id);
    ASSERT_TRUE(FinishRead(&value, 1, status));
    EXPECT_EQ(status, 99);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);
}

}  // namespace

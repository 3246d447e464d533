// A read or write ends as soon as its whole answer has been processed: a
// property error inside a group's answer, an Error, an Abort or a Reject
// never leaves the host waiting for the time-out.
#include <gtest/gtest.h>

#include "encoding/host_value.hpp"
#include "support/scripted_stations.hpp"

namespace {

using testing_support::ScriptedStations;

// The time-out is long, so that a finish before it shows the scan did not wait.
constexpr std::uint16_t kLongTimeoutMs = 10000;
constexpr std::uint32_t kWellBeforeTimeOutMs = 2000;

class ScanCompletionTest : public ScriptedStations {
protected:
    void SetUp() override {
        ScriptedStations::SetUp();
        driver_->close(nullptr);
        Open(kLongTimeoutMs);
    }

    // Starts a one-tag read at the first station; the request's invoke ID.
    std::uint8_t StartOneTagRead() {
        std::int32_t status = 0;
        EXPECT_EQ(StartRead(u"127.0.0.2", {u"AV:3:PRESENT-VALUE"}, status), 1) << status;
        return InvokeIdOf(Receives(*first_));
    }
    std::uint8_t StartWrite() {
        HostValue value{};
        encoding::SetDouble(value, 1.5);
        std::int32_t status = 0;
        EXPECT_EQ(driver_->writeItemStart(u"127.0.0.2", nullptr, u"AV:3:PRESENT-VALUE", &value, &status), 1)
            << status;
        return InvokeIdOf(Receives(*first_));
    }
};

TEST_F(ScanCompletionTest, AGroupWithAnUnknownPropertyFinishesOnceItsAnswerIsIn) {
    std::int32_t status = 0;
    ASSERT_EQ(StartRead(u"127.0.0.2", {u"AV:3:PRESENT-VALUE", u"AV:3:PRIORITY-ARRAY", u"AV:4:PRESENT-VALUE"}, status),
              1)
        << status;
    const std::uint8_t id = InvokeIdOf(Receives(*first_));
    Sends(*first_,
          "01 00 30 %ID% 0e 0c 00 80 00 03 1e 29 55 4e 44 40 00 00 00 4f 29 57 5e 91 02 91 20 5f 1f "
          "0c 00 80 00 04 1e 29 55 4e 44 40 80 00 00 4f 1f",
          id);
    HostValue values[3] = {};
    status = 99;
    ASSERT_TRUE(FinishRead(values, 3, status, kWellBeforeTimeOutMs)) << "the scan waited for the time-out";
    EXPECT_EQ(status, 15);
    EXPECT_EQ(values[0].quality, 192);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(values[0]), 2.0);
    EXPECT_EQ(values[1].quality, 0);
    EXPECT_EQ(values[1].kind, 1u);
    EXPECT_EQ(encoding::GetInteger(values[1]), 0);
    EXPECT_EQ(values[2].quality, 192);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(values[2]), 4.0);
    EXPECT_TRUE(log_.Has("Warning: Line not Found!"));

    // A second copy of the answer is late: the next scan is not touched by it.
    Sends(*first_,
          "01 00 30 %ID% 0e 0c 00 80 00 03 1e 29 55 4e 44 40 00 00 00 4f 29 57 5e 91 02 91 20 5f 1f "
          "0c 00 80 00 04 1e 29 55 4e 44 40 80 00 00 4f 1f",
          id);
    const std::uint8_t next = StartOneTagRead();
    Sends(*first_, "01 00 30 %ID% 0c 0c 00 80 00 03 19 55 3e 44 41 ac 00 00 3f", next);
    HostValue value{};
    status = 99;
    ASSERT_TRUE(FinishRead(&value, 1, status, kWellBeforeTimeOutMs));
    EXPECT_EQ(status, 99);
    EXPECT_DOUBLE_EQ(encoding::GetDouble(value), 21.5);
}

TEST_F(ScanCompletionTest, AbortAndRejectEndAReadAtOnceWithTheirReason) {
    std::uint8_t id = StartOneTagRead();
    Sends(*first_, "01 00 71 %ID% 04", id);
    HostValue value{};
    std::int32_t status = 0;
    ASSERT_TRUE(FinishRead(&value, 1, status, kWellBeforeTimeOutMs)) << "the Abort was ignored";
    EXPECT_EQ(status, 19);
    EXPECT_TRUE(log_.Has("Abort: segmentation-not-supported"));

    id = StartOneTagRead();
    Sends(*first_, "01 00 60 %ID% 09", id);
    status = 0;
    ASSERT_TRUE(FinishRead(&value, 1, status, kWellBeforeTimeOutMs)) << "the Reject was ignored";
    EXPECT_EQ(status, 19);
    EXPECT_TRUE(log_.Has("Reject: unrecognized-service"));

    // A proprietary reason shows its number; another station's Abort changes nothing.
    id = StartOneTagRead();
    Sends(*second_, "01 00 71 %ID% 04", id);
    Sends(*first_, "01 00 71 %ID% 50", id);
    ASSERT_TRUE(FinishRead(&value, 1, status, kWellBeforeTimeOutMs));
    EXPECT_EQ(status, 19);
    EXPECT_TRUE(log_.Has("Abort: reason 80"));
}

TEST_F(ScanCompletionTest, AbortAndRejectEndAWriteAtOnceWithTheirReason) {
    std::uint8_t id = StartWrite();
    Sends(*first_, "01 00 71 %ID% 09", id);
    std::int32_t status = 0;
    ASSERT_TRUE(FinishWrite(status, kWellBeforeTimeOutMs)) << "the Abort was ignored";
    EXPECT_EQ(status, 17);
    EXPECT_TRUE(log_.Has("Abort: out-of-resources"));

    id = StartWrite();
    Sends(*first_, "01 00 60 %ID% 03", id);
    status = 0;
    ASSERT_TRUE(FinishWrite(status, kWellBeforeTimeOutMs)) << "the Reject was ignored";
    EXPECT_EQ(status, 17);
    EXPECT_TRUE(log_.Has("Reject: invalid-parameter-data-type"));
}

}  // namespace

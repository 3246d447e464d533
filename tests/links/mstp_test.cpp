// MS/TP framing, the two CRCs and the byte-wise assembler, without a serial line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"
#include "network/npdu.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::LinkAddress;
using LinkServices::MSTP;
using testing_support::BytesAre;
using testing_support::Hex;
namespace frame = LinkServices::MstpFrame;

// ASHRAE 135 Annex G works both CRCs through octet by octet; these are its
// register values, and the remainders a receiver is left with.
TEST(MstpCrc, RegistersFollowTheAnnexGExamples) {
    const std::uint8_t header[] = {0x00, 0x10, 0x05, 0x00, 0x00};  // token from 0x05 to 0x10
    const std::uint8_t headerRegisters[] = {0x55, 0xC2, 0xBC, 0x95, 0x73};
    std::uint8_t crc8 = 0xFF;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(crc8 = frame::HeaderCrcStep(header[i], crc8), headerRegisters[i]);
    EXPECT_EQ(frame::HeaderCrc(header), 0x8C);
    EXPECT_EQ(frame::HeaderCrcStep(0x8C, crc8), 0x55);

    const std::uint8_t data[] = {0x01, 0x22, 0x30};
    const std::uint16_t dataRegisters[] = {0x1E0E, 0xEB70, 0x42EF};
    std::uint16_t crc16 = 0xFFFF;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(crc16 = frame::DataCrcStep(data[i], crc16), dataRegisters[i]);
    EXPECT_EQ(frame::DataCrc(data, 3), 0xBD10);
    EXPECT_EQ(frame::DataCrcStep(0xBD, frame::DataCrcStep(0x10, crc16)), 0xF0B8);  // low byte first
}

TEST(MstpFrameEncoding, DataFramesCarryBothCrcsAndEmptyFramesOnlyTheHeader) {
    const auto npdu = Hex("01 04");
    EXPECT_TRUE(BytesAre(frame::Encode(frame::kDataNotExpectingReply, 5, 1, npdu.data(), 2),
                         "55 ff 06 05 01 00 02 27 01 04 bb 50"));
    EXPECT_TRUE(BytesAre(frame::Encode(0x00, 0x10, 0x05, nullptr, 0), "55 ff 00 10 05 00 00 8c"));
}

std::vector<std::uint8_t> Frame(std::uint8_t type, std::uint8_t destination, std::uint8_t source,
                                const std::vector<std::uint8_t>& npdu) {
    return frame::Encode(type, destination, source, npdu.data(), static_cast<std::uint16_t>(npdu.size()));
}

std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> g_delivered;  // source station, APDU

void Collect(const LinkAddress& source, const network::NpduInfo&, const std::uint8_t* apdu, std::size_t n) {
    EXPECT_EQ(source.kind, LinkAddress::kMstpStation);
    g_delivered.emplace_back(source.mstpStation, std::vector<std::uint8_t>(apdu, apdu + n));
}

class MstpAssemblerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_delivered.clear();
        previous_ = network::SetApduHandler(&Collect);
        link_.SetOwnStation(1);
    }
    void TearDown() override { network::SetApduHandler(previous_); }

    void Feed(const std::vector<std::uint8_t>& bytes) {
        for (std::uint8_t b : bytes) link_.ProcessByte(b);
    }
    // The trace without the "Rx:" dumps of the received frames.
    std::vector<std::string> Messages() const {
        std::vector<std::string> lines;
        for (const auto& line : trace_.Lines())
            if (line.rfind("Rx:", 0) != 0) lines.push_back(line);
        return lines;
    }

    MSTP link_;
    testing_support::TraceCapture trace_;
    network::ApduHandler previous_ = nullptr;
};

TEST_F(MstpAssemblerTest, FramesSplitJoinedAndAfterGarbageAreAllTakenIn) {
    std::vector<std::uint8_t> bytes = Hex("00 ff 55 00 13");  // line noise, and a preamble cut short
    for (const auto& f : {Frame(6, 1, 5, Hex("01 00 10 08")), Frame(5, 1, 9, Hex("01 00 10 01 02"))})
        bytes.insert(bytes.end(), f.begin(), f.end());
    for (std::size_t piece : {1u, 3u, 7u}) {
        g_delivered.clear();
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            Feed(std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + piece)));
        ASSERT_EQ(g_delivered.size(), 2u) << "pieces of " << piece;
        EXPECT_EQ(g_delivered[0].first, 5);
        EXPECT_TRUE(BytesAre(g_delivered[0].second, "10 08"));
        EXPECT_EQ(g_delivered[1].first, 9);
        EXPECT_TRUE(BytesAre(g_delivered[1].second, "10 01 02"));
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MstpAssemblerTest, EveryFrameIsTracedAndOnlyDataFramesForThisStationGoUp) {
    Feed(Frame(5, 255, 3, Hex("01 00 10 08")));  // broadcast, expecting reply
    Feed(Frame(0, 1, 3, {}));                     // token
    Feed(Frame(6, 2, 3, Hex("01 00 10 08")));     // another station's
    Feed(Frame(6, 1, 3, {}));                     // a data frame without data
    EXPECT_EQ(g_delivered.size(), 1u);
    ASSERT_EQ(trace_.Lines().size(), 4u);  // one dump each, nothing else
    EXPECT_EQ(trace_.Lines()[0], "Rx:55 FF 05 FF 03 00 04 3B 01 00 10 08 BC F9 ");
    EXPECT_EQ(trace_.Lines()[1], "Rx:55 FF 00 01 03 00 00 D8 ");
}

TEST_F(MstpAssemblerTest, CorruptFramesAreRefusedAndTheNextOneIsTakenIn) {
    const auto good = Frame(6, 1, 5, Hex("01 00 10 08"));
    for (const std::size_t corrupt : {std::size_t{7}, std::size_t{9}, good.size() - 1}) {  // header CRC, data, data CRC
        auto bad = good;
        bad[corrupt] ^= 0x40;
        Feed(bad);
    }
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Error: 2", "Error: 2", "Error: 2"}));
    Feed(good);
    EXPECT_EQ(g_delivered.size(), 1u);
}

TEST_F(MstpAssemblerTest, TheLargestFrameFitsAndALongerOneStartsOver) {
    std::vector<std::uint8_t> npdu = Hex("01 00 10 08");
    npdu.resize(502, 0xA5);  // 512 octets in all
    Feed(Frame(6, 1, 5, npdu));
    ASSERT_EQ(g_delivered.size(), 1u);
    EXPECT_EQ(g_delivered[0].second.size(), 500u);

    npdu.push_back(0xA5);
    Feed(Frame(6, 1, 5, npdu));
    EXPECT_EQ(g_delivered.size(), 1u);
    EXPECT_EQ(link_.ReceivedCount(), 0);  // the 513th octet overflowed and was dropped
    Feed(Frame(6, 1, 5, Hex("01 00 10 08")));
    EXPECT_EQ(g_delivered.size(), 2u);
}

TEST_F(MstpAssemblerTest, SendingStartsTheAssemblerOverAndRefusesIpAddresses) {
    Feed(Hex("55 ff 06 01 05 00"));
    LinkAddress to;
    to.SetMstpStation(5);
    const auto npdu = Hex("01 04");
    EXPECT_EQ(link_.Send(to, npdu.data(), 2), -1);  // no port open
    EXPECT_EQ(link_.ReceivedCount(), 0);
    EXPECT_EQ(link_.State(), 0);

    to.SetIp(u"BROADCAST:*", 47808);  // how Who-Is addresses its broadcast
    EXPECT_EQ(link_.Send(to, npdu.data(), 2), 3);
}

TEST(MstpLink, AnswersTheLinkQueriesWithStationNumbers) {
    MSTP link;
    EXPECT_EQ(link.GetLinkType(), 2);
    EXPECT_EQ(link.GetMaxFrameSize(), 512);
    LinkAddress address;
    link.GetBroadcastAddress(address);
    EXPECT_EQ(address.kind, LinkAddress::kMstpStation);
    EXPECT_EQ(address.mstpStation, 255);

    const std::pair<const char16_t*, int> cases[] = {{u"12", 12},  {u"12.9", 12}, {u"300", 44},    {u"-1", 255},
                                                     {u"abc", -1}, {u"", -1},     {u"1.2.3.4", -1}};
    for (const auto& [text, station] : cases) {
        link.ParseAddress(address, text);
        EXPECT_EQ(address.kind, station < 0 ? LinkAddress::kNothing : LinkAddress::kMstpStation);
        if (station >= 0) {
            EXPECT_EQ(address.mstpStation, station);
        }
        EXPECT_EQ(link.IsValidAddress(text), station >= 0);
    }
}

}  // namespace

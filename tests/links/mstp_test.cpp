// MS/TP framing, the two CRCs and the byte-wise assembler, without a serial line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "links/mstp.hpp"
#include "links/mstp_frame.hpp"
#include "network/npdu.hpp"
#include "platform/named_objects.hpp"
#include "support/environment.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"

namespace {

using LinkServices::LinkAddress;
using LinkServices::MSTP;
using testing_support::BytesAre;
using testing_support::Hex;
namespace frame = LinkServices::MstpFrame;

// ASHRAE 135 Annex G works both CRCs through step by step; the registers
// after each octet are the published values.
TEST(MstpCrc, HeaderCrcFollowsTheAnnexGTokenFrameExample) {
    const std::uint8_t header[] = {0x00, 0x10, 0x05, 0x00, 0x00};  // token from 0x05 to 0x10
    const std::uint8_t registers[] = {0x55, 0xC2, 0xBC, 0x95, 0x73};
    std::uint8_t crc = 0xFF;
    for (int i = 0; i < 5; ++i) {
        crc = frame::HeaderCrcStep(header[i], crc);
        EXPECT_EQ(crc, registers[i]) << "after octet " << i;
    }
    EXPECT_EQ(frame::HeaderCrc(header), 0x8C);
    // A receiver that runs the sent CRC through the register is left with 0x55.
    EXPECT_EQ(frame::HeaderCrcStep(0x8C, crc), 0x55);
}

TEST(MstpCrc, DataCrcFollowsTheAnnexGExample) {
    const std::uint8_t data[] = {0x01, 0x22, 0x30};
    const std::uint16_t registers[] = {0x1E0E, 0xEB70, 0x42EF};
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < 3; ++i) {
        crc = frame::DataCrcStep(data[i], crc);
        EXPECT_EQ(crc, registers[i]) << "after octet " << i;
    }
    EXPECT_EQ(frame::DataCrc(data, 3), 0xBD10);
    // Low byte first on the wire; the receiver's register then ends at 0xF0B8.
    EXPECT_EQ(frame::DataCrcStep(0xBD, frame::DataCrcStep(0x10, crc)), 0xF0B8);
}

TEST(MstpFrameEncoding, DataFramesCarryBothCrcsAndEmptyFramesOnlyTheHeader) {
    const auto npdu = Hex("01 04");
    EXPECT_TRUE(BytesAre(frame::Encode(frame::kDataNotExpectingReply, 5, 1, npdu.data(), 2),
                         "55 ff 06 05 01 00 02 27 01 04 bb 50"));
    EXPECT_TRUE(BytesAre(frame::Encode(0x00, 0x10, 0x05, nullptr, 0), "55 ff 00 10 05 00 00 8c"));
}

// A received frame of the given type, addresses and NPDU, with correct CRCs.
std::vector<std::uint8_t> Frame(std::uint8_t type, std::uint8_t destination, std::uint8_t source,
                                const std::vector<std::uint8_t>& npdu) {
    return frame::Encode(type, destination, source, npdu.data(), static_cast<std::uint16_t>(npdu.size()));
}

struct Delivered {
    std::uint8_t station;
    std::int32_t kind;
    std::vector<std::uint8_t> apdu;
};
std::vector<Delivered> g_delivered;

void Collect(const LinkAddress& source, const network::NpduInfo&, const std::uint8_t* apdu, std::size_t n) {
    g_delivered.push_back({source.mstpStation, source.kind, std::vector<std::uint8_t>(apdu, apdu + n)});
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
    const auto first = Frame(6, 1, 5, Hex("01 00 10 08"));
    const auto second = Frame(5, 1, 9, Hex("01 00 10 01 02"));
    std::vector<std::uint8_t> bytes = Hex("00 ff 55 00 13");  // line noise, and a preamble cut short
    bytes.insert(bytes.end(), first.begin(), first.end());
    bytes.insert(bytes.end(), second.begin(), second.end());
    for (std::size_t split : {1u, 3u, 7u}) {
        g_delivered.clear();
        for (std::size_t at = 0; at < bytes.size(); at += split)
            Feed(std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + split)));
        ASSERT_EQ(g_delivered.size(), 2u) << "pieces of " << split;
        EXPECT_EQ(g_delivered[0].station, 5);
        EXPECT_EQ(g_delivered[0].kind, LinkAddress::kMstpStation);
        EXPECT_TRUE(BytesAre(g_delivered[0].apdu, "10 08"));
        EXPECT_EQ(g_delivered[1].station, 9);
        EXPECT_TRUE(BytesAre(g_delivered[1].apdu, "10 01 02"));
    }
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(link_.ReceivedCount(), 0);
}

TEST_F(MstpAssemblerTest, EveryFrameIsTracedAndOnlyDataFramesForThisStationGoUp) {
    Feed(Frame(5, 255, 3, Hex("01 00 10 08")));  // broadcast, expecting reply
    Feed(Frame(0, 1, 3, {}));                     // token
    Feed(Frame(1, 1, 3, {}));                     // poll for master
    Feed(Frame(6, 2, 3, Hex("01 00 10 08")));  // data for another station
    Feed(Frame(6, 1, 3, {}));                     // data frame without data
    ASSERT_EQ(g_delivered.size(), 1u);
    EXPECT_EQ(g_delivered[0].station, 3);
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(trace_.Lines().size(), 5u);
    EXPECT_EQ(trace_.Lines()[0], "Rx:55 FF 05 FF 03 00 04 3B 01 00 10 08 BC F9 ");
    EXPECT_EQ(trace_.Lines()[1], "Rx:55 FF 00 01 03 00 00 D8 ");
}

TEST_F(MstpAssemblerTest, CorruptFramesAreRefusedAndTheNextOneIsTakenIn) {
    auto badHeader = Frame(6, 1, 5, Hex("01 00 10 08"));
    badHeader[7] ^= 0x01;
    auto badData = Frame(6, 1, 5, Hex("01 00 10 08"));
    badData[9] ^= 0x80;
    auto badDataCrc = Frame(6, 1, 5, Hex("01 00 10 08"));
    badDataCrc.back() ^= 0xFF;
    Feed(badHeader);
    Feed(badData);
    Feed(badDataCrc);
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Error: 2", "Error: 2", "Error: 2"}));
    Feed(Frame(6, 1, 5, Hex("01 00 10 08")));
    EXPECT_EQ(g_delivered.size(), 1u);
}

// The overflow line goes through the serial library's trace call, which
// writes to the communication log (VORNE_LOG) rather than the driver's sink.
class CommunicationLog {
public:
    CommunicationLog()
        : path_((std::filesystem::temp_directory_path() /
                 ("vorne-mstp-unit-" + std::to_string(platform::CurrentProcessId()) + ".log"))
                    .string()) {
        std::filesystem::remove(path_);
        testing_support::SetEnvironment("VORNE_LOG", path_.c_str());
    }
    ~CommunicationLog() {
        testing_support::SetEnvironment("VORNE_LOG", nullptr);
        std::filesystem::remove(path_);
    }
    std::size_t Count(const std::string& ending) const {
        std::ifstream log(path_);
        std::size_t n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.size() >= ending.size() && line.compare(line.size() - ending.size(), ending.size(), ending) == 0;
        return n;
    }

private:
    std::string path_;
};

TEST_F(MstpAssemblerTest, TheLargestFrameFitsAndALongerOneOverflows) {
    CommunicationLog log;
    // 502 data octets make a frame of exactly 512.
    std::vector<std::uint8_t> npdu = Hex("01 00 10 08");
    npdu.resize(502, 0xA5);
    Feed(Frame(6, 1, 5, npdu));
    ASSERT_EQ(g_delivered.size(), 1u);
    EXPECT_EQ(g_delivered[0].apdu.size(), 500u);

    npdu.push_back(0xA5);
    Feed(Frame(6, 1, 5, npdu));
    EXPECT_EQ(g_delivered.size(), 1u);
    EXPECT_EQ(log.Count(" MS/TP buffer full!"), 1u);
    EXPECT_TRUE(Messages().empty());
    // The overflowing byte was the frame's last: the assembler waits for a new preamble.
    EXPECT_EQ(link_.ReceivedCount(), 0);
    Feed(Frame(6, 1, 5, Hex("01 00 10 08")));
    EXPECT_EQ(g_delivered.size(), 2u);
}

TEST_F(MstpAssemblerTest, SendingStartsTheAssemblerOver) {
    Feed(Hex("55 ff 06 01 05 00"));
    EXPECT_EQ(link_.ReceivedCount(), 6);
    LinkAddress to;
    to.SetMstpStation(5);
    const auto npdu = Hex("01 04");
    EXPECT_EQ(link_.Send(to, npdu.data(), 2), -1);  // no port open
    EXPECT_EQ(link_.ReceivedCount(), 0);
    EXPECT_EQ(link_.State(), 0);
}

TEST(MstpLink, AnswersTheLinkQueriesWithStationNumbers) {
    MSTP link;
    EXPECT_EQ(link.GetLinkType(), 2);
    EXPECT_EQ(link.GetMaxFrameSize(), 512);
    LinkAddress address;
    link.GetBroadcastAddress(address);
    EXPECT_EQ(address.kind, LinkAddress::kMstpStation);
    EXPECT_EQ(address.mstpStation, 255);

    struct Case {
        const char16_t* text;
        std::int32_t kind;
        std::uint8_t station;
    };
    const Case cases[] = {{u"12", LinkAddress::kMstpStation, 12},  {u"12.9", LinkAddress::kMstpStation, 12},
                          {u"300", LinkAddress::kMstpStation, 44}, {u"-1", LinkAddress::kMstpStation, 255},
                          {u"abc", LinkAddress::kNothing, 255},    {u"", LinkAddress::kNothing, 255},
                          {u"1.2.3.4", LinkAddress::kNothing, 255}};
    for (const auto& c : cases) {
        link.ParseAddress(address, c.text);
        EXPECT_EQ(address.kind, c.kind);
        EXPECT_EQ(address.mstpStation, c.station);
        EXPECT_EQ(link.IsValidAddress(c.text), c.kind == LinkAddress::kMstpStation);
    }
}

TEST(MstpLink, RefusesToSendToAnIpAddress) {
    MSTP link;
    LinkAddress address;
    address.SetIp(u"BROADCAST:*", 47808);
    const auto npdu = Hex("01 20 ff ff 00 ff 10 08");
    EXPECT_EQ(link.Send(address, npdu.data(), static_cast<std::uint32_t>(npdu.size())), 3);
    address.Initialise();
    EXPECT_EQ(link.Send(address, npdu.data(), static_cast<std::uint32_t>(npdu.size())), 3);
}

}  // namespace

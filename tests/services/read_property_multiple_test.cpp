#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "links/current_link.hpp"
#include "platform/utf.hpp"
#include "services/apdu_headers.hpp"
#include "services/dispatch.hpp"
#include "services/read_property_multiple.hpp"
#include "services/transactions.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"
#include "tables/vocabulary.hpp"

namespace {

using namespace APDUServices;
using testing_support::BytesAre;
using testing_support::Hex;

// Every hook call, in order, as text.
std::vector<std::string> g_events;

std::string Key(std::uint8_t id, std::int32_t type, std::int32_t instance, std::int32_t property) {
    return std::to_string(id) + " " + std::to_string(type) + ":" + std::to_string(instance) + ":" +
           std::to_string(property);
}

void OnValue(std::uint8_t id, std::int32_t type, std::int32_t instance, std::int32_t property, const HostValue& v) {
    std::ostringstream text;
    text << "value " << Key(id, type, instance, property) << " ";
    if (v.kind == encoding::kKindInteger) text << encoding::GetInteger(v);
    if (v.kind == encoding::kKindDouble) text << encoding::GetDouble(v);
    if (encoding::IsTextKind(v.kind)) {
        std::u16string buffer(256, u'\0');
        ::FetchText(&v, buffer.data(), static_cast<std::int32_t>(buffer.size()));
        text << "'" << platform::Utf16ToUtf8(buffer.c_str()) << "'";
    }
    g_events.push_back(text.str());
}
void OnError(std::uint8_t id, std::int32_t type, std::int32_t instance, std::int32_t property, std::uint32_t code) {
    g_events.push_back("error " + Key(id, type, instance, property) + " " + std::to_string(code));
}
void OnStatus(std::uint8_t id, std::int32_t status) {
    g_events.push_back("status " + std::to_string(id) + " " + std::to_string(status));
}

// Records what the driver sends instead of sending it.
class RecordingLink : public LinkServices::ILink {
public:
    std::vector<std::vector<std::uint8_t>> sent;
    void GetBroadcastAddress(LinkServices::LinkAddress&) override {}
    std::int32_t GetLinkType() override { return LinkServices::kLinkBacnetIp; }
    void ParseAddress(LinkServices::LinkAddress&, const char16_t*) override {}
    std::int32_t GetMaxFrameSize() override { return 1476; }
    std::int32_t Send(const LinkServices::LinkAddress&, const std::uint8_t* bytes, std::uint32_t n) override {
        sent.emplace_back(bytes, bytes + n);
        return 42;
    }
    void Close() override {}
    bool IsValidAddress(const char16_t*) override { return true; }
};

class ReadPropertyMultipleTest : public ::testing::Test {
protected:
    void SetUp() override {
        tables::BuildTypeTables();
        tables::BuildNameTables();
        tables::BuildDevicePropertyTable(1000, 3, 1476);
        g_events.clear();
        saved_ = Transactions();
        Transactions().hooks = ResultHooks{};
        Transactions().hooks.onPropertyValue = &OnValue;
        Transactions().hooks.onPropertyError = &OnError;
        Transactions().hooks.setTransactionStatus = &OnStatus;
        savedLink_ = LinkServices::ActiveLink();
        LinkServices::ActiveLink() = &link_;
    }
    void TearDown() override {
        Transactions() = saved_;
        LinkServices::ActiveLink() = savedLink_;
    }

    // The bytes sit in a block of exactly their size, so that a read past the end is caught.
    static std::int32_t Run(IService&& service, const std::vector<std::uint8_t>& bytes, std::size_t n) {
        auto exact = std::make_unique<std::uint8_t[]>(n);
        std::copy_n(bytes.begin(), n, exact.get());
        return service.Process(LinkServices::LinkAddress{}, network::NpduInfo{}, exact.get(), n);
    }
    static std::int32_t Ack(const std::string& hex) {
        const auto bytes = Hex(hex);
        return Run(ReadPropertyMultipleAck(5), bytes, bytes.size());
    }
    std::int32_t Request(const std::string& hex) {
        const auto bytes = Hex(hex);
        return Run(ReadPropertyMultiple(9), bytes, bytes.size());
    }

    TransactionState saved_;
    LinkServices::ILink* savedLink_ = nullptr;
    RecordingLink link_;
    testing_support::TraceCapture trace_;
};

// Analog-input 1: present-value 72.5 and object-name "ab"; analog-value 3: 7 and reliability 1.
const std::string kTwoObjects =
    "0c 00 00 00 01 1e 29 55 4e 44 42 91 00 00 4f 29 4d 4e 75 03 00 61 62 4f 1f "
    "0c 00 80 00 03 1e 29 55 4e 21 07 4f 29 67 4e 91 01 4f 1f";

TEST_F(ReadPropertyMultipleTest, RequestListsObjectsInKeyOrderWhateverTheInsertionOrder) {
    ObjectPropertyMap map;
    map[{8, 5}] = {85};
    map[{2, 3}] = {85, 77};
    map[{0, 1}] = {512};
    network::NpduInfo npdu;
    EXPECT_EQ(ReadPropertyMultiple(7).SendReadPropertyMultipleRequest(LinkServices::LinkAddress{}, npdu, map), 42);
    ASSERT_EQ(link_.sent.size(), 1u);
    EXPECT_TRUE(BytesAre(link_.sent[0],
                         "01 04 02 35 07 0e 0c 00 00 00 01 1e 0a 02 00 1f 0c 00 80 00 03 1e 09 55 09 4d 1f "
                         "0c 02 00 00 05 1e 09 55 1f"));
}

struct AckCase {
    const char* what;
    std::string hex;
    std::int32_t result;
    std::vector<std::string> events;
};

TEST_F(ReadPropertyMultipleTest, AcknowledgementsReachTheHooksInWireOrder) {
    const std::string av3 = "0c 00 80 00 03 1e ";
    const AckCase cases[] = {
        {"two objects", kTwoObjects, 0,
         {"value 5 0:1:85 72.5", "value 5 0:1:77 'ab'", "value 5 2:3:85 7", "value 5 2:3:103 1"}},
        {"unknown property, then a value", av3 + "29 55 5e 91 02 91 20 5f 29 4d 4e 21 07 4f 1f", 0,
         {"error 5 2:3:85 32", "value 5 2:3:77 7"}},
        {"unknown object as error code", av3 + "29 55 5e 91 01 91 1f 5f 29 4d 4e 21 07 4f 1f", 14,
         {"error 5 2:3:85 31"}},
        {"unknown object as value", av3 + "29 55 4e 21 07 4f 29 4d 4e 91 1f 4f 29 1c 4e 21 01 4f 1f", 14,
         {"value 5 2:3:85 7", "error 5 2:3:77 31"}},
        {"object not found, last result", av3 + "29 55 5e 91 02 91 1f 5f 1f", 0, {"status 5 9"}},
        {"object not found, then a value", av3 + "29 55 5e 91 02 91 1f 5f 29 4d 4e 21 07 4f 1f", 2,
         {"status 5 9", "status 5 2"}},
        {"no closing tag behind the value", av3 + "29 55 4e 21 07 21 07 4f 1f", 2, {"status 5 2"}},
        {"second value broken", av3 + "29 55 4e 21 07 4f 29 4d 4e 21 07 21 1f", 2,
         {"value 5 2:3:85 7", "status 5 2"}},
        {"array index", av3 + "29 55 39 00 4e 21 07 4f 1f", 2, {"status 5 2"}},
        {"no results", av3 + "1f", 2, {"status 5 2"}},
        {"results not in tag 1", "0c 00 80 00 03 2e 29 55 4e 21 07 4f 2f", 2, {"status 5 2"}},
        {"result neither value nor error", av3 + "29 55 6e 21 07 6f 1f", 2, {"status 5 2"}},
        {"error class not a number", av3 + "29 55 5e 5f 1f", 2, {"status 5 2"}},
        {"not an object first", "19 55 3e 21 07 3f", 2, {}},
        {"empty", "", 2, {}},
        {"bytes behind the last object", av3 + "29 55 4e 21 07 4f 1f 29", 0, {"value 5 2:3:85 7"}},
    };
    for (const auto& c : cases) {
        g_events.clear();
        EXPECT_EQ(Ack(c.hex), c.result) << c.what;
        EXPECT_EQ(g_events, c.events) << c.what;
    }
}

TEST_F(ReadPropertyMultipleTest, ObjectNotFoundNamesTheObjectAndProperty) {
    Ack("0c 00 80 00 03 1e 29 55 5e 91 02 91 1f 5f 1f");
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{
                                  "BACNET_ERROR_OBJECT_NOT_FOUND:  BACNET_OBJECT_TYPE_ANALOG_VALUE  Instance:3 "
                                  "Property:  BACNET_PROPERTY_IDENTIFIER_PRESENT_VALUE  "}));
}

TEST_F(ReadPropertyMultipleTest, EveryTruncationIsMalformedAndKeepsOnlyCompleteResults) {
    const auto bytes = Hex(kTwoObjects);
    const std::size_t resultEnds[] = {15, 24, 37, 43}, firstObjectEnd = 25;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        g_events.clear();
        const std::int32_t result = Run(ReadPropertyMultipleAck(5), bytes, n);
        std::size_t complete = 0;
        for (std::size_t end : resultEnds) complete += end <= n;
        ASSERT_EQ(g_events.size(), complete + (n > 0 && n != firstObjectEnd)) << n;
        if (n == firstObjectEnd) {
            EXPECT_EQ(result, 0);
            continue;
        }
        EXPECT_EQ(result, 2) << n;
        if (n > 0) {
            EXPECT_EQ(g_events.back(), "status 5 2") << n;
        }
    }
}

// Under the address sanitizer: every single-byte change of a valid message,
// both directions, stays inside the bytes.
TEST_F(ReadPropertyMultipleTest, NoByteValueAnywhereMakesTheParsersReadOutside) {
    auto mutateAll = [](std::vector<std::uint8_t> bytes, auto process) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const std::uint8_t original = bytes[i];
            for (int v = 0; v < 256; ++v) {
                bytes[i] = static_cast<std::uint8_t>(v);
                process(bytes);
            }
            bytes[i] = original;
        }
    };
    mutateAll(Hex(kTwoObjects), [](const std::vector<std::uint8_t>& bytes) {
        const std::int32_t result = Run(ReadPropertyMultipleAck(5), bytes, bytes.size());
        ASSERT_TRUE(result == 0 || result == 2 || result == 14) << testing_support::ToHex(bytes);
    });
    mutateAll(Hex("0c 02 00 03 e8 1e 09 4d 19 02 0a 00 0b 1f"), [](const std::vector<std::uint8_t>& bytes) {
        const std::int32_t result = Run(ReadPropertyMultiple(9), bytes, bytes.size());
        ASSERT_TRUE(result == 1 || result == 2 || result == 9 || result == 42) << testing_support::ToHex(bytes);
    });
}

struct AnswerCase {
    const char* what;
    std::string request;
    std::int32_t result;
    std::string answer;  // APDU; empty: nothing sent
};

TEST_F(ReadPropertyMultipleTest, PeersGetTheLocalDeviceOrAnError) {
    const std::string device = "0c 02 00 03 e8 ";
    const std::string name = "29 4d 4e 75 06 00 53 43 41 44 41 4f ";  // object-name "SCADA"
    const AnswerCase cases[] = {
        {"two properties", device + "1e 09 4d 09 0b 1f", 42,
         "30 09 0e 0c 02 00 03 e8 1e " + name + "29 0b 4e 22 03 e8 4f 1f"},
        {"key order, last list of a repeated object wins",
         device + "1e 09 4d 1f 0c 00 80 00 03 1e 09 4d 1f " + device + "1e 09 49 1f", 42,
         "30 09 0e 0c 00 80 00 03 1e " + name + "1f 0c 02 00 03 e8 1e 29 49 4e 21 03 4f 1f"},
        {"array index ignored", device + "1e 09 4d 19 02 1f", 42, "30 09 0e 0c 02 00 03 e8 1e " + name + "1f"},
        {"no objects", "", 1, "50 09 0e 91 05 91 10"},
        {"object without properties", device + "1e 1f", 1, "50 09 0e 91 05 91 10"},
        {"properties without object", "1e 09 4d 1f", 1, "50 09 0e 91 05 91 10"},
        {"one unknown property", device + "1e 09 4d 0a 27 0f 1f", 9, "50 09 0e 91 02 91 20"},
        {"property without datatype for the object", "0c 00 80 00 03 1e 09 78 1f", 9, "50 09 0e 91 02 91 20"},
        {"truncated identifier", "0c 02 00", 2, ""},
        {"truncated property", device + "1e 0a 00", 2, ""},
        {"foreign tag in the list", device + "1e 29 4d 1f", 2, ""},
        {"foreign tag outside", "3e 3f", 2, ""},
    };
    for (const auto& c : cases) {
        link_.sent.clear();
        EXPECT_EQ(Request(c.request), c.result) << c.what;
        if (c.answer.empty()) {
            EXPECT_TRUE(link_.sent.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(link_.sent.size(), 1u) << c.what;
        const auto& sent = link_.sent[0];
        EXPECT_TRUE(BytesAre(std::vector<std::uint8_t>(sent.begin() + 2, sent.end()), c.answer)) << c.what;
    }
}

TEST_F(ReadPropertyMultipleTest, PropertyAllBringsItsOwnTags) {
    Request("0c 02 00 03 e8 1e 09 08 1f");
    ASSERT_EQ(link_.sent.size(), 1u);
    const std::string sent = testing_support::ToHex(link_.sent[0]);
    EXPECT_NE(sent.find("30 09 0e 0c 02 00 03 e8 1e"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("29 08"), std::string::npos) << sent;
    EXPECT_EQ(sent.substr(sent.size() - 2), "1f");
}

TEST_F(ReadPropertyMultipleTest, DispatcherRoutesBothDirections) {
    Transactions().pendingInvokeId = 5;
    Transactions().deviceTimedOut = false;
    BeginRequest(kServiceReadPropertyMultiple, LinkServices::LinkAddress{}, network::NpduInfo{});
    const auto ack = Hex("30 05 0e 0c 00 80 00 03 1e 29 55 4e 21 07 4f 1f");
    services::Dispatch(LinkServices::LinkAddress{}, network::NpduInfo{}, ack.data(), ack.size());
    EXPECT_EQ(g_events, (std::vector<std::string>{"value 5 2:3:85 7"}));

    const auto request = Hex("00 05 09 0e 0c 02 00 03 e8 1e 09 4d 1f");
    services::Dispatch(LinkServices::LinkAddress{}, network::NpduInfo{}, request.data(), request.size());
    ASSERT_EQ(link_.sent.size(), 1u);
    EXPECT_EQ(link_.sent[0][2], 0x30);
}

}  // namespace

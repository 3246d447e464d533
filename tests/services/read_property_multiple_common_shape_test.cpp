// A ReadPropertyMultiple acknowledgement's results take a short road when
// they hold one common number of a property without a coder. Whatever road a
// result takes, the host gets what the general decoding of its value gives:
// the same record bytes, statuses and lines, and malformed or cut answers
// are refused without a read past their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "coders/property_coder.hpp"
#include "encoding/application_values.hpp"
#include "encoding/host_value.hpp"
#include "platform/utf.hpp"
#include "services/read_property_multiple.hpp"
#include "services/transactions.hpp"
#include "support/hex.hpp"
#include "support/trace_capture.hpp"
#include "tables/vocabulary.hpp"

namespace {

using namespace APDUServices;
using testing_support::Hex;
using testing_support::ToHex;

constexpr std::uint8_t kInvokeId = 5;
constexpr std::int32_t kAnalogValue = 2;
constexpr std::int32_t kGroup = 11;
constexpr std::int32_t kPresentValue = 85;
constexpr std::int32_t kPriority = 86;

// A record as the host would compare it: numbers by all their bytes (the
// ones beyond kind and number shown only where they are not zero), texts by
// their text.
std::string RecordText(const HostValue& v) {
    if (encoding::IsTextKind(v.kind)) {
        std::u16string buffer(512, u'\0');
        ::FetchText(&v, buffer.data(), static_cast<std::int32_t>(buffer.size()));
        return "text " + platform::Utf16ToUtf8(buffer.c_str());
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&v);
    std::string text = "kind " + std::to_string(v.kind) + " number " + ToHex(v.number, sizeof v.number);
    const bool restZero = std::all_of(bytes + 4, bytes + sizeof v, [&](const std::uint8_t& b) {
        return &b >= v.number && &b < v.number + sizeof v.number ? true : b == 0;
    });
    return restZero ? text : text + " other bytes " + ToHex(bytes, sizeof v);
}

std::string Key(std::int32_t type, std::int32_t instance, std::int32_t property) {
    return std::to_string(type) + ":" + std::to_string(instance) + ":" + std::to_string(property);
}

std::vector<std::string> g_events;

void OnValue(std::uint8_t, std::int32_t type, std::int32_t instance, std::int32_t property, const HostValue& v) {
    g_events.push_back("value " + Key(type, instance, property) + " " + RecordText(v));
}
void OnError(std::uint8_t, std::int32_t type, std::int32_t instance, std::int32_t property, std::uint32_t code) {
    g_events.push_back("error " + Key(type, instance, property) + " " + std::to_string(code));
}
void OnStatus(std::uint8_t, std::int32_t status) { g_events.push_back("status " + std::to_string(status)); }

// One result of an answer: an object's property and the octets between its
// opening and closing tags.
struct Result {
    std::int32_t type;
    std::int32_t instance;
    std::int32_t property;
    std::string valueHex;
};

struct Answer {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> resultEnds;  // behind each result's closing tag
    std::vector<std::size_t> objectEnds;  // behind each object's closing tag
};

// Consecutive results of one object share its list.
Answer Build(const std::vector<Result>& results) {
    Answer answer;
    auto& out = answer.bytes;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Result& r = results[i];
        if (i == 0 || results[i - 1].type != r.type || results[i - 1].instance != r.instance) {
            const auto id = static_cast<std::uint32_t>(r.type) << 22 | static_cast<std::uint32_t>(r.instance);
            out.insert(out.end(), {0x0C, static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
                                   static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), 0x1E});
        }
        out.insert(out.end(), {0x29, static_cast<std::uint8_t>(r.property), 0x4E});
        const auto value = Hex(r.valueHex);
        out.insert(out.end(), value.begin(), value.end());
        out.push_back(0x4F);
        answer.resultEnds.push_back(out.size());
        if (i + 1 == results.size() || results[i + 1].type != r.type || results[i + 1].instance != r.instance) {
            out.push_back(0x1F);
            answer.objectEnds.push_back(out.size());
        }
    }
    return answer;
}

// What the general decoding makes of one result's value: its property's
// coder where it has one, else the primitive decoding.
std::vector<std::string> GeneralEvents(const Result& r) {
    const auto bytes = Hex(r.valueHex + " 4f");
    HostValue value{};
    if (coders::IPropertyCoder* coder = coders::GetPropertyCoder(r.property, r.type)) {
        std::uint32_t used = 0;
        coder->Decode(bytes.data(), static_cast<std::uint32_t>(bytes.size()), value, 4, used);
        EXPECT_EQ(bytes.at(used), 0x4F) << "the test's value does not fit its coder: " << r.valueHex;
        return {"value " + Key(r.type, r.instance, r.property) + " " + RecordText(value)};
    }
    std::size_t consumed = 0;
    const auto decoded = encoding::DecodePrimitiveValue(bytes.data(), bytes.size(), value, consumed);
    if (decoded == encoding::ValueDecode::kBeyondExactRange) return {"status 19"};
    EXPECT_EQ(decoded, encoding::ValueDecode::kValue) << r.valueHex;
    return {"value " + Key(r.type, r.instance, r.property) + " " + RecordText(value)};
}

class CommonShapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        tables::BuildTypeTables();
        tables::BuildNameTables();
        g_events.clear();
        saved_ = Transactions();
        Transactions().hooks = ResultHooks{};
        Transactions().hooks.onPropertyValue = &OnValue;
        Transactions().hooks.onPropertyError = &OnError;
        Transactions().hooks.setTransactionStatus = &OnStatus;
    }
    void TearDown() override { Transactions() = saved_; }

    // The first n octets, in a block of exactly their size.
    static std::int32_t Walk(const std::vector<std::uint8_t>& bytes, std::size_t n) {
        auto exact = std::make_unique<std::uint8_t[]>(n);
        std::copy_n(bytes.begin(), n, exact.get());
        return ReadPropertyMultipleAck(kInvokeId).Process(LinkServices::LinkAddress{}, network::NpduInfo{},
                                                          exact.get(), n);
    }
    static std::int32_t Walk(const std::string& hex) {
        const auto bytes = Hex(hex);
        return Walk(bytes, bytes.size());
    }

    TransactionState saved_;
    testing_support::TraceCapture trace_;
};

// Numbers of every common shape and width, beside shapes the short road
// leaves (a Double, a text, a five-octet Unsigned, an Unsigned beyond the
// exact range) and properties with coders between the same property
// without one, so that a remembered "no coder" answer is put to the test.
const std::vector<Result> kMixed = {
    {kAnalogValue, 1, kPresentValue, "44 42 91 00 00"},
    {kAnalogValue, 1, kPriority, "21 05 21 06 21 07"},
    {kAnalogValue, 1, kPresentValue, "21 07"},
    {kAnalogValue, 2, kPresentValue, "22 01 00"},
    {kAnalogValue, 2, 103, "91 01"},
    {kAnalogValue, 2, 7, "21 05"},
    {kAnalogValue, 2, 111, "24 ff ff ff ff"},
    {kAnalogValue, 3, kPresentValue, "31 80"},
    {kAnalogValue, 3, 104, "33 80 00 01"},
    {kAnalogValue, 3, 105, "34 7f ff ff ff"},
    {kAnalogValue, 4, 81, "10"},
    {kAnalogValue, 4, 80, "11"},
    {kAnalogValue, 4, 117, "92 00 1f"},
    {kGroup, 1, kPresentValue, "0c 00 00 00 01 1e 29 55 4e 44 3f 80 00 00 4f 1f"},
    {kAnalogValue, 5, kPresentValue, "55 08 40 09 21 fb 54 44 2d 18"},
    {kAnalogValue, 5, 77, "75 03 00 61 62"},
    {kAnalogValue, 5, 104, "25 05 00 00 00 00 07"},
    {kAnalogValue, 6, kPresentValue, "25 08 ff ff ff ff ff ff ff ff"},
    {kAnalogValue, 6, kPresentValue, "44 c2 c8 00 00"},
};

TEST_F(CommonShapeTest, EveryResultGivesWhatTheGeneralDecodingGives) {
    std::vector<std::string> expected;
    for (const Result& r : kMixed)
        for (auto& event : GeneralEvents(r)) expected.push_back(event);
    const Answer answer = Build(kMixed);
    EXPECT_EQ(Walk(answer.bytes, answer.bytes.size()), 0);
    EXPECT_EQ(g_events, expected);
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{
                                  "Warning: Number beyond exact range not delivered: 18446744073709551615"}));
}

// Cut anywhere, the answer delivers the results it holds whole and is
// refused (status 2), unless the cut falls behind an object's list. A number
// beyond the exact range has its status as soon as it is read.
TEST_F(CommonShapeTest, ACutAnswerDeliversItsWholeResultsAndNoMore) {
    std::vector<std::vector<std::string>> perResult;
    for (const Result& r : kMixed) perResult.push_back(GeneralEvents(r));
    const Answer answer = Build(kMixed);
    for (std::size_t n = 1; n < answer.bytes.size(); ++n) {
        g_events.clear();
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < kMixed.size() && answer.resultEnds[i] <= n; ++i)
            expected.insert(expected.end(), perResult[i].begin(), perResult[i].end());
        for (std::size_t i = 0; i < kMixed.size(); ++i)
            if (answer.resultEnds[i] == n + 1 && perResult[i] == std::vector<std::string>{"status 19"})
                expected.push_back("status 19");
        const bool atObjectEnd =
            std::find(answer.objectEnds.begin(), answer.objectEnds.end(), n) != answer.objectEnds.end();
        if (!atObjectEnd) expected.push_back("status 2");
        EXPECT_EQ(Walk(answer.bytes, n), atObjectEnd ? 0 : 2) << "cut at " << n;
        EXPECT_EQ(g_events, expected) << "cut at " << n;
    }
}

// Odd shapes around a common number: the general decoding's answer stands.
TEST_F(CommonShapeTest, OddShapesAroundANumberAreDecidedAsBefore) {
    // An Enumerated 31 of one octet stands for an unknown object and ends the walk.
    EXPECT_EQ(Walk("0c 00 80 00 01 1e 29 55 4e 91 1f 4f 29 55 4e 44 42 91 00 00 4f 1f"), 14);
    EXPECT_EQ(g_events, (std::vector<std::string>{"error 2:1:85 31"}));

    // Two values in one result: refused after the first was read, nothing delivered.
    g_events.clear();
    EXPECT_EQ(Walk("0c 00 80 00 01 1e 29 55 4e 44 42 91 00 00 21 01 4f 1f"), 2);
    EXPECT_EQ(g_events, (std::vector<std::string>{"status 2"}));

    // A value closed by the error tag's closing tag, or by one without its
    // class bit, is taken as the general decoding takes it.
    for (const char* closing : {"5f", "47"}) {
        g_events.clear();
        EXPECT_EQ(Walk(std::string("0c 00 80 00 01 1e 29 55 4e 21 07 ") + closing + " 1f"), 0) << closing;
        EXPECT_EQ(g_events, GeneralEvents({kAnalogValue, 1, kPresentValue, "21 07"})) << closing;
    }

    // After an object-not-found error nothing more is decoded: a value where
    // the closing tag should stand makes the answer malformed.
    g_events.clear();
    trace_.Clear();
    EXPECT_EQ(Walk("0c 00 80 00 01 1e 29 55 5e 91 02 91 1f 5f 29 55 4e 44 42 91 00 00 4f 1f"), 2);
    EXPECT_EQ(g_events, (std::vector<std::string>{"status 9", "status 2"}));
    const std::vector<std::string> lines = {
        "BACNET_ERROR_OBJECT_NOT_FOUND:  BACNET_OBJECT_TYPE_ANALOG_VALUE  Instance:1 Property:  "
        "BACNET_PROPERTY_IDENTIFIER_PRESENT_VALUE  ",
        "Error: 2"};
    EXPECT_EQ(trace_.Lines(), lines);
}

}  // namespace

// ReadPropertyMultiple: per-property results and errors, and the ALL,
// REQUIRED and OPTIONAL selections.
#include <set>

#include "sim/ids.hpp"
#include "support/hex.hpp"
#include "sim/tag_reader.hpp"
#include "sim_client.hpp"

namespace sim_test {
namespace {

namespace p = sim::property;
namespace t = sim::object_type;

struct Reference {
    std::uint32_t type, instance;
    std::vector<std::uint32_t> properties;
    std::optional<std::uint32_t> index;
};

Bytes RpmRequest(std::uint8_t invokeId, const std::vector<Reference>& references) {
    Bytes apdu = ConfirmedHeader(invokeId, 14);
    for (const Reference& reference : references) {
        AppendContextObjectId(apdu, 0, reference.type, reference.instance);
        apdu.push_back(0x1E);
        for (std::uint32_t prop : reference.properties) {
            AppendContextUnsigned(apdu, 0, prop);
            if (reference.index) AppendContextUnsigned(apdu, 1, *reference.index);
        }
        apdu.push_back(0x1F);
    }
    return apdu;
}

struct Result {
    std::uint32_t property = 0;
    bool error = false;
    Bytes content;  // the value octets, or the class and code
};

// The results of the first object of a ReadPropertyMultiple-ACK.
std::vector<Result> ResultsOf(const Bytes& apdu) {
    std::vector<Result> results;
    if (apdu.size() < 3 || apdu[0] != 0x30) return results;
    sim::TagReader reader(apdu.data() + 3, apdu.size() - 3);
    std::uint32_t type = 0, instance = 0;
    if (!reader.ReadContextObjectId(0, type, instance) || !reader.ReadOpening(1)) return results;
    while (!reader.ReadClosing(1)) {
        Result result;
        std::uint32_t index = 0;
        if (!reader.ReadContextUnsigned(2, result.property)) return {};
        reader.ReadContextUnsigned(3, index);
        const std::uint8_t* content = nullptr;
        std::size_t length = 0;
        result.error = reader.NextIsOpening(5);
        if (!reader.ReadEnclosed(result.error ? 5 : 4, content, length)) return {};
        result.content.assign(content, content + length);
        results.push_back(result);
    }
    return results;
}

class ReadPropertyMultipleTest : public SimulatorTest {
protected:
    void SetUp() override { StartSimulator(); }
};

TEST_F(ReadPropertyMultipleTest, GoodAndBadReferencesAnswerSideBySide) {
    const auto answer = Exchange(RpmRequest(
        21, {{t::kAnalogInput, 1, {p::kPresentValue, p::kStateText}, {}}, {t::kAnalogInput, 999, {p::kPresentValue}, {}}}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, (Bytes{0x30, 21, 14,
                              0x0C, 0x00, 0x00, 0x00, 0x01, 0x1E,
                              0x29, 0x55, 0x4E, 0x44, 0x41, 0x48, 0x00, 0x00, 0x4F,
                              0x29, 0x6E, 0x5E, 0x91, 0x02, 0x91, 0x20, 0x5F,
                              0x1F,
                              0x0C, 0x00, 0x00, 0x03, 0xE7, 0x1E,
                              0x29, 0x55, 0x5E, 0x91, 0x01, 0x91, 0x1F, 0x5F,
                              0x1F}));
}

TEST_F(ReadPropertyMultipleTest, ArrayIndexIsEchoedWithTheElement) {
    const auto answer = Exchange(RpmRequest(22, {{t::kAnalogOutput, 2, {p::kPriorityArray}, 0}}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, (Bytes{0x30, 22, 14, 0x0C, 0x00, 0x40, 0x00, 0x02, 0x1E, 0x29, 0x57, 0x39, 0x00, 0x4E, 0x21,
                              0x10, 0x4F, 0x1F}));
}

TEST_F(ReadPropertyMultipleTest, RequiredListsExactlyTheRequiredProperties) {
    const auto answer = Exchange(RpmRequest(23, {{t::kAnalogInput, 1, {p::kRequired}, {}}}));
    ASSERT_TRUE(answer);
    std::vector<std::uint32_t> listed;
    for (const Result& result : ResultsOf(*answer)) {
        EXPECT_FALSE(result.error) << result.property;
        listed.push_back(result.property);
    }
    EXPECT_EQ(listed, (std::vector<std::uint32_t>{p::kEventState, p::kObjectIdentifier, p::kObjectName,
                                                  p::kObjectType, p::kOutOfService, p::kPresentValue,
                                                  p::kStatusFlags, p::kUnits}));
}

TEST_F(ReadPropertyMultipleTest, AllIsRequiredPlusOptionalWithoutThePropertyList) {
    std::set<std::uint32_t> all, parts;
    for (const Result& r : ResultsOf(Exchange(RpmRequest(24, {{t::kAnalogOutput, 1, {p::kAll}, {}}})).value_or(Bytes{})))
        all.insert(r.property);
    for (std::uint32_t selection : {p::kRequired, p::kOptional})
        for (const Result& r : ResultsOf(Exchange(RpmRequest(25, {{t::kAnalogOutput, 1, {selection}, {}}})).value_or(Bytes{})))
            if (r.property != p::kPropertyList) parts.insert(r.property);
    EXPECT_EQ(all, parts);
    EXPECT_EQ(all.count(p::kPropertyList), 0u);
    for (std::uint32_t expected : {p::kPresentValue, p::kPriorityArray, p::kRelinquishDefault, p::kCovIncrement})
        EXPECT_EQ(all.count(expected), 1u) << expected;
}

TEST_F(ReadPropertyMultipleTest, AllOnAnUnknownObjectIsOneError) {
    const auto answer = Exchange(RpmRequest(26, {{t::kBinaryInput, 50, {p::kAll}, {}}}));
    ASSERT_TRUE(answer);
    const auto results = ResultsOf(*answer);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].property, p::kAll);
    EXPECT_TRUE(results[0].error);
    EXPECT_EQ(results[0].content, (Bytes{0x91, 0x01, 0x91, 31}));
}

// The octets of one answer that mixes stored, commanded and computed values,
// array elements, each per-property error, the wildcard device and a
// selection: a change on the answer path cannot move a single octet unseen.
TEST_F(ReadPropertyMultipleTest, MixedAnswerKeepsEveryOctet) {
    ASSERT_EQ(Write(t::kAnalogValue, 2, p::kPresentValue, sim::Value::Real(30), 8).at(0), 0x20);
    using Reads = std::vector<std::pair<std::uint32_t, std::optional<std::uint32_t>>>;
    Bytes request = ConfirmedHeader(30, 14);
    const auto add = [&](std::uint32_t type, std::uint32_t instance, const Reads& reads) {
        AppendContextObjectId(request, 0, type, instance);
        request.push_back(0x1E);
        for (const auto& [prop, index] : reads) {
            AppendContextUnsigned(request, 0, prop);
            if (index) AppendContextUnsigned(request, 1, *index);
        }
        request.push_back(0x1F);
    };
    add(t::kAnalogValue, 1,
        {{p::kPresentValue, {}}, {p::kRelinquishDefault, {}}, {p::kStatusFlags, {}}, {p::kUnits, 1},
         {p::kPriorityArray, 0}, {p::kPriorityArray, 17}, {9999, {}}});
    add(t::kAnalogValue, 2, {{p::kPresentValue, {}}, {p::kPriorityArray, 8}, {p::kPriorityArray, 9}});
    add(t::kAnalogOutput, 999, {{p::kPresentValue, {}}});
    add(t::kDevice, 4194303, {{p::kVendorIdentifier, {}}});
    add(t::kBinaryInput, 1, {{p::kPropertyList, {}}});
    add(t::kMultiStateValue, 1, {{p::kRequired, {}}});
    const auto answer = Exchange(request);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(testing_support::BytesAre(*answer,
        "30 1e 0e"
        " 0c 00 80 00 01 1e 29 55 4e 44 41 a8 00 00 4f 29 68 4e 44 41 a8 00 00 4f 29 6f 4e 82 04 00 4f"
        " 29 75 39 01 5e 91 02 91 32 5f 29 57 39 00 4e 21 10 4f 29 57 39 11 5e 91 02 91 2a 5f"
        " 2a 27 0f 5e 91 02 91 20 5f 1f"
        " 0c 00 80 00 02 1e 29 55 4e 44 41 f0 00 00 4f 29 57 39 08 4e 44 41 f0 00 00 4f 29 57 39 09 4e 00 4f 1f"
        " 0c 00 40 03 e7 1e 29 55 5e 91 01 91 1f 5f 1f"
        " 0c 02 00 04 d2 1e 29 78 4e 22 03 e7 4f 1f"
        " 0c 00 c0 00 01 1e 2a 01 73 4e 91 04 91 1c 91 24 91 2e 91 51 91 54 91 55 91 67 91 6f 4f 1f"
        " 0c 04 c0 00 01 1e 29 24 4e 91 00 4f 29 4a 4e 21 04 4f 29 4b 4e c4 04 c0 00 01 4f"
        " 29 4d 4e 75 07 00 53 65 61 73 6f 6e 4f 29 4f 4e 91 13 4f 29 51 4e 10 4f 29 55 4e 21 01 4f"
        " 29 6f 4e 82 04 00 4f 1f"));
}

TEST_F(ReadPropertyMultipleTest, MalformedListsAreRejected) {
    Bytes unclosed = ConfirmedHeader(27, 14);
    AppendContextObjectId(unclosed, 0, t::kAnalogInput, 1);
    unclosed.push_back(0x1E);
    AppendContextUnsigned(unclosed, 0, p::kPresentValue);
    EXPECT_EQ(Exchange(unclosed), (Bytes{0x60, 27, 5}));
    EXPECT_EQ(Exchange(RpmRequest(28, {{t::kAnalogInput, 1, {}, {}}})), (Bytes{0x60, 28, 5}));
    EXPECT_EQ(Exchange(ConfirmedHeader(29, 14)), (Bytes{0x60, 29, 5}));
}

}  // namespace
}  // namespace sim_test

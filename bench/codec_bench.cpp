// Codec microbenchmarks: request encoding, acknowledgement decoding into host
// values, two constructed-value coders and the BVLL assembler. Allocations
// are counted by the replaced global operator new (support/allocation_counter).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "coders/bacnet_daily_scheduler_array_coder.hpp"
#include "coders/object_list_coder.hpp"
#include "encoding/host_value.hpp"
#include "encoding/tags.hpp"
#include "links/bvll.hpp"
#include "links/current_link.hpp"
#include "network/npdu.hpp"
#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"
#include "services/dispatch.hpp"
#include "services/read_property.hpp"
#include "services/read_property_multiple.hpp"
#include "services/transactions.hpp"
#include "tagcore.h"
#include "bench/support/allocation_counter.hpp"

namespace {

using encoding::ByteVector;

constexpr std::int32_t kAnalogValue = 2;
constexpr std::int32_t kPresentValue = 85;
constexpr std::uint8_t kInvokeId = 3;

// A link that keeps the last frame in a buffer it owns, as a socket send would.
class BufferLink : public LinkServices::ILink {
public:
    BufferLink() { LinkServices::ActiveLink() = this; }
    ~BufferLink() override { LinkServices::ActiveLink() = nullptr; }
    void GetBroadcastAddress(LinkServices::LinkAddress& out) override { out.SetIp(u"255.255.255.255", 47808); }
    std::int32_t GetLinkType() override { return LinkServices::kLinkBacnetIp; }
    void ParseAddress(LinkServices::LinkAddress& out, const char16_t* text) override { out.SetIp(text, 47808); }
    std::int32_t GetMaxFrameSize() override { return 1476; }
    std::int32_t Send(const LinkServices::LinkAddress&, const std::uint8_t* bytes, std::uint32_t length) override {
        std::memcpy(frame_, bytes, length < sizeof frame_ ? length : sizeof frame_);
        length_ = length;
        return 0;
    }
    void Close() override {}
    bool IsValidAddress(const char16_t*) override { return true; }
    std::uint32_t Length() const { return length_; }

private:
    std::uint8_t frame_[2048] = {};
    std::uint32_t length_ = 0;
};

LinkServices::LinkAddress Device() {
    LinkServices::LinkAddress address;
    address.SetIp(u"127.0.0.2", 47808);
    return address;
}

void ReportAllocations(benchmark::State& state, std::uint64_t before, double perIteration) {
    const double allocations = static_cast<double>(bench::AllocationCount() - before);
    state.counters["allocs_per_iter"] = allocations / static_cast<double>(state.iterations());
    if (perIteration > 0)
        state.counters["allocs_per_value"] = allocations / static_cast<double>(state.iterations()) / perIteration;
}

void BM_EncodeReadProperty(benchmark::State& state) {
    BufferLink link;
    const auto device = Device();
    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state) {
        network::NpduInfo npdu;
        APDUServices::ReadProperty request(kInvokeId);
        benchmark::DoNotOptimize(request.SendReadPropertyRequest(device, npdu, kAnalogValue, 1, kPresentValue));
    }
    ReportAllocations(state, before, 0);
    state.counters["frame_bytes"] = link.Length();
}
BENCHMARK(BM_EncodeReadProperty);

APDUServices::ObjectPropertyMap HundredProperties() {
    APDUServices::ObjectPropertyMap properties;
    for (std::int32_t i = 1; i <= 100; ++i) properties[{kAnalogValue, i}].push_back(kPresentValue);
    return properties;
}

void BM_EncodeReadPropertyMultiple100(benchmark::State& state) {
    BufferLink link;
    const auto device = Device();
    const auto properties = HundredProperties();
    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state) {
        network::NpduInfo npdu;
        APDUServices::ReadPropertyMultiple request(kInvokeId);
        benchmark::DoNotOptimize(request.SendReadPropertyMultipleRequest(device, npdu, properties));
    }
    ReportAllocations(state, before, 0);
    state.counters["frame_bytes"] = link.Length();
}
BENCHMARK(BM_EncodeReadPropertyMultiple100);

// The acknowledgement's service data (behind the three header octets): 100
// analog values, each with its present value as a REAL.
ByteVector HundredRealResults() {
    ByteVector out;
    for (std::uint32_t i = 1; i <= 100; ++i) {
        encoding::EncodeObjectIdentifierWithTag(out, kAnalogValue, i, encoding::MakeContextTag(0, 4));
        out.push_back(encoding::MakeContextTag(1, encoding::kLvtOpening));
        encoding::EncodeUnsignedWithTag(out, kPresentValue, encoding::MakeContextTag(2, 1));
        out.push_back(encoding::MakeContextTag(4, encoding::kLvtOpening));
        encoding::EncodeReal(out, 0.5f * static_cast<float>(i));
        out.push_back(encoding::MakeContextTag(4, encoding::kLvtClosing));
        out.push_back(encoding::MakeContextTag(1, encoding::kLvtClosing));
    }
    return out;
}

HostValue g_values[128];
std::uint32_t g_valueCount = 0;

void StoreValue(std::uint8_t, std::int32_t, std::int32_t, std::int32_t, const HostValue& value) {
    std::memcpy(&g_values[g_valueCount++ & 127], &value, sizeof value);
}

void BM_DecodeReadPropertyMultipleAck100Reals(benchmark::State& state) {
    const ByteVector ack = HundredRealResults();
    APDUServices::Transactions().hooks = APDUServices::ResultHooks{};
    APDUServices::Transactions().hooks.onPropertyValue = &StoreValue;
    const auto device = Device();
    const network::NpduInfo npdu;
    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state) {
        g_valueCount = 0;
        APDUServices::ReadPropertyMultipleAck answer(kInvokeId);
        benchmark::DoNotOptimize(answer.Process(device, npdu, ack.data(), ack.size()));
        if (g_valueCount != 100) state.SkipWithError("not every value was decoded");
    }
    ReportAllocations(state, before, 100);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100);
    state.counters["ns_per_value"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 100,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    APDUServices::Transactions().hooks = APDUServices::ResultHooks{};
}
BENCHMARK(BM_DecodeReadPropertyMultipleAck100Reals);

// The least work that turns 100 results (each 16 octets, the REAL's four
// octets at offset 10) into host records: the reference loops' body.
inline void PlainLoop100Reals(const std::uint8_t* results) {
    for (std::size_t i = 0; i < 100; ++i) {
        const std::uint8_t* p = results + 16 * i + 10;
        const std::uint32_t bits = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                   (std::uint32_t{p[2]} << 8) | p[3];
        float f;
        std::memcpy(&f, &bits, sizeof f);
        HostValue value{};
        encoding::SetDouble(value, f);
        StoreValue(kInvokeId, kAnalogValue, static_cast<std::int32_t>(i + 1), kPresentValue, value);
    }
}

// The reference for the decode above: the least work that turns the same
// bytes into the same host records, written for exactly this layout (each
// result 16 octets, the REAL's four octets at offset 10), no checks at all.
void BM_ReferencePlainLoop100Reals(benchmark::State& state) {
    const ByteVector ack = HundredRealResults();
    for (auto _ : state) {
        PlainLoop100Reals(ack.data());
        benchmark::DoNotOptimize(g_values);
        g_valueCount = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100);
    state.counters["ns_per_value"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 100,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReferencePlainLoop100Reals);

// The same 100-REAL acknowledgement as a segmented answer: the service choice
// and the results cut into segments of at most 480 octets each (the MS/TP
// max-APDU less the segment header), each a whole ComplexAck APDU.
constexpr std::size_t kSegmentPayload = 475;

std::vector<ByteVector> HundredRealSegments() {
    ByteVector message{static_cast<std::uint8_t>(APDUServices::kServiceReadPropertyMultiple)};
    const ByteVector results = HundredRealResults();
    message.insert(message.end(), results.begin(), results.end());
    std::vector<ByteVector> segments;
    for (std::size_t at = 0, sequence = 0; at < message.size(); at += kSegmentPayload, ++sequence) {
        const std::size_t n = std::min(kSegmentPayload, message.size() - at);
        const bool more = at + n < message.size();
        // ComplexAck, segmented, more follows; invoke ID; sequence; window 4; service choice.
        ByteVector apdu{static_cast<std::uint8_t>(more ? 0x3C : 0x38), kInvokeId, static_cast<std::uint8_t>(sequence), 4,
                        static_cast<std::uint8_t>(APDUServices::kServiceReadPropertyMultiple)};
        // The first segment's own bytes start behind the service choice, which the header already carries.
        const std::size_t skip = at == 0 ? 1 : 0;
        apdu.insert(apdu.end(), message.begin() + static_cast<std::ptrdiff_t>(at + skip),
                    message.begin() + static_cast<std::ptrdiff_t>(at + n));
        segments.push_back(std::move(apdu));
    }
    return segments;
}

// A segmented answer through the dispatcher as received: each segment
// acknowledged where its window ends, joined, and the whole decoded into host
// values. Reported per segment.
void BM_DecodeSegmentedAck100Reals(benchmark::State& state) {
    BufferLink link;
    const std::vector<ByteVector> segments = HundredRealSegments();
    APDUServices::Transactions().hooks = APDUServices::ResultHooks{};
    APDUServices::Transactions().hooks.onPropertyValue = &StoreValue;
    const auto device = Device();
    for (auto _ : state) {
        g_valueCount = 0;
        network::NpduInfo npdu;
        APDUServices::Transactions().pendingInvokeId = kInvokeId;
        APDUServices::BeginRequest(APDUServices::kServiceReadPropertyMultiple, device, npdu);
        for (const ByteVector& segment : segments) services::Dispatch(device, npdu, segment.data(), segment.size());
        if (g_valueCount != 100) state.SkipWithError("not every value was decoded");
    }
    const double perSegment = static_cast<double>(state.iterations()) * static_cast<double>(segments.size());
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["ns_per_segment"] =
        benchmark::Counter(perSegment, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    APDUServices::Transactions().hooks = APDUServices::ResultHooks{};
}
BENCHMARK(BM_DecodeSegmentedAck100Reals);

// The floor for the same bytes: each segment's payload copied into one
// buffer, then the plain loop over the joined values. Reported per segment.
void BM_ReferenceSegmentedPlainLoop100Reals(benchmark::State& state) {
    const std::vector<ByteVector> segments = HundredRealSegments();
    ByteVector joined;
    joined.reserve(4096);
    for (auto _ : state) {
        joined.clear();
        for (const ByteVector& segment : segments) joined.insert(joined.end(), segment.begin() + 5, segment.end());
        PlainLoop100Reals(joined.data());
        benchmark::DoNotOptimize(g_values);
        g_valueCount = 0;
    }
    const double perSegment = static_cast<double>(state.iterations()) * static_cast<double>(segments.size());
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["ns_per_segment"] =
        benchmark::Counter(perSegment, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReferenceSegmentedPlainLoop100Reals);

// Another instance's answer (a ReadProperty-ACK under an invoke ID that is
// not pending) as the receive path takes it, lines written to a sink that
// only counts them; beside it the same APDU through the network layer and
// the dispatcher, the path every such answer took before it was sorted out
// on receipt.
std::uint64_t g_lines = 0;
void CountLine(const char16_t*) { ++g_lines; }

const char* kForeignAnswer = "81 0a 00 17 01 00 30 0b 0c 0c 00 80 00 02 19 55 3e 44 3f 80 00 00 3f";

ByteVector HexBytes(const char* hex) {
    ByteVector out;
    for (const char* p = hex; p[0] != 0 && p[1] != 0; p += (p[2] == ' ' ? 3 : 2))
        out.push_back(static_cast<std::uint8_t>(std::stoul(std::string(p, 2), nullptr, 16)));
    return out;
}

void BM_ForeignAnswerDropped(benchmark::State& state) {
    const ByteVector datagram = HexBytes(kForeignAnswer);
    LinkServices::BVLL link;
    const auto device = Device();
    APDUServices::Transactions().pendingInvokeId = 9;
    const platform::TraceSink previous = platform::SetTraceSink(&CountLine);
    for (auto _ : state) link.ProcessDatagram(datagram.data(), datagram.size(), device);
    platform::SetTraceSink(previous);
    if (g_lines != 2 * static_cast<std::uint64_t>(state.iterations())) state.SkipWithError("not two lines per answer");
    g_lines = 0;
}
BENCHMARK(BM_ForeignAnswerDropped);

void BM_ForeignAnswerThroughDispatch(benchmark::State& state) {
    const ByteVector datagram = HexBytes(kForeignAnswer);
    const auto device = Device();
    APDUServices::Transactions().pendingInvokeId = 9;
    const platform::TraceSink previous = platform::SetTraceSink(&CountLine);
    for (auto _ : state) network::ProcessNpdu(device, datagram.data() + 4, datagram.size() - 4);
    platform::SetTraceSink(previous);
    if (g_lines != 2 * static_cast<std::uint64_t>(state.iterations())) state.SkipWithError("not two lines per answer");
    g_lines = 0;
}
BENCHMARK(BM_ForeignAnswerThroughDispatch);

// A week of four switching times a day, as a weekly-schedule value.
ByteVector WeeklySchedule() {
    ByteVector out;
    for (int day = 0; day < 7; ++day) {
        out.push_back(0x0E);
        for (int slot = 0; slot < 4; ++slot) {
            const std::uint8_t time[] = {0xB4, static_cast<std::uint8_t>(6 + 4 * slot), 30, 0, 0};
            out.insert(out.end(), std::begin(time), std::end(time));
            encoding::EncodeReal(out, 17.0f + static_cast<float>(slot));
        }
        out.push_back(0x0F);
    }
    out.push_back(0x3F);
    return out;
}

void BM_DecodeWeeklySchedule(benchmark::State& state) {
    const ByteVector bytes = WeeklySchedule();
    coders::BACnetDailySchedulerArrayCoder coder;
    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state) {
        HostValue value{};
        std::uint32_t consumed = 0;
        coder.Decode(bytes.data(), static_cast<std::uint32_t>(bytes.size()), value, 3, consumed);
        if (consumed == 0) state.SkipWithError("the schedule did not decode");
        benchmark::DoNotOptimize(value);
    }
    ReportAllocations(state, before, 0);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeWeeklySchedule);

void BM_DecodeObjectList1000(benchmark::State& state) {
    ByteVector bytes;
    for (std::uint32_t i = 1; i <= 1000; ++i) encoding::EncodeObjectIdentifier(bytes, kAnalogValue, i);
    bytes.push_back(0x3F);
    coders::ObjectListCoder coder;
    const std::uint64_t before = bench::AllocationCount();
    for (auto _ : state) {
        HostValue value{};
        std::uint32_t consumed = 0;
        coder.Decode(bytes.data(), static_cast<std::uint32_t>(bytes.size()), value, 3, consumed);
        if (consumed != 5000) state.SkipWithError("the object list did not decode");
        benchmark::DoNotOptimize(value);
    }
    ReportAllocations(state, before, 1000);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000);
}
BENCHMARK(BM_DecodeObjectList1000);

std::uint64_t g_apdus = 0;
void CountApdu(const LinkServices::LinkAddress&, const network::NpduInfo&, const std::uint8_t*, std::size_t) {
    ++g_apdus;
}

// 1 MB of back-to-back Original-Unicast frames, each carrying the
// acknowledgement of a 1-tag scan (argument 0) or of a 100-tag scan (1).
ByteVector OneMegabyteOfFrames(bool large, std::uint64_t& frames) {
    ByteVector apdu{0x30, kInvokeId, 0x0E};
    if (large) {
        const ByteVector results = HundredRealResults();
        apdu.insert(apdu.end(), results.begin(), results.begin() + 1400);  // one datagram's worth
    } else {
        apdu = {0x30, kInvokeId, 0x0C, 0x0C, 0x00, 0x80, 0x00, 0x01, 0x19, 0x55, 0x3E, 0x44, 0x41, 0xA8, 0x00, 0x00, 0x3F};
    }
    ByteVector frame{0x81, 0x0A, 0, 0, 0x01, 0x00};
    frame.insert(frame.end(), apdu.begin(), apdu.end());
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    ByteVector out;
    frames = 0;
    while (out.size() + frame.size() <= 1 << 20) {
        out.insert(out.end(), frame.begin(), frame.end());
        ++frames;
    }
    return out;
}

void BM_BvllAssembler1MB(benchmark::State& state) {
    std::uint64_t frames = 0;
    const ByteVector stream = OneMegabyteOfFrames(state.range(0) != 0, frames);
    const auto previous = network::SetApduHandler(&CountApdu);
    // The frames answer this instance's pending request: another instance's never reach the dispatcher.
    APDUServices::Transactions().pendingInvokeId = kInvokeId;
    auto* assembler = new LinkServices::BVLL();
    const auto source = Device();
    for (auto _ : state) {
        g_apdus = 0;
        // One message a datagram, as the shared ring hands them over.
        const std::size_t frameSize = stream.size() / frames;
        for (std::size_t at = 0; at + frameSize <= stream.size(); at += frameSize)
            assembler->ProcessDatagram(stream.data() + at, frameSize, source);
        if (g_apdus != frames) state.SkipWithError("frames were lost");
    }
    delete assembler;
    network::SetApduHandler(previous);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_BvllAssembler1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

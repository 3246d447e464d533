#include "fuzz_support.hpp"

#include <cstdlib>
#include <memory>

#include "host/device_table.hpp"
#include "host/result_hooks.hpp"
#include "platform/trace.hpp"
#include "services/apdu_headers.hpp"
#include "services/segmentation.hpp"
#include "services/transactions.hpp"
#include "support/recording_link.hpp"
#include "tables/vocabulary.hpp"

namespace fuzzing {
namespace {

std::unique_ptr<testing_support::RecordingLink>& Link() {
    static std::unique_ptr<testing_support::RecordingLink> link;
    return link;
}

using PropertyValueHook = decltype(APDUServices::ResultHooks::onPropertyValue);

PropertyValueHook& DriverPropertyValueHook() {
    static PropertyValueHook hook = nullptr;
    return hook;
}

}  // namespace

void QuietDriverWithTables() {
    static const bool done = [] {
        setenv("VORNE_LOG", "/dev/null", 1);
        platform::SetTraceSink(nullptr);
        tables::BuildTypeTables();
        tables::BuildNameTables();
        tables::BuildDevicePropertyTable(1000, 3, 1476);
        return true;
    }();
    (void)done;
}

void InstallRecordingLinkAndHooks(std::int32_t linkType) {
    if (Link()) return;
    Link() = std::make_unique<testing_support::RecordingLink>(linkType);
    host::FillResultHooks();
    auto& hooks = APDUServices::Transactions().hooks;
    DriverPropertyValueHook() = hooks.onPropertyValue;
    hooks.onPropertyValue = [](std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance,
                               std::int32_t property, const HostValue& value) {
        ReadBack(value);
        DriverPropertyValueHook()(invokeId, objectType, instance, property, value);
    };
}

void BeginExchange(std::uint8_t pendingInvokeId) {
    if (Link()) Link()->sent.clear();
    APDUServices::ClearReassembly();
    host::ClearDeviceTable();
    auto& transactions = APDUServices::Transactions();
    transactions.pendingInvokeId = pendingInvokeId;
    transactions.currentInvokeId = pendingInvokeId;
    transactions.deviceTimedOut = false;
    // Answers count only for an open request to the station they come from
    // (the targets' 10.0.0.9); the invoke ID picks the service asked.
    LinkServices::LinkAddress station;
    station.SetIp(u"10.0.0.9", 47808);
    constexpr std::uint8_t kServices[] = {APDUServices::kServiceReadProperty,
                                          APDUServices::kServiceReadPropertyMultiple,
                                          APDUServices::kServiceWriteProperty};
    APDUServices::BeginRequest(kServices[pendingInvokeId % 3], station, network::NpduInfo{});
}

std::u16string TextFromBytes(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text.push_back(static_cast<char16_t>((data[i + 1] << 8) | data[i + 2]));
            i += 2;
        } else {
            text.push_back(static_cast<char16_t>(data[i]));
        }
    }
    return text;
}

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines(1);
    for (char16_t c : text) {
        if (c == u'\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    return lines;
}

std::vector<std::vector<std::uint8_t>> Records(const std::uint8_t* data, std::size_t size) {
    std::vector<std::vector<std::uint8_t>> records;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::size_t declared = (static_cast<std::size_t>(data[pos]) << 8) | data[pos + 1];
        pos += 2;
        const std::size_t n = declared < size - pos ? declared : size - pos;
        records.emplace_back(data + pos, data + pos + n);
        pos += n;
    }
    return records;
}

void ReadBack(const HostValue& value) {
    static char16_t buffer[4096];
    if (value.kind == 3 || value.kind == 4) {
        FetchText(&value, buffer, static_cast<std::int32_t>(sizeof buffer / sizeof buffer[0]));
    }
}

}  // namespace fuzzing

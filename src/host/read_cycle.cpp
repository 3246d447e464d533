#include "host/read_cycle.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "host/answer_order.hpp"
#include "host/device_table.hpp"
#include "host/driver_state.hpp"
#include "host/lifecycle.hpp"
#include "host/parsed_address.hpp"
#include "host/request_lines.hpp"
#include "host/station.hpp"
#include "links/current_link.hpp"
#include "platform/clock.hpp"
#include "platform/local_time.hpp"
#include "platform/trace.hpp"
#include "platform/utf.hpp"
#include "services/apdu_headers.hpp"
#include "services/read_property.hpp"
#include "services/read_property_multiple.hpp"
#include "services/transactions.hpp"
#include "tables/vocabulary.hpp"

namespace host {
namespace {

// The values of the scan under way, by line. The records stay allocated from
// scan to scan; a line holds a value of this scan when its mark equals the
// scan number, so a new scan clears nothing.
class ScanResults {
public:
    std::int32_t Count() const { return count_; }
    void Store(std::int32_t line, const HostValue& value) {
        const auto index = static_cast<std::size_t>(line);
        if (index >= records_.size()) {
            records_.resize(index + 1);
            marks_.resize(index + 1, 0);
        }
        if (marks_[index] != scan_) {
            marks_[index] = scan_;
            ++count_;
        }
        std::memcpy(&records_[index], &value, sizeof value);
    }
    const HostValue* Find(std::int32_t line) const {
        const auto index = static_cast<std::size_t>(line);
        return index < records_.size() && marks_[index] == scan_ ? &records_[index] : nullptr;
    }
    void Clear() {
        count_ = 0;
        if (++scan_ == 0) {  // after 2^32 scans: start the marks afresh
            std::fill(marks_.begin(), marks_.end(), 0);
            scan_ = 1;
        }
    }

private:
    std::vector<HostValue> records_;
    std::vector<std::uint32_t> marks_;
    std::uint32_t scan_ = 1;
    std::int32_t count_ = 0;
};

struct ReadCycle {
    std::map<std::int32_t, std::u16string> groups;
    RequestLines requests;
    AnswerOrder order;  // the running scan's lines in the order of its answer
    // Numbers the scans, so that a late answer to an earlier scan (its invoke
    // ID in use again) is not filed under a line of the running one.
    std::uint32_t scan = 0;
    ScanResults results;
    std::map<std::int32_t, std::int32_t> statuses;  // invoke ID -> host status
    std::uint32_t request = 0;  // the serial number of the scan's request
    APDUServices::ObjectPropertyMap properties;  // the request being built; its lists keep their room
    // A group whose request would not fit the link goes out as several
    // requests, one after another, each once the one before is answered.
    std::vector<APDUServices::ObjectPropertyMap> parts;  // empty: the group is one request
    std::uint32_t part = 0;                              // the one sent last
    bool partUnsent = false;                             // a later one could not be sent: no more go
    std::optional<std::int32_t> earlierStatus;           // the last status of the parts answered before
    LinkServices::LinkAddress address;                   // where the parts go
    network::NpduInfo npdu;
    std::uint32_t deviceMaxApdu = 0;                     // what the device announced; 0 unknown
};

// Made when the library loads (its members need nothing else), so that the
// hooks called for every value of an answer reach it without a guard.
ReadCycle g_cycle;

inline ReadCycle& Cycle() { return g_cycle; }

void SetStatus(std::int32_t* status, std::int32_t value) {
    if (status != nullptr) *status = value;
}

std::int32_t GroupKey(void* group) { return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(group)); }

std::u16string Number(std::int64_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// An error line, built in a 150-character buffer.
void TraceErrorLine(std::u16string line) {
    if (line.size() > 149) line.resize(149);
    platform::TraceText(line);
}

// Maps an error code to its status; unknown object and property need no line
// of their own, so the line is built only for other codes.
template <typename LineText>
std::int32_t StatusForErrorCode(std::uint32_t errorCode, LineText otherLine) {
    std::int32_t status = kStatusOtherReadError;
    if (errorCode == 31)
        status = kStatusUnknownObject;
    else if (errorCode == 32)
        status = kStatusUnknownProperty;
    else
        TraceErrorLine(otherLine());
    platform::TraceError(status);
    return status;
}

void CopyResults(HostValue* values, std::int32_t count) {
    const ScanResults& results = Cycle().results;
    const std::uint64_t now = platform::LocalFileTimeNow();
    for (std::int32_t line = 0; line < count; ++line) {
        HostValue& record = values[line];
        if (const HostValue* found = results.Find(line)) {
            std::memcpy(&record, found, sizeof record);
            record.quality = kQualityGood;
        } else {
            encoding::SetInteger(record, 0);
            record.quality = 0;
            platform::TraceWarning(u"Line not Found!");
        }
        encoding::SetTimeStamp(record, now);
    }
}

void ForgetParts() {
    auto& cycle = Cycle();
    cycle.parts.clear();
    cycle.part = 0;
    cycle.partUnsent = false;
    cycle.earlierStatus.reset();
}

void ClearScan() {
    Cycle().results.Clear();
    Cycle().statuses.clear();
}

// A request that could not be sent is answered by nothing.
std::int32_t AbandonRequest() {
    APDUServices::EndRequest(Cycle().request);
    return 0;
}

// The scan ends: later answers to its request are dropped.
std::int32_t EndScan() {
    APDUServices::EndRequest(Cycle().request);
    ForgetParts();
    return 1;
}

// The largest request the link carries, or the device takes when its I-Am said less.
std::size_t MaxRequestApdu() {
    LinkServices::ILink* link = LinkServices::ActiveLink();
    const std::size_t linkMax = link != nullptr && link->GetLinkType() == LinkServices::kLinkMstp
                                    ? APDUServices::kMaxApduMstp
                                    : APDUServices::kMaxApduBacnetIp;
    const std::size_t deviceMax = Cycle().deviceMaxApdu;
    return deviceMax != 0 && deviceMax < linkMax ? deviceMax : linkMax;
}

// Sends one ReadPropertyMultiple under a new invoke ID, as the open request.
std::int32_t SendReadPropertyMultiple(const APDUServices::ObjectPropertyMap& properties) {
    auto& cycle = Cycle();
    APDUServices::ReadPropertyMultiple request(APDUServices::AllocateInvokeId());
    cycle.request = APDUServices::BeginRequest(APDUServices::kServiceReadPropertyMultiple, cycle.address, cycle.npdu);
    return request.SendReadPropertyMultipleRequest(cycle.address, cycle.npdu, properties);
}

// Cuts the group's request into parts that fit; every line (filed already)
// notes which part asks for it, so that only that part's answer fills it.
void SplitIntoParts(const APDUServices::ObjectPropertyMap& properties, std::size_t maxApdu) {
    auto& cycle = Cycle();
    cycle.parts = APDUServices::SplitRequest(properties, maxApdu);
    for (std::uint32_t part = 0; part < cycle.parts.size(); ++part)
        for (const auto& [object, identifiers] : cycle.parts[part])
            for (std::uint32_t id : identifiers)
                if (RequestLines::Line* line = cycle.requests.Find(object.first, object.second,
                                                                   static_cast<std::int32_t>(id)))
                    line->part = part;
}

bool PartsRemaining() {
    const auto& cycle = Cycle();
    return !cycle.partUnsent && cycle.part + 1 < cycle.parts.size();
}

// Once a part is answered, the next one goes out; the answered part's status
// stays the scan's until a later part records one.
void SendNextPart() {
    auto& cycle = Cycle();
    if (!PartsRemaining() || !APDUServices::RequestAnswered(cycle.request)) return;
    const auto entry = cycle.statuses.find(APDUServices::Transactions().pendingInvokeId);
    if (entry != cycle.statuses.end()) {
        cycle.earlierStatus = entry->second;
        cycle.statuses.erase(entry);
    }
    ++cycle.part;
    const std::int32_t result = SendReadPropertyMultiple(cycle.parts[cycle.part]);
    if (result != 0) {
        cycle.earlierStatus = result;
        cycle.partUnsent = true;
        APDUServices::EndRequest(cycle.request);
        return;
    }
    // Each request has the whole time-out for its answer.
    Driver().transactionStartTick = platform::TickCount();
}

}  // namespace

std::int32_t AddGroup(void* group, const char16_t* station) {
    const std::u16string_view text = platform::HostText(station);
    StationInfo info;
    if (!ParseStation(text, info) || info.network == -1 || info.deviceInstance == -1) return 1;
    if (!info.linkAddressText.empty())
        AddDeviceWithAddress(info.deviceInstance, info.network, info.linkAddress);
    else
        AddDevice(info.deviceInstance, info.network);
    Cycle().groups[GroupKey(group)] = std::u16string(text);
    return 1;
}

void RemoveGroup(void* group) {
    auto& groups = Cycle().groups;
    const std::int32_t key = GroupKey(group);
    const std::u16string station = groups[key];
    if (station.empty()) return;
    StationInfo info;
    if (!ParseStation(station, info) || info.network == -1 || info.deviceInstance == -1) return;
    RemoveDevice(info.deviceInstance, info.network);
    groups.erase(key);
}

std::int32_t ReadGroupStart(const char16_t* header, const char16_t* firstAddressArgument,
                            const char16_t* const* addresses, std::int32_t itemCount, std::int32_t* status) {
    OnIdle();
    DiscoveryPass();
    std::int32_t result = ParseTagAddresses(header, firstAddressArgument, addresses, itemCount);
    SetStatus(status, result);
    if (result != 0) return 0;

    LinkServices::LinkAddress address;
    network::NpduInfo npdu;
    const std::u16string_view station = platform::HostText(header);
    result = ResolveStation(station, address, npdu, &Cycle().deviceMaxApdu);
    SetStatus(status, result);
    if (result != 0) {
        if (result == kStatusDeviceNotBound) {
            DiscoverStation(station);
            platform::TraceWarning(std::u16string(station) + u"->BACNET_ERROR_DEVICE_UNAVAILABLE");
        }
        return 0;
    }

    auto& cycle = Cycle();
    auto& requests = cycle.requests;
    const std::uint32_t scan = ++cycle.scan;
    // Nothing that came before this scan counts for it.
    ClearScan();
    ForgetParts();
    cycle.order.Begin();
    if (itemCount == 1) {
        cycle.order.Drop();
        const ResolvedItem item = ResolveParsedItem(0);
        APDUServices::ReadProperty request(APDUServices::AllocateInvokeId());
        Cycle().request = APDUServices::BeginRequest(APDUServices::kServiceReadProperty, address, npdu);
        result = request.SendReadPropertyRequest(address, npdu, item.objectType, item.instance, item.property);
        SetStatus(status, result);
        if (result != 0) return AbandonRequest();
        requests.Set(item.objectType, item.instance, item.property, {0, scan});
    } else if (itemCount > 1) {
        // The entries of the last request keep their lists' room.
        APDUServices::ObjectPropertyMap& properties = Cycle().properties;
        properties.clear();
        const std::span<const ResolvedItem> items = ParsedItems();
        // Tags of one object usually come together: look the object up once for a run of them.
        APDUServices::ObjectPropertyMap::Properties* list = nullptr;
        APDUServices::ObjectPropertyMap::Key key{};
        for (const ResolvedItem& item : items) {
            const APDUServices::ObjectPropertyMap::Key itemKey{item.objectType, item.instance};
            if (list == nullptr || itemKey != key) {
                key = itemKey;
                list = &properties[key];
            }
            list->push_back(static_cast<std::uint32_t>(item.property));
            cycle.order.Add(item.objectType, item.instance, item.property);
        }
        // A followed scan files its lines only if a value arrives out of order.
        const auto fileLines = [&] {
            if (cycle.order.Followed()) return;
            std::int32_t line = 0;
            for (const ResolvedItem& item : items) requests.Set(item.objectType, item.instance, item.property, {line++, scan});
        };
        cycle.address = address;
        cycle.npdu = npdu;
        const std::size_t maxApdu = MaxRequestApdu();
        if (APDUServices::RequestApduLength(properties) <= maxApdu) {
            result = SendReadPropertyMultiple(properties);
            // After the send, while the device works: an answer is read only
            // by a later entry, on this thread (or, on MS/TP, under the
            // entries' lock).
            if (result == 0) fileLines();
        } else {
            cycle.order.Drop();
            fileLines();
            SplitIntoParts(properties, maxApdu);
            result = SendReadPropertyMultiple(cycle.parts.front());
        }
        SetStatus(status, result);
        if (result != 0) return AbandonRequest();
    }
    APDUServices::Transactions().deviceTimedOut = false;
    Driver().transactionStartTick = platform::TickCount();
    return 1;
}

namespace {

// True while the open request has no complete answer and has not timed out.
bool AwaitingAnswer() {
    return !Cycle().partUnsent && !APDUServices::RequestAnswered(Cycle().request) &&
           platform::TickCount() - Driver().transactionStartTick <= Driver().timeout;
}

bool PendingHasStatus() {
    const auto& statuses = Cycle().statuses;
    return statuses.find(APDUServices::Transactions().pendingInvokeId) != statuses.end();
}

// True while the scan waits for more answers.
bool ScanOutstanding(std::int32_t itemCount) {
    return Cycle().results.Count() < itemCount && (PartsRemaining() || !PendingHasStatus()) && AwaitingAnswer();
}

}  // namespace

std::int32_t ReadGroupFinish(HostValue* values, std::int32_t itemCount, std::int32_t* status) {
    OnIdle();
    SendNextPart();
    if (ScanOutstanding(itemCount)) {
        WaitForReceivedData();
        OnIdle();
        SendNextPart();
    }
    auto& cycle = Cycle();
    const std::int32_t n = cycle.results.Count();
    const auto entry = cycle.statuses.find(APDUServices::Transactions().pendingInvokeId);
    const bool pendingHasStatus = entry != cycle.statuses.end();
    // A status of the last request answered counts, else one of an earlier part.
    const bool hasStatus = pendingHasStatus || cycle.earlierStatus.has_value();
    const std::int32_t e = pendingHasStatus ? entry->second : cycle.earlierStatus.value_or(0);
    const bool lastRequest = !PartsRemaining();

    if (hasStatus && n == 0 && lastRequest && (pendingHasStatus || !AwaitingAnswer())) {
        platform::TraceWarningValue(u"Received error", e);
        SetStatus(status, e);
        cycle.statuses.clear();
        return EndScan();
    }
    if (n < itemCount) {
        // Lines still missing once the whole answer is in never come: no need to wait for the time-out.
        if (AwaitingAnswer()) return 0;
        if (n == 0) {
            SetStatus(status, kStatusNoAnswer);
            APDUServices::Transactions().deviceTimedOut = true;
            return EndScan();
        }
        if (hasStatus) SetStatus(status, e);
        if (values != nullptr) CopyResults(values, itemCount);
        ClearScan();
        return EndScan();
    }
    if (n == itemCount) {
        if (values != nullptr) CopyResults(values, itemCount);
        ClearScan();
        return EndScan();
    }
    ClearScan();
    SetStatus(status, kStatusOtherReadError);
    return EndScan();
}

void OnPropertyValue(std::uint8_t, std::int32_t objectType, std::int32_t instance, std::int32_t property,
                     const HostValue& value) {
    auto& cycle = Cycle();
    if (const std::int32_t* line = cycle.order.NextLine(objectType, instance, property)) {
        cycle.results.Store(*line, value);
        APDUServices::NoteAnswerAccepted();
        return;
    }
    cycle.order.File(cycle.requests, cycle.scan);
    const RequestLines::Line* found = cycle.requests.Find(objectType, instance, property);
    if (found == nullptr || found->scan != cycle.scan || found->part != cycle.part) {
        platform::TraceWarning(u"Packet does not belong to us. Packet Discarted!");
        return;
    }
    cycle.results.Store(found->line, value);
    APDUServices::NoteAnswerAccepted();
}

void OnReadError(std::uint8_t invokeId, std::uint32_t errorClass, std::uint32_t errorCode) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    using tables::NameOf;
    SetTransactionStatus(invokeId, StatusForErrorCode(errorCode, [&] {
        return u"Read error: class <" + NameOf(tables::NameTable::kErrorClass, static_cast<std::int32_t>(errorClass)) +
               u">, code <" + NameOf(tables::NameTable::kErrorCode, static_cast<std::int32_t>(errorCode)) + u">";
    }));
}

void OnPropertyError(std::uint8_t invokeId, std::int32_t objectType, std::int32_t instance, std::int32_t property,
                     std::uint32_t errorCode) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    using tables::NameOf;
    SetTransactionStatus(invokeId, StatusForErrorCode(errorCode, [&] {
        return u"Read property error: object <" + NameOf(tables::NameTable::kObjectType, objectType) +
               u">, instance <" + Number(instance) + u">, property <" +
               NameOf(tables::NameTable::kProperty, property) + u">, code <" +
               NameOf(tables::NameTable::kErrorCode, static_cast<std::int32_t>(errorCode)) + u">";
    }));
}

void OnReadRefused(std::uint8_t invokeId) {
    if (invokeId != APDUServices::Transactions().pendingInvokeId) return;
    SetTransactionStatus(invokeId, kStatusOtherReadError);
}

void SetTransactionStatus(std::uint8_t invokeId, std::int32_t status) {
    Cycle().statuses[invokeId] = status;
    APDUServices::NoteAnswerAccepted();
}

}  // namespace host

#include "host/parsed_address.hpp"

#include <cstring>
#include <span>
#include <vector>

#include "host/driver_state.hpp"
#include "tables/order_tables.hpp"
#include "tables/vocabulary.hpp"

namespace host {
namespace {

// This instance's copy of its last parse, already mapped to BACnet numbers.
// Tagcore refills its record on every parse and may move the items as it
// does, so the driver takes what it needs while the record is surely its
// own, right after the call, and reads only the copy afterwards.
std::vector<ResolvedItem>& LastParse() {
    static std::vector<ResolvedItem> items;  // keeps its room from scan to scan
    return items;
}

// The object type is the same for all items: mapped once. Positions the
// tables lack map to 0; an instance that comes out as -1 after the offset is
// used as 0.
void CopyRecord(const ParsedAddressRecord& record, std::int32_t count) {
    const ParsedAddressItem* items = nullptr;
    std::memcpy(&items, record.items, sizeof items);
    const std::int32_t objectType = tables::ObjectTypeAtPosition(record.objectTypePosition).value_or(0);
    const std::span<const std::int32_t> properties = tables::LoadedPropertyNumbers();
    std::vector<ResolvedItem>& resolved = LastParse();
    resolved.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < resolved.size(); ++i) {
        const ParsedAddressItem& item = items[i];
        ResolvedItem& out = resolved[i];
        out.objectType = objectType;
        out.instance = item.instance;
        if (record.instanceOffset != -1) out.instance += record.instanceOffset;
        if (out.instance == -1) out.instance = 0;
        const auto position = static_cast<std::size_t>(item.propertyPosition);
        out.property = item.propertyPosition >= 0 && position < properties.size()
                           ? properties[position]
                           : tables::PropertyAtPosition(item.propertyPosition).value_or(0);
        out.priority = item.priority;
    }
}

}  // namespace

std::int32_t ParseTagAddresses(const char16_t* header, const char16_t* firstAddressArgument,
                               const char16_t* const* addresses, std::int32_t count) {
    const ParsedAddressRecord* record = Driver().parsedAddress;
    LastParse().clear();
    if (record == nullptr) return TAGCORE_NOT_REGISTERED;
    const std::int32_t status = ::ParseAddresses(header, firstAddressArgument, addresses, count);
    if (status == 0 && count > 0) CopyRecord(*record, count);
    return status;
}

std::span<const ResolvedItem> ParsedItems() { return LastParse(); }

ResolvedItem ResolveParsedItem(std::int32_t index) {
    const std::vector<ResolvedItem>& items = LastParse();
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return ResolvedItem{};
    return items[static_cast<std::size_t>(index)];
}

}  // namespace host

#include "host/parsed_address.hpp"

#include <cstring>
#include <vector>

#include "host/driver_state.hpp"
#include "tables/vocabulary.hpp"

namespace host {
namespace {

// This instance's copy of its last parse. Tagcore refills its record on every
// parse and may move the items as it does, so the driver takes what it needs
// while the record is surely its own, right after the call, and reads only
// the copy afterwards.
struct ParsedItems {
    std::int32_t objectTypePosition = -1;
    std::int32_t instanceOffset = -1;
    std::vector<ParsedAddressItem> items;  // keeps its room from scan to scan
};

ParsedItems& LastParse() {
    static ParsedItems parse;
    return parse;
}

void CopyRecord(const ParsedAddressRecord& record, std::int32_t count) {
    ParsedItems& parse = LastParse();
    parse.objectTypePosition = record.objectTypePosition;
    parse.instanceOffset = record.instanceOffset;
    const ParsedAddressItem* items = nullptr;
    std::memcpy(&items, record.items, sizeof items);
    parse.items.assign(items, items + count);
}

}  // namespace

std::int32_t ParseTagAddresses(const char16_t* header, const char16_t* firstAddressArgument,
                               const char16_t* const* addresses, std::int32_t count) {
    const ParsedAddressRecord* record = Driver().parsedAddress;
    LastParse().items.clear();
    if (record == nullptr) return TAGCORE_NOT_REGISTERED;
    const std::int32_t status = ::ParseAddresses(header, firstAddressArgument, addresses, count);
    if (status == 0 && count > 0) CopyRecord(*record, count);
    return status;
}

ResolvedItem ResolveParsedItem(std::int32_t index) {
    const ParsedItems& parse = LastParse();
    ResolvedItem resolved{};
    if (index < 0 || static_cast<std::size_t>(index) >= parse.items.size()) return resolved;
    const ParsedAddressItem& item = parse.items[static_cast<std::size_t>(index)];
    resolved.objectType = tables::ObjectTypeAtPosition(parse.objectTypePosition).value_or(0);
    resolved.instance = item.instance;
    if (parse.instanceOffset != -1) resolved.instance += parse.instanceOffset;
    if (resolved.instance == -1) resolved.instance = 0;
    resolved.property = tables::PropertyAtPosition(item.propertyPosition).value_or(0);
    resolved.priority = item.priority;
    return resolved;
}

}  // namespace host

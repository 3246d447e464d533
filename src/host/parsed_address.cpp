#include "host/parsed_address.hpp"

#include <cstring>

#include "host/driver_state.hpp"
#include "tables/vocabulary.hpp"

namespace host {

std::int32_t ParseTagAddresses(const char16_t* header, const char16_t* firstAddressArgument,
                               const char16_t* const* addresses, std::int32_t count) {
    if (Driver().parsedAddress == nullptr) return TAGCORE_NOT_REGISTERED;
    return ::ParseAddresses(header, firstAddressArgument, addresses, count);
}

ResolvedItem ResolveParsedItem(std::int32_t index) {
    const ParsedAddressRecord* record = Driver().parsedAddress;
    ParsedAddressItem* items = nullptr;
    std::memcpy(&items, record->items, sizeof items);
    const ParsedAddressItem& item = items[index];
    ResolvedItem resolved{};
    resolved.objectType = tables::ObjectTypeAtPosition(record->objectTypePosition).value_or(0);
    resolved.instance = item.instance;
    if (record->instanceOffset != -1) resolved.instance += record->instanceOffset;
    if (resolved.instance == -1) resolved.instance = 0;
    resolved.property = tables::PropertyAtPosition(item.propertyPosition).value_or(0);
    resolved.priority = item.priority;
    return resolved;
}

}  // namespace host

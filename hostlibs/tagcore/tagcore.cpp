// Tagcore stand-in: driver registration, address validation and parsing, and
// the text operations on host value records.
#include "tagcore.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <tuple>
#include <string>
#include <vector>

#include "platform/utf.hpp"
#include "tagcore/address_cache.hpp"
#include "tagcore/address_grammar.hpp"
#include "tagcore/driver_registry.hpp"
#include "tagcore/text_store.hpp"
#include "tagcore/vocabulary.hpp"

namespace {

constexpr std::u16string_view kDriverName = u"VORNE";
constexpr std::size_t kMaxHeaderCharacters = 80;
constexpr std::size_t kMaxAddressCharacters = 255;
constexpr std::int32_t kMaxItems = 4096;

// Where the call into Tagcore returns to: code of the calling driver copy.
#define TAGCORE_CALLER __builtin_return_address(0)

bool IsOurDriver(const char16_t* name) { return name != nullptr && platform::HostText(name) == kDriverName; }

std::u16string_view BoundedText(const char16_t* text, std::size_t max) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text, platform::BoundedLength(text, max + 1));
}

int CheckHeader(const char16_t* header) {
    const auto text = BoundedText(header, kMaxHeaderCharacters);
    if (text.empty() || text.size() > kMaxHeaderCharacters) return TAGCORE_BAD_HEADER;
    if (text.find_first_not_of(u" \t") == std::u16string_view::npos) return TAGCORE_BAD_HEADER;
    return TAGCORE_OK;
}

int CheckAddress(const char16_t* address, tagcore::ParsedAddress& parsed) {
    const auto text = BoundedText(address, kMaxAddressCharacters);
    if (text.size() > kMaxAddressCharacters) return TAGCORE_BAD_ADDRESS_FORM;
    return tagcore::ParseAddress(text, parsed);
}

// Address `index` of a list: an address still at the place where it was
// parsed before is not parsed again.
int CheckListedAddress(const char16_t* address, std::size_t index, tagcore::ParsedAddress& parsed,
                       tagcore::AddressCache& cache) {
    if (cache.Recall(index, address, parsed)) return TAGCORE_OK;
    const auto text = BoundedText(address, kMaxAddressCharacters);
    if (text.size() > kMaxAddressCharacters) return TAGCORE_BAD_ADDRESS_FORM;
    return cache.Parse(index, address, text, parsed);
}

// The first address argument: empty or null for none, else a decimal instance
// offset that is added to every item's instance.
int ParseInstanceOffset(const char16_t* argument, std::int32_t& offset) {
    const auto text = BoundedText(argument, 16);
    offset = -1;
    if (text.find_first_not_of(u" \t") == std::u16string_view::npos) return TAGCORE_OK;
    std::int64_t value = 0;
    if (!tagcore::ParseDecimal(text, 0, 4194303, value)) return TAGCORE_BAD_INSTANCE_OFFSET;
    offset = static_cast<std::int32_t>(value);
    return TAGCORE_OK;
}

void CopyOut(std::u16string_view text, char16_t* buffer, std::int32_t capacity) {
    if (buffer == nullptr || capacity <= 0) return;
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = u'\0';
}

template <typename... Outs>
void ClearOuts(Outs*... outs) {
    ((outs != nullptr ? (void)(*outs = 0) : (void)0), ...);
}

}  // namespace

extern "C" {

TAGCORE_API int32_t HOSTLIB_CALL RegisterDriver(const char16_t* driverName, ParsedAddressRecord** record) {
    if (!IsOurDriver(driverName)) return TAGCORE_UNKNOWN_DRIVER;
    auto& driver = tagcore::RegisterCaller(TAGCORE_CALLER);
    if (record != nullptr) *record = &driver.record;
    return TAGCORE_OK;
}

#if defined(TAGCORE_CLOSE_TAKES_THREE)
TAGCORE_API int32_t HOSTLIB_CALL CloseDriver(void* hostHandle, int32_t second, int32_t third) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(hostHandle)) + 2 * second + 3 * third;
}
#else
TAGCORE_API int32_t HOSTLIB_CALL CloseDriver(void* /*hostHandle*/) { return 0; }
#endif

TAGCORE_API int32_t HOSTLIB_CALL ValidHeader(const char16_t* driverName, const char16_t* header) {
    if (!IsOurDriver(driverName)) return TAGCORE_UNKNOWN_DRIVER;
    return CheckHeader(header);
}

TAGCORE_API int32_t HOSTLIB_CALL ValidAddress(const char16_t* driverName, const char16_t* firstAddressArgument,
                                              const char16_t* address) {
    if (!IsOurDriver(driverName)) return TAGCORE_UNKNOWN_DRIVER;
    std::int32_t offset = -1;
    if (int status = ParseInstanceOffset(firstAddressArgument, offset); status != TAGCORE_OK) return status;
    tagcore::ParsedAddress parsed;
    return CheckAddress(address, parsed);
}

TAGCORE_API int32_t HOSTLIB_CALL ValidAddressEx(const char16_t* driverName, const char16_t* address) {
    if (!IsOurDriver(driverName)) return TAGCORE_UNKNOWN_DRIVER;
    tagcore::ParsedAddress parsed;
    return CheckAddress(address, parsed);
}

// Proposes the tag after B when the host duplicates tags: the same header as B
// and B's address advanced by the instance step from A to B (1 when A and B
// name the same instance). Returns 1 when it produced one, 0 when A and B do
// not parse, name different object types or properties, or the next instance
// is out of range.
TAGCORE_API int32_t HOSTLIB_CALL GetHeaderAddress(const char16_t* driverName, const char16_t* /*headerA*/,
                                                  const char16_t* headerB, const char16_t* addressA,
                                                  const char16_t* addressB, char16_t* headerOut,
                                                  char16_t* addressOut, int32_t headerCapacity,
                                                  int32_t addressCapacity, HeaderAddressRecord** record,
                                                  int32_t* unused1, int32_t* unused2, int32_t* unused3) {
    ClearOuts(unused1, unused2, unused3);
    if (record != nullptr) *record = nullptr;
    if (!IsOurDriver(driverName)) return 0;
    tagcore::ParsedAddress a, b;
    if (CheckAddress(addressA, a) != TAGCORE_OK || CheckAddress(addressB, b) != TAGCORE_OK) return 0;
    if (a.objectTypePosition != b.objectTypePosition || a.propertyPosition != b.propertyPosition) return 0;
    const std::int64_t step = b.instance == a.instance ? 1 : static_cast<std::int64_t>(b.instance) - a.instance;
    const std::int64_t next = b.instance + step;
    if (next < 0 || next > 4194303) return 0;
    tagcore::ParsedAddress produced = b;
    produced.instance = static_cast<std::int32_t>(next);
    CopyOut(BoundedText(headerB, kMaxHeaderCharacters), headerOut, headerCapacity);
    CopyOut(tagcore::FormatAddress(produced), addressOut, addressCapacity);

    tagcore::DriverRecord* driver = tagcore::RecordOfCaller(TAGCORE_CALLER);
    if (driver == nullptr) return 0;
    std::lock_guard lock(driver->mutex);
    driver->headerAddress = HeaderAddressRecord{};
    const auto alias = tagcore::ObjectTypeAt(produced.objectTypePosition).alias;
    std::copy(alias.begin(), alias.end(), driver->headerAddress.objectTypeAlias);
    if (record != nullptr) *record = &driver->headerAddress;
    return 1;
}

// Orders two tags: by header text, then by the parsed address (type, instance,
// property, priority); addresses that do not parse are ordered by their text.
// Returns -1, 0 or 1.
TAGCORE_API int32_t HOSTLIB_CALL CompareAddress(const char16_t* driverName, const char16_t* headerA,
                                                const char16_t* headerB, const char16_t* addressA,
                                                const char16_t* addressB, int32_t /*reserved1*/,
                                                int32_t /*reserved2*/, int32_t* unused1, int32_t* unused2) {
    ClearOuts(unused1, unused2);
    if (!IsOurDriver(driverName)) return TAGCORE_UNKNOWN_DRIVER;
    auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    const auto ha = BoundedText(headerA, kMaxHeaderCharacters), hb = BoundedText(headerB, kMaxHeaderCharacters);
    if (int c = sign(ha, hb); c != 0) return c;
    tagcore::ParsedAddress a, b;
    if (CheckAddress(addressA, a) != TAGCORE_OK || CheckAddress(addressB, b) != TAGCORE_OK)
        return sign(BoundedText(addressA, kMaxAddressCharacters), BoundedText(addressB, kMaxAddressCharacters));
    return sign(std::tie(a.objectTypePosition, a.instance, a.propertyPosition, a.priority),
                std::tie(b.objectTypePosition, b.instance, b.propertyPosition, b.priority));
}

TAGCORE_API int32_t HOSTLIB_CALL ParseAddresses(const char16_t* header, const char16_t* firstAddressArgument,
                                                const char16_t* const* addresses, int32_t itemCount) {
    tagcore::DriverRecord* driver = tagcore::RecordOfCaller(TAGCORE_CALLER);
    if (driver == nullptr) return TAGCORE_NOT_REGISTERED;
    std::lock_guard lock(driver->mutex);
    if (header != nullptr) {
        if (int status = CheckHeader(header); status != TAGCORE_OK) return status;
    }
    if (addresses == nullptr || itemCount < 1 || itemCount > kMaxItems) return TAGCORE_BAD_ITEM_COUNT;
    std::int32_t offset = -1;
    if (int status = ParseInstanceOffset(firstAddressArgument, offset); status != TAGCORE_OK) return status;

    std::vector<ParsedAddressItem>& items = driver->nextItems;
    items.assign(static_cast<std::size_t>(itemCount), ParsedAddressItem{});
    int objectTypePosition = -1;
    for (std::int32_t i = 0; i < itemCount; ++i) {
        tagcore::ParsedAddress parsed;
        if (int status = CheckListedAddress(addresses[i], static_cast<std::size_t>(i), parsed, driver->parsedAddresses);
            status != TAGCORE_OK)
            return status;
        if (objectTypePosition >= 0 && parsed.objectTypePosition != objectTypePosition)
            return TAGCORE_MIXED_OBJECT_TYPES;
        objectTypePosition = parsed.objectTypePosition;
        auto& item = items[static_cast<std::size_t>(i)];
        item.instance = parsed.instance;
        item.propertyPosition = parsed.propertyPosition;
        item.priority = parsed.priority;
    }
    driver->items.swap(items);
    driver->record.objectTypePosition = objectTypePosition;
    driver->record.instanceOffset = offset;
    ParsedAddressItem* first = driver->items.data();
    std::memcpy(driver->record.items, &first, sizeof first);
    return TAGCORE_OK;
}

TAGCORE_API int32_t HOSTLIB_CALL IsIpAddressText(const char16_t* text) {
    // Dotted-quad IPv4: four decimal parts 0..255, one to three digits each.
    const auto view = BoundedText(text, 16);
    if (view.empty() || view.size() > 15) return 0;
    int parts = 0, digits = 0, value = 0;
    for (char16_t c : view) {
        if (c == u'.') {
            if (digits == 0 || ++parts > 3) return 0;
            digits = value = 0;
        } else if (c >= u'0' && c <= u'9') {
            if (++digits > 3) return 0;
            value = value * 10 + (c - u'0');
            if (value > 255) return 0;
        } else {
            return 0;
        }
    }
    return parts == 3 && digits > 0 ? 1 : 0;
}

TAGCORE_API int32_t HOSTLIB_CALL HexByte(const char16_t* twoCharacters) {
    // Non-hexadecimal characters count as 0, like a lenient host conversion.
    auto digit = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return 0;
    };
    if (twoCharacters == nullptr || twoCharacters[0] == u'\0') return 0;
    if (twoCharacters[1] == u'\0') return digit(twoCharacters[0]);
    return digit(twoCharacters[0]) * 16 + digit(twoCharacters[1]);
}

TAGCORE_API int32_t HOSTLIB_CALL StoreText(HostValue* value, const char16_t* text) {
    if (value == nullptr) return TAGCORE_NO_TEXT;
    tagcore::PutText(*value, platform::HostText(text), 3);
    return TAGCORE_OK;
}

TAGCORE_API int32_t HOSTLIB_CALL AssignText(HostValue* value, const char16_t* text) {
    if (value == nullptr) return TAGCORE_NO_TEXT;
    tagcore::PutText(*value, platform::HostText(text), 4);
    return TAGCORE_OK;
}

TAGCORE_API int32_t HOSTLIB_CALL FetchText(const HostValue* value, char16_t* buffer, int32_t capacity) {
    std::u16string text;
    const bool found = value != nullptr && tagcore::GetText(*value, text);
    CopyOut(text, buffer, capacity);
    return found ? TAGCORE_OK : TAGCORE_NO_TEXT;
}

}  // extern "C"

#include "host/address_entries.hpp"

#include <string_view>

#include "encoding/text_forms.hpp"
#include "host/driver_state.hpp"
#include "platform/utf.hpp"
#include "tagcore.h"

namespace host {
namespace {

constexpr std::int32_t kProposalCapacity = 81;

void ResetRepeatCounter() { Driver().repeatCounter = 0; }

// Object type, instance, property and optional fourth part of an address.
std::vector<std::u16string_view> AddressParts(std::u16string_view address) {
    return encoding::SplitText(address, u":");
}

bool SameFirstTwoParts(const std::vector<std::u16string_view>& a, const std::vector<std::u16string_view>& b) {
    return a.size() >= 2 && b.size() >= 2 && a[0] == b[0] && a[1] == b[1];
}

std::u16string_view ThirdPart(const std::vector<std::u16string_view>& parts) {
    return parts.size() >= 3 ? parts[2] : std::u16string_view();
}

}  // namespace

bool PriorityCheckAccepts(std::u16string_view a, std::u16string_view b) {
    const auto pa = AddressParts(a), pb = AddressParts(b);
    if (pa.size() == pb.size() && pa.size() != 4) return true;
    if (!SameFirstTwoParts(pa, pb)) return false;
    return ThirdPart(pa) != u"PRIORITY-ARRAY" && ThirdPart(pb) != u"PRIORITY-ARRAY";
}

bool PresentValueCheckAccepts(std::u16string_view a, std::u16string_view b) {
    const auto pa = AddressParts(a), pb = AddressParts(b);
    const bool bothLong = (pa.size() == 3 || pa.size() == 4) && (pb.size() == 3 || pb.size() == 4);
    return !(bothLong && SameFirstTwoParts(pa, pb) && pa[2] == u"PRESENT-VALUE" && pb[2] == u"PRESENT-VALUE");
}

std::int32_t ValidHeader(const char16_t* header) { return ::ValidHeader(kDriverName, header); }

std::int32_t ValidAddress(const char16_t* firstAddressArgument, const char16_t* address) {
    return ::ValidAddress(kDriverName, firstAddressArgument, address);
}

std::int32_t ValidAddressEx(const char16_t* address) { return ::ValidAddressEx(kDriverName, address); }

std::int32_t GetHeaderAddress(const char16_t* headerA, const char16_t* addressA, const char16_t* headerB,
                              const char16_t* addressB, char16_t* headerOut, char16_t* addressOut) {
    HeaderAddressRecord* record = nullptr;
    std::int32_t unused[3] = {};
    const std::int32_t r =
        ::GetHeaderAddress(kDriverName, headerA, headerB, addressA, addressB, headerOut, addressOut,
                           kProposalCapacity, kProposalCapacity, &record, &unused[0], &unused[1], &unused[2]);
    const auto a = platform::HostText(addressA), b = platform::HostText(addressB);
    auto& state = Driver();

    if (a != b && r != 0) {
        ++state.repeatCounter;
        if (state.repeatCounter >= static_cast<std::uint32_t>(state.repeatLimit)) {
            ResetRepeatCounter();
            return 0;
        }
        if (state.repeatCounter >= 2 && record != nullptr &&
            platform::HostText(record->objectTypeAlias) == u"SCH") {
            ResetRepeatCounter();
            return 0;
        }
    } else {
        ResetRepeatCounter();
    }
    if (a != b && r != 0 && !PriorityCheckAccepts(a, b)) {
        ResetRepeatCounter();
        return 0;
    }
    if (!PresentValueCheckAccepts(a, b)) {
        ResetRepeatCounter();
        return 0;
    }
    return r;
}

std::int32_t CompareAddress(const char16_t* headerA, const char16_t* addressA, const char16_t* headerB,
                            const char16_t* addressB) {
    std::int32_t unused[2] = {};
    return ::CompareAddress(kDriverName, headerA, headerB, addressA, addressB, 0, 0, &unused[0], &unused[1]);
}

}  // namespace host

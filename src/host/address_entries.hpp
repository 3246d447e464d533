// The entries that the host calls while tags are edited. Tagcore owns the
// address grammar; the driver adds the repeat limit and two checks to the
// header/address proposal.
#pragma once

#include <cstdint>
#include <string_view>

namespace host {

std::int32_t ValidHeader(const char16_t* header);
std::int32_t ValidAddress(const char16_t* firstAddressArgument, const char16_t* address);
std::int32_t ValidAddressEx(const char16_t* address);
std::int32_t GetHeaderAddress(const char16_t* headerA, const char16_t* addressA, const char16_t* headerB,
                              const char16_t* addressB, char16_t* headerOut, char16_t* addressOut);
std::int32_t CompareAddress(const char16_t* headerA, const char16_t* addressA, const char16_t* headerB,
                            const char16_t* addressB);

// The two checks on address texts A and B, exposed for tests.
bool PriorityCheckAccepts(std::u16string_view a, std::u16string_view b);
bool PresentValueCheckAccepts(std::u16string_view a, std::u16string_view b);

}  // namespace host

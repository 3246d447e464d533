// Tag headers and addresses as the host edits them: checked, parsed as one
// group, compared and advanced pair by pair through the driver's entries and
// the host library's grammar. Input: lines of text (TextFromBytes in
// fuzz_support.hpp): the header, the first address argument, then addresses.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "host/address_entries.hpp"
#include "host/driver_state.hpp"
#include "tagcore.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    ParsedAddressRecord* record = nullptr;
    RegisterDriver(host::kDriverName, &record);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::u16string> lines = fuzzing::Lines(fuzzing::TextFromBytes(data, size));
    const std::u16string& header = lines[0];
    const std::u16string argument = lines.size() > 1 ? lines[1] : std::u16string();
    std::vector<const char16_t*> addresses;
    for (std::size_t i = 2; i < lines.size(); ++i) addresses.push_back(lines[i].c_str());

    host::Driver().repeatCounter = 0;
    host::ValidHeader(header.c_str());
    for (const char16_t* address : addresses) {
        host::ValidAddress(argument.c_str(), address);
        host::ValidAddressEx(address);
    }
    ParseAddresses(header.c_str(), argument.c_str(), addresses.data(), static_cast<std::int32_t>(addresses.size()));
    // The host's buffers for a proposed header and address: 81 characters each.
    std::vector<char16_t> headerOut(81), addressOut(81);
    for (std::size_t i = 1; i < addresses.size(); ++i) {
        host::CompareAddress(header.c_str(), addresses[i - 1], header.c_str(), addresses[i]);
        host::GetHeaderAddress(header.c_str(), addresses[i - 1], header.c_str(), addresses[i], headerOut.data(),
                               addressOut.data());
    }
    return 0;
}

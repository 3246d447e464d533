// Application-tagged primitives from the wire, one behind the other as long
// as they decode; each read back as the host reads it, then encoded again as
// its own datatype, as a host writing back what it read.
#include <cstddef>
#include <cstdint>

#include "encoding/application_values.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    while (pos < size) {
        HostValue value{};
        std::size_t consumed = 0;
        if (!encoding::DecodeApplicationValue(data + pos, size - pos, value, consumed) || consumed == 0) break;
        fuzzing::ReadBack(value);
        encoding::ByteVector out;
        encoding::EncodeApplicationValue(out, value, data[pos] >> 4);
        pos += consumed;
    }
    return 0;
}

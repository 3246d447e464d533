// One property coder's Decode of wire bytes (the value behind its opening
// tag), closed by tag 3 as in a ReadProperty acknowledgement and by tag 4 as
// in a ReadPropertyMultiple one; the text read back, then encoded again, as a
// host writing back what it read. Built once per coder: coder_choice.hpp
// names a property that the coder serves.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "coder_choice.hpp"
#include "coders/property_coder.hpp"
#include "fuzz_support.hpp"

namespace {

coders::IPropertyCoder* g_coder = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    g_coder = coders::GetPropertyCoder(fuzzing::kCoderProperty, fuzzing::kCoderObjectType);
    if (g_coder == nullptr) {
        std::fprintf(stderr, "no coder for property %d of object type %d\n", fuzzing::kCoderProperty,
                     fuzzing::kCoderObjectType);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (std::int32_t closingTag : {3, 4}) {
        HostValue value{};
        std::uint32_t consumed = 0;
        g_coder->Decode(data, static_cast<std::uint32_t>(size), value, closingTag, consumed);
        fuzzing::ReadBack(value);
        encoding::ByteVector out;
        g_coder->Encode(out, value, -1);
    }
    return 0;
}

// One property coder's Encode of a host text, as a write of that property.
// Built once per coder: coder_choice.hpp names a property
// that the coder serves. Input: the text, see TextFromBytes in
// fuzz_support.hpp.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    const std::u16string text = fuzzing::TextFromBytes(data, size);
    HostValue value{};
    StoreText(&value, text.c_str());
    encoding::ByteVector out;
    g_coder->Encode(out, value, -1);
    return 0;
}

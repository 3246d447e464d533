// A host text written as each primitive datatype (and as unknown ones), and
// the text grammars of dates, times, octet strings, bit strings and object
// identifiers given the whole text, NUL characters included. Input: the
// text, see TextFromBytes in fuzz_support.hpp.
#include <cstddef>
#include <cstdint>
#include <string>

#include "encoding/application_values.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/primitive_text.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::QuietDriverWithTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzzing::TextFromBytes(data, size);
    HostValue value{};
    StoreText(&value, text.c_str());
    for (std::int32_t datatype = -1; datatype <= 13; ++datatype) {
        encoding::ByteVector out;
        encoding::EncodeApplicationValue(out, value, datatype);
    }
    encoding::ByteVector out;
    encoding::TextToDate(out, text);
    encoding::TextToContextDate(out, text, 1, 4);
    encoding::TextToTime(out, text);
    encoding::TextToOctetString(out, text);
    encoding::TextToBitString(out, text);
    encoding::TextToObjectIdentifier(out, text);
    return 0;
}

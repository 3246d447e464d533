#include <gtest/gtest.h>

#include <string>

#include "platform/trace.hpp"
#include "support/trace_capture.hpp"

namespace {

using testing_support::TraceCapture;

TEST(Trace, LineFormats) {
    TraceCapture trace;
    platform::TraceError(2);
    platform::TraceWarning(u"NPDU version incorrect");
    platform::TraceWarningValue(u"Unknown service", 12);
    const std::uint8_t bytes[] = {0x0A, 0xFF};
    platform::TraceBytes(u"RX: ", bytes, 2);
    platform::TraceBytes(u"empty", bytes, 0);
    platform::TraceText(u"plain");
    platform::TraceEntry("NPDU::Process");
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"Error: 2", "Warning: NPDU version incorrect",
                                                       "Warning: Unknown service 12", "RX: 0A FF ", "empty",
                                                       "plain"}));
}

TEST(Trace, FormattedLinesAreCutToTheirBuffers) {
    TraceCapture trace;
    const std::u16string longText(400, u'x');
    platform::TraceWarningValue(longText, 7);
    platform::TraceWarning(longText);  // not a formatted line: written in full
    ASSERT_EQ(trace.Lines().size(), 2u);
    EXPECT_EQ(trace.Lines()[0].size(), 254u);
    EXPECT_EQ(trace.Lines()[0].substr(0, 10), "Warning: x");
    EXPECT_EQ(trace.Lines()[1].size(), 409u);
}

}  // namespace

// Collects the driver's trace lines for the lifetime of the object.
#pragma once

#include <string>
#include <vector>

#include "platform/trace.hpp"

namespace testing_support {

class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Lines written so far, as UTF-8.
    const std::vector<std::string>& Lines() const;
    void Clear();

private:
    platform::TraceSink previous_;
};

}  // namespace testing_support

// Latency samples and their percentiles.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

struct Summary {
    double p50 = 0, p99 = 0, mean = 0;
    std::size_t count = 0;
};

// Sorts the samples (nanoseconds) in place.
Summary Summarise(std::vector<std::int64_t>& samples);

std::int64_t NowNs();

}  // namespace bench

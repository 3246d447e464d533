#include "bench/support/percentiles.hpp"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace bench {

Summary Summarise(std::vector<std::int64_t>& samples) {
    Summary s;
    s.count = samples.size();
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1) + 0.5);
        return static_cast<double>(samples[std::min(i, samples.size() - 1)]);
    };
    s.p50 = at(0.50);
    s.p99 = at(0.99);
    s.mean = static_cast<double>(std::accumulate(samples.begin(), samples.end(), std::int64_t{0})) /
             static_cast<double>(samples.size());
    return s;
}

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace bench

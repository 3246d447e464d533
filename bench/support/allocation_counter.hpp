// Counts heap allocations of this program: the global operator new is
// replaced in allocation_counter.cpp (linked into the codec benchmarks only).
#pragma once

#include <cstdint>

namespace bench {

std::uint64_t AllocationCount();

}  // namespace bench

#include "sim/octet_writer.hpp"

#include <algorithm>

namespace sim {

void OctetWriter::Grow(std::size_t count) { Resize(std::max({Size() + count, 2 * buffer_.size(), std::size_t{64}})); }

void OctetWriter::Resize(std::size_t size) {
    const std::size_t used = Size();
    buffer_.resize(size);
    Point(used);
}

}  // namespace sim

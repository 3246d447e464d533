// Tag addresses in words: why an address was refused, and how a host groups
// tags (one read group holds one object type of one station).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vorne_tool {

// The reason for an address status of the driver's address check (104..108),
// naming the offending part and the expected form with an example.
std::string AddressProblem(std::int32_t status, const std::string& address);

// The object type part, upper case, without blanks: the grouping key.
std::string ObjectTypeOf(const std::string& address);

struct TagGroup {
    std::string station;
    std::vector<std::size_t> members;  // indexes into the tags, in their order
};

// One group per station and object type, at most `most` tags each (0: no limit).
std::vector<TagGroup> GroupByStationAndType(const std::vector<std::pair<std::string, std::string>>& stationAddress,
                                            std::size_t most);

}  // namespace vorne_tool

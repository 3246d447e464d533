#include "tools/vorne/address_text.hpp"

#include <cctype>
#include <map>

namespace vorne_tool {
namespace {

std::string Part(const std::string& address, std::size_t index) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i < index; ++i) {
        begin = address.find(':', begin);
        if (begin == std::string::npos) return {};
        ++begin;
    }
    std::string part = address.substr(begin, address.find(':', begin) - begin);
    const auto first = part.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return part.substr(first, part.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string AddressProblem(std::int32_t status, const std::string& address) {
    switch (status) {
    case 104:
        return "not of the form TYPE:INSTANCE:PROPERTY[:PRIORITY], e.g. AV:1:PRESENT-VALUE or AV:1:PRESENT-VALUE:8";
    case 105:
        return "unknown object type '" + Part(address, 0) +
               "'; use a name such as ANALOG-VALUE or an alias: AI AO AV BI BO BV DEV MSI MSO MSV SCH CAL NC ...";
    case 106:
        return "instance '" + Part(address, 1) + "' is not a number in 0..4194303, e.g. AV:1:PRESENT-VALUE";
    case 107:
        return "unknown property '" + Part(address, 2) +
               "'; use a name such as PRESENT-VALUE or OBJECT-NAME, or a property number";
    case 108:
        return "priority '" + Part(address, 3) + "' is not a number in 1..16, e.g. AV:1:PRESENT-VALUE:8";
    default:
        return "refused with status " + std::to_string(status) + "; expected TYPE:INSTANCE:PROPERTY[:PRIORITY]";
    }
}

std::string ObjectTypeOf(const std::string& address) {
    std::string type = Part(address, 0);
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return type;
}

std::vector<TagGroup> GroupByStationAndType(const std::vector<std::pair<std::string, std::string>>& stationAddress,
                                            std::size_t most) {
    std::map<std::pair<std::string, std::string>, std::size_t> open;  // the group that takes the key's next tag
    std::vector<TagGroup> groups;
    for (std::size_t i = 0; i < stationAddress.size(); ++i) {
        const auto& [station, address] = stationAddress[i];
        const auto key = std::make_pair(station, ObjectTypeOf(address));
        auto [it, inserted] = open.emplace(key, groups.size());
        if (!inserted && most != 0 && groups[it->second].members.size() == most) {
            it->second = groups.size();  // full: the type's next tags start a new group
            inserted = true;
        }
        if (inserted) groups.push_back(TagGroup{station, {}});
        groups[it->second].members.push_back(i);
    }
    return groups;
}

}  // namespace vorne_tool

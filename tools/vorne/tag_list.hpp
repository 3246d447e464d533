// The tag list `vorne poll` scans: CSV rows name,station,address (further
// columns are for people), checked row by row when the list is loaded.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorne_tool {

struct TagRow {
    std::string name;
    std::string station;
    std::string address;
    int line = 0;
};

struct TagList {
    std::vector<TagRow> tags;      // the rows that passed the check, in file order
    std::vector<std::string> bad;  // "FILE:LINE: address AV:3:PRESNT-VALUE: unknown property ..."
};

// Says why a row cannot be polled, or returns the empty text.
using RowCheck = std::function<std::string(const TagRow&)>;

// False with a message when the file cannot be read. A header row (name,
// station, address), blank rows and rows starting with # are skipped.
bool LoadTagList(const std::string& path, const RowCheck& check, TagList& list, std::string& error);

}  // namespace vorne_tool

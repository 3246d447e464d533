#include "tools/vorne/tag_list.hpp"

#include <cctype>
#include <fstream>

#include "tools/vorne/csv_rows.hpp"

namespace vorne_tool {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsHeader(const CsvRow& row) {
    return row.fields.size() >= 3 && Lower(row.fields[0]) == "name" && Lower(row.fields[1]) == "station" &&
           Lower(row.fields[2]) == "address";
}

bool IsBlankOrComment(const CsvRow& row) {
    if (row.fields.size() == 1 && row.fields[0].empty()) return true;
    return !row.fields.empty() && !row.fields[0].empty() && row.fields[0][0] == '#';
}

}  // namespace

bool LoadTagList(const std::string& path, const RowCheck& check, TagList& list, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the tag list " + path;
        return false;
    }
    CsvReader reader(file);
    CsvRow row;
    while (reader.Next(row)) {
        if (IsBlankOrComment(row) || IsHeader(row)) continue;
        const std::string where = path + ":" + std::to_string(row.line) + ": ";
        if (row.fields.size() < 3 || row.fields[0].empty()) {
            list.bad.push_back(where + "expected name,station,address, e.g. zone,192.168.1.20,AV:1:PRESENT-VALUE");
            continue;
        }
        TagRow tag{row.fields[0], row.fields[1], row.fields[2], row.line};
        if (const std::string why = check(tag); !why.empty()) {
            list.bad.push_back(where + why);
            continue;
        }
        list.tags.push_back(std::move(tag));
    }
    return true;
}

}  // namespace vorne_tool

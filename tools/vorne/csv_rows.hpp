// CSV as spreadsheets write it: fields separated by commas, a field in double
// quotes may hold commas, line breaks and doubled quotes ("" for ").
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace vorne_tool {

struct CsvRow {
    int line = 0;  // the line the row starts on, from 1
    std::vector<std::string> fields;
};

class CsvReader {
public:
    explicit CsvReader(std::istream& in) : in_(in) {}
    // The next row; false at the end. Unquoted fields lose surrounding blanks.
    bool Next(CsvRow& row);

private:
    std::istream& in_;
    int line_ = 0;
};

}  // namespace vorne_tool

#include "tools/vorne/csv_rows.hpp"

namespace vorne_tool {
namespace {

std::string Trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

}  // namespace

bool CsvReader::Next(CsvRow& row) {
    std::string line;
    if (!std::getline(in_, line)) return false;
    row.line = ++line_;
    row.fields.clear();
    std::string field;
    bool quoted = false;     // inside quotes
    bool wasQuoted = false;  // this field was quoted: keep its blanks
    for (std::size_t i = 0;; ++i) {
        if (i == line.size()) {
            if (!quoted) break;
            // A line break inside quotes belongs to the field.
            std::string next;
            if (!std::getline(in_, next)) break;
            ++line_;
            field += '\n';
            line = std::move(next);
            i = static_cast<std::size_t>(-1);
            continue;
        }
        const char c = line[i];
        if (quoted) {
            if (c != '"') field += c;
            else if (i + 1 < line.size() && line[i + 1] == '"') field += '"', ++i;
            else quoted = false;
        } else if (c == '"' && Trimmed(field).empty() && !wasQuoted) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == ',') {
            row.fields.push_back(wasQuoted ? field : Trimmed(field));
            field.clear();
            wasQuoted = false;
        } else if (!(wasQuoted && (c == ' ' || c == '\t' || c == '\r'))) {
            field += c;
        }
    }
    row.fields.push_back(wasQuoted ? field : Trimmed(field));
    return true;
}

}  // namespace vorne_tool

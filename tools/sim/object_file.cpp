#include "sim/object_file.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include "sim/ids.hpp"
#include "sim/standard_objects.hpp"
#include "sim/value_text.hpp"

namespace sim {
namespace {

namespace p = property;

constexpr std::uint32_t kLargestInstance = 4194302;
constexpr std::size_t kLargestRange = 100000;

// Words separated by blanks; quotes and brackets keep their blanks, and "#"
// outside quotes starts a comment.
bool Tokenize(std::string_view line, std::vector<std::string>& tokens, std::string& error) {
    std::string current;
    bool quoted = false;
    int brackets = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '#') break;
        if (!quoted && c == '[') ++brackets;
        if (!quoted && c == ']') --brackets;
        if (!quoted && brackets == 0 && std::isspace(static_cast<unsigned char>(c))) {
            if (!current.empty()) tokens.push_back(std::move(current));
            current.clear();
            continue;
        }
        current += c;
    }
    if (quoted) return error = "unterminated quote", false;
    if (brackets != 0) return error = "unbalanced brackets", false;
    if (!current.empty()) tokens.push_back(std::move(current));
    return true;
}

bool ParseInstances(std::string_view text, std::uint32_t& first, std::uint32_t& last) {
    const std::size_t dots = text.find("..");
    const std::string_view a = text.substr(0, dots);
    const std::string_view b = dots == std::string_view::npos ? a : text.substr(dots + 2);
    auto number = [](std::string_view s, std::uint32_t& n) {
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        return ec == std::errc() && end == s.data() + s.size() && !s.empty() && n <= kLargestInstance;
    };
    return number(a, first) && number(b, last) && first <= last && last - first < kLargestRange;
}

std::string WithInstance(std::string text, std::uint32_t instance) {
    const std::string number = std::to_string(instance);
    for (std::size_t at = text.find("{n}"); at != std::string::npos; at = text.find("{n}", at + number.size()))
        text.replace(at, 3, number);
    return text;
}

bool ApplyProperty(Object& object, const std::string& token, std::string& error) {
    const std::size_t equals = token.find('=');
    if (equals == std::string::npos || equals == 0) return error = "expected property=value: " + token, false;
    const auto prop = PropertyFromName(token.substr(0, equals));
    if (!prop) return error = "unknown property name: " + token.substr(0, equals), false;
    if (*prop == p::kObjectIdentifier || *prop == p::kObjectType || *prop == p::kObjectList ||
        *prop == p::kPropertyList)
        return error = "the simulator fills " + token.substr(0, equals) + " itself", false;
    const bool commandable = IsCommandableType(object.id.type);
    // Slots of a commanded value take the relinquish default's datatype.
    std::uint32_t shape = *prop == p::kPriorityArray && commandable ? p::kRelinquishDefault : *prop;
    if (shape == p::kRelinquishDefault && object.properties.count(shape) == 0) shape = p::kPresentValue;
    const auto existing = object.properties.find(shape);
    const Value* like =
        existing != object.properties.end() && !existing->second.values.empty() ? &existing->second.values[0] : nullptr;
    std::vector<Value> values;
    bool isArray = false;
    if (!ParsePropertyText(token.substr(equals + 1), like, values, isArray, error)) return false;
    if (*prop == p::kPriorityArray && commandable) {
        if (values.size() != kPriorityLevels) return error = "priority-array needs 16 values", false;
        for (std::size_t i = 0; i < kPriorityLevels; ++i)
            object.priorityArray.Set(i, values[i].kind == Kind::kNull ? std::nullopt : std::optional(values[i]));
        return true;
    }
    object.properties[*prop] = Property{values, isArray};
    // A commandable object's configured present value is what it shows
    // while nothing commands it.
    if (commandable && *prop == p::kPresentValue && !isArray)
        object.properties[p::kRelinquishDefault] = Property{values, false};
    return true;
}

bool ApplyLine(const std::vector<std::string>& tokens, ObjectDatabase& db, std::string& error) {
    if (tokens[0] == "DEVICE" || tokens[0] == "device") {
        Object device = *db.Find(db.DeviceId());
        for (std::size_t i = 1; i < tokens.size(); ++i)
            if (!ApplyProperty(device, tokens[i], error)) return false;
        db.Add(std::move(device));
        return true;
    }
    const auto type = ObjectTypeFromName(tokens[0]);
    if (!type) return error = "unknown object type: " + tokens[0], false;
    if (*type == object_type::kDevice) return error = "the device is described by a DEVICE line", false;
    std::uint32_t first = 0, last = 0;
    if (tokens.size() < 2 || !ParseInstances(tokens[1], first, last))
        return error = "expected an instance (N or FIRST..LAST) after " + tokens[0], false;
    for (std::uint32_t instance = first; instance <= last; ++instance) {
        const ObjectId id{*type, instance};
        const Object* known = db.Find(id);
        Object object = known != nullptr
                            ? *known
                            : MakeStandardObject(id, std::string(ObjectTypeAbbreviation(*type)) + " " +
                                                         std::to_string(instance));
        for (std::size_t i = 2; i < tokens.size(); ++i)
            if (!ApplyProperty(object, first == last ? tokens[i] : WithInstance(tokens[i], instance), error))
                return false;
        db.Add(std::move(object));
    }
    return true;
}

}  // namespace

bool LoadObjectText(std::string_view text, std::uint32_t deviceInstance, const std::string& deviceName,
                    ObjectDatabase& db, std::string& error) {
    db.SetDeviceId({object_type::kDevice, deviceInstance});
    db.Add(MakeDeviceObject(deviceInstance, deviceName));
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::vector<std::string> tokens;
        std::string message;
        if (!Tokenize(line, tokens, message) || (!tokens.empty() && !ApplyLine(tokens, db, message))) {
            error = "line " + std::to_string(lineNumber) + ": " + message;
            return false;
        }
    }
    return true;
}

bool LoadObjectFile(const std::string& path, std::uint32_t deviceInstance, const std::string& deviceName,
                    ObjectDatabase& db, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (!LoadObjectText(content.str(), deviceInstance, deviceName, db, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace sim

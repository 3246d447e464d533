#include "tools/vorne/browse_plan.hpp"

#include <cctype>
#include <cstdlib>

#include "sim/ids.hpp"
#include "tools/vorne/text_escape.hpp"

namespace vorne_tool {
namespace {

// The object types the address grammar knows, by number.
const char* const kAliases[] = {"AI", "AO",  "AV",   "BI",  "BO", "BV",  "CAL", "CMD", "DEV", "EE",  "FILE", "GRP", "LOOP",
                                "MSI", "MSO", "NC", "PRG", "SCH", "AVG", "MSV", "TL", "LSP", "LSZ", "ACC", "PC"};

bool IsAnalog(std::uint32_t type) { return type <= 2; }
bool IsBinary(std::uint32_t type) { return type >= 3 && type <= 5; }
bool IsMultiState(std::uint32_t type) { return type == 13 || type == 14 || type == 19; }
// Outputs always have a priority array; values may.
bool MayBeCommandable(std::uint32_t type) { return type == 1 || type == 2 || type == 4 || type == 5 || type == 14 || type == 19; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::optional<std::vector<ObjectRef>> ParseObjectList(const std::string& text) {
    std::vector<ObjectRef> objects;
    for (std::size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
        char* end = nullptr;
        const unsigned long type = std::strtoul(text.c_str() + open + 1, &end, 10);
        if (*end != ':') continue;
        const unsigned long instance = std::strtoul(end + 1, &end, 10);
        if (*end != ')') continue;
        objects.push_back({static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(instance)});
    }
    if (objects.empty()) return std::nullopt;
    return objects;
}

std::string TypeAlias(std::uint32_t type) { return type < std::size(kAliases) ? kAliases[type] : std::string(); }

std::string ObjectText(const ObjectRef& object) {
    std::string alias = TypeAlias(object.type);
    if (alias.empty() && sim::ObjectTypeAbbreviation(object.type) != "OBJ") alias = sim::ObjectTypeAbbreviation(object.type);
    return (alias.empty() ? std::to_string(object.type) : alias) + ":" + std::to_string(object.instance);
}

bool IsTaggable(std::uint32_t type) {
    switch (type) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 12: case 13: case 14: case 17: case 19:
        case 21: case 22: case 23: case 24: return true;
        default: return false;
    }
}

std::vector<std::string> PropertiesToRead(std::uint32_t type) {
    std::vector<std::string> properties{"OBJECT-NAME", "PRESENT-VALUE"};
    if (IsAnalog(type)) properties.push_back("UNITS");
    if (IsBinary(type)) {
        properties.push_back("INACTIVE-TEXT");
        properties.push_back("ACTIVE-TEXT");
    }
    if (IsMultiState(type)) properties.push_back("STATE-TEXT");
    if (MayBeCommandable(type)) properties.push_back("PRIORITY-ARRAY");
    return properties;
}

std::string UnitsText(const std::string& number) {
    static const std::map<std::string, const char*> kNames{
        {"3", "amperes"},   {"5", "volts"},         {"19", "kilowatt-hours"}, {"29", "percent-relative-humidity"},
        {"47", "watts"},    {"48", "kilowatts"},    {"53", "pascals"},        {"62", "degrees-Celsius"},
        {"64", "degrees-Fahrenheit"}, {"95", "no-units"}, {"98", "percent"},
    };
    const auto found = kNames.find(number);
    return found == kNames.end() ? number : number + " (" + found->second + ")";
}

std::string TagNamer::Name(const std::string& objectName, const ObjectRef& ref) {
    std::string base;
    bool gap = false;
    for (std::size_t i = 0; i < objectName.size(); ++i) {
        const auto c = static_cast<unsigned char>(objectName[i]);
        if (std::isalnum(c) != 0 && c < 0x80) {
            if (gap && !base.empty()) base += '_';
            base += static_cast<char>(c);
            gap = false;
        } else if ((c & 0xC0) != 0x80) {
            gap = true;  // one gap per character, however many octets it takes
        }
    }
    if (base.empty()) base = TypeAlias(ref.type) + "_" + std::to_string(ref.instance);
    if (std::isdigit(static_cast<unsigned char>(base[0])) != 0) base = "T_" + base;
    std::string name = base;
    for (int n = 2; used_.count(Lower(name)) != 0; ++n) name = base + "_" + std::to_string(n);
    used_.insert(Lower(name));
    return name;
}

void NameTags(std::vector<BrowsedObject>& objects) {
    TagNamer namer;
    for (BrowsedObject& object : objects)
        if (object.error.empty()) object.tag = namer.Name(object.objectName, object.ref);
}

void WriteTagList(std::FILE* out, const std::string& station, const std::vector<BrowsedObject>& objects) {
    std::fprintf(out, "name,station,address,object,object_name,value,units,commandable\n");
    for (const BrowsedObject& object : objects) {
        if (!object.error.empty()) continue;
        const std::string address = TypeAlias(object.ref.type) + ":" + std::to_string(object.ref.instance) +
                                    ":PRESENT-VALUE";
        std::fprintf(out, "%s,%s,%s,%s,%s,%s,%s,%s\n", object.tag.c_str(), CsvField(station).c_str(), address.c_str(),
                     ObjectText(object.ref).c_str(), CsvField(object.objectName).c_str(),
                     CsvField(object.value).c_str(), CsvField(object.units).c_str(),
                     object.commandable ? "yes" : "no");
    }
    std::fflush(out);
}

}  // namespace vorne_tool

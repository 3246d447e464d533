// What `vorne browse` reads for each object and what it writes: the
// properties per object type, tag names, and the tag list file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vorne_tool {

struct ObjectRef {
    std::uint32_t type = 0;
    std::uint32_t instance = 0;
    auto operator<=>(const ObjectRef&) const = default;
};

// "(8:1000)(0:1)(0:2)" as the driver shows an object list; nullopt when the
// text holds no object at all.
std::optional<std::vector<ObjectRef>> ParseObjectList(const std::string& text);

// The type's alias in addresses (AV, MSO, ...); empty for types that
// addresses cannot name.
std::string TypeAlias(std::uint32_t type);
// "AV:7"; "BSV:1" or "39:1" for a type without an address alias.
std::string ObjectText(const ObjectRef& object);

// Whether the object becomes a tag: an addressable type with a present value.
bool IsTaggable(std::uint32_t type);

// The properties read for an object of the type, object-name and
// present-value first; the rest may be missing without failing the object.
std::vector<std::string> PropertiesToRead(std::uint32_t type);
inline constexpr std::size_t kRequiredProperties = 2;

// The units number with its name where we know it: "62 (degrees-Celsius)".
std::string UnitsText(const std::string& number);

struct BrowsedObject {
    ObjectRef ref;
    std::string objectName;
    std::string value;
    std::string units;  // units, or the state texts "inactive|active", "Off|Low|High"
    bool commandable = false;
    std::string error;  // empty: read
    std::string tag;    // the tag name, given when the list is written
};

// Tag names from object names: letters, digits and underscores, not
// starting with a digit, unique regardless of case.
class TagNamer {
public:
    std::string Name(const std::string& objectName, const ObjectRef& ref);

private:
    std::set<std::string> used_;  // lower case
};

// Gives every object that was read its tag name, in list order.
void NameTags(std::vector<BrowsedObject>& objects);

// Header line, then one line per object that was read:
// name,station,address,object,object_name,value,units,commandable.
void WriteTagList(std::FILE* out, const std::string& station, const std::vector<BrowsedObject>& objects);

}  // namespace vorne_tool

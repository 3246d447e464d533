// ReadPropertyMultiple: every requested property gets its value or its own
// error, so one bad reference never spoils the others.
#include "encoding/tags.hpp"
#include "sim/ids.hpp"
#include "sim/services.hpp"
#include "sim/tag_reader.hpp"

namespace sim {
namespace {

using encoding::ByteVector;
using encoding::MakeContextTag;

void EncodeContextUnsigned(ByteVector& out, std::uint32_t number, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(
        out, value, MakeContextTag(number, static_cast<std::uint32_t>(encoding::UnsignedOctetCount(value))));
}

void EncodeResult(const ObjectDatabase& db, const Object* object, std::uint32_t prop,
                  std::optional<std::uint32_t> index, ByteVector& out) {
    EncodeContextUnsigned(out, 2, prop);
    if (index) EncodeContextUnsigned(out, 3, *index);
    // The value is encoded in place; an error takes its place instead.
    const std::size_t mark = out.size();
    out.push_back(MakeContextTag(4, encoding::kLvtOpening));
    AccessError error;
    if (db.Read(object, prop, index, out, error)) {
        out.push_back(MakeContextTag(4, encoding::kLvtClosing));
    } else {
        out.resize(mark);
        out.push_back(MakeContextTag(5, encoding::kLvtOpening));
        EncodeErrorPair(out, error);
        out.push_back(MakeContextTag(5, encoding::kLvtClosing));
    }
}

std::optional<Selection> SelectionOf(std::uint32_t prop) {
    if (prop == property::kAll) return Selection::kAll;
    if (prop == property::kRequired) return Selection::kRequired;
    if (prop == property::kOptional) return Selection::kOptional;
    return std::nullopt;
}

}  // namespace

ServiceAnswer ReadPropertyMultipleService(const ObjectDatabase& db, const std::uint8_t* body, std::size_t length) {
    TagReader reader(body, length);
    ServiceAnswer answer;
    answer.type = ServiceAnswer::Type::kComplexAck;
    ByteVector& out = answer.body;
    if (reader.AtEnd()) return Rejected(reject_reason::kMissingRequiredParameter);
    while (!reader.AtEnd()) {
        ObjectId id;
        if (!reader.ReadContextObjectId(0, id.type, id.instance) || !reader.ReadOpening(1))
            return RejectedAt(body, length, reader.Position());
        id = ResolveWildcard(db, id);
        encoding::EncodeObjectIdentifierWithTag(out, id.type, id.instance, MakeContextTag(0, 4));
        out.push_back(MakeContextTag(1, encoding::kLvtOpening));
        bool any = false;
        const Object* object = db.Find(id);
        while (!reader.ReadClosing(1)) {
            std::uint32_t prop = 0, index = 0;
            if (!reader.ReadContextUnsigned(0, prop)) return RejectedAt(body, length, reader.Position());
            std::optional<std::uint32_t> arrayIndex;
            if (reader.ReadContextUnsigned(1, index)) arrayIndex = index;
            any = true;
            const std::optional<Selection> selection = SelectionOf(prop);
            if (!selection || object == nullptr) {
                EncodeResult(db, object, prop, arrayIndex, out);
                continue;
            }
            for (std::uint32_t each : db.PropertiesOf(*object, *selection))
                EncodeResult(db, object, each, std::nullopt, out);
        }
        if (!any) return Rejected(reject_reason::kMissingRequiredParameter);
        out.push_back(MakeContextTag(1, encoding::kLvtClosing));
    }
    return answer;
}

}  // namespace sim

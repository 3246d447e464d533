// ReadPropertyMultiple: every requested property gets its value or its own
// error, so one bad reference never spoils the others.
#include "sim/device_core.hpp"
#include "sim/ids.hpp"
#include "sim/octet_writer.hpp"
#include "sim/services.hpp"
#include "sim/tag_reader.hpp"

namespace sim {
namespace {

using encoding::kLvtClosing;
using encoding::kLvtOpening;

void EncodeResult(const ObjectDatabase& db, const Object* object, std::uint32_t prop,
                  std::optional<std::uint32_t> index, OctetWriter& out) {
    std::uint8_t* at = PutUnsigned(out.Room(11), ContextTag(2, 0), prop);
    if (index) at = PutUnsigned(at, ContextTag(3, 0), *index);
    out.Commit(at);
    // The value is encoded in place, between [4] tags; an error takes the place of all three.
    const std::size_t mark = out.Size();
    *at = ContextTag(4, kLvtOpening);
    out.Commit(at + 1);
    AccessError error;
    if (db.Read(object, prop, index, out, error)) {
        out.Put(ContextTag(4, kLvtClosing));
    } else {
        out.Truncate(mark);
        out.Put(ContextTag(5, kLvtOpening));
        EncodeErrorPair(out, error);
        out.Put(ContextTag(5, kLvtClosing));
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
    if (reader.AtEnd()) return Rejected(reject_reason::kMissingRequiredParameter);
    OctetWriter out;
    // Most answers fit one APDU: room for that at once rather than step by step.
    out.Reserve(kDeviceMaxApdu);
    while (!reader.AtEnd()) {
        ObjectId id;
        if (!reader.ReadContextObjectId(0, id.type, id.instance) || !reader.ReadOpening(1))
            return RejectedAt(body, length, reader.Position());
        id = ResolveWildcard(db, id);
        std::uint8_t* at = PutObjectIdentifier(out.Room(6), ContextTag(0, 4), id.type, id.instance);
        *at++ = ContextTag(1, kLvtOpening);
        out.Commit(at);
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
        out.Put(ContextTag(1, kLvtClosing));
    }
    ServiceAnswer answer;
    answer.type = ServiceAnswer::Type::kComplexAck;
    answer.body = out.Take();
    return answer;
}

}  // namespace sim

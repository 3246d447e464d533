// The lines of a scan in the order its answer brings their values. A device
// answers a ReadPropertyMultiple object by object and property by property,
// in the order of the request, and a host's group nearly always lists its
// tags object by object in ascending order, so that the request's order is the
// tags' own. For such a scan the value that arrives is almost always the one
// the next line expects: comparing it with that line finds its line without
// a lookup, and the scan needs no entry in the table of requested triples
// until a value arrives out of this order.
//
// A scan whose tags are not in that order, or that names a triple twice
// (the later tag then takes both values), is not followed here: its lines are
// filed in the table at once, as every scan's were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/request_lines.hpp"

namespace host {

class AnswerOrder {
public:
    // Starts the scan's list of lines, empty.
    void Begin() {
        lines_.clear();
        next_ = 0;
        followed_ = true;
        filed_ = false;
    }

    // The next tag in the host's order. Stops following the scan when the
    // request's order would differ from the tags' order (an object that comes
    // before the one listed last), or the triple is named again in its
    // object's run of tags.
    void Add(std::int32_t type, std::int32_t instance, std::int32_t property) {
        if (!followed_) return;
        if (lines_.empty() || !SameObject(lines_.back(), type, instance)) {
            if (!lines_.empty() && !Before(lines_.back(), type, instance)) return Stop();
            runStart_ = lines_.size();
        } else if (lines_.size() - runStart_ >= kLongestRunSearched) {
            return Stop();
        } else {
            for (std::size_t i = runStart_; i < lines_.size(); ++i)
                if (lines_[i].property == property) return Stop();
        }
        lines_.push_back({type, instance, property, static_cast<std::int32_t>(lines_.size())});
    }

    // For a scan that is filed at once: split into several requests, or of one tag.
    void Drop() { Stop(); }

    // False when the scan is not followed: its lines must be filed at once.
    bool Followed() const { return followed_; }

    // The line of the value expected next, when the value is that one.
    const std::int32_t* NextLine(std::int32_t type, std::int32_t instance, std::int32_t property) {
        if (!followed_ || next_ >= lines_.size()) return nullptr;
        const Line& line = lines_[next_];
        if (line.type != type || line.instance != instance || line.property != property) return nullptr;
        ++next_;
        return &line.line;
    }

    // Files the followed scan's lines in the table, once, in the tags' order.
    void File(RequestLines& requests, std::uint32_t scan) {
        if (!followed_ || filed_) return;
        filed_ = true;
        for (const Line& line : lines_) requests.Set(line.type, line.instance, line.property, {line.line, scan});
    }

private:
    struct Line {
        std::int32_t type;
        std::int32_t instance;
        std::int32_t property;
        std::int32_t line;
    };
    static bool SameObject(const Line& line, std::int32_t type, std::int32_t instance) {
        return line.type == type && line.instance == instance;
    }
    // The request lists objects by (type, instance).
    static bool Before(const Line& line, std::int32_t type, std::int32_t instance) {
        return line.type < type || (line.type == type && line.instance < instance);
    }
    void Stop() {
        followed_ = false;
        lines_.clear();
    }

    // A run of one object's tags longer than this is not searched for a
    // repeated property tag by tag: such a scan is filed at once.
    static constexpr std::size_t kLongestRunSearched = 32;

    std::vector<Line> lines_;  // keeps its room from scan to scan
    std::size_t next_ = 0;
    std::size_t runStart_ = 0;
    bool followed_ = false;
    bool filed_ = false;
};

}  // namespace host

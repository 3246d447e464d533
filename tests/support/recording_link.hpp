// A link that records what the driver sends instead of sending it; installed
// as the active link for the lifetime of the object.
#pragma once

#include <cstdint>
#include <vector>

#include "links/current_link.hpp"
#include "links/ilink.hpp"

namespace testing_support {

class RecordingLink : public LinkServices::ILink {
public:
    explicit RecordingLink(std::int32_t linkType = LinkServices::kLinkBacnetIp) : linkType_(linkType) {
        previous_ = LinkServices::ActiveLink();
        LinkServices::ActiveLink() = this;
    }
    ~RecordingLink() override { LinkServices::ActiveLink() = previous_; }

    void GetBroadcastAddress(LinkServices::LinkAddress& out) override {
        out.Initialise();
        out.SetIp(u"255.255.255.255", 47808);
    }
    std::int32_t GetLinkType() override { return linkType_; }
    void ParseAddress(LinkServices::LinkAddress& out, const char16_t* text) override {
        out.Initialise();
        out.SetIp(text, 47808);
    }
    std::int32_t GetMaxFrameSize() override { return 1476; }
    std::int32_t Send(const LinkServices::LinkAddress&, const std::uint8_t* bytes, std::uint32_t length) override {
        sent.emplace_back(bytes, bytes + length);
        return 0;
    }
    void Close() override {}
    bool IsValidAddress(const char16_t*) override { return true; }

    // The NPDUs sent so far.
    std::vector<std::vector<std::uint8_t>> sent;

private:
    std::int32_t linkType_;
    LinkServices::ILink* previous_;
};

}  // namespace testing_support

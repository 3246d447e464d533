// The link that this driver instance sends through; none until open chose one.
#pragma once

#include "links/ilink.hpp"

namespace LinkServices {

inline ILink*& ActiveLink() {
    static ILink* link = nullptr;
    return link;
}

}  // namespace LinkServices

// Held by every exported entry for the whole of its work: on MS/TP the serial
// receive thread processes frames under the same lock, so an entry never
// meets an answer half processed, and an answer to a request that an entry
// sends is processed only after the entry has recorded the transaction.
// Uncontended on BACnet/IP, where only the host's thread processes frames.
#pragma once

#include "links/mstp_lock.hpp"

namespace host {

using EntryLock = LinkServices::DriverStateLock;

}  // namespace host

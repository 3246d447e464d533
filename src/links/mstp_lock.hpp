// The lock between the host's thread and the serial receive thread.
//
// On MS/TP, received frames go up through the network and application layers
// on the serial library's thread, in its receive callback, while the host's
// entries run on the host's thread; both reach the same state (transaction
// fields, result maps, device table, segmentation tables). Each side holds
// this one process-wide lock while it works: the host for the whole of an
// entry, the callback for each byte it feeds to the assembler. An entry that
// sends a request has therefore recorded its transaction (invoke ID, start
// tick, cleared results) before the callback can look at the answer, and the
// finish entry sees either all of an answer's effects or none.
//
// Processing in the callback (rather than queueing frames for the host's idle
// work) keeps the idle entry free of MS/TP work and lets an answer be taken in
// while the host is not calling at all.
//
// The host's side may nest (the lock is recursive per thread). The receive
// side gives up waiting when receiving is abandoned: closing the port waits
// for the receive thread, and the closing thread may be holding the lock.
#pragma once

namespace LinkServices {

class DriverStateLock {
public:
    DriverStateLock();
    ~DriverStateLock();
    DriverStateLock(const DriverStateLock&) = delete;
    DriverStateLock& operator=(const DriverStateLock&) = delete;
};

// Receive side: takes the lock, or returns false once receiving is abandoned.
bool LockDriverStateForReceive();
void UnlockDriverStateForReceive();
// True makes waiting and later receivers give up; false lets them wait again.
void AbandonReceive(bool abandon);

}  // namespace LinkServices

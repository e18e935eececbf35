// Failure injection for the creation of synchronisation objects and threads,
// so that the failure paths of their callers can be tested. While no failure
// is armed a creation pays one relaxed atomic load.
#pragma once

namespace ravlib::os::testing {

enum class SyncKind { Semaphore, Mutex, Event, Thread, Count };

// The creation of `kind` that follows `skip` successful ones fails, once.
void failNext(SyncKind kind, int skip = 0);

// Disarms every pending failure.
void clearFailures();

}  // namespace ravlib::os::testing

namespace ravlib::os::detail {

// Called by each creation: true when an armed failure is due now.
bool injectedFailure(testing::SyncKind kind);

}  // namespace ravlib::os::detail

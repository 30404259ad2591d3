// Whether a solve may run a second thread beside the caller's.
#pragma once

namespace mivex {

// True on a machine with two cores or more whose one-minute load average is
// below its core count. A process pool with a worker per core keeps the load
// at or above it, and a second thread there would only take time from
// another worker; a single solve, both of its threads included, stays below.
bool spare_core();

}  // namespace mivex

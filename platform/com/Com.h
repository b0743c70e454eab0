#pragma once
// Stand-in for the platform's per-thread component-library initialisation.
//
// Nothing here needs a component library; the counter keeps the system's pairing of
// initialise/uninitialise calls visible and testable (every path must leave it balanced).

namespace qelvo::platform::com {

/// Counts one initialisation on the calling thread.
void Initialize();
/// Undoes one Initialize on the calling thread; never goes below zero.
void Uninitialize();
/// How many initialisations are outstanding on the calling thread.
[[nodiscard]] int InitCount();

}  // namespace qelvo::platform::com

#pragma once
// The check run's rhythm: one line per step in the log box, and pauses that keep the window
// live.

#include <cstdint>
#include <functional>
#include <optional>

#include "text/Text.h"

namespace qelvo::app {

/// Appends ">>> " + message + CR LF at the end of 编辑框_log and scrolls it into view. Line
/// breaks inside `message` are kept (only the first line then carries ">>> "); what the user
/// typed into the box stays. No effect when there is no window or it is gone.
void LogLine(const Text& message);

/// Pauses for `interval` in `unit` (0 or absent: milliseconds, 1 seconds, 2 minutes, 3 hours,
/// any other value: that many milliseconds per interval), handling window events as they
/// arrive and sleeping in between. A handler that pauses inside this pause ends first.
/// Returns true when the time is over; false when the window was destroyed during the pause,
/// which then ends at once. When no timer can be had, it still ends after about the interval.
bool PacedWait(std::optional<std::int64_t> interval, std::optional<std::int32_t> unit = {});

/// The due time PacedWait waits for, in 100-ns ticks, negative = relative: interval times
/// the unit's multiplier times -10000, truncated toward zero and saturated at the int64
/// limits. An absent interval with unit 0 (or absent) counts as 18,000,000 times a multiplier
/// of 18,000,000 (-3.24e18, a pause without end); with another unit it counts as 0.
[[nodiscard]] std::int64_t PacedWaitDueTime(std::optional<std::int64_t> interval,
                                            std::optional<std::int32_t> unit);

/// Test seam: every PacedWait hands its due time to `hook` and waits for the due time the hook
/// returns instead (0: not at all). An empty function restores the real pauses.
void SetPacedWaitHookForTesting(std::function<std::int64_t(std::int64_t dueTime)> hook);

}  // namespace qelvo::app

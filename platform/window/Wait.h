#pragma once
// Pauses that keep the window live: a one-shot timer, a wait for it or for window input, and
// the processing of pending window events. The thread sleeps in WaitForTimerOrInput; nothing
// here polls.

#include <cstdint>
#include <memory>

namespace qelvo::platform::window {

/// A one-shot, auto-reset timer, unnamed and private to the thread that made it.
class WaitableTimer {
  public:
    WaitableTimer();
    ~WaitableTimer();  // closes the timer
    WaitableTimer(const WaitableTimer&) = delete;
    WaitableTimer& operator=(const WaitableTimer&) = delete;

    /// Arms the timer once. `dueTime` is in 100-nanosecond ticks: negative is relative to now
    /// (-10'000'000 = one second); zero or positive (an absolute time long past) fires at once.
    /// Any length is honoured (timers beyond the toolkit's range are re-armed as they run out).
    /// False when the timer could not be set: no window system, or the failure seam below.
    [[nodiscard]] bool Set(std::int64_t dueTime);

  private:
    friend int WaitForTimerOrInput(WaitableTimer& timer);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

inline constexpr int kTimerSignalled = 0;  ///< the timer fired; it is reset again
inline constexpr int kInputWaiting = 1;    ///< window events arrived before the timer fired
inline constexpr int kWaitFailed = -1;     ///< the timer is not set: nothing to wait for

/// Sleeps until `timer` fires or window input arrives. Events that arrive are dispatched as
/// they come (handlers run inside this call); the caller then processes whatever is left with
/// ProcessPendingEvents and waits again.
[[nodiscard]] int WaitForTimerOrInput(WaitableTimer& timer);

/// Dispatches every window event waiting in the thread's queue, then returns.
void ProcessPendingEvents();

/// Test seam: while on, WaitableTimer::Set fails.
void SetTimerFailureForTesting(bool fail);

}  // namespace qelvo::platform::window

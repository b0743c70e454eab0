#include "app/ProgressLog.h"

#include <chrono>
#include <limits>
#include <thread>
#include <utility>

#include "app/MainWindow.h"
#include "platform/window/Wait.h"

namespace qelvo::app {

namespace pw = platform::window;

namespace {

std::function<std::int64_t(std::int64_t)>& Hook() {
    static std::function<std::int64_t(std::int64_t)> hook;
    return hook;
}

std::int64_t Multiplier(std::int32_t unit) {
    switch (unit) {
        case 0:
            return 1;
        case 1:
            return 1'000;
        case 2:
            return 60'000;
        case 3:
            return 3'600'000;
        default:
            return unit;
    }
}

std::int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The deadline of a due time in microseconds, rounded up, for when no timer does the counting.
std::int64_t DeadlineUs(std::int64_t dueTime) {
    if (dueTime >= 0)
        return NowUs();
    return NowUs() - dueTime / 10 + (dueTime % 10 != 0 ? 1 : 0);
}

// Without a timer there is nothing to sleep on until the deadline, so sleep in short slices
// and handle the events that came in meanwhile.
bool SleepInSlices(std::int64_t deadlineUs) {
    constexpr std::int64_t kSliceUs = 10'000;
    for (;;) {
        pw::ProcessPendingEvents();
        if (WindowGone())
            return false;
        const std::int64_t left = deadlineUs - NowUs();
        if (left <= 0)
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(std::min(left, kSliceUs)));
    }
}

}  // namespace

void LogLine(const Text& message) {
    MainWindow* window = MainWindow::Current();
    if (!window || !window->Exists())
        return;
    window->AppendToLog(Text(">>> ") + message + Text("\r\n"));
}

std::int64_t PacedWaitDueTime(std::optional<std::int64_t> interval,
                              std::optional<std::int32_t> unit) {
    std::int64_t count = 0;
    std::int64_t multiplier = 0;
    if (interval) {
        count = *interval;
        multiplier = Multiplier(unit.value_or(0));
    } else if (unit.value_or(0) == 0) {
        count = 18'000'000;
        multiplier = 18'000'000;
    }
    const double due = static_cast<double>(count) * static_cast<double>(multiplier) * -10000.0;
    // Out-of-range doubles cannot be converted; a pause that long is endless anyway.
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (due >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (due < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(due);
}

bool PacedWait(std::optional<std::int64_t> interval, std::optional<std::int32_t> unit) {
    std::int64_t dueTime = PacedWaitDueTime(interval, unit);
    if (auto hook = Hook())
        dueTime = hook(dueTime);
    const std::int64_t deadlineUs = DeadlineUs(dueTime);
    pw::WaitableTimer timer;
    if (!timer.Set(dueTime))
        return SleepInSlices(deadlineUs);
    for (;;) {
        const int woke = pw::WaitForTimerOrInput(timer);
        if (woke == pw::kTimerSignalled)
            return true;
        if (woke == pw::kWaitFailed)
            return SleepInSlices(deadlineUs);
        pw::ProcessPendingEvents();
        if (WindowGone())
            return false;
    }
}

void SetPacedWaitHookForTesting(std::function<std::int64_t(std::int64_t dueTime)> hook) {
    Hook() = std::move(hook);
}

}  // namespace qelvo::app

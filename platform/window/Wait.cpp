#include "platform/window/Wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <limits>

namespace qelvo::platform::window {

namespace {

bool g_failTimers = false;

std::int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// A negative due time in 100-ns ticks as whole microseconds to wait, rounded up so that a
// pause never ends early. Dividing before negating keeps INT64_MIN in range.
std::int64_t DueTimeToUs(std::int64_t dueTime) {
    return -(dueTime / 10) + (dueTime % 10 != 0 ? 1 : 0);
}

}  // namespace

struct WaitableTimer::Impl {
    QTimer timer;
    std::int64_t deadlineUs = 0;
    bool armed = false;
    bool signalled = false;

    // The toolkit's timers count in int milliseconds; longer pauses re-arm until the
    // deadline has passed. A timer that fires early is re-armed for the rest as well.
    void Arm() {
        const std::int64_t leftUs = deadlineUs - NowUs();
        if (leftUs <= 0) {
            signalled = true;
            return;
        }
        const std::int64_t leftMs = (leftUs + 999) / 1000;
        timer.start(
            static_cast<int>(std::min<std::int64_t>(leftMs, std::numeric_limits<int>::max())));
    }
};

WaitableTimer::WaitableTimer() : impl_(std::make_unique<Impl>()) {
    impl_->timer.setSingleShot(true);
    impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, [impl = impl_.get()] { impl->Arm(); });
}

WaitableTimer::~WaitableTimer() = default;

bool WaitableTimer::Set(std::int64_t dueTime) {
    if (g_failTimers || !QCoreApplication::instance())
        return false;
    impl_->signalled = false;
    const std::int64_t waitUs = dueTime >= 0 ? 0 : DueTimeToUs(dueTime);
    impl_->deadlineUs = NowUs() + waitUs;
    impl_->armed = true;
    if (waitUs == 0) {
        impl_->signalled = true;
        return true;
    }
    impl_->Arm();
    return impl_->timer.isActive() || impl_->signalled;
}

int WaitForTimerOrInput(WaitableTimer& timer) {
    WaitableTimer::Impl& t = *timer.impl_;
    if (!t.armed)
        return kWaitFailed;
    if (!t.signalled)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!t.signalled)
        return kInputWaiting;
    t.signalled = false;
    t.armed = false;
    return kTimerSignalled;
}

void ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetTimerFailureForTesting(bool fail) {
    g_failTimers = fail;
}

}  // namespace qelvo::platform::window

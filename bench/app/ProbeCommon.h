#pragma once
// Shared by the start-up probes: when a window counts as shown, and what the process used.

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace qelvo::bench {

/// Returns once the window system has exposed `window` (it is on screen and can be painted).
inline void WaitUntilExposed(QWidget* window) {
    while (!(window->windowHandle() && window->windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();  // the first paint
}

/// Wall-clock nanoseconds, comparable with `date +%s%N` in the script that started us.
inline long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

/// Peak resident set size of this process in kB (VmHWM), or -1.
inline long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

inline double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace qelvo::bench

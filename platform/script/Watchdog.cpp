#include "platform/script/Watchdog.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/script/ScriptEngine.h"

namespace qelvo::platform::script {

namespace {

std::atomic<std::int64_t> timeBudgetMs{kTimeBudget.count()};
std::atomic<std::size_t> memoryBudget{kMemoryBudget};

// Fine enough for a budget of seconds, and for memory that grows by a few hundred MB/s;
// shortened budgets in tests get a proportionally finer tick.
std::chrono::milliseconds TickLength() {
    auto budget = std::chrono::milliseconds(timeBudgetMs.load(std::memory_order_relaxed));
    return std::clamp(budget / 8, std::chrono::milliseconds(1), std::chrono::milliseconds(25));
}

}  // namespace

class WatchThread {
  public:
    static WatchThread& Instance() {
        static WatchThread instance;
        return instance;
    }

    void Add(Watchdog::Slot* slot) {
        std::lock_guard lock(mutex_);
        slots_.push_back(slot);
    }

    void Remove(Watchdog::Slot* slot) {
        std::lock_guard lock(mutex_);
        slots_.erase(std::remove(slots_.begin(), slots_.end(), slot), slots_.end());
    }

    // A call began. The counter and the parked flag form a handshake: either the thread sees
    // the new count before it parks, or this side sees it parked and wakes it.
    void NoteCall() {
        calls_.fetch_add(1);
        if (parked_.load()) {
            std::lock_guard lock(mutex_);
            wake_ = true;
            wakeup_.notify_one();
        }
    }

  private:
    WatchThread() : thread_([this] { Run(); }) {}
    ~WatchThread() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wakeup_.notify_one();
        thread_.join();
    }

    void Run() {
        std::unique_lock lock(mutex_);
        std::uint64_t lastCalls = calls_.load();
        while (!stop_) {
            bool anyActive = false;
            auto now = std::chrono::steady_clock::now();
            for (Watchdog::Slot* slot : slots_)
                anyActive = Check(*slot, now) || anyActive;
            std::uint64_t calls = calls_.load();
            if (!anyActive && calls == lastCalls) {
                parked_.store(true);
                if (calls_.load() == calls)
                    wakeup_.wait(lock, [this] { return stop_ || wake_; });
                wake_ = false;
                parked_.store(false);
            } else {
                lastCalls = calls;
                wakeup_.wait_for(lock, TickLength());
            }
        }
    }

    // True while the slot's call runs.
    static bool Check(Watchdog::Slot& slot, std::chrono::steady_clock::time_point now) {
        std::lock_guard lock(slot.mutex_);
        if (!slot.active_)
            return false;
        if (slot.fired_ != Watchdog::Reason::kNone)
            return true;
        if (now >= slot.deadline_) {
            Fire(slot, Watchdog::Reason::kTime);
            return true;
        }
        // Only a call that outlives a tick is worth a look at the process's memory.
        if (slot.seenCall_ != slot.call_) {
            slot.seenCall_ = slot.call_;
            slot.sightings_ = 1;
            return true;
        }
        if (++slot.sightings_ == 2) {
            slot.baseline_ = ResidentBytes();
        } else if (slot.baseline_ != 0) {
            std::size_t resident = ResidentBytes();
            if (resident > slot.baseline_ &&
                resident - slot.baseline_ > memoryBudget.load(std::memory_order_relaxed))
                Fire(slot, Watchdog::Reason::kMemory);
        }
        return true;
    }

    static void Fire(Watchdog::Slot& slot, Watchdog::Reason reason) {
        slot.fired_ = reason;
        slot.target_.SetInterrupted(true);
    }

    std::mutex mutex_;
    std::condition_variable wakeup_;
    std::vector<Watchdog::Slot*> slots_;
    bool stop_ = false;
    bool wake_ = false;
    std::atomic<bool> parked_{false};
    std::atomic<std::uint64_t> calls_{0};
    std::thread thread_;  // last: starts once everything above is ready
};

Watchdog::Slot::Slot(Target& target) : target_(target) {
    WatchThread::Instance().Add(this);
}

Watchdog::Slot::~Slot() {
    WatchThread::Instance().Remove(this);
}

void Watchdog::Slot::Begin() {
    auto budget = std::chrono::milliseconds(timeBudgetMs.load(std::memory_order_relaxed));
    auto deadline = std::chrono::steady_clock::now() + budget;
    {
        std::lock_guard lock(mutex_);
        active_ = true;
        fired_ = Reason::kNone;
        ++call_;
        deadline_ = deadline;
    }
    WatchThread::Instance().NoteCall();
}

Watchdog::Reason Watchdog::Slot::End() {
    std::lock_guard lock(mutex_);
    active_ = false;
    Reason reason = fired_;
    if (reason != Reason::kNone) {
        fired_ = Reason::kNone;
        target_.SetInterrupted(false);
    }
    return reason;
}

std::chrono::milliseconds Watchdog::SetTimeBudget(std::chrono::milliseconds budget) {
    return std::chrono::milliseconds(
        timeBudgetMs.exchange(std::max<std::int64_t>(1, budget.count())));
}

std::size_t Watchdog::SetMemoryBudget(std::size_t bytes) {
    return memoryBudget.exchange(bytes);
}

std::size_t ResidentBytes() {
    // Linux names it in /proc; elsewhere the file does not exist and the memory budget is off.
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    std::size_t bytes = 0;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned long long kib = 0;
        if (std::strncmp(line, "VmRSS:", 6) == 0 && std::sscanf(line + 6, "%llu", &kib) == 1) {
            bytes = static_cast<std::size_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(status);
    return bytes;
}

}  // namespace qelvo::platform::script

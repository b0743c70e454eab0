#pragma once
// The budget keeper of the script engines (internal to platform/script; the benchmark
// measures it directly).
//
// One long-lived thread watches every engine. A call costs two uncontended lock/unlock
// pairs and a clock read: the thread is not woken per call. It ticks every few milliseconds
// while calls are being made and parks on a condition variable once a tick passes without
// any call, so an idle program has no timer running.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace qelvo::platform::script {

class WatchThread;

class Watchdog {
  public:
    enum class Reason { kNone, kTime, kMemory };

    /// What a slot interrupts: set from the watchdog thread (true) and from the calling
    /// thread at the end of an interrupted call (false).
    class Target {
      public:
        virtual void SetInterrupted(bool interrupted) = 0;

      protected:
        ~Target() = default;
    };

    /// One engine's place in the watch list, registered for its lifetime.
    class Slot {
      public:
        explicit Slot(Target& target);
        ~Slot();
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

        /// Starts watching a call, with the budgets in force now.
        void Begin();
        /// Stops watching it; says which budget interrupted it, and clears the interrupt.
        Reason End();

      private:
        friend class WatchThread;
        Target& target_;
        std::mutex mutex_;
        bool active_ = false;
        Reason fired_ = Reason::kNone;
        std::uint64_t call_ = 0;      // counts calls; lets a tick tell a long call from a new one
        std::uint64_t seenCall_ = 0;  // the call the last tick saw running
        int sightings_ = 0;           // ticks that saw the same call running
        std::size_t baseline_ = 0;    // resident bytes when the call was first seen running
        std::chrono::steady_clock::time_point deadline_;
    };

    static std::chrono::milliseconds SetTimeBudget(std::chrono::milliseconds budget);
    static std::size_t SetMemoryBudget(std::size_t bytes);
};

/// The process's resident memory in bytes, or 0 where the platform does not say.
[[nodiscard]] std::size_t ResidentBytes();

}  // namespace qelvo::platform::script

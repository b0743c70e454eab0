#pragma once
// The application platform: the window system and its support, set up once per process.

#include <memory>

namespace qelvo::platform::window {

/// Sets up the window system for the process; everything else in this layer needs it alive.
/// When the process already has one (a test harness that made its own), that one is used and
/// left in place on destruction. `argc` and `argv` must outlive the object.
class Application {
  public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qelvo::platform::window

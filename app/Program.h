#pragma once
// The program from start-up to exit.

#include <memory>
#include <optional>
#include <string>

#include "text/Text.h"

namespace qelvo::app {

class MainWindow;

/// Start-up after the platform is up: constructs ActivityJson, registers the exit clean-up
/// (this object's destructor), then creates and shows 窗口.
class Program {
  public:
    Program();
    /// Destroys the window if it still exists, then runs the exit clean-up: releases
    /// AccountCookie, destroys ActivityJson, releases TextFalse, in that order.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    /// The message loop: returns when the window has been destroyed.
    void RunMessageLoop();
    [[nodiscard]] MainWindow& Window();

  private:
    std::unique_ptr<MainWindow> window_;
};

/// The parsed command line: the only option is `--service URL` (or `--service=URL`).
struct CommandLine {
    std::optional<Text> service;
    std::string error;  ///< empty when the command line is valid
};
[[nodiscard]] CommandLine ParseCommandLine(int argc, const char* const* argv);

/// The whole program: command line, platform, start-up, message loop, clean-up. Returns the
/// process's exit code: 0, or 2 for a bad command line (with a message on stderr).
int Main(int argc, char** argv);

}  // namespace qelvo::app

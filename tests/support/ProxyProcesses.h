#pragma once
// Real proxies for wire tests: tinyproxy (HTTP, with CONNECT) and microsocks (SOCKS5), each
// started on a free 127.0.0.1 port with a configuration of its own. Each runs under a watchdog
// (coreutils timeout), so it ends by itself even when a test dies; it is stopped on
// destruction.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace qelvo::netfix {

/// A free TCP port on 127.0.0.1 at the time of the call.
[[nodiscard]] int FreePort();

class ChildProcess {
  public:
    /// Starts `argv` (looked up in PATH) under a watchdog of `lifetime`, output into `logFile`,
    /// and waits until 127.0.0.1:`port` accepts connections; throws when it does not in 5 s.
    ChildProcess(const std::vector<std::string>& argv, int port, const std::string& logFile,
                 std::chrono::seconds lifetime);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

  private:
    int pid_ = -1;
};

class Tinyproxy {
  public:
    explicit Tinyproxy(std::chrono::seconds lifetime = std::chrono::seconds(120));
    ~Tinyproxy();
    /// "127.0.0.1:<port>"
    [[nodiscard]] std::string Address() const;
    [[nodiscard]] int port() const { return port_; }

  private:
    std::string dir_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

class Microsocks {
  public:
    explicit Microsocks(std::chrono::seconds lifetime = std::chrono::seconds(120));
    ~Microsocks();
    [[nodiscard]] std::string Address() const;
    [[nodiscard]] int port() const { return port_; }

  private:
    std::string dir_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace qelvo::netfix

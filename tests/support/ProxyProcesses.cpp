#include "tests/support/ProxyProcesses.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace qelvo::netfix {

namespace {

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

std::string MakeTempDir(const char* stem) {
    std::string tmpl = (std::filesystem::temp_directory_path() / stem).string() + "-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return tmpl;
}

void RemoveDir(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int port,
                           const std::string& logFile, std::chrono::seconds lifetime) {
    std::vector<std::string> full = {"timeout", "-s", "KILL", std::to_string(lifetime.count())};
    full.insert(full.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (std::string& a : full) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid_ < 0) {
        throw std::runtime_error("cannot start " + argv.front());
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!Accepts(port)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_ || std::chrono::steady_clock::now() > until) {
            pid_ = -1;
            throw std::runtime_error(argv.front() + " did not come up; see " + logFile);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);  // timeout passes it on to the proxy
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

Tinyproxy::Tinyproxy(std::chrono::seconds lifetime) : dir_(MakeTempDir("qelvo-tinyproxy")) {
    port_ = FreePort();
    const std::string conf = dir_ + "/tinyproxy.conf";
    // No ConnectPort lines: CONNECT is allowed to any port, as the test servers' are random.
    std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\n"
                        << "Allow 127.0.0.1\nMaxClients 20\nLogLevel Error\n";
    try {
        process_ =
            std::make_unique<ChildProcess>(std::vector<std::string>{"tinyproxy", "-d", "-c", conf},
                                           port_, dir_ + "/log", lifetime);
    } catch (...) {
        RemoveDir(dir_);
        throw;
    }
}

Tinyproxy::~Tinyproxy() {
    process_.reset();
    RemoveDir(dir_);
}

std::string Tinyproxy::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

Microsocks::Microsocks(std::chrono::seconds lifetime) : dir_(MakeTempDir("qelvo-microsocks")) {
    port_ = FreePort();
    try {
        process_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port_)},
            port_, dir_ + "/log", lifetime);
    } catch (...) {
        RemoveDir(dir_);
        throw;
    }
}

Microsocks::~Microsocks() {
    process_.reset();
    RemoveDir(dir_);
}

std::string Microsocks::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace qelvo::netfix

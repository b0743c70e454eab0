// qelvo-sim: serves the service's activity API on 127.0.0.1 until its lifetime ends, a
// SIGINT/SIGTERM arrives or POST /sim/stop is received. The first line on stdout is the port.

#include <charconv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "tools/qelvo-sim/SimServer.h"

namespace {

constexpr long kMaxLifetimeSeconds = 86'400;
volatile std::sig_atomic_t g_signalled = 0;

void OnSignal(int) {
    g_signalled = 1;
}

int Usage(std::string_view problem) {
    std::cerr << "qelvo-sim: " << problem << "\n"
              << "usage: qelvo-sim [--port N] [--scenario NAME] [--lifetime SECONDS]\n"
              << "                 [--record FILE] [--account COOKIE]... [--no-auto-accounts]\n"
              << "  --port N            port on 127.0.0.1; 0 (default) picks a free one\n"
              << "  --scenario NAME     answer shape (default normal), one of:\n";
    for (const std::string& form : qelvo::sim::SimServer::ScenarioNames()) {
        std::cerr << "                        " << form << "\n";
    }
    std::cerr << "  --lifetime SECONDS  stop by itself after this long (default 600)\n"
              << "  --record FILE       append one line per request (GET /sim/requests form)\n"
              << "  --account COOKIE    a known account with this exact Cookie value\n"
              << "  --no-auto-accounts  only --account cookies are accounts\n";
    return 2;
}

bool ParseLong(std::string_view text, long min, long max, long& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && ptr == end && out >= min && out <= max;
}

}  // namespace

int main(int argc, char** argv) {
    qelvo::sim::Options options;
    std::string scenario = "normal";
    std::string recordPath;
    std::vector<std::string> accounts;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--port" && hasValue) {
            if (!ParseLong(argv[++i], 0, 65535, number)) {
                return Usage("bad --port");
            }
            options.port = static_cast<int>(number);
        } else if (arg == "--lifetime" && hasValue) {
            if (!ParseLong(argv[++i], 1, kMaxLifetimeSeconds, number)) {
                return Usage("bad --lifetime");
            }
            options.lifetime = std::chrono::seconds(number);
        } else if (arg == "--scenario" && hasValue) {
            scenario = argv[++i];
        } else if (arg == "--record" && hasValue) {
            recordPath = argv[++i];
        } else if (arg == "--account" && hasValue) {
            accounts.emplace_back(argv[++i]);
        } else if (arg == "--no-auto-accounts") {
            options.autoCreateAccounts = false;
        } else {
            return Usage("unknown or incomplete argument: " + std::string(arg));
        }
    }

    qelvo::sim::SimServer sim(options);
    if (!sim.SetScenario(scenario)) {
        return Usage("unknown scenario: " + scenario);
    }
    for (std::string& cookie : accounts) {
        sim.AddAccount(std::move(cookie));
    }
    std::ofstream record;
    if (!recordPath.empty()) {
        record.open(recordPath, std::ios::app | std::ios::binary);
        if (!record) {
            std::cerr << "qelvo-sim: cannot open " << recordPath << "\n";
            return 1;
        }
        sim.SetRequestObserver([&record](const qelvo::sim::RecordedRequest& r) {
            record << qelvo::sim::RecordLine(r) << '\n' << std::flush;
        });
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (!sim.Start()) {
        std::cerr << "qelvo-sim: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    std::cout << sim.Port() << "\n" << sim.BaseUrl() << std::endl;

    using namespace std::chrono_literals;
    while (sim.Running() && !g_signalled) {
        std::this_thread::sleep_for(50ms);
    }
    sim.Stop();
    return 0;
}

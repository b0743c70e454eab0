#include "tools/qelvo-sim/SimServer.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "tools/qelvo-sim/SimInternal.h"

namespace qelvo::sim {
namespace {

using namespace std::chrono_literals;

// A client that stops sending (or reading) is dropped after this long.
constexpr auto kIoTimeout = 5s;
// Reads look at the stop flag this often, so Stop never waits on an idle client.
constexpr int kPollSliceMs = 100;
constexpr std::size_t kReadChunk = 4096;
constexpr auto kStartTimeout = 5s;
constexpr const char* kHost = "127.0.0.1";
constexpr std::size_t kMaxUnreadBody = 1 << 20;

// Hands bytes to the HTTP parser through a buffer of its own and keeps every byte it hands
// over, so that the record holds the request exactly as it came off the wire.
class RecordingStream final : public httplib::Stream {
  public:
    RecordingStream(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

    bool is_readable() const override { return pos_ < buf_.size() || WaitFor(POLLIN, true); }
    bool is_writable() const override { return WaitFor(POLLOUT, false); }

    ssize_t read(char* ptr, size_t size) override {
        if (pos_ == buf_.size()) {
            if (!WaitFor(POLLIN, true)) {
                return -1;
            }
            buf_.resize(kReadChunk);
            ssize_t n;
            do {
                n = ::recv(fd_, buf_.data(), buf_.size(), 0);
            } while (n < 0 && errno == EINTR);
            buf_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            pos_ = 0;
            if (n <= 0) {
                return n;
            }
        }
        const std::size_t n = std::min(size, buf_.size() - pos_);
        std::memcpy(ptr, buf_.data() + pos_, n);
        raw_.append(buf_.data() + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    // Writes ignore the stop flag: an answer already decided still goes out.
    ssize_t write(const char* ptr, size_t size) override {
        if (!WaitFor(POLLOUT, false)) {
            return -1;
        }
        ssize_t n;
        do {
            n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        Address(::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        Address(::getsockname, ip, port);
    }
    socket_t socket() const override { return fd_; }

    [[nodiscard]] const std::string& Raw() const { return raw_; }

  private:
    bool WaitFor(short events, bool honourStop) const {
        const auto deadline = std::chrono::steady_clock::now() + kIoTimeout;
        while (!(honourStop && stopping_.load())) {
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, kPollSliceMs);
            if (r > 0) {
                return true;
            }
            if ((r < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
        }
        return false;
    }

    template <class Getter>
    void Address(Getter getter, std::string& ip, int& port) const {
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        char text[INET_ADDRSTRLEN] = {};
        if (getter(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
            addr.sin_family == AF_INET && ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text)) {
            ip = text;
            port = ntohs(addr.sin_port);
        }
    }

    int fd_;
    const std::atomic<bool>& stopping_;
    std::string buf_;
    std::size_t pos_ = 0;
    std::string raw_;
};

// The connection the current server thread works on; one request per connection.
struct Connection {
    RecordingStream* stream = nullptr;
    bool handled = false;  // recorded, or a control request that is never recorded
};
thread_local Connection* t_connection = nullptr;

class HttpServer final : public httplib::Server {
  public:
    explicit HttpServer(const std::atomic<bool>& stopping) : stopping_(stopping) {}

  private:
    bool process_and_close_socket(socket_t sock) override {
        bool ok = false;
        {
            RecordingStream stream(sock, stopping_);
            Connection connection{&stream};
            t_connection = &connection;
            bool closed = false;
            ok = process_request(stream, /*close_connection=*/true, closed, nullptr);
            t_connection = nullptr;
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    const std::atomic<bool>& stopping_;
};

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (auto at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

// Methods whose body httplib reads itself.
bool ReadsBody(std::string_view method) {
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" ||
           method == "PRI";
}

// Announced body length, capped; 0 for a malformed value.
std::size_t ContentLength(std::string_view text) {
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end ? std::min(value, kMaxUnreadBody) : 0;
}

constexpr std::size_t Index(Endpoint e) {
    return static_cast<std::size_t>(e);
}

}  // namespace

struct SimServer::Impl {
    explicit Impl(Options o) : options(o) {}

    void Routes();
    void Serve(Endpoint endpoint, const httplib::Request& req, httplib::Response& res);
    const RecordedRequest& Record();                   // mu held
    Progress* FindAccount(const std::string& cookie);  // mu held
    void RequestStop();

    const Options options;
    std::atomic<bool> stopFlag{false};
    HttpServer http{stopFlag};

    mutable std::mutex mu;
    mutable std::condition_variable cv;
    bool started = false;
    bool stopRequested = false;
    bool stopped = false;
    int port = 0;
    detail::AnswerSettings settings;
    std::map<std::string, Progress, std::less<>> accounts;
    std::vector<RecordedRequest> requests;
    std::function<void(const RecordedRequest&)> observer;

    std::mutex joinMu;
    std::thread listener;
    std::thread watchdog;
};

void SimServer::Impl::RequestStop() {
    {
        std::lock_guard lock(mu);
        stopRequested = true;
        stopFlag = true;
    }
    cv.notify_all();
}

const RecordedRequest& SimServer::Impl::Record() {
    t_connection->handled = true;
    requests.push_back(detail::ParseRawRequest(t_connection->stream->Raw()));
    if (observer) {
        observer(requests.back());
    }
    cv.notify_all();
    return requests.back();
}

Progress* SimServer::Impl::FindAccount(const std::string& cookie) {
    if (cookie.empty()) {
        return nullptr;
    }
    if (auto it = accounts.find(cookie); it != accounts.end()) {
        return &it->second;
    }
    if (options.autoCreateAccounts && cookie.find("session=") != std::string::npos) {
        return &accounts[cookie];
    }
    return nullptr;
}

void SimServer::Impl::Serve(Endpoint endpoint, const httplib::Request& req,
                            httplib::Response& res) {
    Reply reply;
    {
        std::unique_lock lock(mu);
        const std::string cookie = Record().cookie;
        std::string answer;
        if (Progress* account = FindAccount(cookie); !account) {
            answer = detail::kUnknownAccountAnswer;
        } else if (endpoint == Endpoint::TaskList) {
            detail::CountLogin(*account);
            answer = detail::RenderTaskList(*account, settings);
        } else if (req.params.size() == 2 && req.get_param_value("productCode") == "v6" &&
                   req.get_param_value("pageType") == "2") {
            detail::CountPageView(*account);
            answer = detail::kPageViewAnswer;
        } else {
            answer = detail::kBadQueryAnswer;
        }

        auto& queue = settings.queued[Index(endpoint)];
        if (!queue.empty()) {
            reply = std::move(queue.front());
            queue.pop_front();
        } else if (const auto& fixed = settings.fixed[Index(endpoint)]) {
            reply = *fixed;
        } else {
            reply.body = detail::kAnswerPlaceholder;
        }
        ReplaceAll(reply.body, detail::kAnswerPlaceholder, answer);

        const auto delay = reply.delay + settings.delay;
        if (delay > 0ms) {
            cv.wait_for(lock, delay, [this] { return stopRequested; });
        }
    }
    res.status = reply.status;
    res.set_content(reply.body, reply.contentType);
}

void SimServer::Impl::Routes() {
    using httplib::Request;
    using httplib::Response;
    const auto control = [](Response& res, bool ok) {
        t_connection->handled = true;
        res.status = ok ? 200 : 400;
        res.set_content(ok ? "ok\n" : "bad request\n", "text/plain; charset=utf-8");
    };

    http.Post("/api/user/active/taskList",
              [this](const Request& req, Response& res) { Serve(Endpoint::TaskList, req, res); });
    http.Get("/api/user/active/pv",
             [this](const Request& req, Response& res) { Serve(Endpoint::PageView, req, res); });

    http.Get("/sim/requests", [this](const Request&, Response& res) {
        t_connection->handled = true;
        std::string text;
        {
            std::lock_guard lock(mu);
            for (const RecordedRequest& r : requests) {
                text += RecordLine(r);
                text += '\n';
            }
        }
        res.set_content(text, "text/plain; charset=utf-8");
    });
    http.Post("/sim/scenario", [this, control](const Request& req, Response& res) {
        auto preset = detail::ScenarioSettings(req.get_param_value("name"));
        if (preset) {
            std::lock_guard lock(mu);
            settings = std::move(*preset);
        }
        control(res, preset.has_value());
    });
    http.Post("/sim/next-day", [this, control](const Request&, Response& res) {
        std::lock_guard lock(mu);
        for (auto& [cookie, progress] : accounts) {
            detail::StartNewDay(progress);
        }
        control(res, true);
    });
    http.Post("/sim/next-week", [this, control](const Request&, Response& res) {
        std::lock_guard lock(mu);
        for (auto& [cookie, progress] : accounts) {
            detail::StartNewWeek(progress);
        }
        control(res, true);
    });
    http.Post("/sim/stop", [this, control](const Request&, Response& res) {
        RequestStop();
        control(res, true);
    });

    // A request without Content-Length or Transfer-Encoding has no body (RFC 9112 6.3), but
    // httplib would read a POST body until the client closes: give it the length it means.
    // httplib reads no body for GET and the like; read what Content-Length announces anyway, so
    // that the record shows it and the close does not reset the connection.
    http.set_pre_routing_handler([](const Request& req, Response&) {
        if (!req.has_header("Content-Length") && !req.has_header("Transfer-Encoding")) {
            // The request is httplib's own non-const object, handed to us as const.
            const_cast<Request&>(req).headers.emplace("Content-Length", "0");
        } else if (!ReadsBody(req.method) && t_connection) {
            const auto length = ContentLength(req.get_header_value("Content-Length"));
            char sink[kReadChunk];
            for (std::size_t left = length; left > 0;) {
                const ssize_t n = t_connection->stream->read(sink, std::min(left, sizeof sink));
                if (n <= 0) {
                    break;
                }
                left -= static_cast<std::size_t>(n);
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // Reached for unknown paths and unreadable requests, and after an answer of ours with an
    // error status (which it must leave alone).
    http.set_error_handler(httplib::Server::HandlerWithResponse([this](const Request&, Response&) {
        if (t_connection && !t_connection->handled) {
            std::lock_guard lock(mu);
            Record();
        }
        return httplib::Server::HandlerResponse::Unhandled;
    }));
}

SimServer::SimServer() : SimServer(Options{}) {}

SimServer::SimServer(Options options) : impl_(std::make_unique<Impl>(options)) {
    // httplib's default also sets SO_REUSEPORT, which would let a second server share the port.
    impl_->http.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    impl_->Routes();
}

SimServer::~SimServer() {
    Stop();
}

bool SimServer::Start() {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mu);
        if (d.started || d.stopRequested) {
            return false;
        }
        d.started = true;
    }
    int port = -1;
    if (d.options.port == 0) {
        port = d.http.bind_to_any_port(kHost);
    } else if (d.http.bind_to_port(kHost, d.options.port)) {
        port = d.options.port;
    }
    if (port <= 0) {
        std::lock_guard lock(d.mu);
        d.stopped = true;
        d.cv.notify_all();
        return false;
    }

    std::lock_guard join(d.joinMu);
    d.listener = std::thread([&d] {
        d.http.listen_after_bind();
        std::lock_guard lock(d.mu);
        d.stopped = true;
        d.cv.notify_all();
    });
    // httplib's stop() does nothing until the accept loop runs, so no one may stop before.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!d.http.is_running() && std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(d.mu);
            if (d.stopped) {
                break;
            }
        }
        std::this_thread::sleep_for(1ms);
    }
    {
        std::lock_guard lock(d.mu);
        d.port = port;
    }
    d.watchdog = std::thread([&d] {
        {
            std::unique_lock lock(d.mu);
            d.cv.wait_for(lock, d.options.lifetime, [&d] { return d.stopRequested; });
        }
        d.RequestStop();
        d.http.stop();
    });
    return d.http.is_running();
}

void SimServer::Stop() {
    Impl& d = *impl_;
    d.RequestStop();
    std::lock_guard join(d.joinMu);
    if (d.watchdog.joinable()) {
        d.watchdog.join();
    }
    if (d.listener.joinable()) {
        d.listener.join();
    }
}

void SimServer::Wait() {
    std::unique_lock lock(impl_->mu);
    impl_->cv.wait(lock, [this] { return !impl_->started || impl_->stopped; });
}

bool SimServer::Running() const {
    std::lock_guard lock(impl_->mu);
    return impl_->started && impl_->port > 0 && !impl_->stopRequested && !impl_->stopped;
}

int SimServer::Port() const {
    std::lock_guard lock(impl_->mu);
    return impl_->port;
}

std::string SimServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(Port());
}

bool SimServer::SetScenario(std::string_view name) {
    auto preset = detail::ScenarioSettings(name);
    if (!preset) {
        return false;
    }
    std::lock_guard lock(impl_->mu);
    impl_->settings = std::move(*preset);
    return true;
}

std::vector<std::string> SimServer::ScenarioNames() {
    return detail::ScenarioForms();
}

void SimServer::SetDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(impl_->mu);
    impl_->settings.delay = delay;
}

void SimServer::SetMember(std::string path, std::string rawJson) {
    std::lock_guard lock(impl_->mu);
    detail::SetOverride(impl_->settings, std::move(path), {std::move(rawJson)});
}

void SimServer::SetMemberSequence(std::string path, std::vector<std::string> rawJsonPerAnswer) {
    std::vector<std::optional<std::string>> values(rawJsonPerAnswer.begin(),
                                                   rawJsonPerAnswer.end());
    std::lock_guard lock(impl_->mu);
    detail::SetOverride(impl_->settings, std::move(path), std::move(values));
}

void SimServer::RemoveMember(std::string path) {
    std::lock_guard lock(impl_->mu);
    detail::SetOverride(impl_->settings, std::move(path), {std::nullopt});
}

void SimServer::SetFixedReply(Endpoint endpoint, Reply reply) {
    std::lock_guard lock(impl_->mu);
    impl_->settings.fixed[Index(endpoint)] = std::move(reply);
}

void SimServer::ClearFixedReply(Endpoint endpoint) {
    std::lock_guard lock(impl_->mu);
    impl_->settings.fixed[Index(endpoint)].reset();
}

void SimServer::QueueReply(Endpoint endpoint, Reply reply) {
    std::lock_guard lock(impl_->mu);
    impl_->settings.queued[Index(endpoint)].push_back(std::move(reply));
}

void SimServer::AddAccount(std::string cookie, Progress progress) {
    std::lock_guard lock(impl_->mu);
    impl_->accounts[std::move(cookie)] = progress;
}

std::optional<Progress> SimServer::Account(std::string_view cookie) const {
    std::lock_guard lock(impl_->mu);
    if (auto it = impl_->accounts.find(cookie); it != impl_->accounts.end()) {
        return it->second;
    }
    return std::nullopt;
}

void SimServer::NextDay() {
    std::lock_guard lock(impl_->mu);
    for (auto& [cookie, progress] : impl_->accounts) {
        detail::StartNewDay(progress);
    }
}

void SimServer::NextWeek() {
    std::lock_guard lock(impl_->mu);
    for (auto& [cookie, progress] : impl_->accounts) {
        detail::StartNewWeek(progress);
    }
}

std::vector<RecordedRequest> SimServer::Requests() const {
    std::lock_guard lock(impl_->mu);
    return impl_->requests;
}

bool SimServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mu);
    return impl_->cv.wait_for(lock, timeout, [&] { return impl_->requests.size() >= count; });
}

void SimServer::ClearRequests() {
    std::lock_guard lock(impl_->mu);
    impl_->requests.clear();
}

void SimServer::SetRequestObserver(std::function<void(const RecordedRequest&)> observer) {
    std::lock_guard lock(impl_->mu);
    impl_->observer = std::move(observer);
}

}  // namespace qelvo::sim

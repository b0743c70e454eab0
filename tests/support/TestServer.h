#pragma once
// A small HTTP(S) server on 127.0.0.1 for wire tests: it records the exact bytes of every
// request and answers with canned replies. Each connection gets its own thread; the whole
// server stops by itself when its lifetime is over, at the latest when it is destroyed.

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qelvo::netfix {

/// What the server writes back for one request.
struct Reply {
    std::string bytes;           // raw response bytes, written as they stand
    std::size_t splitEvery = 0;  // > 0: written in pieces of this size, with a short pause
    bool closeAfter = false;     // close the connection after writing
    bool silent = false;         // write nothing and keep the connection open
};

/// "HTTP/1.1 <status> <reason>" CR LF, the lines each followed by CR LF, Content-Length (or,
/// when chunked, Transfer-Encoding: chunked and the body in chunks of 1000 bytes), CR LF, body.
[[nodiscard]] Reply HttpReply(int status, const std::vector<std::string>& lines = {},
                              std::string_view body = {}, bool chunked = false);

/// A certificate with its key, PEM.
struct TlsIdentity {
    std::string certPem;
    std::string keyPem;
};

class TestServer {
  public:
    /// The handler runs on a connection thread with the request bytes (head and body).
    using Handler = std::function<Reply(const std::string& request)>;

    explicit TestServer(Handler handler, std::chrono::seconds lifetime = std::chrono::seconds(60));
    /// The same over TLS with the given server identity.
    TestServer(const TlsIdentity& identity, Handler handler,
               std::chrono::seconds lifetime = std::chrono::seconds(60));
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    [[nodiscard]] int port() const { return port_; }
    /// "http://127.0.0.1:<port>" (https for TLS) followed by `path`.
    [[nodiscard]] std::string Url(std::string_view path = "/") const;
    /// Every complete request received so far, in order of arrival.
    [[nodiscard]] std::vector<std::string> Requests() const;
    /// Every byte received in the clear (after TLS), complete requests or not.
    [[nodiscard]] std::string Received() const;
    /// Connections accepted (TLS: whether or not the handshake succeeded).
    [[nodiscard]] int Connections() const { return connections_.load(); }

    /// The answer to a request, for simple servers: the same reply every time.
    [[nodiscard]] static Handler Always(Reply reply);

    struct Tls;

  private:
    void Start(std::chrono::seconds lifetime);
    void AcceptLoop();
    void Serve(int fd);

    Handler handler_;
    std::unique_ptr<Tls> tls_;
    int listenFd_ = -1;
    int port_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::string received_;
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::list<Worker> workers_;  // only the accept thread touches it until destruction
    std::thread acceptor_;
};

}  // namespace qelvo::netfix

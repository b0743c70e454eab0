#include "tests/support/TestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace qelvo::netfix {

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPollMs = 50;

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

bool WaitFd(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, ms) > 0;
}

std::string Lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Length of the first complete request in `buf`, 0 when it has not all arrived yet.
std::size_t CompleteRequestLength(const std::string& buf) {
    const auto end = buf.find("\r\n\r\n");
    if (end == std::string::npos) {
        return 0;
    }
    const std::string head = Lowered(std::string_view(buf).substr(0, end + 2));
    std::size_t bodyLength = 0;
    if (const auto cl = head.find("\r\ncontent-length:"); cl != std::string::npos) {
        bodyLength = std::strtoul(head.c_str() + cl + 17, nullptr, 10);
    }
    const std::size_t total = end + 4 + bodyLength;
    return buf.size() >= total ? total : 0;
}

}  // namespace

struct TestServer::Tls {
    SSL_CTX* ctx = nullptr;
    ~Tls() { SSL_CTX_free(ctx); }
};

namespace {

// One accepted connection, plain or TLS, on a non-blocking socket.
class Link {
  public:
    Link(int fd, SSL_CTX* ctx) : fd_(fd) {
        if (ctx != nullptr) {
            ssl_ = SSL_new(ctx);
            SSL_set_fd(ssl_, fd);
        }
    }
    ~Link() {
        if (ssl_ != nullptr) {
            if (handshaken_) {
                SSL_shutdown(ssl_);
            }
            SSL_free(ssl_);
        }
        close(fd_);
    }

    // TLS handshake until done, failed, or `until`.
    bool Handshake(Clock::time_point until, const std::atomic<bool>& stop) {
        if (ssl_ == nullptr) {
            return true;
        }
        while (!stop && Clock::now() < until) {
            const int r = SSL_accept(ssl_);
            if (r == 1) {
                handshaken_ = true;
                return true;
            }
            const int e = SSL_get_error(ssl_, r);
            if (e == SSL_ERROR_WANT_READ) {
                WaitFd(fd_, POLLIN, kPollMs);
            } else if (e == SSL_ERROR_WANT_WRITE) {
                WaitFd(fd_, POLLOUT, kPollMs);
            } else {
                ERR_clear_error();
                return false;
            }
        }
        return false;
    }

    // > 0 bytes read, 0 peer closed, -1 nothing yet, -2 failed.
    long ReadSome(char* buf, std::size_t n) {
        if (ssl_ == nullptr) {
            if (!WaitFd(fd_, POLLIN, kPollMs)) {
                return -1;
            }
            const ssize_t r = recv(fd_, buf, n, 0);
            if (r < 0) {
                return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? -1 : -2;
            }
            return r;
        }
        if (SSL_pending(ssl_) == 0 && !WaitFd(fd_, POLLIN, kPollMs)) {
            return -1;
        }
        const int r = SSL_read(ssl_, buf, static_cast<int>(n));
        if (r > 0) {
            return r;
        }
        const int e = SSL_get_error(ssl_, r);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            return -1;
        }
        ERR_clear_error();
        return e == SSL_ERROR_ZERO_RETURN ? 0 : -2;
    }

    bool WriteAll(std::string_view data, Clock::time_point until) {
        while (!data.empty()) {
            if (Clock::now() >= until) {
                return false;
            }
            long w = 0;
            if (ssl_ == nullptr) {
                const ssize_t r = send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
                if (r < 0) {
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                        return false;
                    }
                    WaitFd(fd_, POLLOUT, kPollMs);
                    continue;
                }
                w = r;
            } else {
                const int r = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
                if (r <= 0) {
                    const int e = SSL_get_error(ssl_, r);
                    if (e != SSL_ERROR_WANT_WRITE && e != SSL_ERROR_WANT_READ) {
                        ERR_clear_error();
                        return false;
                    }
                    WaitFd(fd_, e == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN, kPollMs);
                    continue;
                }
                w = r;
            }
            data.remove_prefix(static_cast<std::size_t>(w));
        }
        return true;
    }

  private:
    int fd_;
    SSL* ssl_ = nullptr;
    bool handshaken_ = false;
};

}  // namespace

Reply HttpReply(int status, const std::vector<std::string>& lines, std::string_view body,
                bool chunked) {
    Reply r;
    r.bytes = "HTTP/1.1 " + std::to_string(status) + " Canned\r\n";
    for (const std::string& l : lines) {
        r.bytes += l + "\r\n";
    }
    if (chunked) {
        r.bytes += "Transfer-Encoding: chunked\r\n\r\n";
        for (std::size_t i = 0; i < body.size(); i += 1000) {
            const std::string_view piece = body.substr(i, 1000);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            r.bytes += size;
            r.bytes += piece;
            r.bytes += "\r\n";
        }
        r.bytes += "0\r\n\r\n";
    } else {
        r.bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        r.bytes += body;
    }
    return r;
}

TestServer::Handler TestServer::Always(Reply reply) {
    return [reply](const std::string&) { return reply; };
}

TestServer::TestServer(Handler handler, std::chrono::seconds lifetime)
    : handler_(std::move(handler)) {
    Start(lifetime);
}

TestServer::TestServer(const TlsIdentity& identity, Handler handler, std::chrono::seconds lifetime)
    : handler_(std::move(handler)), tls_(std::make_unique<Tls>()) {
    tls_->ctx = SSL_CTX_new(TLS_server_method());
    BIO* certBio =
        BIO_new_mem_buf(identity.certPem.data(), static_cast<int>(identity.certPem.size()));
    BIO* keyBio = BIO_new_mem_buf(identity.keyPem.data(), static_cast<int>(identity.keyPem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ok = tls_->ctx != nullptr && cert != nullptr && key != nullptr &&
                    SSL_CTX_use_certificate(tls_->ctx, cert) == 1 &&
                    SSL_CTX_use_PrivateKey(tls_->ctx, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (!ok) {
        throw std::runtime_error("TestServer: unusable TLS identity");
    }
    Start(lifetime);
}

void TestServer::Start(std::chrono::seconds lifetime) {
    // TLS writes go through write(), which raises SIGPIPE when a client hung up mid-handshake.
    signal(SIGPIPE, SIG_IGN);
    deadline_ = Clock::now() + lifetime;
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 64) != 0) {
        close(listenFd_);
        throw std::runtime_error("TestServer: cannot listen on 127.0.0.1");
    }
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    SetNonBlocking(listenFd_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestServer::~TestServer() {
    stop_ = true;
    acceptor_.join();
    for (Worker& w : workers_) {
        w.thread.join();
    }
    close(listenFd_);
}

std::string TestServer::Url(std::string_view path) const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
           std::string(path);
}

std::vector<std::string> TestServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string TestServer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void TestServer::AcceptLoop() {
    while (!stop_ && Clock::now() < deadline_) {
        // Join finished connection threads, so that a long run does not pile them up.
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->done) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
        if (!WaitFd(listenFd_, POLLIN, kPollMs)) {
            continue;
        }
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        SetNonBlocking(fd);
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++connections_;
        Worker& w = workers_.emplace_back();
        w.thread = std::thread([this, fd, &w] {
            Serve(fd);
            w.done = true;
        });
    }
}

void TestServer::Serve(int fd) {
    Link link(fd, tls_ ? tls_->ctx : nullptr);
    auto live = [this] { return !stop_ && Clock::now() < deadline_; };
    if (!link.Handshake(deadline_, stop_)) {
        return;
    }
    std::string buf;
    char chunk[16384];
    while (live()) {
        if (const std::size_t n = CompleteRequestLength(buf); n > 0) {
            const std::string request = buf.substr(0, n);
            buf.erase(0, n);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const Reply reply = handler_(request);
            if (reply.silent) {
                // Hold the connection until the client gives up or the server stops.
                while (live() && link.ReadSome(chunk, sizeof chunk) != 0) {
                }
                return;
            }
            const std::size_t step = reply.splitEvery > 0 ? reply.splitEvery : reply.bytes.size();
            for (std::size_t i = 0; i < reply.bytes.size(); i += step) {
                if (!link.WriteAll(std::string_view(reply.bytes).substr(i, step), deadline_)) {
                    return;
                }
                if (reply.splitEvery > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            }
            if (reply.closeAfter) {
                return;
            }
            continue;
        }
        const long r = link.ReadSome(chunk, sizeof chunk);
        if (r == 0 || r == -2) {
            return;
        }
        if (r > 0) {
            buf.append(chunk, static_cast<std::size_t>(r));
            std::lock_guard lock(mutex_);
            received_.append(chunk, static_cast<std::size_t>(r));
        }
    }
}

}  // namespace qelvo::netfix

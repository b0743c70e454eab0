#pragma once
// The internet layer: HTTP and HTTPS through a session, a connection and a request, each an
// object whose destruction is its close. One request = one transfer of its own (new client
// handle); nothing is cached. The whole exchange happens inside Request::Send; the reads and
// the header query then hand out what arrived.
//
// On the wire a request carries exactly the header lines given to Send (after the clean-up
// described there), plus Host and, when a body is sent, Content-Length; when the lines hold no
// User-Agent, the session's agent goes out as the first one. The layer adds no Accept, Expect,
// Content-Type, Proxy-Connection or Transfer-Encoding of its own, nor a second User-Agent.
//
// Server certificates and host names are always validated (system trust store, plus the CA
// file of SetCaFile); a failed validation fails the request before any HTTP byte is sent.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qelvo::platform::internet {

// Request flags (the classic client API's values).
inline constexpr std::uint32_t kFlagReload = 0x80000000;    // accepted: there is no cache
inline constexpr std::uint32_t kFlagNeedFile = 0x00000010;  // accepted: bodies stay in memory
/// The process cookie store stays out of the request: no cookie from it is sent and none of the
/// response is stored. Without this flag the store (in memory, shared by the process) is used.
inline constexpr std::uint32_t kFlagNoCookies = 0x00080000;
/// Redirects are not followed: the 3xx response itself is delivered.
inline constexpr std::uint32_t kFlagNoAutoRedirect = 0x00200000;
/// HTTPS instead of HTTP.
inline constexpr std::uint32_t kFlagSecure = 0x00800000;
/// A plain-HTTP request may follow a redirect to HTTPS.
inline constexpr std::uint32_t kFlagIgnoreRedirectToHttps = 0x00004000;

// Security flags (Request::SetSecurityFlags).
/// Same meaning as kFlagIgnoreRedirectToHttps.
inline constexpr std::uint32_t kSecurityIgnoreRedirectToHttps = 0x00004000;
/// An HTTPS request may follow a redirect to plain HTTP.
inline constexpr std::uint32_t kSecurityIgnoreRedirectToHttp = 0x00008000;

enum class AccessType {
    kDirect = 1,  // no proxy, whatever the environment says
    kProxy = 3,   // the proxy text of Session::Open
};

/// Redirects followed before the last 3xx is delivered as the answer.
inline constexpr int kMaxRedirects = 10;

class Connection;
class Request;

/// Agent and proxy settings shared by the connections opened in it.
class Session {
  public:
    /// Opens a session; nullptr when the client library cannot start or, for kProxy, when
    /// `proxy` holds no usable entry.
    /// Proxy text: entries separated by blanks or ";", each one of
    ///   "http=P"  HTTP proxy for plain-HTTP requests only (HTTPS goes direct),
    ///   "https=P" HTTP proxy for HTTPS requests only (tunnelled with CONNECT),
    ///   "SOCKS=P" SOCKS5 proxy that also resolves the host names, for both,
    ///   "P"       HTTP proxy for both (CONNECT for HTTPS);
    /// the scheme names are case-insensitive; P is host or host:port (default port 80, for
    /// SOCKS 1080). A request uses the entry for its scheme, else the bare one, else SOCKS.
    /// `bypass`: host names that go direct, separated by blanks, "," or ";"; "" = none.
    [[nodiscard]] static std::unique_ptr<Session> Open(std::string_view agent, AccessType access,
                                                       std::string_view proxy = {},
                                                       std::string_view bypass = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    [[nodiscard]] const std::string& Agent() const;

    /// A connection to `host` (letters, digits, "-", ".", "_"; nothing else) and `port`
    /// (1-65535, or 0 for the scheme's default: 80, or 443 for secure requests); nullptr for
    /// any other host or port. Nothing goes on the network until a request is sent.
    [[nodiscard]] std::unique_ptr<Connection> Connect(std::string_view host, int port);

    struct Settings;

  private:
    explicit Session(std::shared_ptr<const Settings> settings);
    std::shared_ptr<const Settings> settings_;
};

class Connection {
  public:
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// A request; nullptr when `verb` is not an HTTP token or the client handle cannot be made.
    /// `objectName`: path and query as sent on the request line ("/" when empty; a "/" is put
    /// in front when missing); control bytes, blanks and bytes of 0x80 and above are sent
    /// percent-encoded, everything else as given (no dot-segment clean-up); a fragment
    /// ("#..." on) is not sent. `version`: "HTTP/1.0" or else HTTP/1.1. `flags`: kFlag... bits.
    [[nodiscard]] std::unique_ptr<Request> OpenRequest(std::string_view verb,
                                                       std::string_view objectName,
                                                       std::string_view version,
                                                       std::uint32_t flags);

    struct Target;

  private:
    friend class Session;
    explicit Connection(std::shared_ptr<const Target> target);
    std::shared_ptr<const Target> target_;
};

class Request {
  public:
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    /// Sets kSecurity... bits; true when every bit is known. Bits that would accept a bad
    /// certificate are not known: certificates are always checked. Call before Send.
    bool SetSecurityFlags(std::uint32_t flags);

    /// Sends the request and receives the whole answer. True when a response arrived, even one
    /// whose body ended early or stalled (what arrived is kept); false when none did (no
    /// connection, refused, failed certificate check, time-out before the status line).
    ///
    /// `headers`: header lines separated by line breaks (CR LF, CR or LF). Dropped, so that no
    /// malformed line reaches the wire: empty lines, lines whose text before the first ":" is
    /// not a header name (HTTP token), lines holding a control byte other than tab, and
    /// Content-Length and Transfer-Encoding lines (the layer frames the body itself). The rest
    /// goes out in order, byte for byte; a line whose value is empty goes out as "Name:".
    ///
    /// `body`: sent with Content-Length for every verb except GET, which never sends one (POST
    /// and PUT send "Content-Length: 0" for an empty body; other verbs send no body then).
    /// HEAD never waits for an answer body.
    ///
    /// Redirects (301, 302, 303, 307, 308 with a Location) are followed unless
    /// kFlagNoAutoRedirect, at most kMaxRedirects times: 303 turns every verb but HEAD into a
    /// GET without body, 301 and 302 turn POST into GET; the others keep verb and body. A hop
    /// to another host, or from HTTPS to HTTP, drops the Cookie, Authorization and Host lines
    /// from then on. A hop that changes the scheme needs the matching ignore flag; without it,
    /// as for a Location of any other scheme, the 3xx is the answer. Call Send once.
    bool Send(std::string_view headers, std::string_view body);

    /// Copies up to `size` further body bytes into `buffer`; 0 at the end of the body.
    [[nodiscard]] std::size_t Read(char* buffer, std::size_t size);

    /// The raw header block of the final response: status line and header lines, each ending
    /// in CR LF, then CR LF; whole, at any size. Empty when no response arrived. Interim (1xx)
    /// responses and trailers are not part of it.
    [[nodiscard]] const std::string& RawHeaders() const;

    struct State;

  private:
    friend class Connection;
    explicit Request(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

/// Time limits of every transfer: connecting (TCP and TLS handshake), and the longest time a
/// transfer may deliver no byte at all before it is abandoned (whole seconds, at least 1).
struct Timeouts {
    std::chrono::milliseconds connect{30000};
    std::chrono::seconds stall{30};
};

/// Process-wide settings, read when a request is sent. Tests shorten the time-outs here.
void SetTimeouts(const Timeouts& timeouts);
[[nodiscard]] Timeouts GetTimeouts();

/// A PEM file of CA certificates trusted in place of the default bundle (the system's
/// certificate directory stays trusted); "" = the system trust store only.
void SetCaFile(std::string path);

/// Forgets every cookie of the process cookie store.
void ClearCookieStore();

}  // namespace qelvo::platform::internet

#include "platform/internet/Internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <vector>

namespace qelvo::platform::internet {

namespace {

// ---- process-wide state -------------------------------------------------------------------

// libcurl's global state plus the one cookie store of the process. The store lives in a share
// so that every request without kFlagNoCookies sees the cookies of the earlier ones; it never
// touches a file.
class Global {
  public:
    static Global& Get() {
        static Global global;
        return global;
    }

    bool ok() const { return ok_; }
    CURLSH* share() const { return share_; }

    Timeouts timeouts() {
        std::lock_guard lock(settings_);
        return timeouts_;
    }
    void set_timeouts(const Timeouts& t) {
        std::lock_guard lock(settings_);
        timeouts_ = t;
    }
    std::string ca_file() {
        std::lock_guard lock(settings_);
        return ca_file_;
    }
    void set_ca_file(std::string path) {
        std::lock_guard lock(settings_);
        ca_file_ = std::move(path);
    }

  private:
    Global() {
        initialized_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (!initialized_) {
            return;
        }
        share_ = curl_share_init();
        if (share_ != nullptr) {
            curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
            curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
            curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
        ok_ = share_ != nullptr;
    }
    ~Global() {
        if (share_ != nullptr) {
            curl_share_cleanup(share_);
        }
        if (initialized_) {
            curl_global_cleanup();
        }
    }

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<Global*>(self)->locks_[Slot(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<Global*>(self)->locks_[Slot(data)].unlock();
    }
    static std::size_t Slot(curl_lock_data data) {
        return std::min<std::size_t>(static_cast<std::size_t>(data), kLockSlots - 1);
    }

    static constexpr std::size_t kLockSlots = CURL_LOCK_DATA_LAST + 1;
    bool initialized_ = false;
    bool ok_ = false;
    CURLSH* share_ = nullptr;
    std::array<std::mutex, kLockSlots> locks_;
    std::mutex settings_;
    Timeouts timeouts_;
    std::string ca_file_;
};

// ---- small text helpers -------------------------------------------------------------------

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// RFC 9110 token characters: what a header name and a method may consist of.
bool IsTokenChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return IsTokenChar(c); });
}

bool IsHostChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '.' || c == '_';
}

// Splits at CR LF, CR or LF: a lone CR or LF inside a line must not reach the wire either.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string PercentEncodePath(std::string_view object) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(object.size() + 1);
    if (object.empty() || object.front() != '/') {
        out += '/';
    }
    for (char ch : object) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

// ---- proxy text ---------------------------------------------------------------------------

struct ProxyEntries {
    std::string http;   // proxy URL for plain HTTP, "" = none
    std::string https;  // for HTTPS
    std::string bare;   // for both
    std::string socks;  // socks5h:// URL for both
};

std::string WithPort(std::string_view hostPort, std::string_view defaultPort) {
    std::string s(hostPort);
    if (s.find(':') == std::string::npos) {
        s += ':';
        s += defaultPort;
    }
    return s;
}

std::optional<ProxyEntries> ParseProxy(std::string_view text) {
    ProxyEntries entries;
    bool any = false;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ';' || text[i] == '\t')) {
            ++i;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != ';' && text[end] != '\t') {
            ++end;
        }
        std::string_view entry = text.substr(i, end - i);
        i = end;
        if (entry.empty()) {
            continue;
        }
        std::string_view scheme;
        if (const auto eq = entry.find('='); eq != std::string_view::npos) {
            scheme = entry.substr(0, eq);
            entry.remove_prefix(eq + 1);
        }
        if (entry.empty() || !std::all_of(entry.begin(), entry.end(),
                                          [](char c) { return IsHostChar(c) || c == ':'; })) {
            continue;
        }
        if (scheme.empty()) {
            entries.bare = "http://" + WithPort(entry, "80");
        } else if (EqualNoCase(scheme, "http")) {
            entries.http = "http://" + WithPort(entry, "80");
        } else if (EqualNoCase(scheme, "https")) {
            entries.https = "http://" + WithPort(entry, "80");
        } else if (EqualNoCase(scheme, "socks")) {
            entries.socks = "socks5h://" + WithPort(entry, "1080");
        } else {
            continue;
        }
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    return entries;
}

std::string NoProxyList(std::string_view bypass) {
    std::string list;
    for (char c : bypass) {
        list += (c == ';' || c == ' ' || c == '\t') ? ',' : c;
    }
    return list;
}

// ---- one redirect hop's method --------------------------------------------------------------

struct Method {
    std::string verb;
    bool sendBody;
};

Method InitialMethod(std::string_view verb) {
    return {std::string(verb), verb != "GET"};
}

Method MethodAfterRedirect(const Method& m, long status) {
    if (status == 303 && m.verb != "HEAD") {
        return {"GET", false};
    }
    if ((status == 301 || status == 302) && m.verb == "POST") {
        return {"GET", false};
    }
    return m;
}

struct CurlUrl {
    CURLU* h = curl_url();
    ~CurlUrl() { curl_url_cleanup(h); }
    std::string Part(CURLUPart part) const {
        char* s = nullptr;
        if (h == nullptr || curl_url_get(h, part, &s, 0) != CURLUE_OK || s == nullptr) {
            return {};
        }
        std::string out(s);
        curl_free(s);
        return out;
    }
};

bool IsSensitiveOnOtherHost(std::string_view line) {
    return StartsWithNoCase(line, "Cookie:") || StartsWithNoCase(line, "Authorization:") ||
           StartsWithNoCase(line, "Host:") || StartsWithNoCase(line, "Cookie;") ||
           StartsWithNoCase(line, "Authorization;") || StartsWithNoCase(line, "Host;");
}

}  // namespace

// ---- the three objects --------------------------------------------------------------------

struct Session::Settings {
    std::string agent;
    std::optional<ProxyEntries> proxy;  // nullopt = direct
    std::string noProxy;
};

struct Connection::Target {
    std::shared_ptr<const Session::Settings> session;
    std::string host;
    int port = 0;
};

struct Request::State {
    std::shared_ptr<const Connection::Target> target;
    CURL* curl = nullptr;
    Method method;
    std::string path;
    long httpVersion = CURL_HTTP_VERSION_1_1;
    std::uint32_t flags = 0;
    std::uint32_t securityFlags = 0;
    bool sent = false;

    std::string headerBlock;  // final response's header block
    bool inHeaderBlock = false;
    std::string body;
    std::size_t readPos = 0;

    // Stall watch: the time of the last byte that moved either way.
    std::chrono::steady_clock::time_point lastByte;
    curl_off_t lastUploaded = 0;
    std::chrono::milliseconds stall{0};

    ~State() {
        if (curl != nullptr) {
            curl_easy_cleanup(curl);
        }
    }

    bool Secure() const { return (flags & kFlagSecure) != 0; }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* self) {
        auto* st = static_cast<State*>(self);
        st->lastByte = std::chrono::steady_clock::now();
        std::string_view line(data, size * n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.substr(0, 5) == "HTTP/") {
            // A new status line: an interim (1xx) block before it is not the answer's.
            st->headerBlock.clear();
            st->inHeaderBlock = true;
        }
        if (!st->inHeaderBlock) {
            return size * n;  // trailers after a chunked body
        }
        st->headerBlock.append(line);
        st->headerBlock.append("\r\n");
        if (line.empty()) {
            st->inHeaderBlock = false;
        }
        return size * n;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* self) {
        auto* st = static_cast<State*>(self);
        st->lastByte = std::chrono::steady_clock::now();
        st->body.append(data, size * n);
        return size * n;
    }

    // The library's own low-speed check averages over several seconds; this one ends a
    // transfer once no byte has moved for the stall time.
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
        auto* st = static_cast<State*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (uploaded != st->lastUploaded) {
            st->lastUploaded = uploaded;
            st->lastByte = now;
        }
        return now - st->lastByte > st->stall ? 1 : 0;
    }

    // One transfer of `url`; the status code, 0 when no response arrived.
    long Perform(const std::string& url, const Method& m, curl_slist* headers,
                 std::string_view payload, CURLcode* result) {
        const Session::Settings* session = target->session.get();
        Global& global = Global::Get();
        const Timeouts timeouts = global.timeouts();
        const std::string caFile = global.ca_file();

        curl_easy_reset(curl);
        headerBlock.clear();
        inHeaderBlock = false;
        body.clear();

        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, httpVersion);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::max<long long>(1, timeouts.connect.count())));
        stall = std::max<std::chrono::milliseconds>(timeouts.stall, std::chrono::seconds(1));
        lastByte = std::chrono::steady_clock::now();
        lastUploaded = 0;
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &State::OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(std::max<long long>(1, timeouts.stall.count())));
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caFile.empty()) {
            curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
        }

        std::string proxy;
        if (session->proxy) {
            const ProxyEntries& p = *session->proxy;
            const std::string& specific = Secure() ? p.https : p.http;
            proxy = !specific.empty() ? specific : !p.bare.empty() ? p.bare : p.socks;
        }
        // "" also keeps proxies named in the environment out.
        curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
        if (!proxy.empty() && !session->noProxy.empty()) {
            curl_easy_setopt(curl, CURLOPT_NOPROXY, session->noProxy.c_str());
        }
        curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

        if ((flags & kFlagNoCookies) == 0) {
            curl_easy_setopt(curl, CURLOPT_SHARE, global.share());
            curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // engine on, no file
        }

        const bool isPutOrPost = m.verb == "POST" || m.verb == "PUT";
        if (m.verb == "GET") {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        } else if (m.sendBody && (!payload.empty() || isPutOrPost)) {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(payload.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, payload.data());
            if (m.verb != "POST") {
                curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, m.verb.c_str());
            }
        } else {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, m.verb.c_str());
        }
        if (m.verb == "HEAD") {
            // After the body options: the request goes out as given, and no answer body is
            // awaited.
            curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "HEAD");
        }
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &State::OnHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &State::OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);

        *result = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (headerBlock.empty()) {
            status = 0;
        } else if (inHeaderBlock) {
            headerBlock.append("\r\n");  // the connection ended inside the header block
            inHeaderBlock = false;
        }
        return status;
    }
};

Session::Session(std::shared_ptr<const Settings> settings) : settings_(std::move(settings)) {}
Session::~Session() = default;

std::unique_ptr<Session> Session::Open(std::string_view agent, AccessType access,
                                       std::string_view proxy, std::string_view bypass) {
    if (!Global::Get().ok()) {
        return nullptr;
    }
    auto settings = std::make_shared<Settings>();
    settings->agent = std::string(agent);
    if (access == AccessType::kProxy) {
        settings->proxy = ParseProxy(proxy);
        if (!settings->proxy) {
            return nullptr;
        }
        settings->noProxy = NoProxyList(bypass);
    } else if (access != AccessType::kDirect) {
        return nullptr;
    }
    return std::unique_ptr<Session>(new Session(std::move(settings)));
}

const std::string& Session::Agent() const {
    return settings_->agent;
}

std::unique_ptr<Connection> Session::Connect(std::string_view host, int port) {
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostChar) || port < 0 ||
        port > 65535) {
        return nullptr;
    }
    auto target = std::make_shared<Connection::Target>();
    target->session = settings_;
    target->host = std::string(host);
    target->port = port;
    return std::unique_ptr<Connection>(new Connection(std::move(target)));
}

Connection::Connection(std::shared_ptr<const Target> target) : target_(std::move(target)) {}
Connection::~Connection() = default;

std::unique_ptr<Request> Connection::OpenRequest(std::string_view verb, std::string_view objectName,
                                                 std::string_view version, std::uint32_t flags) {
    if (!IsToken(verb)) {
        return nullptr;
    }
    auto state = std::make_unique<Request::State>();
    state->curl = curl_easy_init();
    if (state->curl == nullptr) {
        return nullptr;
    }
    state->target = target_;
    state->method = InitialMethod(verb);
    const auto hash = objectName.find('#');
    state->path = PercentEncodePath(objectName.substr(0, hash));
    state->httpVersion = version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1;
    state->flags = flags;
    return std::unique_ptr<Request>(new Request(std::move(state)));
}

Request::Request(std::unique_ptr<State> state) : state_(std::move(state)) {}
Request::~Request() = default;

bool Request::SetSecurityFlags(std::uint32_t flags) {
    constexpr std::uint32_t kKnown = kSecurityIgnoreRedirectToHttps | kSecurityIgnoreRedirectToHttp;
    state_->securityFlags = flags & kKnown;
    return (flags & ~kKnown) == 0;
}

namespace {

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    bool Add(const std::string& line) {
        curl_slist* next = curl_slist_append(list, line.c_str());
        if (next == nullptr) {
            return false;
        }
        list = next;
        return true;
    }
};

// The caller's header lines that may go on the wire, each ready for the client library.
std::vector<std::string> CleanHeaderLines(std::string_view headers) {
    std::vector<std::string> out;
    for (std::string_view line : SplitLines(headers)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        if (EqualNoCase(name, "Content-Length") || EqualNoCase(name, "Transfer-Encoding")) {
            continue;
        }
        const std::string_view value = line.substr(colon + 1);
        if (std::any_of(value.begin(), value.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return (u < 0x20 && c != '\t') || u == 0x7F;
            })) {
            continue;
        }
        if (TrimBlanks(value).empty()) {
            // The library drops "Name:" with nothing after it; "Name;" sends "Name:".
            out.push_back(std::string(name) + ";");
        } else {
            out.emplace_back(line);
        }
    }
    return out;
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.size() > name.size() &&
               EqualNoCase(std::string_view(l).substr(0, name.size()), name) &&
               (l[name.size()] == ':' || l[name.size()] == ';');
    });
}

}  // namespace

bool Request::Send(std::string_view headers, std::string_view body) {
    State& st = *state_;
    if (st.sent) {
        return false;
    }
    st.sent = true;

    std::vector<std::string> lines = CleanHeaderLines(headers);
    if (!HasHeader(lines, "User-Agent")) {
        // The session's agent stands in for a User-Agent line the header text lacks.
        std::vector<std::string> agent =
            CleanHeaderLines("User-Agent: " + st.target->session->agent);
        if (agent.size() == 1 && agent[0].back() != ';') {
            lines.insert(lines.begin(), agent[0]);
        }
    }
    // Removal markers for what the library would add of its own.
    std::vector<std::string> removals;
    for (std::string_view name : {"Accept", "Expect", "Content-Type", "Proxy-Connection"}) {
        if (!HasHeader(lines, name)) {
            removals.push_back(std::string(name) + ":");
        }
    }

    const Connection::Target& target = *st.target;
    const int port = target.port != 0 ? target.port : (st.Secure() ? 443 : 80);
    std::string url = std::string(st.Secure() ? "https://" : "http://") + target.host + ":" +
                      std::to_string(port) + st.path;
    std::string originHost = target.host;
    bool secure = st.Secure();
    bool keepSensitive = true;
    Method method = st.method;

    for (int hop = 0;; ++hop) {
        HeaderList list;
        for (const std::string& l : lines) {
            if ((keepSensitive || !IsSensitiveOnOtherHost(l)) && !list.Add(l)) {
                return false;
            }
        }
        for (const std::string& r : removals) {
            if (!list.Add(r)) {
                return false;
            }
        }
        CURLcode result = CURLE_OK;
        const long status = st.Perform(url, method, list.list,
                                       method.sendBody ? body : std::string_view(), &result);
        if (status == 0) {
            st.headerBlock.clear();
            st.body.clear();
            return false;
        }
        const bool redirect =
            status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        if (result != CURLE_OK || !redirect || (st.flags & kFlagNoAutoRedirect) != 0 ||
            hop >= kMaxRedirects) {
            return true;
        }
        char* location = nullptr;
        curl_easy_getinfo(st.curl, CURLINFO_REDIRECT_URL, &location);
        if (location == nullptr) {
            return true;
        }
        std::string next(location);
        CurlUrl parsed;
        if (parsed.h == nullptr ||
            curl_url_set(parsed.h, CURLUPART_URL, next.c_str(), 0) != CURLUE_OK) {
            return true;
        }
        const std::string scheme = parsed.Part(CURLUPART_SCHEME);
        const std::string host = parsed.Part(CURLUPART_HOST);
        bool nextSecure = false;
        if (EqualNoCase(scheme, "https")) {
            nextSecure = true;
        } else if (!EqualNoCase(scheme, "http")) {
            return true;
        }
        if (nextSecure && !secure && (st.flags & kFlagIgnoreRedirectToHttps) == 0 &&
            (st.securityFlags & kSecurityIgnoreRedirectToHttps) == 0) {
            return true;
        }
        if (!nextSecure && secure && (st.securityFlags & kSecurityIgnoreRedirectToHttp) == 0) {
            return true;
        }
        if (!EqualNoCase(host, originHost) || (secure && !nextSecure)) {
            keepSensitive = false;
        }
        originHost = host;
        secure = nextSecure;
        url = std::move(next);
        method = MethodAfterRedirect(method, status);
    }
}

std::size_t Request::Read(char* buffer, std::size_t size) {
    State& st = *state_;
    const std::size_t n = std::min(size, st.body.size() - st.readPos);
    std::copy_n(st.body.data() + st.readPos, n, buffer);
    st.readPos += n;
    return n;
}

const std::string& Request::RawHeaders() const {
    return state_->headerBlock;
}

void SetTimeouts(const Timeouts& timeouts) {
    Global::Get().set_timeouts(timeouts);
}
Timeouts GetTimeouts() {
    return Global::Get().timeouts();
}
void SetCaFile(std::string path) {
    Global::Get().set_ca_file(std::move(path));
}

void ClearCookieStore() {
    Global& global = Global::Get();
    if (!global.ok()) {
        return;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return;
    }
    curl_easy_setopt(curl, CURLOPT_SHARE, global.share());
    curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(curl);
}

}  // namespace qelvo::platform::internet

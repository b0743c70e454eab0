#include "app/Addresses.h"

namespace qelvo::app {

namespace {

Text& Base() {
    static Text base{kDefaultServiceBase};
    return base;
}

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool IsDigits(std::string_view s, std::size_t maxLength) {
    if (s.empty() || s.size() > maxLength)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

const Text& ServiceBase() {
    return Base();
}

void SetServiceBase(const Text& base) {
    std::string_view b = base.view();
    if (b.ends_with('/'))
        b.remove_suffix(1);
    Base() = Text(b);
}

bool IsServiceBase(std::string_view base) {
    if (base.starts_with("https://"))
        base.remove_prefix(8);
    else if (base.starts_with("http://"))
        base.remove_prefix(7);
    else
        return false;
    if (base.ends_with('/'))
        base.remove_suffix(1);
    std::string_view host = base;
    std::string_view port;
    if (host.starts_with('[')) {
        const auto close = host.find(']');
        if (close == std::string_view::npos || close == 1)
            return false;
        for (char c : host.substr(1, close - 1))
            if (!(IsHostChar(c) || c == ':'))
                return false;
        port = host.substr(close + 1);
        host = {};
    } else {
        const auto colon = host.find(':');
        if (colon != std::string_view::npos) {
            port = host.substr(colon);
            host = host.substr(0, colon);
        }
        if (host.empty())
            return false;
        for (char c : host)
            if (!IsHostChar(c))
                return false;
    }
    if (port.empty())
        return true;
    return port.starts_with(':') && IsDigits(port.substr(1), 5);
}

Text TaskListUrl() {
    return ServiceBase() + Text(kTaskListPath);
}

Text PageViewUrl() {
    return ServiceBase() + Text(kPageViewPath);
}

}  // namespace qelvo::app

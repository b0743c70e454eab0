#include <string>

#include "tools/qelvo-sim/SimInternal.h"

namespace qelvo::sim {
namespace {

constexpr std::size_t kFieldCount = 6;
constexpr char kHex[] = "0123456789ABCDEF";

void Escape(std::string_view field, std::string& out) {
    for (unsigned char c : field) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> Unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) {
            return std::nullopt;
        }
        switch (field[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 'x': {
                if (i + 2 >= field.size()) {
                    return std::nullopt;
                }
                const int hi = HexValue(field[i + 1]);
                const int lo = HexValue(field[i + 2]);
                if (hi < 0 || lo < 0) {
                    return std::nullopt;
                }
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool NameIs(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':') {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(line[i]) != lower(name[i])) {
            return false;
        }
    }
    return true;
}

// Splits head into lines at LF, dropping a CR before it; stops at the first empty line.
std::vector<std::string> SplitHead(std::string_view head) {
    std::vector<std::string> lines;
    while (!head.empty()) {
        const auto lf = head.find('\n');
        std::string_view line = head.substr(0, lf);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            break;
        }
        lines.emplace_back(line);
        if (lf == std::string_view::npos) {
            break;
        }
        head.remove_prefix(lf + 1);
    }
    return lines;
}

void FillFromHead(RecordedRequest& r) {
    std::vector<std::string> lines = SplitHead(r.head);
    if (!lines.empty()) {
        std::string_view requestLine = lines.front();
        const auto sp1 = requestLine.find(' ');
        r.method = std::string(requestLine.substr(0, sp1));
        if (sp1 != std::string_view::npos) {
            std::string_view rest = requestLine.substr(sp1 + 1);
            r.target = std::string(rest.substr(0, rest.find(' ')));
        }
        lines.erase(lines.begin());
    }
    bool haveAgent = false;
    bool haveCookie = false;
    for (const std::string& line : lines) {
        std::string_view view = line;
        if (!haveAgent && NameIs(view, "User-Agent")) {
            r.userAgent = std::string(TrimBlanks(view.substr(11)));
            haveAgent = true;
        } else if (!haveCookie && NameIs(view, "Cookie")) {
            r.cookie = std::string(TrimBlanks(view.substr(7)));
            haveCookie = true;
        }
    }
    r.headerLines = std::move(lines);
}

}  // namespace

std::string RecordLine(const RecordedRequest& r) {
    std::string out;
    const std::string_view fields[kFieldCount] = {r.method, r.target, r.userAgent,
                                                  r.cookie, r.head,   r.body};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            out += '\t';
        }
        Escape(fields[i], out);
    }
    return out;
}

std::optional<RecordedRequest> ParseRecordLine(std::string_view line) {
    std::vector<std::string> fields;
    while (true) {
        const auto tab = line.find('\t');
        auto field = Unescape(line.substr(0, tab));
        if (!field) {
            return std::nullopt;
        }
        fields.push_back(std::move(*field));
        if (tab == std::string_view::npos) {
            break;
        }
        line.remove_prefix(tab + 1);
    }
    if (fields.size() != kFieldCount) {
        return std::nullopt;
    }
    RecordedRequest r;
    r.head = std::move(fields[4]);
    FillFromHead(r);
    r.method = std::move(fields[0]);
    r.target = std::move(fields[1]);
    r.userAgent = std::move(fields[2]);
    r.cookie = std::move(fields[3]);
    r.body = std::move(fields[5]);
    return r;
}

namespace detail {

RecordedRequest ParseRawRequest(std::string_view raw) {
    RecordedRequest r;
    const auto end = raw.find("\r\n\r\n");
    const std::size_t headSize = end == std::string_view::npos ? raw.size() : end + 4;
    r.head = std::string(raw.substr(0, headSize));
    r.body = std::string(raw.substr(headSize));
    FillFromHead(r);
    return r;
}

}  // namespace detail
}  // namespace qelvo::sim

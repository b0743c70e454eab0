#include "platform/codepage/Codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace qelvo::platform::codepage {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr char16_t kByteOrderMark = u'\uFEFF';
constexpr const char* kWide = "UTF-16LE";  // char16_t in memory order on every target we build

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// An iconv descriptor that closes itself.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    enum class Stop { kDone, kInvalid, kIncomplete };

    // Converts as much of [in, in+left) as it can, appending to `out`. Returns why it stopped;
    // `in` and `left` then point at the offending input.
    Stop Run(const char*& in, std::size_t& left, std::string& out) {
        std::array<char, 16 * 1024> buffer;
        while (true) {
            char* dst = buffer.data();
            std::size_t room = buffer.size();
            char* src = const_cast<char*>(in);  // iconv's signature is not const-correct
            std::size_t rc = iconv(cd_, &src, &left, &dst, &room);
            int err = errno;
            in = src;
            out.append(buffer.data(), dst);
            if (rc != static_cast<std::size_t>(-1)) {
                // Flush any shift state.
                dst = buffer.data();
                room = buffer.size();
                iconv(cd_, nullptr, nullptr, &dst, &room);
                out.append(buffer.data(), dst);
                return Stop::kDone;
            }
            if (err == E2BIG)
                continue;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset state before resuming
            return err == EINVAL ? Stop::kIncomplete : Stop::kInvalid;
        }
    }

  private:
    iconv_t cd_;
};

void AppendUnit(std::string& wide, char16_t unit) {
    wide.push_back(static_cast<char>(unit & 0xFF));
    wide.push_back(static_cast<char>(unit >> 8));
}

}  // namespace

std::optional<std::string> IconvName(std::string_view charset) {
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"utf-8", "UTF-8"},       {"utf8", "UTF-8"},
        {"gbk", "GBK"},           {"cp936", "GBK"},
        {"gb2312", "GBK"},        {"x-gbk", "GBK"},
        {"gb18030", "GB18030"},   {"big5", "BIG5"},
        {"unicode", "UTF-16LE"},  {"utf-16", "UTF-16LE"},
        {"utf-16le", "UTF-16LE"}, {"unicodefffe", "UTF-16BE"},
        {"utf-16be", "UTF-16BE"}, {"us-ascii", "ASCII"},
        {"ascii", "ASCII"},       {"iso-8859-1", "ISO-8859-1"},
        {"latin1", "ISO-8859-1"}, {"windows-1252", "WINDOWS-1252"},
    };
    for (const auto& [name, iconvName] : kNames) {
        if (SameIgnoringAsciiCase(name, charset))
            return std::string(iconvName);
    }
    return std::nullopt;
}

std::optional<std::u16string> Decode(std::string_view bytes, std::string_view charset) {
    auto name = IconvName(charset);
    if (!name)
        return std::nullopt;
    Converter conv(kWide, name->c_str());
    if (!conv.ok())
        return std::nullopt;

    std::string wide;
    wide.reserve(bytes.size() * 2);
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (true) {
        auto stop = conv.Run(in, left, wide);
        if (stop == Converter::Stop::kDone)
            break;
        AppendUnit(wide, kReplacement);
        if (stop == Converter::Stop::kIncomplete)
            break;
        ++in;  // skip the one bad byte and go on
        --left;
    }

    std::u16string out(wide.size() / 2, u'\0');
    std::memcpy(out.data(), wide.data(), out.size() * 2);
    if (!out.empty() && out.front() == kByteOrderMark &&
        (*name == "UTF-8" || name->starts_with("UTF-16"))) {
        out.erase(0, 1);
    }
    return out;
}

std::optional<std::string> Encode(std::u16string_view text, std::string_view charset) {
    auto name = IconvName(charset);
    if (!name)
        return std::nullopt;
    Converter conv(name->c_str(), kWide);
    if (!conv.ok())
        return std::nullopt;

    std::string wide(text.size() * 2, '\0');
    std::memcpy(wide.data(), text.data(), wide.size());
    const std::string question =
        name->starts_with("UTF-16")
            ? (*name == "UTF-16BE" ? std::string("\0?", 2) : std::string("?\0", 2))
            : std::string("?");

    std::string out;
    out.reserve(text.size() * 2);
    const char* in = wide.data();
    std::size_t left = wide.size();
    while (true) {
        auto stop = conv.Run(in, left, out);
        if (stop == Converter::Stop::kDone)
            break;
        out += question;
        if (stop == Converter::Stop::kIncomplete)
            break;
        // Skip the whole character: a valid surrogate pair is two units, anything else one.
        std::size_t skip = 2;
        if (left >= 4) {
            char16_t hi =
                static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
            char16_t lo =
                static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
            if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF)
                skip = 4;
        }
        skip = std::min(skip, left);
        in += skip;
        left -= skip;
    }
    return out;
}

std::optional<std::string> Convert(std::string_view bytes, std::string_view from,
                                   std::string_view to) {
    auto wide = Decode(bytes, from);
    if (!wide)
        return std::nullopt;
    return Encode(*wide, to);
}

}  // namespace qelvo::platform::codepage

#include "text/KeyValueList.h"

#include <string>
#include <string_view>

#include "text/ConvertCharset.h"
#include "text/UrlEncode.h"

namespace qelvo {

namespace {

constexpr std::string_view kHeaderSeparator = ": ";
constexpr std::string_view kLineBreak = "\r\n";

// "&" and "=" lie below 0x40 and so are never the trail byte of a GBK character: a byte scan
// finds exactly what a character scan finds in GBK text, and stays right for UTF-8 text
// (form data rendered from a list that stores UTF-8), which a GBK character scan would not.
class FormCursor {
  public:
    explicit FormCursor(std::string_view text) : rest_(text) {}

    // The next "&"-separated piece; false once none is left. The empty rest after a final "&"
    // is no piece.
    bool NextPiece(std::string_view& piece) {
        if (done_ || rest_.empty())
            return false;
        const auto amp = rest_.find('&');
        piece = rest_.substr(0, amp);
        if (amp == std::string_view::npos)
            done_ = true;
        else
            rest_.remove_prefix(amp + 1);
        return true;
    }

  private:
    std::string_view rest_;
    bool done_ = false;
};

// Name before the first "=", value after the last "="; both empty without any "=".
void SplitPiece(std::string_view piece, std::string_view& name, std::string_view& value) {
    const auto first = piece.find('=');
    if (first == std::string_view::npos) {
        name = {};
        value = {};
        return;
    }
    name = piece.substr(0, first);
    value = piece.substr(piece.rfind('=') + 1);
}

}  // namespace

KeyValueList::~KeyValueList() = default;

std::unique_ptr<KeyValueList> KeyValueList::Copy() const {
    return std::make_unique<KeyValueList>(*this);
}

void KeyValueList::AddPair(const Text& name, const Text& value, std::optional<bool> convertToUtf8) {
    if (convertToUtf8.value_or(false)) {
        names_.push_back(Utf8FromGbk(name));
        values_.push_back(Utf8FromGbk(value));
    } else {
        names_.push_back(name);
        values_.push_back(value);
    }
}

void KeyValueList::LoadFormText(const Text& text, std::optional<bool> convertToUtf8) {
    FormCursor cursor(text.view());
    std::string_view piece, name, value;
    while (cursor.NextPiece(piece)) {
        SplitPiece(piece, name, value);
        AddPair(Text(name), Text(value), convertToUtf8);
    }
}

Text KeyValueList::GetValue(const Text& name) const {
    const std::size_t k = Find(name);
    return k < values_.size() ? values_[k] : Text();
}

void KeyValueList::PutValue(const Text& name, const Text& value) {
    const std::size_t k = Find(name);
    if (k < values_.size())
        values_[k] = value;
    else
        AddPair(name, value, false);
}

Text KeyValueList::ToFormText(std::optional<bool> urlEncode) const {
    const bool encode = urlEncode.value_or(false);
    std::string out;
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (k > 0)
            out += '&';
        out += (encode ? UrlEncode(names_[k]) : names_[k]).view();
        out += '=';
        out += (encode ? UrlEncode(values_[k]) : values_[k]).view();
    }
    return Text(std::move(out));
}

Text KeyValueList::ToHeaderText(std::optional<bool> urlEncodeValues) const {
    const bool encode = urlEncodeValues.value_or(false);
    std::string out;
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (k > 0)
            out += kLineBreak;
        out += names_[k].view();
        out += kHeaderSeparator;
        out += (encode ? UrlEncode(values_[k]) : values_[k]).view();
    }
    return Text(std::move(out));
}

void KeyValueList::GetNames(std::vector<Text>& names) const {
    names = names_;
}

void KeyValueList::GetValues(std::vector<Text>& values) const {
    values = values_;
}

void KeyValueList::RemoveAll() {
    names_.clear();
    values_.clear();
}

void KeyValueList::RemovePair(const Text& name) {
    const std::size_t k = Find(name);
    if (k == names_.size())
        return;
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(k));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(k));
}

Text KeyValueList::ToJsonText() const {
    Text json("{");
    for (std::size_t k = 0; k < names_.size(); ++k)
        json += Text("\"") + names_[k] + Text("\":\"") + EscapeQuotes(values_[k]) + Text("\",");
    TrimAffix(json, Text(","));  // the comma after the last pair; the start is the brace
    json += Text("}");
    return json;
}

Text KeyValueList::EscapeQuotes(const Text& text) const {
    // Byte by byte: the stored text may be UTF-8, and a missed quote would end the string.
    std::string out;
    out.reserve(text.size());
    for (char c : text.view()) {
        if (c == '"')
            out += '\\';
        out += c;
    }
    return Text(std::move(out));
}

Text KeyValueList::TrimAffix(Text& text, const Text& affix) const {
    if (!affix.empty()) {
        std::string_view rest = text.view();
        if (rest.ends_with(affix.view()))
            rest.remove_suffix(affix.size());
        if (rest.starts_with(affix.view()))
            rest.remove_prefix(affix.size());
        text = Text(rest);
    }
    return text;
}

std::size_t KeyValueList::Find(const Text& name) const {
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (names_[k] == name)
            return k;
    }
    return names_.size();
}

}  // namespace qelvo

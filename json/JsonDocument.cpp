#include "json/JsonDocument.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "platform/codepage/Codepage.h"
#include "platform/com/Com.h"

namespace qelvo {

namespace {

namespace com = platform::com;
using platform::script::ScriptEngine;

// Appended to every read of text or JSON text: the backslash marks become backslashes again.
// (The script string '\\' is one backslash.)
const Text kMarksToBackslashes = ".replace(str_reg, '\\\\')";

const Text& ValueSeparator() {
    static const Text separator = GbkText(u8"[2020年7月20日20时0分0秒]");
    return separator;
}

bool StartsWith(const Text& text, const Text& prefix) {
    return text.view().substr(0, prefix.size()) == prefix.view();
}

Text Index(std::int32_t index) {
    return Text(std::to_string(index));
}

// The engine's numbers as the system keeps them: truncated toward zero, low 32 bits.
std::int32_t LowBits(double value) {
    if (!std::isfinite(value))
        return 0;
    double low = std::fmod(std::trunc(value), 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(low));
}

bool IsGbkTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Bytes of the character that starts at `i`: a GBK lead byte and its trail are one.
std::size_t CharLength(std::string_view s, std::size_t i) {
    auto lead = static_cast<unsigned char>(s[i]);
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < s.size() &&
        IsGbkTrail(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

std::vector<Text> Cut(const Text& text, const Text& separator) {
    std::vector<Text> pieces;
    std::string_view s = text.view();
    std::string_view sep = separator.view();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, sep.size(), sep) == 0) {
            pieces.emplace_back(s.substr(start, i - start));
            i += sep.size();
            start = i;
        } else {
            i += CharLength(s, i);
        }
    }
    if (start < s.size())
        pieces.emplace_back(s.substr(start));
    return pieces;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// `value` escaped for a single-quoted script string: backslash, both quotes, CR and LF.
// The escaping works on characters, not bytes, so a byte that is no complete GBK character
// can never swallow an escape and let the rest of the value run as script.
Text EscapedForSingleQuotes(const Text& value) {
    std::u16string wide;
    if (IsAscii(value.view()))
        wide.assign(value.view().begin(), value.view().end());
    else
        wide = platform::codepage::Decode(value.view(), "GBK").value_or(std::u16string());
    std::u16string escaped;
    escaped.reserve(wide.size() + 8);
    for (char16_t c : wide) {
        switch (c) {
            case u'\\':
                escaped += u"\\\\";
                break;
            case u'\'':
                escaped += u"\\'";
                break;
            case u'"':
                escaped += u"\\\"";
                break;
            case u'\r':
                escaped += u"\\r";
                break;
            case u'\n':
                escaped += u"\\n";
                break;
            default:
                escaped += c;
        }
    }
    return Text(platform::codepage::Encode(escaped, "GBK").value_or(std::string()));
}

Text Quoted(const Text& value) {
    return "'" + value + "'";
}

}  // namespace

JsonDocument::JsonDocument() : variableName("da") {
    Init();
}

JsonDocument::JsonDocument(Text name, ScriptEngine sharedEngine, Shared)
    : variableName(std::move(name)), engine(std::move(sharedEngine)) {
    // A copy keeps the component library initialised for as long as it holds the engine,
    // whichever document goes first.
    com::Initialize();
    holdsCom = true;
}

JsonDocument::~JsonDocument() {
    engine.Release();
    if (holdsCom)
        com::Uninitialize();
}

JsonDocument::JsonDocument(JsonDocument&& other) noexcept
    : variableName(std::move(other.variableName)),
      engine(std::move(other.engine)),
      holdsCom(std::exchange(other.holdsCom, false)) {}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
    if (this != &other) {
        engine.Release();
        if (holdsCom)
            com::Uninitialize();
        variableName = std::move(other.variableName);
        engine = std::move(other.engine);
        holdsCom = std::exchange(other.holdsCom, false);
    }
    return *this;
}

JsonDocument JsonDocument::Copy() const {
    return JsonDocument(variableName, engine, Shared{});
}

void JsonDocument::Init() {
    // One initialisation per document however often Init runs, undone once by the destructor.
    if (!holdsCom) {
        com::Initialize();
        holdsCom = true;
    }
    engine = ScriptEngine::Create("JavaScript");
    if (engine.empty())
        return;
    engine.AddCode(JsonHelperScript);
    engine.Eval(("var " + variableName +
                 " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, "
                 "'g')")
                    .view());
}

bool JsonDocument::Parse(const Text& json, std::optional<bool> assignDirectly, ScriptError* error) {
    if (!engine.empty()) {
        engine.Release();
        Init();
    }
    if (engine.empty())
        return false;
    engine.Eval(("var " + variableName + " = null").view());
    Text load = assignDirectly.value_or(false) ? "var " + variableName + " = " + json
                                               : "var " + variableName + " = eval(" + json + ")";
    engine.AddCode(load.view());
    if (error) {
        platform::script::ErrorInfo info = engine.Error();
        error->number = LowBits(info.number);
        error->source = Text(std::move(info.source));
        error->description = Text(std::move(info.description));
        error->helpFile = Text(std::move(info.helpFile));
        error->helpContext = LowBits(info.helpContext);
        error->text = Text(std::move(info.text));
        error->line = LowBits(info.line);
        error->column = LowBits(info.column);
    }
    return EvalBool(variableName + " != null");
}

bool JsonDocument::Clear() {
    return EvalBool(variableName + " = {}");
}

Text JsonDocument::ToJson() {
    return EvalText("JSON.stringify(" + variableName + ")" + kMarksToBackslashes);
}

bool JsonDocument::SetValue(const Text& path, const Text& value, std::optional<bool> asJson) {
    Text p = path;
    bool held = ResolvePath(p);
    if (asJson.value_or(false)) {
        Text merged = value.empty() ? Text("{}") : value;
        Text kind = EvalText("Object.prototype.toString.call(" + p + ")");
        if (held && kind == Text("[object Object]"))
            return EvalBool(p + " = get__extend(" + p + ", " + merged + ")");
        return EvalBool(p + " = eval(" + value + ")");
    }
    // The script regex /\\/g matches one backslash: each is stored as the mark.
    return EvalBool(p + " = '" + EscapedForSingleQuotes(value) + "'.replace(/\\\\/g, str_Code)");
}

bool JsonDocument::SetExpression(const Text& path, const Text& expression) {
    return EvalBool(Resolved(path) + " = eval(" + expression + ")");
}

bool JsonDocument::ResolvePath(Text& path) {
    if (StartsWith(path, variableName) && EvalBool(path + " != null"))
        return true;
    if (path.empty())
        path = variableName;
    else if (path.view().front() == '[')
        path = variableName + path;
    else
        path = variableName + "." + path;
    return EvalBool(path + " != null");
}

bool JsonDocument::Exists(const Text& path) {
    Text p = path;
    return ResolvePath(p);
}

JsonValueType JsonDocument::GetType(const Text& path) {
    Text p = Resolved(path);
    if (EvalBool(p + " == null"))
        return JsonValueType::Absent;
    Text kind = EvalText("Object.prototype.toString.call(" + p + ")");
    static const std::pair<const char*, JsonValueType> kKinds[] = {
        {"[object String]", JsonValueType::StringValue},
        {"[object Array]", JsonValueType::ArrayValue},
        {"[object Object]", JsonValueType::ObjectValue},
        {"[object Number]", JsonValueType::NumberValue},
        {"[object Boolean]", JsonValueType::BooleanValue},
    };
    for (const auto& [name, type] : kKinds) {
        if (kind == Text(name))
            return type;
    }
    return JsonValueType::OtherValue;
}

Text JsonDocument::GetText(const Text& path, std::optional<bool> asJson) {
    Text p = Resolved(path);
    if (asJson.value_or(false))
        return EvalText("JSON.stringify(" + p + ")" + kMarksToBackslashes);
    return EvalText(p + ".toString()" + kMarksToBackslashes);
}

std::int32_t JsonDocument::GetMemberNames(std::vector<Text>& names, const Text& path) {
    Text p = Resolved(path);
    names = Cut(EvalText("get__name_All(" + p + ")"), "\r\n");
    return static_cast<std::int32_t>(names.size());
}

std::int32_t JsonDocument::GetCount(const Text& path) {
    Text p = Resolved(path);
    return LowBits(engine.EvalNumber(("get__count(" + p + ")").view()));
}

JsonDocument JsonDocument::GetSubDocument(const Text& path) {
    JsonDocument temporary;
    Text p = Resolved(path);
    temporary.Parse(EvalText("JSON.stringify(" + p + ")" + kMarksToBackslashes));
    return temporary.Copy();
}

bool JsonDocument::AddItem(const Text& value, const Text& path, std::optional<bool> isExpression,
                           std::optional<bool> atFront) {
    Text p = Resolved(path);
    Text item = isExpression.value_or(false) ? value : Quoted(value);
    Text add = atFront.value_or(false) ? Text(".unshift(") : Text(".push(");
    return EvalBool("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                    " = new Array() } " + p + add + item + ")");
}

JsonDocument JsonDocument::GetItemDocument(std::int32_t index, const Text& path) {
    JsonDocument temporary;
    Text p = Resolved(path);
    temporary.Parse(
        EvalText("JSON.stringify(" + p + "[" + Index(index) + "])" + kMarksToBackslashes));
    return temporary.Copy();
}

Text JsonDocument::GetItemText(std::int32_t index, const Text& path, std::optional<bool> asJson) {
    Text p = Resolved(path);
    if (asJson.value_or(false))
        return EvalText("JSON.stringify(" + p + "[" + Index(index) + "])" + kMarksToBackslashes);
    return EvalText(p + "[" + Index(index) + "]" + kMarksToBackslashes);
}

bool JsonDocument::SetItem(std::int32_t index, const Text& path, const Text& value,
                           std::optional<bool> isExpression) {
    Text p = Resolved(path);
    Text item = isExpression.value_or(false) ? value : Quoted(value);
    return EvalBool(p + "[" + Index(index) + "] = " + item);
}

bool JsonDocument::RemoveItem(std::int32_t index, const Text& path) {
    Text p = Resolved(path);
    return EvalBool(p + ".splice(" + Index(index) + ", 1)");
}

bool JsonDocument::DeleteMember(const Text& path) {
    return EvalBool("delete " + Resolved(path));
}

bool JsonDocument::SetNumber(const Text& path, double number) {
    Text p = Resolved(path);
    // "inf" and "nan" are no script numbers; they are refused rather than looked up as names.
    if (!std::isfinite(number))
        return false;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.13g", number);
    return EvalBool(p + " = " + Text(digits));
}

double JsonDocument::GetNumber(const Text& path) {
    Text p = Resolved(path);
    return engine.EvalNumber(p.view());
}

Text JsonDocument::GetJson(const Text& path) {
    Text p = Resolved(path);
    return EvalText("JSON.stringify(" + p + ")" + kMarksToBackslashes);
}

ScriptEngine JsonDocument::GetEngine() const {
    return engine;
}

std::int32_t JsonDocument::GetAllValues(std::vector<Text>& values, const Text& path,
                                        std::optional<bool> recursive) {
    Text p = Resolved(path);
    engine.Eval("var str_all = new Array()");
    engine.Eval(
        ("get__nodeValue(" + p + ", " + (recursive.value_or(false) ? "true" : "false") + ")")
            .view());
    values = Cut(EvalText("str_all.join('" + ValueSeparator() + "')"), ValueSeparator());
    return static_cast<std::int32_t>(values.size());
}

Text JsonDocument::Resolved(const Text& path) {
    Text p = path;
    ResolvePath(p);
    return p;
}

Text JsonDocument::EvalText(const Text& code) {
    return Text(engine.EvalText(code.view()));
}

bool JsonDocument::EvalBool(const Text& code) {
    return engine.EvalBool(code.view());
}

}  // namespace qelvo

#include "platform/script/ScriptEngine.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QJSManagedValue>
#include <QJSValue>
#include <QString>
#include <QStringList>

#include <atomic>
#include <charconv>
#include <optional>

#include "platform/codepage/Codepage.h"
#include "platform/script/Watchdog.h"

namespace qelvo::platform::script {

namespace {

std::atomic<bool> creationFails{false};

bool IsAscii(std::string_view bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

// ASCII is the same in GBK and UTF-16, and nearly all code and results are ASCII: those skip
// the converter.
QString FromGbk(std::string_view gbk) {
    if (IsAscii(gbk))
        return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    auto wide = codepage::Decode(gbk, "GBK");
    if (!wide)
        return QString();
    return QString::fromUtf16(wide->data(), static_cast<qsizetype>(wide->size()));
}

std::string ToGbk(const QString& text) {
    std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()));
    bool ascii = true;
    for (char16_t unit : units) {
        if (unit >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return std::string(units.begin(), units.end());
    return codepage::Encode(units, "GBK").value_or(std::string());
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QStringView Trimmed(QStringView s) {
    while (!s.isEmpty() && IsBlank(s.front().unicode()))
        s = s.mid(1);
    while (!s.isEmpty() && IsBlank(s.back().unicode()))
        s.chop(1);
    return s;
}

// A string reads as a number only when it is a plain decimal number.
std::optional<double> StringAsNumber(QStringView s) {
    s = Trimmed(s);
    std::string ascii;
    for (QChar c : s) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
        ascii.push_back(static_cast<char>(c.unicode()));
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
        negative = ascii[i++] == '-';
    std::size_t start = i;
    auto digits = [&] {
        std::size_t from = i;
        while (i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9')
            ++i;
        return i - from;
    };
    std::size_t mantissa = digits();
    if (i < ascii.size() && ascii[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
        ++i;
        if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != ascii.size())
        return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(ascii.data() + start, ascii.data() + ascii.size(), value);
    if (end != ascii.data() + ascii.size() && ec != std::errc::result_out_of_range)
        return std::nullopt;
    return negative ? -value : value;
}

bool StringAsBool(QStringView s) {
    QStringView word = Trimmed(s);
    if (word.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    auto number = StringAsNumber(word);
    return number && *number != 0;
}

// One frame of the engine's trace: "function:line:column:source". The function name may
// hold colons, so the fields are taken from the right.
struct Frame {
    int line = 0;
    int column = 0;
    bool inEval = false;
};

Frame ParseFrame(const QString& entry) {
    Frame frame;
    qsizetype sourceAt = entry.lastIndexOf(u':');
    if (sourceAt < 0)
        return frame;
    qsizetype columnAt = entry.lastIndexOf(u':', sourceAt - 1);
    if (columnAt < 0)
        return frame;
    qsizetype lineAt = entry.lastIndexOf(u':', columnAt - 1);
    if (lineAt < 0)
        return frame;
    frame.line = entry.mid(lineAt + 1, columnAt - lineAt - 1).toInt();
    frame.column = entry.mid(columnAt + 1, sourceAt - columnAt - 1).toInt();
    frame.inEval = sourceAt + 1 < entry.size();  // text run by eval names a source of its own
    return frame;
}

// The innermost frame that lies in the caller's code (not in text run by eval).
Frame PickFrame(const QStringList& trace) {
    for (const QString& entry : trace) {
        Frame frame = ParseFrame(entry);
        if (!frame.inEval)
            return frame;
    }
    return trace.isEmpty() ? Frame{} : ParseFrame(trace.front());
}

QString LineOf(const QString& code, int line) {
    if (line < 1)
        return QString();
    qsizetype start = 0;
    for (int n = 1; n < line; ++n) {
        start = code.indexOf(u'\n', start);
        if (start < 0)
            return QString();
        ++start;
    }
    qsizetype end = code.indexOf(u'\n', start);
    QString text = code.mid(start, end < 0 ? -1 : end - start);
    if (text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

enum class Want { kNothing, kBool, kText, kNumber };

struct Outcome {
    bool ran = false;
    bool truth = false;
    std::string text;
    double number = 0;
};

}  // namespace

class ScriptEngine::Impl final : public Watchdog::Target {
  public:
    Impl() : slot_(*this) {}

    // Makes the engine look like the legacy one, before any code runs.
    bool Prepare() {
        QJSValue global = engine_.globalObject();
        global.deleteProperty(QStringLiteral("JSON"));
        global.deleteProperty(QStringLiteral("Promise"));
        global.property(QStringLiteral("Date"))
            .property(QStringLiteral("prototype"))
            .deleteProperty(QStringLiteral("toJSON"));
        return !global.hasProperty(QStringLiteral("JSON")) &&
               !global.hasProperty(QStringLiteral("Promise"));
    }

    void SetInterrupted(bool interrupted) override { engine_.setInterrupted(interrupted); }

    Outcome Run(std::string_view code, Want want) {
        error_ = ErrorInfo{};
        Outcome outcome;
        QString program;
        QStringList trace;
        slot_.Begin();
        // Reading the value may run script too (an object's toString), so it stays inside
        // the watched span.
        try {
            program = FromGbk(code);
            QJSValue result = engine_.evaluate(program, QString(), 1, &trace);
            if (!trace.isEmpty())
                RecordException(result, trace, program);
            else
                outcome = Read(result, want);
        } catch (...) {
            outcome = Outcome{};
            error_ = ErrorInfo{};
            error_.number = kErrorRuntime;
            error_.source = "JavaScript runtime error";
            error_.description = "the engine failed";
        }
        Watchdog::Reason reason = slot_.End();
        if (reason != Watchdog::Reason::kNone) {
            RecordBudget(reason, trace, program);
            return Outcome{};
        }
        return outcome;
    }

    ErrorInfo error_;

  private:
    Outcome Read(const QJSValue& result, Want want) {
        Outcome outcome;
        outcome.ran = true;
        if (want == Want::kNothing)
            return outcome;
        QJSManagedValue value(result, &engine_);
        QString text;
        switch (value.type()) {
            case QJSManagedValue::Undefined:
                return outcome;  // false, "", 0
            case QJSManagedValue::Boolean:
                outcome.truth = value.toBoolean();
                outcome.number = outcome.truth ? -1 : 0;
                outcome.text = outcome.truth ? "true" : "false";
                return outcome;
            case QJSManagedValue::Number:
                outcome.number = value.toNumber();
                outcome.truth = outcome.number != 0;
                if (want == Want::kText)
                    outcome.text = ToGbk(value.toString());
                return outcome;
            case QJSManagedValue::Symbol:
                return outcome;
            case QJSManagedValue::String:
                text = value.toString();
                break;
            default:
                if (value.isNull())
                    return outcome;
                text = value.toString();  // an object's own string form, which may throw
                if (engine_.hasError()) {
                    engine_.catchError();
                    return outcome;
                }
                break;
        }
        switch (want) {
            case Want::kBool:
                outcome.truth = StringAsBool(text);
                break;
            case Want::kText:
                outcome.text = ToGbk(text);
                break;
            case Want::kNumber:
                outcome.number = StringAsNumber(text).value_or(0);
                break;
            case Want::kNothing:
                break;
        }
        return outcome;
    }

    void RecordException(const QJSValue& thrown, const QStringList& trace, const QString& program) {
        Frame frame = PickFrame(trace);
        QString name;
        QString message;
        if (thrown.isError()) {
            name = thrown.property(QStringLiteral("name")).toString();
            message = thrown.property(QStringLiteral("message")).toString();
        } else {
            message = QJSManagedValue(thrown, &engine_).toString();
        }
        if (engine_.hasError())
            engine_.catchError();
        bool syntax = name == QStringLiteral("SyntaxError");
        error_.number = syntax ? kErrorSyntax : kErrorRuntime;
        error_.source = syntax ? "JavaScript compilation error" : "JavaScript runtime error";
        error_.description = ToGbk(message);
        error_.line = frame.line > 0 ? frame.line : 0;
        error_.column = frame.column > 0 ? frame.column : 0;
        error_.text = ToGbk(LineOf(program, frame.line));
    }

    void RecordBudget(Watchdog::Reason reason, const QStringList& trace, const QString& program) {
        Frame frame = PickFrame(trace);
        error_ = ErrorInfo{};
        error_.number = kErrorBudget;
        error_.source = "JavaScript sandbox";
        error_.description = reason == Watchdog::Reason::kTime
                                 ? "the script ran past its time budget"
                                 : "the script grew past its memory budget";
        error_.line = frame.line > 0 ? frame.line : 0;
        error_.text = ToGbk(LineOf(program, frame.line));
    }

    QJSEngine engine_;  // first: the slot below refers to it until the slot is gone
    // Held for the engine's life: with no value of it held outside the engine, every
    // object-valued result would allocate and free a page of the handle store (~40 us).
    QJSValue anchor_ = engine_.globalObject();
    Watchdog::Slot slot_;
};

ScriptEngine::ScriptEngine() noexcept = default;
ScriptEngine::~ScriptEngine() = default;
ScriptEngine::ScriptEngine(const ScriptEngine&) noexcept = default;
ScriptEngine& ScriptEngine::operator=(const ScriptEngine&) noexcept = default;
ScriptEngine::ScriptEngine(ScriptEngine&&) noexcept = default;
ScriptEngine& ScriptEngine::operator=(ScriptEngine&&) noexcept = default;
ScriptEngine::ScriptEngine(std::shared_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}

ScriptEngine ScriptEngine::Create(std::string_view language) {
    // QJSEngine cannot exist without an application object (it aborts the process).
    if (language != "JavaScript" || creationFails.load() || !QCoreApplication::instance())
        return ScriptEngine();
    try {
        auto impl = std::make_shared<Impl>();
        if (!impl->Prepare())
            return ScriptEngine();
        return ScriptEngine(std::move(impl));
    } catch (...) {
        return ScriptEngine();
    }
}

void ScriptEngine::Release() noexcept {
    impl_.reset();
}

long ScriptEngine::ReferenceCount() const noexcept {
    return impl_.use_count();
}

bool ScriptEngine::AddCode(std::string_view code) {
    return impl_ && impl_->Run(code, Want::kNothing).ran;
}

bool ScriptEngine::Eval(std::string_view code) {
    return impl_ && impl_->Run(code, Want::kNothing).ran;
}

bool ScriptEngine::EvalBool(std::string_view code) {
    return impl_ && impl_->Run(code, Want::kBool).truth;
}

std::string ScriptEngine::EvalText(std::string_view code) {
    return impl_ ? impl_->Run(code, Want::kText).text : std::string();
}

double ScriptEngine::EvalNumber(std::string_view code) {
    return impl_ ? impl_->Run(code, Want::kNumber).number : 0;
}

ErrorInfo ScriptEngine::Error() const {
    return impl_ ? impl_->error_ : ErrorInfo{};
}

namespace testing {

std::chrono::milliseconds SetTimeBudget(std::chrono::milliseconds budget) {
    return Watchdog::SetTimeBudget(budget);
}

std::size_t SetMemoryBudget(std::size_t bytes) {
    return Watchdog::SetMemoryBudget(bytes);
}

void SetCreationFails(bool fails) {
    creationFails.store(fails);
}

}  // namespace testing

}  // namespace qelvo::platform::script

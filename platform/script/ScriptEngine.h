#pragma once
// A sandboxed JavaScript engine: the stand-in for the platform's script control.
//
// The engine offers the standard language built-ins and nothing else: no host objects (no
// print, console, timers, network, file or process access). Before anything runs, the native
// JSON object, Date.prototype.toJSON and Promise are removed, so the engine looks like the
// legacy engine the system's scripts were written for (Promise also because its reactions
// would run later from the event loop, outside any call and its budget).
//
// Every AddCode / Eval call runs under a budget: past kTimeBudget, or once the process has
// grown by more than kMemoryBudget during the call, it is interrupted and fails like a script
// error (Number kErrorBudget). The engine stays usable for the next call.
//
// Text crosses the boundary as GBK: code is decoded GBK -> UTF-16, results are encoded back,
// and a character GBK lacks becomes "?". Strings here are GBK bytes.
//
// Threads: an engine is created and called on one thread, the one that owns the application
// object in this system. It needs a Qt application object (any QCoreApplication) to exist:
// without one, Create fails.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qelvo::platform::script {

/// Longest time one AddCode / Eval call may run.
inline constexpr std::chrono::milliseconds kTimeBudget{3000};
/// Most the process may grow (resident memory) during one call; checked where the platform
/// reports resident memory (Linux), every few milliseconds of a call that runs that long.
inline constexpr std::size_t kMemoryBudget = std::size_t{512} << 20;

/// Values of ErrorInfo::number.
inline constexpr double kErrorSyntax = 1002;  ///< the code, or text given to eval, does not compile
inline constexpr double kErrorRuntime = 5000;  ///< an exception: an Error or any thrown value
inline constexpr double kErrorBudget = 5001;   ///< interrupted past its time or memory budget

/// The engine's error object: what the last AddCode / Eval call left. After a call that ran
/// without error every field is 0 or empty.
struct ErrorInfo {
    double number = 0;        ///< 0 or one of the kError* values
    std::string source;       ///< "JavaScript compilation error", "JavaScript runtime error"
                              ///< or "JavaScript sandbox"
    std::string description;  ///< the engine's message ("Expected token `)'"), the thrown value
                              ///< as text, or which budget ran out
    std::string helpFile;     ///< always empty
    double helpContext = 0;   ///< always 0
    std::string text;         ///< the line of the code the error is on, without its line break
    double line = 0;          ///< 1-based line in the code; 0 when unknown
    double column = 0;        ///< 1-based column (compilation errors only); 0 when unknown
};

/// A counted reference to an engine. Copies drive the same engine; the engine ends with its
/// last reference. Every call on an empty reference, and every call that fails, gives the
/// empty value of its kind (false, "", 0) and never throws.
class ScriptEngine {
  public:
    /// An empty reference.
    ScriptEngine() noexcept;
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) noexcept;
    ScriptEngine& operator=(const ScriptEngine&) noexcept;
    ScriptEngine(ScriptEngine&&) noexcept;
    ScriptEngine& operator=(ScriptEngine&&) noexcept;

    /// A new engine for `language`, which must be exactly "JavaScript". Empty when the
    /// language is another, no application object exists, or the engine cannot be made.
    [[nodiscard]] static ScriptEngine Create(std::string_view language);

    [[nodiscard]] bool empty() const noexcept { return !impl_; }
    /// Drops this reference (the engine ends when it was the last one).
    void Release() noexcept;
    /// How many references share this engine; 0 for an empty reference.
    [[nodiscard]] long ReferenceCount() const noexcept;

    /// Runs `code` in the engine's global scope: its declarations stay for later calls.
    /// True when it ran without error.
    bool AddCode(std::string_view code);
    /// Runs `code` (statements or an expression, same global scope) and discards its value.
    /// True when it ran without error.
    bool Eval(std::string_view code);
    /// The value of the last expression `code` evaluated, read as a truth value: a boolean as
    /// it is; a number is true unless 0; a string is true or false when it reads
    /// "true"/"false" (letter case and surrounding blanks ignored), else as the number it
    /// reads as, else false; undefined and null are false; an object reads as its string.
    [[nodiscard]] bool EvalBool(std::string_view code);
    /// The same value as text: a string as it is, a number in the engine's own form (integers
    /// as plain digits), a boolean as "true"/"false", undefined as "", an object as its
    /// string; null and symbols do not convert (failure, "").
    [[nodiscard]] std::string EvalText(std::string_view code);
    /// The same value as a number: a number as it is, true -1, false 0, a string only when it
    /// is a decimal number (optional blanks and sign, digits with an optional fraction and
    /// exponent), else 0; undefined and null 0; an object reads as its string.
    [[nodiscard]] double EvalNumber(std::string_view code);
    /// The error object of the last call (all empty for an empty reference).
    [[nodiscard]] ErrorInfo Error() const;

  private:
    class Impl;
    explicit ScriptEngine(std::shared_ptr<Impl> impl) noexcept;
    std::shared_ptr<Impl> impl_;
};

/// Seams for tests. Not for the system's code.
namespace testing {
/// Sets the time budget of the calls that start from now on; returns the previous one.
std::chrono::milliseconds SetTimeBudget(std::chrono::milliseconds budget);
/// Sets the memory budget of the calls that start from now on; returns the previous one.
std::size_t SetMemoryBudget(std::size_t bytes);
/// While true, Create fails as if the engine could not be made.
void SetCreationFails(bool fails);
}  // namespace testing

}  // namespace qelvo::platform::script

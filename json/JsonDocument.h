#pragma once
// A JSON value held in a script engine of its own, read and changed through paths.
//
// The value lives in the engine's global variable "da". Every operation builds a short
// statement around it and evaluates it, so a path or a parsed text is script: lenient JSON
// (unquoted names, single quotes) is accepted, and whatever a text holds runs in the engine's
// sandbox (no host objects, a time and memory budget per evaluation).
//
// Paths are GBK Text holding a member expression relative to the document: "data.list[0].name",
// "[2]" for an array document, "" for the whole document. A path that starts with "da" and
// already holds a value is taken as a full expression ("da.code"); any other is put under the
// document ("code" -> da.code, "da.code" with no such member -> da.da.code).
//
// Backslashes: a text stored by SetValue keeps each backslash as the mark U+2400 inside the
// engine, and every read of text or JSON text (ToJson, GetText, GetItemText, GetJson, and the
// sub-document reads) turns the marks back into raw backslashes. A backslash that came in
// through parsed JSON is an ordinary character and comes out escaped as "\\".
//
// JSON text is compact (no blanks, no line breaks), members in enumeration order, undefined
// and function members left out, null for such array elements and for non-finite numbers,
// dates as "YYYY-MM-DDTHH:MM:SSZ" (UTC), strings escaped as \" \\ \b \t \n \f \r and \uXXXX
// (lower-case hex) for U+0000-001F, U+007F-009F, U+00AD, U+0600-0604, U+070F, U+17B4-17B5,
// U+200C-200F, U+2028-202F, U+2060-206F, U+FEFF and U+FFF0-FFFF; every other character as is.
//
// Nothing throws and nothing is shown: a failure gives the empty value of the result type.
// A document and its copies stay on the thread that made them.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/script/ScriptEngine.h"
#include "text/Text.h"

namespace qelvo {

/// The kind of value at a path (GetType).
enum class JsonValueType : std::int32_t {
    Absent = 0,  ///< null or undefined
    BooleanValue = 1,
    NumberValue = 2,
    ObjectValue = 4,
    ArrayValue = 5,
    StringValue = 6,
    OtherValue = -1,  ///< a date, a function, or the path could not be evaluated
};

/// The engine's error object as Parse hands it out. Numbers are the engine's values truncated
/// toward zero, low 32 bits.
struct ScriptError {
    std::int32_t number = 0;
    Text source;
    Text description;
    Text helpFile;
    std::int32_t helpContext = 0;
    Text text;  ///< the line of script the error is on
    std::int32_t line = 0;
    std::int32_t column = 0;
};

/// The operations are virtual and call each other through the table in this order (Parse
/// calls Init; every path operation calls ResolvePath first), so a subclass sees them all.
class JsonDocument {
  public:
    /// variableName "da", then Init. Without an engine (it could not be made) every operation
    /// gives its empty result.
    JsonDocument();
    /// Destroy: drops the engine reference and this document's component initialisation.
    virtual ~JsonDocument();
    JsonDocument(JsonDocument&& other) noexcept;
    JsonDocument& operator=(JsonDocument&& other) noexcept;
    JsonDocument(const JsonDocument&) = delete;  // sharing an engine is explicit: Copy
    JsonDocument& operator=(const JsonDocument&) = delete;

    /// A new document on the same engine: both see and change the same data.
    [[nodiscard]] virtual JsonDocument Copy() const;
    /// Starts a new engine with the helper script and an empty object as the document.
    virtual void Init();
    /// Loads `json` on a fresh engine: "var da = eval(json)", or with assignDirectly
    /// "var da = json". True when the document then holds neither null nor undefined.
    /// `error`, when given, receives the engine's error object of the load (all empty after a
    /// load without error); it is left alone when the document has no engine.
    virtual bool Parse(const Text& json, std::optional<bool> assignDirectly = std::nullopt,
                       ScriptError* error = nullptr);
    /// The document becomes {}. The result is the statement's truth value (false).
    virtual bool Clear();
    /// The whole document as JSON text; "" when it holds undefined.
    [[nodiscard]] virtual Text ToJson();
    /// asJson false: stores `value` as a string (backslashes as marks). asJson true: `value`
    /// is script (normally JSON; "" means {}) merged into an object already at the path
    /// (arrays appended to, objects merged member by member, other members overwritten,
    /// functions kept); anywhere else the path is set to eval(value). Result: the
    /// statement's truth value, not a success flag.
    virtual bool SetValue(const Text& path, const Text& value,
                          std::optional<bool> asJson = std::nullopt);
    /// Sets the path to eval(expression).
    virtual bool SetExpression(const Text& path, const Text& expression);
    /// Rewrites `path` into a full expression, in place; true when it holds a value.
    virtual bool ResolvePath(Text& path);
    [[nodiscard]] virtual bool Exists(const Text& path = Text());
    /// Absent for a missing last member, OtherValue for a missing parent or a date.
    [[nodiscard]] virtual JsonValueType GetType(const Text& path = Text());
    /// A string as its characters, a number in the engine's form (integers as plain digits),
    /// "true"/"false", "[object Object]", an array's elements joined with ","; "" for null,
    /// undefined or a missing parent. With asJson: the JSON text ("null" for null).
    [[nodiscard]] virtual Text GetText(const Text& path = Text(),
                                       std::optional<bool> asJson = std::nullopt);
    /// The names of an object's members (not of functions), in order; none for anything
    /// else. `names` is replaced; the result is its size. See "Pieces" below.
    virtual std::int32_t GetMemberNames(std::vector<Text>& names, const Text& path = Text());
    /// An array's length; 0 for anything else.
    [[nodiscard]] virtual std::int32_t GetCount(const Text& path = Text());
    /// An independent document made from the value's JSON text (Parse in the default form, so
    /// a string value is run as script). Failed state (holds undefined) when it is missing.
    [[nodiscard]] virtual JsonDocument GetSubDocument(const Text& path = Text());
    /// Pushes `value` (quoted as '...' unless isExpression, nothing escaped) onto the array at
    /// the path, or unshifts it with atFront; anything else there is replaced by [] first.
    virtual bool AddItem(const Text& value, const Text& path = Text(),
                         std::optional<bool> isExpression = std::nullopt,
                         std::optional<bool> atFront = std::nullopt);
    /// GetSubDocument of element `index` of the array at the path.
    [[nodiscard]] virtual JsonDocument GetItemDocument(std::int32_t index,
                                                       const Text& path = Text());
    /// Element `index` as text (string elements only; others give "") or JSON text.
    [[nodiscard]] virtual Text GetItemText(std::int32_t index, const Text& path = Text(),
                                           std::optional<bool> asJson = std::nullopt);
    /// Sets element `index` to `value` (quoted as '...' unless isExpression, nothing escaped).
    virtual bool SetItem(std::int32_t index, const Text& path, const Text& value,
                         std::optional<bool> isExpression = std::nullopt);
    /// Removes element `index`; later elements move up.
    virtual bool RemoveItem(std::int32_t index, const Text& path = Text());
    /// "delete P": true also for a missing member of an existing object.
    virtual bool DeleteMember(const Text& path);
    /// Sets the number written as "%.13g"; false without evaluating for inf and NaN.
    virtual bool SetNumber(const Text& path, double number);
    /// The value read as a number: itself, a numeric string, -1 for true; else 0.
    [[nodiscard]] virtual double GetNumber(const Text& path = Text());
    /// The JSON text of the value at the path; "" when it is missing.
    [[nodiscard]] virtual Text GetJson(const Text& path = Text());
    /// Another reference to the engine (empty when there is none).
    [[nodiscard]] virtual platform::script::ScriptEngine GetEngine() const;
    /// The string, number and boolean members under the path in enumeration order (nested
    /// objects and arrays depth first with recursive, skipped without it); null members are
    /// skipped. No backslash marks are turned back. `values` is replaced; see "Pieces".
    virtual std::int32_t GetAllValues(std::vector<Text>& values, const Text& path = Text(),
                                      std::optional<bool> recursive = std::nullopt);

    // Pieces: GetMemberNames and GetAllValues join inside the engine (with CR LF, and with
    // "[2020年7月20日20时0分0秒]") and cut the text here: every separator ends a piece (empty
    // pieces survive), a non-empty rest is the last piece, so an empty last value is lost and
    // a value holding the separator is cut in two. Double-byte characters are never split.

  private:
    struct Shared {};
    JsonDocument(Text variableName, platform::script::ScriptEngine engine, Shared);
    [[nodiscard]] Text Resolved(const Text& path);
    [[nodiscard]] Text EvalText(const Text& code);
    bool EvalBool(const Text& code);

    Text variableName;
    platform::script::ScriptEngine engine;
    bool holdsCom = false;  // this document's one component initialisation on its thread
};

/// The script every document engine starts with: get__nodeValue, get__count, get__name_All,
/// get__extend and the engine's JSON support (JSON.stringify, JSON.parse, the toJSON methods,
/// Object.prototype.toJSONString and parseJSON).
extern const char* const JsonHelperScript;

}  // namespace qelvo

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "json/JsonDocument.h"
#include "platform/com/Com.h"
#include "platform/script/ScriptEngine.h"
#include "tests/json/JsonTestSupport.h"

namespace qelvo {
namespace {

namespace script = platform::script;
using std::chrono::milliseconds;

const char* const kAnswerNumberCode =
    R"({"code":2000,"message":"ok","data":{"dailyApplication":false,"dailyReport1":true,)"
    R"("weekReportPages":12,"loginDays":"3","totalActivePoint":35.5,"nothing":null}})";
const char* const kAnswerStringCode = R"({"code":"2000","message":"",)"
                                      R"("data":{"dailyApplication":"false"}})";

struct ReadCase {
    const char* answer;
    const char* path;
    const char* text;
    const char* json;
};

TEST(JsonRead, TheCheckRunReads) {
    const ReadCase cases[] = {
        {kAnswerNumberCode, "code", "2000", "2000"},
        {kAnswerStringCode, "code", "2000", "\"2000\""},
        {kAnswerNumberCode, "message", "ok", "\"ok\""},
        {kAnswerStringCode, "message", "", "\"\""},
        {kAnswerNumberCode, "data.dailyApplication", "false", "false"},
        {kAnswerStringCode, "data.dailyApplication", "false", "\"false\""},
        {kAnswerNumberCode, "data.dailyReport1", "true", "true"},
        {kAnswerNumberCode, "data.weekReportPages", "12", "12"},
        {kAnswerNumberCode, "data.loginDays", "3", "\"3\""},
        {kAnswerNumberCode, "data.totalActivePoint", "35.5", "35.5"},
        {kAnswerNumberCode, "data.nothing", "", "null"},
        {kAnswerNumberCode, "data.weekLogin", "", ""},
        {kAnswerNumberCode, "missing.weekLogin", "", ""},
        {kAnswerNumberCode, "data.nothing.deeper", "", ""},
        {"[1,[2,3]]", "", "1,2,3", "[1,[2,3]]"},
        {"{\"a\":{\"b\":1}}", "", "[object Object]", "{\"a\":{\"b\":1}}"},
        {"{\"a\":{\"b\":1}}", "a", "[object Object]", "{\"b\":1}"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(std::string(c.answer) + " | " + c.path);
        JsonDocument doc = Parsed(c.answer);
        EXPECT_EQ(doc.GetText(Text(c.path)), Text(c.text));
        EXPECT_EQ(doc.GetText(Text(c.path), true), Text(c.json));
        EXPECT_EQ(doc.GetJson(Text(c.path)), Text(c.json));
    }
}

TEST(JsonRead, PathForms) {
    JsonDocument doc = Parsed(R"({"code":7,"da":{"code":8},"list":[{"name":"n0"}]})");
    const std::pair<const char*, const char*> cases[] = {
        {"code", "7"},
        {"da.code", "7"},
        {"[\"code\"]", "7"},
        {"['code']", "7"},
        {"da.da.code", "8"},  // a member named da needs the full path
        {"da.da", "[object Object]"},
        {"list[0].name", "n0"},
        {"da.list[0]['name']", "n0"},
        {"da", "[object Object]"},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(doc.GetText(Text(path)), Text(expected));
    }
    // ResolvePath rewrites in place and reports whether the value is there.
    const std::pair<const char*, const char*> rewrites[] = {
        {"", "da"},
        {"[0]", "da[0]"},
        {"code", "da.code"},
        {"da.code", "da.code"},
        {"data.x", "da.data.x"},
        {"da.nope", "da.da.nope"},
    };
    for (const auto& [path, expected] : rewrites) {
        SCOPED_TRACE(path);
        Text p(path);
        (void)doc.ResolvePath(p);
        EXPECT_EQ(p, Text(expected));
    }
    EXPECT_TRUE(doc.Exists("code"));
    EXPECT_FALSE(doc.Exists("nope"));
    EXPECT_FALSE(doc.Exists("nope.deeper"));
}

struct ParseCase {
    const char* text;
    bool assignDirectly;
    bool result;
    const char* json;  // ToJson afterwards
};

TEST(JsonParse, Forms) {
    const ParseCase cases[] = {
        {"", false, false, ""},  // eval() gives undefined
        {"", true, false, "null"},
        {"null", false, false, "null"},
        {"0", false, true, "0"},
        {"[]", false, true, "[]"},
        {"{}", true, true, "{}"},
        {"{a:1,'b':'x'}", false, true, R"({"a":1,"b":"x"})"},
        {"{\"a\":1} // trailing comment", false, false, "null"},
        {"{\"a\":1} // trailing comment", true, true, R"({"a":1})"},
        {"\"[1,2]\"", false, true, "[1,2]"},
        {"\"true\"", false, true, "true"},
        {R"("{\"a\":1}")", false, false, "null"},  // the braces are read as a block
        {"\"abc\"", false, false, "null"},
        {"{\"a\":", false, false, "null"},
        {"{\"a\":1}\r\n", false, true, R"({"a":1})"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.assignDirectly ? " (direct)" : ""));
        JsonDocument doc;
        EXPECT_EQ(doc.Parse(Text(c.text), c.assignDirectly), c.result);
        EXPECT_EQ(doc.ToJson(), Text(c.json));
    }
}

TEST(JsonParse, ErrorRecord) {
    JsonDocument doc;
    ScriptError error;
    EXPECT_FALSE(doc.Parse("{\"a\":1,", std::nullopt, &error));
    EXPECT_EQ(error.number, 1002);
    EXPECT_EQ(error.source, Text("JavaScript compilation error"));
    EXPECT_FALSE(error.description.empty());
    EXPECT_EQ(error.line, 1);
    EXPECT_EQ(error.text, Text("var da = eval({\"a\":1,)"));

    EXPECT_FALSE(doc.Parse("\n(function () { throw new Error('bad answer') })()", true, &error));
    EXPECT_EQ(error.number, 5000);
    EXPECT_EQ(error.description, Text("bad answer"));
    EXPECT_EQ(error.line, 2);

    // A good parse clears the record.
    EXPECT_TRUE(doc.Parse("[1]", std::nullopt, &error));
    EXPECT_EQ(error.number, 0);
    EXPECT_EQ(error.description, Text());
    EXPECT_EQ(error.line, 0);
}

TEST(JsonParse, StartsAFreshEngine) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse("{\"a\":1}"));
    (void)doc.SetValue("b", "set");
    script::ScriptEngine before = doc.GetEngine();
    EXPECT_FALSE(doc.Parse("{"));
    EXPECT_TRUE(doc.Parse("{\"c\":2}"));
    EXPECT_EQ(doc.ToJson(), Text(R"({"c":2})"));
    EXPECT_EQ(before.EvalText("da.b"), "set");  // the old engine is another one
    EXPECT_EQ(doc.GetEngine().EvalText("typeof get__extend + typeof str_reg"), "functionobject");
}

TEST(JsonDocument, CopiesShareTheEngine) {
    JsonDocument doc = Parsed("{\"a\":1}");
    JsonDocument copy = doc.Copy();
    (void)copy.SetValue("b", "x");
    EXPECT_EQ(doc.GetText("b"), Text("x"));
    (void)doc.SetNumber("a", 5);
    EXPECT_EQ(copy.GetText("a"), Text("5"));
    EXPECT_EQ(doc.GetEngine().ReferenceCount(), 3);  // doc, copy and the one just handed out
}

// Counts the calls that go through the table.
class CountingDocument : public JsonDocument {
  public:
    int inits = 0;
    int resolves = 0;
    void Init() override {
        ++inits;
        JsonDocument::Init();
    }
    bool ResolvePath(Text& path) override {
        ++resolves;
        return JsonDocument::ResolvePath(path);
    }
};

TEST(JsonDocument, OperationsCallEachOtherThroughTheTable) {
    CountingDocument doc;
    EXPECT_TRUE(doc.Parse("{\"a\":[1]}"));
    EXPECT_EQ(doc.inits, 1);
    EXPECT_EQ(doc.GetText("a"), Text("1"));
    EXPECT_EQ(doc.GetCount("a"), 1);
    EXPECT_TRUE(doc.AddItem("2", "a", true));
    EXPECT_EQ(doc.resolves, 3);
    EXPECT_EQ(doc.ToJson(), Text(R"({"a":[1,2]})"));  // no path, no ResolvePath
    EXPECT_EQ(doc.resolves, 3);
}

TEST(JsonDocument, ComInitialisationStaysBalanced) {
    const int before = platform::com::InitCount();
    {
        JsonDocument doc;
        EXPECT_GT(platform::com::InitCount(), before);
        (void)doc.Parse("{\"a\":{\"b\":[1]}}");
        (void)doc.Parse("[");
        JsonDocument sub = doc.GetSubDocument("a");
        JsonDocument item = sub.GetItemDocument(0, "b");
        JsonDocument moved = std::move(sub);
        { JsonDocument copy = doc.Copy(); }
        EXPECT_GT(platform::com::InitCount(), before);
    }
    EXPECT_EQ(platform::com::InitCount(), before);
}

TEST(JsonRead, Kinds) {
    JsonDocument doc = Parsed(R"({"s":"x","n":1,"b":false,"o":{},"a":[1,2,3],"z":null})");
    (void)doc.SetExpression("d", "new Date(0)");
    (void)doc.SetExpression("f", "(function () { return function () {} })()");
    const std::pair<const char*, JsonValueType> cases[] = {
        {"s", JsonValueType::StringValue},  {"n", JsonValueType::NumberValue},
        {"b", JsonValueType::BooleanValue}, {"o", JsonValueType::ObjectValue},
        {"a", JsonValueType::ArrayValue},   {"z", JsonValueType::Absent},
        {"missing", JsonValueType::Absent}, {"missing.child", JsonValueType::OtherValue},
        {"d", JsonValueType::OtherValue},   {"f", JsonValueType::OtherValue},
        {"", JsonValueType::ObjectValue},
    };
    for (const auto& [path, type] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(doc.GetType(Text(path)), type);
    }
    EXPECT_EQ(doc.GetCount("a"), 3);
    EXPECT_EQ(doc.GetCount("o"), 0);
    EXPECT_EQ(doc.GetCount("missing"), 0);
    EXPECT_EQ(doc.GetNumber("n"), 1);
    EXPECT_EQ(doc.GetNumber("b"), 0);
    EXPECT_EQ(doc.GetNumber("missing"), 0);
    EXPECT_TRUE(doc.SetValue("t", "true", true));
    EXPECT_EQ(doc.GetNumber("t"), -1);
    EXPECT_TRUE(doc.SetValue("ns", " 12.5 "));
    EXPECT_EQ(doc.GetNumber("ns"), 12.5);
    EXPECT_EQ(doc.GetNumber("s"), 0);
    // Elements: without asJson only strings have text.
    JsonDocument list = Parsed(R"(["x",5,null,{"k":1}])");
    EXPECT_EQ(list.GetItemText(0), Text("x"));
    EXPECT_EQ(list.GetItemText(1), Text(""));
    EXPECT_EQ(list.GetItemText(1, "", true), Text("5"));
    EXPECT_EQ(list.GetItemText(2, "", true), Text("null"));
    EXPECT_EQ(list.GetItemText(3, "", true), Text(R"({"k":1})"));
    EXPECT_EQ(list.GetItemText(9, "", true), Text(""));
    EXPECT_EQ(list.GetItemText(-1, "", true), Text(""));
}

TEST(JsonRead, SubDocumentsAreIndependentCopies) {
    JsonDocument doc =
        Parsed(R"({"o":{"k":[1,2]},"list":[{"x":1},"[3]","{\"a\":1}"],"s":"[4,5]"})");
    JsonDocument sub = doc.GetSubDocument("o");
    EXPECT_EQ(sub.ToJson(), doc.GetJson("o"));
    (void)sub.SetNumber("k", 9);
    EXPECT_EQ(doc.GetJson("o"), Text(R"({"k":[1,2]})"));
    EXPECT_EQ(sub.ToJson(), Text(R"({"k":9})"));

    EXPECT_EQ(doc.GetItemDocument(0, "list").ToJson(), Text(R"({"x":1})"));
    // A string value is parsed by evaluation: an array literal inside survives, an object
    // does not, and a missing value leaves undefined.
    EXPECT_EQ(doc.GetItemDocument(1, "list").ToJson(), Text("[3]"));
    EXPECT_EQ(doc.GetItemDocument(2, "list").ToJson(), Text("null"));
    EXPECT_EQ(doc.GetSubDocument("s").GetCount(), 2);
    EXPECT_EQ(doc.GetSubDocument("missing").ToJson(), Text(""));
    EXPECT_EQ(doc.GetItemDocument(7, "list").ToJson(), Text(""));
}

TEST(JsonRead, MemberNamesAndValuesAreCutIntoPieces) {
    const Text sep = GbkText(u8"[2020年7月20日20时0分0秒]");
    JsonDocument doc = Parsed(R"({"a":"x","b":"","c":"y","n":null,"o":{"d":"z","e":[1,true]},)"
                              R"("num":3,"f":false})");
    std::vector<Text> values{Text("stale")};
    EXPECT_EQ(doc.GetAllValues(values), 5);
    EXPECT_EQ(values, (std::vector<Text>{"x", "", "y", "3", "false"}));
    EXPECT_EQ(doc.GetAllValues(values, "", true), 8);
    EXPECT_EQ(values, (std::vector<Text>{"x", "", "y", "z", "1", "true", "3", "false"}));
    EXPECT_EQ(doc.GetAllValues(values, "o"), 1);
    EXPECT_EQ(values, std::vector<Text>{"z"});

    const std::pair<const char*, std::vector<Text>> valueCases[] = {
        {R"({"a":"x","b":""})", {"x"}},  // a trailing empty value is lost
        {R"({"a":"","b":"x"})", {"", "x"}}, {R"({"a":""})", {}}, {R"([])", {}},
        {R"(["p",["q"],"r"])", {"p", "r"}},
    };
    for (const auto& [json, expected] : valueCases) {
        SCOPED_TRACE(json);
        JsonDocument d = Parsed(Text(json));
        EXPECT_EQ(d.GetAllValues(values), static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(values, expected);
    }
    // A value holding the separator is cut there, but bytes of a double-byte character that
    // look like its start are not: 乕 is 81 5B, and 5B is "[".
    JsonDocument cut;
    (void)cut.SetValue("v", "p" + sep + "q");
    (void)cut.SetValue("w", GbkText(u8"乕") + Text(sep.view().substr(1)));
    EXPECT_EQ(cut.GetAllValues(values), 3);
    EXPECT_EQ(values, (std::vector<Text>{"p", "q", GbkText(u8"乕") + Text(sep.view().substr(1))}));

    std::vector<Text> names{Text("stale")};
    EXPECT_EQ(doc.GetMemberNames(names), 7);
    EXPECT_EQ(names, (std::vector<Text>{"a", "b", "c", "n", "o", "num", "f"}));
    (void)doc.SetExpression("fn", "(function () { return function () {} })()");
    EXPECT_EQ(doc.GetMemberNames(names), 7);  // no function
    EXPECT_EQ(doc.GetMemberNames(names, "o"), 2);
    EXPECT_EQ(names, (std::vector<Text>{"d", "e"}));
    EXPECT_EQ(doc.GetMemberNames(names, "o.e"), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(doc.GetMemberNames(names, "missing"), 0);
    JsonDocument odd = Parsed(R"({"a\r\nb":1,"":2})");
    EXPECT_EQ(odd.GetMemberNames(names), 2);
    EXPECT_EQ(names, (std::vector<Text>{"a", "b"}));  // "" as last name is lost too
}

TEST(JsonText, GbkSurvivesByteForByte) {
    const Text answer = GbkText(u8R"({"名字":"张三","列表":["乗","表\\"]})");
    JsonDocument doc = Parsed(answer);
    EXPECT_EQ(doc.GetText(GbkText(u8"名字")), GbkText(u8"张三"));
    EXPECT_EQ(doc.GetText(GbkText(u8"列表[0]")), GbkText(u8"乗"));
    EXPECT_EQ(doc.GetItemText(1, GbkText(u8"列表")), GbkText(u8"表\\"));
    EXPECT_EQ(doc.ToJson(), answer);
    std::vector<Text> names;
    EXPECT_EQ(doc.GetMemberNames(names), 2);
    EXPECT_EQ(names, (std::vector<Text>{GbkText(u8"名字"), GbkText(u8"列表")}));
    // Characters GBK lacks come out as "?".
    JsonDocument other = Parsed("[\"\\u00e9\\ud83d\\ude00\"]");
    EXPECT_EQ(other.GetItemText(0), Text("\xA8\xA6?"));  // é is in GBK, the emoji is not
}

struct EscapeCase {
    int code;
    const char* json;  // nullptr: written unchanged
};

TEST(JsonText, EscapesExactlyTheListedCharacters) {
    const EscapeCase cases[] = {
        {0x00, "\\u0000"}, {0x07, "\\u0007"},   {0x08, "\\b"},       {0x09, "\\t"},
        {0x0A, "\\n"},     {0x0B, "\\u000b"},   {0x0C, "\\f"},       {0x0D, "\\r"},
        {0x1F, "\\u001f"}, {0x20, nullptr},     {0x22, "\\\""},      {0x27, nullptr},
        {0x2F, nullptr},   {0x5C, "\\\\"},      {0x7E, nullptr},     {0x7F, "\\u007f"},
        {0x9F, "\\u009f"}, {0xA0, nullptr},     {0xAC, nullptr},     {0xAD, "\\u00ad"},
        {0xAE, nullptr},   {0x5FF, nullptr},    {0x600, "\\u0600"},  {0x604, "\\u0604"},
        {0x605, nullptr},  {0x70E, nullptr},    {0x70F, "\\u070f"},  {0x710, nullptr},
        {0x17B3, nullptr}, {0x17B4, "\\u17b4"}, {0x17B5, "\\u17b5"}, {0x17B6, nullptr},
        {0x200B, nullptr}, {0x200C, "\\u200c"}, {0x200F, "\\u200f"}, {0x2010, nullptr},
        {0x2027, nullptr}, {0x2028, "\\u2028"}, {0x202F, "\\u202f"}, {0x2030, nullptr},
        {0x205F, nullptr}, {0x2060, "\\u2060"}, {0x206F, "\\u206f"}, {0x2070, nullptr},
        {0x2400, nullptr}, {0xFEFE, nullptr},   {0xFEFF, "\\ufeff"}, {0xFF00, nullptr},
        {0xFFEF, nullptr}, {0xFFF0, "\\ufff0"}, {0xFFFF, "\\uffff"}, {0x4E2D, nullptr},
    };
    JsonDocument doc;
    script::ScriptEngine engine = doc.GetEngine();
    for (const EscapeCase& c : cases) {
        const std::string ch = "String.fromCharCode(" + std::to_string(c.code) + ")";
        SCOPED_TRACE(ch);
        // In the engine, before any conversion to GBK: the value and its member name.
        const std::string json = "JSON.stringify(" + ch + ")";
        const std::string member =
            "(function () { var o = {}; o[" + ch + "] = 1; return JSON.stringify(o) })()";
        if (c.json) {
            EXPECT_EQ(engine.EvalText(json), std::string("\"") + c.json + "\"");
            EXPECT_EQ(engine.EvalText(member), std::string("{\"") + c.json + "\":1}");
        } else {
            EXPECT_TRUE(engine.EvalBool(json + " === '\"' + " + ch + " + '\"'"));
            EXPECT_TRUE(engine.EvalBool(member + " === '{\"' + " + ch + " + '\":1}'"));
        }
    }
}

struct JsonTextCase {
    const char* expression;
    const char* json;
};

TEST(JsonText, TheSystemsJsonText) {
    const JsonTextCase cases[] = {
        {"{b: 1, a: [1, undefined, function () {}, null], f: function () {}, u: undefined}",
         R"({"b":1,"a":[1,null,null,null]})"},
        {"[NaN, -Infinity, 1.5, -0, 1e21, 2000, 0.1]", "[null,null,1.5,0,1e+21,2000,0.1]"},
        {"{d: new Date(Date.UTC(2020, 6, 20, 12, 0, 5, 250)), bad: new Date(NaN)}",
         R"({"d":"2020-07-20T12:00:05Z","bad":null})"},
        {"[new String('s'), new Number(2), new Boolean(false)]", R"(["s",2,false])"},
        {"{z: 1, a: 2, m: {y: [{}, []]}}", R"({"z":1,"a":2,"m":{"y":[{},[]]}})"},
        {"{toJSON: function () { return 'own' }}", "\"own\""},
        {"(function () { var o = Object.create({inherited: 1}); o.own = 2; return o })()",
         R"({"own":2})"},
        {"'say \"hi\"\\\\'", R"("say \"hi\"\\")"},
    };
    for (const JsonTextCase& c : cases) {
        SCOPED_TRACE(c.expression);
        JsonDocument doc;
        EXPECT_TRUE(doc.Parse(Text("(") + c.expression + ")", true));
        EXPECT_EQ(doc.ToJson(), Text(c.json));
    }
}

TEST(JsonText, JsonSupportOfTheHelperScript) {
    JsonDocument doc;
    script::ScriptEngine engine = doc.GetEngine();
    const std::pair<const char*, const char*> cases[] = {
        {R"(JSON.stringify(JSON.parse('{"a":[1,-2.5e1,"x\\u0041\\n",true,false,null],"__proto__":{}}')))",
         R"({"a":[1,-25,"xA\n",true,false,null],"__proto__":{}})"},
        {R"(JSON.stringify(JSON.parse(' [ 1 , {} ] ')))", "[1,{}]"},
        {R"(JSON.parse('{"a":1,"b":2}', function (k, v) { return k == 'a' ? undefined : v }).toJSONString())",
         R"({"b":2})"},
        {R"('[1,2,3]'.parseJSON().length)", "3"},
        {R"(({a: 'x'}).toJSONString())", R"({"a":"x"})"},
        {R"(typeof Date.prototype.toJSON + typeof String.prototype.toJSON)", "functionfunction"},
    };
    for (const auto& [code, expected] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(engine.EvalText(code), expected);
    }
    for (const char* bad : {"{a:1}", "[1,]", "01", "1.", "\"\t\"", "[1] 2", "", "nul", "\"\\\\x\"",
                            "{\"a\" 1}", "\"open"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(engine.Eval(std::string("JSON.parse(") + "'" + bad + "')"));
        EXPECT_EQ(engine.Error().description.rfind("JSON.parse: ", 0), 0u);
    }
}

class JsonSandbox : public ::testing::Test {
  protected:
    JsonSandbox() : saved_(script::testing::SetTimeBudget(milliseconds(300))) {}
    ~JsonSandbox() override { script::testing::SetTimeBudget(saved_); }
    milliseconds saved_;
};

TEST_F(JsonSandbox, HostileAnswersFailAndTheDocumentGoesOn) {
    const std::pair<const char*, bool> answers[] = {
        {"\"while(1){}\"", false},
        {"(function () { while (1) {} })()", true},
        {"\"var a = []; while (1) a.push(new Array(1e5))\"", false},
        {"(function () { throw new Error('no') })()", false},
        {"\"throw 'no'\"", false},
        {"(function f() { return f() })()", false},
    };
    JsonDocument doc;
    for (const auto& [answer, direct] : answers) {
        SCOPED_TRACE(answer);
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(doc.Parse(Text(answer), direct));
        EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(10000));
        EXPECT_EQ(doc.GetText("code"), Text());
        EXPECT_TRUE(doc.Parse(kAnswerNumberCode));
        EXPECT_EQ(doc.GetText("code"), Text("2000"));
    }
    // A path is script too, and runs under the same budget.
    EXPECT_EQ(doc.GetText("code + (function () { while (1) {} })()"), Text());
    EXPECT_EQ(doc.GetText("data.weekReportPages"), Text("12"));
}

TEST(JsonNoEngine, EveryOperationGivesItsEmptyResult) {
    const int comBefore = platform::com::InitCount();
    script::testing::SetCreationFails(true);
    {
        JsonDocument doc;
        EXPECT_TRUE(doc.GetEngine().empty());
        EXPECT_FALSE(doc.Parse(kAnswerNumberCode));
        ScriptError error;
        error.number = 77;
        EXPECT_FALSE(doc.Parse("{}", std::nullopt, &error));
        EXPECT_EQ(error.number, 77);  // untouched
        EXPECT_EQ(doc.GetText("code"), Text());
        EXPECT_EQ(doc.GetText("", true), Text());
        EXPECT_EQ(doc.ToJson(), Text());
        EXPECT_FALSE(doc.Exists(""));
        EXPECT_EQ(doc.GetType("code"), JsonValueType::OtherValue);
        EXPECT_EQ(doc.GetCount(""), 0);
        EXPECT_EQ(doc.GetNumber("code"), 0);
        EXPECT_EQ(doc.GetJson("code"), Text());
        EXPECT_EQ(doc.GetItemText(0, "", true), Text());
        std::vector<Text> out{Text("stale")};
        EXPECT_EQ(doc.GetMemberNames(out), 0);
        EXPECT_TRUE(out.empty());
        out = {Text("stale")};
        EXPECT_EQ(doc.GetAllValues(out, "", true), 0);
        EXPECT_TRUE(out.empty());
        EXPECT_TRUE(doc.GetSubDocument("data").GetEngine().empty());
        EXPECT_TRUE(doc.GetItemDocument(0).GetEngine().empty());
        EXPECT_FALSE(doc.Clear());
        EXPECT_FALSE(doc.SetValue("a", "1"));
        EXPECT_FALSE(doc.SetValue("a", "{b:1}", true));
        EXPECT_FALSE(doc.SetExpression("a", "1"));
        EXPECT_FALSE(doc.AddItem("1", "a", true));
        EXPECT_FALSE(doc.SetItem(0, "a", "1", true));
        EXPECT_FALSE(doc.RemoveItem(0, "a"));
        EXPECT_FALSE(doc.DeleteMember("a"));
        EXPECT_FALSE(doc.SetNumber("a", 1));
        JsonDocument copy = doc.Copy();
        EXPECT_TRUE(copy.GetEngine().empty());

        // Parse makes no new attempt; only Init does.
        script::testing::SetCreationFails(false);
        EXPECT_FALSE(doc.Parse(kAnswerNumberCode));
        doc.Init();
        EXPECT_TRUE(doc.Parse(kAnswerNumberCode));
        EXPECT_EQ(doc.GetText("code"), Text("2000"));
    }
    script::testing::SetCreationFails(false);
    EXPECT_EQ(platform::com::InitCount(), comBefore);
}

}  // namespace
}  // namespace qelvo

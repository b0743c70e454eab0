#include <gtest/gtest.h>

#include <string>

#include "json/JsonDocument.h"
#include "tests/json/JsonTestSupport.h"

namespace qelvo {
namespace {

TEST(JsonChange, BackslashProtectionRoundTrip) {
    const Text value("a\\b'c\"d\r\ne\tf");
    JsonDocument doc;
    (void)doc.SetValue("t", value);
    EXPECT_EQ(doc.GetText("t"), value);
    // JSON text: double quote and line breaks escaped, single quote as is, backslash raw.
    EXPECT_EQ(doc.GetJson("t"), Text("\"a\\b'c\\\"d\\r\\ne\\tf\""));
    EXPECT_EQ(doc.ToJson(), Text("{\"t\":\"a\\b'c\\\"d\\r\\ne\\tf\"}"));
    // Inside the engine each backslash is the mark, which GetAllValues hands out as is
    // (GBK has no such character).
    EXPECT_EQ(doc.GetEngine().EvalNumber("da.t.charCodeAt(1)"), 9216);
    std::vector<Text> values;
    EXPECT_EQ(doc.GetAllValues(values), 1);
    EXPECT_EQ(values[0], Text("a?b'c\"d\r\ne\tf"));
    // A ready-made escape set as text reaches the JSON text unchanged.
    (void)doc.SetValue("u", "\\u0041");
    EXPECT_EQ(doc.GetJson("u"), Text("\"\\u0041\""));
    EXPECT_EQ(doc.GetSubDocument("u").ToJson(), Text("null"));  // "A" runs as a script name
    (void)doc.SetValue("o", "{\"k\":\"x\\ny\"}", true);
    (void)doc.SetValue("o.k2", "p\\nq");
    EXPECT_EQ(doc.GetSubDocument("o").GetText("k2"), Text("p\nq"));  // raw backslash re-read
    // A backslash that came in through parsing is an ordinary character.
    JsonDocument parsed = Parsed("{\"p\":\"x\\\\y\"}");
    EXPECT_EQ(parsed.GetText("p"), Text("x\\y"));
    EXPECT_EQ(parsed.GetJson("p"), Text("\"x\\\\y\""));
    // GBK whose second byte is a backslash (乗 is 81 5C) survives both ways.
    const Text gbk = GbkText(u8"乗'乗\\");
    (void)doc.SetValue("g", gbk);
    EXPECT_EQ(doc.GetText("g"), gbk);
}

TEST(JsonChange, TextValuesNeverRunAsScript) {
    // A1 5C is no GBK character: a byte-wise escaper would step over the pair and leave the
    // quote after it unprotected.
    const Text hostile("\xA1\x5C' + (da.pwned = 1) + '");
    JsonDocument doc;
    (void)doc.SetValue("t", hostile);
    EXPECT_FALSE(doc.Exists("pwned"));
    EXPECT_EQ(doc.GetText("t"), Text("?\\' + (da.pwned = 1) + '"));
    const Text stray("\x81' + (da.pwned = 2) + '");
    (void)doc.SetValue("s", stray);
    EXPECT_FALSE(doc.Exists("pwned"));
    EXPECT_EQ(doc.GetText("s"), Text("?' + (da.pwned = 2) + '"));
}

TEST(JsonChange, SetValueMergesIntoObjectsAndReplacesTheRest) {
    const char* answer =
        R"({"o":{"s":"x","b":true,"n":1,"a":[1],"sub":{"k":"v"},"z":null},"arr":[1,2],"s":"t"})";
    struct MergeCase {
        const char* path;
        const char* value;
        const char* readPath;
        const char* json;
    };
    const MergeCase cases[] = {
        {"o", "{s:'y', b:false, n:2, a:[2, 3], sub:{k2:'w'}, z:{q:1}, extra:[]}", "o",
         R"({"s":"y","b":false,"n":2,"a":[1,2,3],"sub":{"k":"v","k2":"w"},"z":{"q":1},"extra":[]})"},
        {"arr", "[9]", "arr", "[9]"},
        {"s", "{a:1}", "s", R"({"a":1})"},
        {"fresh", "{q:[1]}", "fresh", R"({"q":[1]})"},
        {"o", "", "o", R"({"s":"x","b":true,"n":1,"a":[1],"sub":{"k":"v"},"z":null})"},
        {"arr", "", "",
         R"({"o":{"s":"x","b":true,"n":1,"a":[1],"sub":{"k":"v"},"z":null},"s":"t"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + std::string(" <- ") + c.value);
        JsonDocument doc = Parsed(answer);
        (void)doc.SetValue(Text(c.path), Text(c.value), true);
        EXPECT_EQ(doc.GetJson(Text(c.readPath)), Text(c.json));
    }
}

struct ChangeCase {
    const char* name;
    bool (*change)(JsonDocument&);
    bool result;
    const char* json;  // ToJson afterwards
};

TEST(JsonChange, Operations) {
    const char* start = R"({"a":[1,2,3],"o":{"k":1},"s":"x"})";
    const ChangeCase cases[] = {
        {"SetExpression number",
         [](JsonDocument& d) {
             return d.SetExpression("n", "42") && d.GetType("n") == JsonValueType::NumberValue;
         },
         true, R"({"a":[1,2,3],"o":{"k":1},"s":"x","n":42})"},
        {"SetExpression quoted string runs its content",
         [](JsonDocument& d) { return d.SetExpression("e", "'[5]'"); }, true,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x","e":[5]})"},
        {"AddItem onto a missing member", [](JsonDocument& d) { return d.AddItem("v", "fresh"); },
         true, R"({"a":[1,2,3],"o":{"k":1},"s":"x","fresh":["v"]})"},
        {"AddItem replaces an object", [](JsonDocument& d) { return d.AddItem("4", "o", true); },
         true, R"({"a":[1,2,3],"o":[4],"s":"x"})"},
        {"AddItem at the front", [](JsonDocument& d) { return d.AddItem("0", "a", true, true); },
         true, R"({"a":[0,1,2,3],"o":{"k":1},"s":"x"})"},
        {"AddItem leaves the text unescaped",
         [](JsonDocument& d) { return d.AddItem("p\\nq", "a"); }, true,
         R"({"a":[1,2,3,"p\nq"],"o":{"k":1},"s":"x"})"},
        {"AddItem with a quote does not compile",
         [](JsonDocument& d) { return d.AddItem("it's", "a"); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"AddItem under a missing parent",
         [](JsonDocument& d) { return d.AddItem("1", "none.list", true); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"SetItem past the end", [](JsonDocument& d) { return d.SetItem(5, "a", "z"); }, false,
         R"({"a":[1,2,3,null,null,"z"],"o":{"k":1},"s":"x"})"},
        {"SetItem expression", [](JsonDocument& d) { return d.SetItem(0, "a", "7", true); }, true,
         R"({"a":[7,2,3],"o":{"k":1},"s":"x"})"},
        {"RemoveItem", [](JsonDocument& d) { return d.RemoveItem(1, "a"); }, true,
         R"({"a":[1,3],"o":{"k":1},"s":"x"})"},
        {"RemoveItem past the end", [](JsonDocument& d) { return d.RemoveItem(9, "a"); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"RemoveItem on an object", [](JsonDocument& d) { return d.RemoveItem(0, "o"); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"DeleteMember", [](JsonDocument& d) { return d.DeleteMember("s"); }, true,
         R"({"a":[1,2,3],"o":{"k":1}})"},
        {"DeleteMember missing", [](JsonDocument& d) { return d.DeleteMember("o.none"); }, true,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"DeleteMember under a missing parent",
         [](JsonDocument& d) { return d.DeleteMember("none.k"); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"SetNumber 0 succeeds but reads false",
         [](JsonDocument& d) { return d.SetNumber("o.k", 0); }, false,
         R"({"a":[1,2,3],"o":{"k":0},"s":"x"})"},
        {"SetNumber to 13 digits",
         [](JsonDocument& d) { return d.SetNumber("n", 1234567890123456.0); }, true,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x","n":1234567890123000})"},
        {"SetNumber fraction", [](JsonDocument& d) { return d.SetNumber("n", -0.000012345); }, true,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x","n":-0.000012345})"},
        {"SetNumber infinity", [](JsonDocument& d) { return d.SetNumber("n", 1.0 / 0.0); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"SetNumber NaN", [](JsonDocument& d) { return d.SetNumber("n", 0.0 / 0.0); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"SetValue text", [](JsonDocument& d) { return d.SetValue("s", "12"); }, true,
         R"({"a":[1,2,3],"o":{"k":1},"s":"12"})"},
        {"SetValue text that reads false", [](JsonDocument& d) { return d.SetValue("s", "y"); },
         false, R"({"a":[1,2,3],"o":{"k":1},"s":"y"})"},
        {"SetValue full path of a new member",
         [](JsonDocument& d) { return d.SetValue("da.fresh", "1"); }, false,
         R"({"a":[1,2,3],"o":{"k":1},"s":"x"})"},
        {"Clear", [](JsonDocument& d) { return d.Clear(); }, false, "{}"},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        JsonDocument doc = Parsed(start);
        EXPECT_EQ(c.change(doc), c.result);
        EXPECT_EQ(doc.ToJson(), Text(c.json));
    }
}

TEST(JsonChange, SetNumberWritesThirteenSignificantDigits) {
    JsonDocument doc;
    (void)doc.SetNumber("n", 1234567890123456.0);
    EXPECT_EQ(doc.GetText("n"), Text("1234567890123000"));
    EXPECT_EQ(doc.GetEngine().EvalNumber("da.n"), 1.234567890123e15);
    (void)doc.SetNumber("n", 1e-7);
    EXPECT_EQ(doc.GetText("n"), Text("1e-7"));
}

TEST(JsonChange, ChangesDoNotSurviveTheNextParse) {
    JsonDocument doc = Parsed("{\"a\":1}");
    (void)doc.SetValue("b", "x");
    (void)doc.AddItem("1", "c", true);
    EXPECT_TRUE(doc.Parse("{\"a\":2}"));
    EXPECT_EQ(doc.ToJson(), Text(R"({"a":2})"));
    std::vector<Text> values;
    (void)doc.GetAllValues(values);
    EXPECT_TRUE(doc.Parse("{}"));
    EXPECT_EQ(doc.GetEngine().EvalText("typeof str_all"), "undefined");
}

}  // namespace
}  // namespace qelvo

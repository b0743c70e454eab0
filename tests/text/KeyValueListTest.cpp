#include "text/KeyValueList.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qelvo {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs PairsOf(const KeyValueList& list) {
    std::vector<Text> names, values;
    list.GetNames(names);
    list.GetValues(values);
    EXPECT_EQ(names.size(), values.size());
    Pairs out;
    for (std::size_t k = 0; k < names.size() && k < values.size(); ++k)
        out.emplace_back(names[k].str(), values[k].str());
    return out;
}

KeyValueList ListOf(const Pairs& pairs) {
    KeyValueList list;
    for (const auto& [name, value] : pairs)
        list.AddPair(Text(name), Text(value));
    return list;
}

TEST(KeyValueListTest, RendersEveryForm) {
    struct Case {
        const char* name;
        Pairs pairs;
        const char* header;
        const char* headerEncoded;
        const char* form;
        const char* formEncoded;
        const char* json;
    };
    const Case cases[] = {
        {"empty", {}, "", "", "", "", "{}"},
        {"user agent",
         {{"User-Agent", "Mozilla/5.0 (X)"}},
         "User-Agent: Mozilla/5.0 (X)",
         "User-Agent: Mozilla%2F5.0+(X)",
         "User-Agent=Mozilla/5.0 (X)",
         "User-Agent=Mozilla%2F5.0+(X)",
         "{\"User-Agent\":\"Mozilla/5.0 (X)\"}"},
        {"names stay unencoded in headers",
         {{"a b", "c&d"}},
         "a b: c&d",
         "a b: c%26d",
         "a b=c&d",
         "a+b=c%26d",
         "{\"a b\":\"c&d\"}"},
        {"two pairs in order",
         {{"a", "1"}, {"b", "2"}},
         "a: 1\r\nb: 2",
         "a: 1\r\nb: 2",
         "a=1&b=2",
         "a=1&b=2",
         "{\"a\":\"1\",\"b\":\"2\"}"},
        {"empty name and value",
         {{"", ""}, {"", ""}},
         ": \r\n: ",
         ": \r\n: ",
         "=&=",
         "=&=",
         "{\"\":\"\",\"\":\"\"}"},
        {"gbk value",
         {{"k", "\xD6\xD0"}},
         "k: \xD6\xD0",
         "k: %D6%D0",
         "k=\xD6\xD0",
         "k=%D6%D0",
         "{\"k\":\"\xD6\xD0\"}"},
        {"colon and line break copied",
         {{"x:y", "1\r\nEvil: 2"}},
         "x:y: 1\r\nEvil: 2",
         "x:y: 1%0D%0AEvil%3A+2",
         "x:y=1\r\nEvil: 2",
         "x%3Ay=1%0D%0AEvil%3A+2",
         "{\"x:y\":\"1\r\nEvil: 2\"}"},
        {"value ending in a comma",
         {{"a", "x,"}},
         "a: x,",
         "a: x%2C",
         "a=x,",
         "a=x%2C",
         "{\"a\":\"x,\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyValueList list = ListOf(c.pairs);
        EXPECT_EQ(list.ToHeaderText().str(), c.header);
        EXPECT_EQ(list.ToHeaderText(false).str(), c.header);
        EXPECT_EQ(list.ToHeaderText(true).str(), c.headerEncoded);
        EXPECT_EQ(list.ToFormText().str(), c.form);
        EXPECT_EQ(list.ToFormText(true).str(), c.formEncoded);
        EXPECT_EQ(list.ToJsonText().str(), c.json);
        EXPECT_EQ(PairsOf(list), c.pairs) << "rendering changed the list";
    }
}

TEST(KeyValueListTest, JsonEscapesOnlyQuotesInValues) {
    const KeyValueList list =
        ListOf({{"q", "a\"b"}, {"back\\slash", "c:\\d\\"}, {"n\"ame", "\x01\x81\""}});
    EXPECT_EQ(list.ToJsonText().str(),
              "{\"q\":\"a\\\"b\",\"back\\slash\":\"c:\\d\\\",\"n\"ame\":\"\x01\x81\\\"\"}");
}

TEST(KeyValueListTest, DuplicateNamesActOnTheFirstMatch) {
    KeyValueList list;
    list.AddPair(Text("a"), Text("1"));
    list.AddPair(Text("b"), Text("x"));
    list.AddPair(Text("a"), Text("2"));
    EXPECT_EQ(list.GetValue(Text("a")).str(), "1");
    EXPECT_EQ(list.ToHeaderText().str(), "a: 1\r\nb: x\r\na: 2");

    list.PutValue(Text("a"), Text("1b"));
    EXPECT_EQ(PairsOf(list), (Pairs{{"a", "1b"}, {"b", "x"}, {"a", "2"}}));

    list.RemovePair(Text("a"));
    EXPECT_EQ(PairsOf(list), (Pairs{{"b", "x"}, {"a", "2"}}));
    list.PutValue(Text("a"), Text("3"));
    EXPECT_EQ(PairsOf(list), (Pairs{{"b", "x"}, {"a", "3"}}));
}

TEST(KeyValueListTest, LookupsAreExactAndMissesAreHarmless) {
    KeyValueList list = ListOf({{"User-Agent", "X"}, {"", "empty name"}});
    EXPECT_EQ(list.GetValue(Text("user-agent")), Text());
    EXPECT_EQ(list.GetValue(Text("User-Agent ")), Text());
    EXPECT_EQ(list.GetValue(Text()).str(), "empty name");  // the absent name is the empty one

    list.RemovePair(Text("user-agent"));
    EXPECT_EQ(PairsOf(list).size(), 2u);

    list.PutValue(Text("new"), Text("v"));
    EXPECT_EQ(PairsOf(list).back(), (std::pair<std::string, std::string>{"new", "v"}));

    list.RemoveAll();
    EXPECT_TRUE(PairsOf(list).empty());
    EXPECT_EQ(list.ToJsonText().str(), "{}");
}

TEST(KeyValueListTest, GetNamesAndValuesReplaceTheCallersList) {
    const KeyValueList list = ListOf({{"a", "1"}, {"b", "2"}});
    std::vector<Text> names{Text("stale")}, values{Text("stale"), Text("stale")};
    list.GetNames(names);
    list.GetValues(values);
    EXPECT_EQ(names, (std::vector<Text>{Text("a"), Text("b")}));
    EXPECT_EQ(values, (std::vector<Text>{Text("1"), Text("2")}));
}

TEST(KeyValueListTest, LoadFormTextTable) {
    struct Case {
        const char* text;
        Pairs expected;
    };
    const Case cases[] = {
        {"", {}},
        {"x=1&&y=2&", {{"x", "1"}, {"", ""}, {"y", "2"}}},
        {"&", {{"", ""}}},
        {"&a=1", {{"", ""}, {"a", "1"}}},
        {"a=b=c", {{"a", "c"}}},
        {"=v", {{"", "v"}}},
        {"k=", {{"k", ""}}},
        {"novalue&k=v", {{"", ""}, {"k", "v"}}},
        {"a+b=%41+%2", {{"a+b", "%41+%2"}}},
        {"\xD6\xD0=\xCE\xC4&b=\x81\x41", {{"\xD6\xD0", "\xCE\xC4"}, {"b", "\x81\x41"}}},
        // UTF-8 (here "中" after "a=") does not hide the "&" that follows it.
        {"a=\xE4\xB8\xAD&b=1", {{"a", "\xE4\xB8\xAD"}, {"b", "1"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        KeyValueList list;
        list.LoadFormText(Text(c.text));
        EXPECT_EQ(PairsOf(list), c.expected);
    }
}

TEST(KeyValueListTest, LoadFormTextAppendsAndConverts) {
    KeyValueList list;
    list.AddPair(Text("k"), Text("old"));
    list.LoadFormText(Text("k=new&\xD6\xD0=\xCE\xC4"), true);
    EXPECT_EQ(PairsOf(list), (Pairs{{"k", "old"}, {"k", "new"}, {"\xE4\xB8\xAD", "\xE6\x96\x87"}}));
    EXPECT_EQ(list.GetValue(Text("k")).str(), "old");
}

TEST(KeyValueListTest, AddPairConvertsOnlyWhenAsked) {
    KeyValueList list;
    list.AddPair(Text("\xD6\xD0"), Text("\xCE\xC4"), true);
    list.AddPair(Text("\xD6\xD0"), Text("\xCE\xC4"), false);
    list.AddPair(Text("\xD6\xD0"), Text("\xCE\xC4"));
    // PutValue of a new name appends unconverted, whatever earlier pairs did.
    list.PutValue(Text("p"), Text("\xD6\xD0"));
    EXPECT_EQ(PairsOf(list), (Pairs{{"\xE4\xB8\xAD", "\xE6\x96\x87"},
                                    {"\xD6\xD0", "\xCE\xC4"},
                                    {"\xD6\xD0", "\xCE\xC4"},
                                    {"p", "\xD6\xD0"}}));
    // Encoding works on the stored bytes, so a converted value encodes as UTF-8.
    EXPECT_EQ(list.ToFormText(true).str(),
              "%E4%B8%AD=%E6%96%87&%D6%D0=%CE%C4&%D6%D0=%CE%C4&p=%D6%D0");
}

TEST(KeyValueListTest, Utf8ValuesStillGetTheirQuotesEscaped) {
    KeyValueList list;
    list.AddPair(Text("k"), Text("\xD6\xD0\""), true);  // stored as E4 B8 AD 22
    EXPECT_EQ(list.ToJsonText().str(), "{\"k\":\"\xE4\xB8\xAD\\\"\"}");
}

TEST(KeyValueListTest, TrimAffixTable) {
    struct Case {
        const char* text;
        const char* affix;
        const char* expected;
    };
    const Case cases[] = {
        {",a,", ",", "a"},
        {"a,,", ",", "a,"},
        {",,a", ",", ",a"},
        {",", ",", ""},
        {"abc", "", "abc"},
        {"", ",", ""},
        {"ab", "abc", "ab"},
        {"xyx", "x", "y"},
        {"aaa", "aa", "a"},
        {"abab", "ab", ""},
        {"{\"a\":\"1\",", ",", "{\"a\":\"1\""},
        {"\xD6\xD0", "\xD0", "\xD6"},  // bytes, not characters
    };
    const KeyValueList list;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.affix);
        Text text(c.text);
        const Text returned = list.TrimAffix(text, Text(c.affix));
        EXPECT_EQ(text.str(), c.expected);
        EXPECT_EQ(returned.str(), c.expected);
    }
}

TEST(KeyValueListTest, EscapeQuotes) {
    const KeyValueList list;
    EXPECT_EQ(list.EscapeQuotes(Text("")).str(), "");
    EXPECT_EQ(list.EscapeQuotes(Text("\"\"x\\\"")).str(), "\\\"\\\"x\\\\\"");
    EXPECT_EQ(list.EscapeQuotes(Text("\x81\"")).str(), "\x81\\\"");  // after a lead byte too
}

TEST(KeyValueListTest, CopiesShareNothing) {
    KeyValueList original = ListOf({{"a", "1"}, {"b", "2"}});
    const std::unique_ptr<KeyValueList> slot = original.Copy();
    KeyValueList constructed(original);
    KeyValueList assigned;
    assigned.AddPair(Text("gone"), Text("x"));
    assigned = original;

    original.PutValue(Text("a"), Text("changed"));
    original.AddPair(Text("c"), Text("3"));
    original.RemovePair(Text("b"));
    const Pairs before{{"a", "1"}, {"b", "2"}};
    EXPECT_EQ(PairsOf(*slot), before);
    EXPECT_EQ(PairsOf(constructed), before);
    EXPECT_EQ(PairsOf(assigned), before);

    slot->RemoveAll();
    EXPECT_EQ(PairsOf(original), (Pairs{{"a", "changed"}, {"c", "3"}}));
    EXPECT_EQ(PairsOf(constructed), before);
}

// A list that records which of its own operations the others reach.
class RecordingList : public KeyValueList {
  public:
    std::unique_ptr<KeyValueList> Copy() const override {
        return std::make_unique<RecordingList>(*this);
    }
    void AddPair(const Text& name, const Text& value,
                 std::optional<bool> convertToUtf8 = std::nullopt) override {
        calls.push_back("AddPair " + name.str() + (convertToUtf8.value_or(false) ? " utf8" : ""));
        KeyValueList::AddPair(name, value, convertToUtf8);
    }
    Text EscapeQuotes(const Text& text) const override {
        calls.push_back("EscapeQuotes " + text.str());
        return Text("<") + text + Text(">");
    }
    Text TrimAffix(Text& text, const Text& affix) const override {
        calls.push_back("TrimAffix " + affix.str());
        return KeyValueList::TrimAffix(text, affix);
    }
    mutable std::vector<std::string> calls;
};

TEST(KeyValueListTest, OperationsReachEachOtherThroughTheVirtualTable) {
    RecordingList recording;
    KeyValueList& list = recording;
    list.LoadFormText(Text("a=1&b=2"), true);
    list.PutValue(Text("a"), Text("x"));  // existing name: no add
    list.PutValue(Text("c"), Text("3"));
    EXPECT_EQ(recording.calls,
              (std::vector<std::string>{"AddPair a utf8", "AddPair b utf8", "AddPair c"}));

    recording.calls.clear();
    EXPECT_EQ(list.ToJsonText().str(), "{\"a\":\"<x>\",\"b\":\"<2>\",\"c\":\"<3>\"}");
    EXPECT_EQ(recording.calls, (std::vector<std::string>{"EscapeQuotes x", "EscapeQuotes 2",
                                                         "EscapeQuotes 3", "TrimAffix ,"}));

    const std::unique_ptr<KeyValueList> copy = list.Copy();
    ASSERT_NE(dynamic_cast<RecordingList*>(copy.get()), nullptr);
    EXPECT_EQ(PairsOf(*copy), PairsOf(list));
}

}  // namespace
}  // namespace qelvo

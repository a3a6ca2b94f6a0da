// Comma text: how option texts split into fields, how fields join back, and how fields read as
// numbers and booleans.
#include "core/CommaText.h"

#include <gtest/gtest.h>

#include <random>

using namespace zorvane;
using Fields = std::vector<std::string>;

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    Fields fields;
};

class SplitCommaTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommaTextTest, GivesTheFields) {
    EXPECT_EQ(SplitCommaText(GetParam().text), GetParam().fields) << "text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommaTextTest,
    ::testing::Values(
        // The stored initial values.
        SplitCase{"BackgroundInitial", ",0,20", {"", "0", "20"}},
        SplitCase{"FlipInitial", "0,-1,-1,0,-1", {"0", "-1", "-1", "0", "-1"}},
        // Blanks and control characters around fields are not part of them.
        SplitCase{"BlanksAround", "  0 ,\t-1 ,\r\n-1  ", {"0", "-1", "-1"}},
        SplitCase{"ControlCharacters",
                  "\x01"
                  "a\x1f,\x02"
                  "b",
                  {"a", "b"}},
        // A blank ends an unquoted field; a quoted one keeps it.
        SplitCase{"BlankSplitsUnquoted", "a b,c", {"a", "b", "c"}},
        SplitCase{"QuotedPathWithBlank",
                  "\"/home/me/My Pictures/sea.jpg\",-1,25",
                  {"/home/me/My Pictures/sea.jpg", "-1", "25"}},
        SplitCase{"DoubledQuoteInsideQuotes", "\"say \"\"hi\"\", ok\"", {"say \"hi\", ok"}},
        SplitCase{"UnclosedQuoteRunsToEnd", "\"abc, d", {"abc, d"}},
        SplitCase{"QuoteInsideUnquotedField", "ab\"c,d", {"ab\"c", "d"}},
        // Empty fields.
        SplitCase{"TrailingComma", "a,", {"a", ""}}, SplitCase{"TrailingCommaThenBlank", "a, ", {"a"}},
        SplitCase{"EmptyBetweenCommas", "a,,b", {"a", "", "b"}}, SplitCase{"OnlyComma", ",", {"", ""}},
        SplitCase{"QuotedEmpty", "\"\"", {""}}, SplitCase{"EmptyText", "", {}},
        SplitCase{"OnlyBlanks", "  \t ", {}},
        // Bytes above 127 (UTF-8 text) are ordinary characters.
        SplitCase{"Utf8", "caf\xc3\xa9,\xe6\x97\xa5", {"caf\xc3\xa9", "\xe6\x97\xa5"}},
        SplitCase{"NulEndsText", std::string("a,b\0,c", 6), {"a", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinCommaText, WritesPlainFieldsPlainAndQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(JoinCommaText({"", "0", "20"}), ",0,20");
    EXPECT_EQ(JoinCommaText({"0", "-1", "-1", "0", "-1"}), "0,-1,-1,0,-1");
    EXPECT_EQ(JoinCommaText({"/a b/c.jpg", "0", "20"}), "\"/a b/c.jpg\",0,20");
    EXPECT_EQ(JoinCommaText({"a,b"}), "\"a,b\"");
    EXPECT_EQ(JoinCommaText({"\"q"}), "\"\"\"q\"");
    EXPECT_EQ(JoinCommaText({""}), "\"\"");
    EXPECT_EQ(JoinCommaText({}), "");
}

// Whatever the fields hold, a written text splits back into the same fields.
TEST(JoinCommaText, SplitsBackIntoTheSameFields) {
    const std::vector<Fields> chosen = {
        {""},
        {"", ""},
        {"", "", ""},
        {"a", ""},
        {" lead", "trail ", " both "},
        {"\"", "\"\"", "a\"b", "\"quoted\""},
        {",", ",,", "a,b,"},
        {"\t", "\n", "\x01", "x\x1fy"},
        {"/home/me/My Pictures/sea.jpg", "-1", "20"},
        {"caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac"},
    };
    for (const Fields& fields : chosen)
        EXPECT_EQ(SplitCommaText(JoinCommaText(fields)), fields)
            << "joined: [" << JoinCommaText(fields) << "]";

    // Random lists over the characters that matter, with a fixed seed so any failure replays.
    const std::string alphabet = std::string("a ,\"\t\x01\x7f\xc3\xa9") + "-1";
    std::mt19937 random(20100101);
    for (int round = 0; round < 2000; ++round) {
        Fields fields(random() % 5);
        for (std::string& field : fields)
            for (unsigned length = random() % 6; length > 0; --length)
                field += alphabet[random() % alphabet.size()];
        ASSERT_EQ(SplitCommaText(JoinCommaText(fields)), fields)
            << "joined: [" << JoinCommaText(fields) << "]";
    }
}

TEST(JoinCommaText, DropsNulCharactersItCannotCarry) {
    EXPECT_EQ(SplitCommaText(JoinCommaText({std::string("a\0b", 3), "c"})), (Fields{"ab", "c"}));
}

TEST(BooleanFields, ReadNumbersAndWordsAndFallBackOtherwise) {
    struct Case {
        const char* field;
        std::optional<bool> value;
    };
    const Case cases[] = {
        {"-1", true},          {"0", false},          {"1", true},
        {"25", true},          {"0.0", false},        {"-0", false},
        {"2.5", true},         {"False", false},      {"FALSE", false},
        {"false", false},      {"True", true},        {"tRUE", true},
        {"", std::nullopt},    {"yes", std::nullopt}, {"0x1", std::nullopt},
        {"inf", std::nullopt}, {"1,", std::nullopt},  {"Falsey", std::nullopt},
        {"+-1", std::nullopt}, {"+1", true},          {"-", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FieldToBool(c.field), c.value) << "field: [" << c.field << "]";
        EXPECT_EQ(FieldToBool(c.field, true), c.value.value_or(true)) << "field: [" << c.field << "]";
        EXPECT_EQ(FieldToBool(c.field, false), c.value.value_or(false)) << "field: [" << c.field << "]";
    }
    EXPECT_EQ(BoolToField(true), "-1");
    EXPECT_EQ(BoolToField(false), "0");
    EXPECT_EQ(FieldToBool(BoolToField(true)), true);
    EXPECT_EQ(FieldToBool(BoolToField(false)), false);
}

TEST(IntegerFields, ReadDecimalIntegersOnly) {
    struct Case {
        const char* field;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"20", 20},
        {"-3", -3},
        {"+4", 4},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1.5", std::nullopt},
        {"12a", std::nullopt},
        {"++1", std::nullopt},
        {"+-1", std::nullopt},
        {" 1", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldToInt(c.field), c.value) << "field: [" << c.field << "]";
    EXPECT_EQ(FieldToInt("x", 20), 20);
    EXPECT_EQ(FieldAt({"a", "b"}, 1), "b");
    EXPECT_EQ(FieldAt({"a", "b"}, 2), "");
}

} // namespace

// The strict reader of input JSON: error texts and positions, the nesting
// limit, member order.
#include <gtest/gtest.h>

#include <string>

#include "base/json_reader.h"

namespace zvk {
namespace {

std::string read_error(const std::string& text) {
    auto r = read_json(text);
    EXPECT_FALSE(r.has_value()) << text;
    return r ? std::string() : r.error();
}

TEST(JsonReader, ErrorTexts) {
    struct Case {
        std::string text, error;
    };
    const Case cases[] = {
        {"nope", "expected value at line 1 column 1"},
        {"{} x", "trailing characters at line 1 column 4"},
        {"{\"a\":", "EOF while parsing a value at line 1 column 5"},
        {"[1,]", "expected value at line 1 column 4"},
        {"{\"a\" 1}", "expected `:` at line 1 column 6"},
        {" ", "EOF while parsing a value at line 1 column 1"},
        {"x", "expected value at line 1 column 1"},
        {"  nul", "EOF while parsing a value at line 1 column 5"},
        {"tru e", "expected value at line 1 column 1"},
        {"[", "EOF while parsing a list at line 1 column 1"},
        {"[1", "EOF while parsing a list at line 1 column 2"},
        {"[1,", "EOF while parsing a value at line 1 column 3"},
        {"[1 2]", "expected `,` or `]` at line 1 column 4"},
        {"{", "EOF while parsing an object at line 1 column 1"},
        {"{\"a\"", "EOF while parsing an object at line 1 column 4"},
        {"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
        {"{\"a\":1,", "EOF while parsing a value at line 1 column 7"},
        {"{\"a\":1 \"b\":2}", "expected `,` or `}` at line 1 column 8"},
        {"{1:2}", "key must be a string at line 1 column 2"},
        {"{\"a\":1,}", "key must be a string at line 1 column 8"},
        {"\"abc", "EOF while parsing a string at line 1 column 4"},
        {"\"a\\x\"", "invalid escape at line 1 column 4"},
        {"\"\\u12G4\"", "invalid escape at line 1 column 7"},
        {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
        {"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
        {"\"\\ud800\"", "unexpected end of hex escape at line 1 column 8"},
        {"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
        {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
        {"\"a\tb\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
        {"\"\xff\"", "invalid unicode code point at line 1 column 3"},
        {"-", "EOF while parsing a value at line 1 column 1"},
        {"-a", "invalid number at line 1 column 2"},
        {"01", "invalid number at line 1 column 2"},
        {"1.", "EOF while parsing a value at line 1 column 2"},
        {"1.e5", "invalid number at line 1 column 3"},
        {"1e", "EOF while parsing a value at line 1 column 2"},
        {"1e+x", "invalid number at line 1 column 4"},
        {"1e400", "number out of range at line 1 column 5"},
        {"[-1e309]", "number out of range at line 1 column 7"},
        {"\xef\xbb\xbf{}", "expected value at line 1 column 1"},  // no BOM
        {"{\n  \"a\": ,\n}", "expected value at line 2 column 8"},
        {"{\n\"a\":\n", "EOF while parsing a value at line 3 column 0"},
        {"[1]\n\n x", "trailing characters at line 3 column 2"},
        {"{\"a\":1}//", "trailing characters at line 1 column 8"},
        {"[NaN]", "expected value at line 1 column 2"},
    };
    for (const Case& c : cases) EXPECT_EQ(read_error(c.text), c.error) << c.text;
}

TEST(JsonReader, AcceptsValidTexts) {
    const std::string texts[] = {
        "{}", " \t\r\n[ ] \n", "null", "true", "-0", "0.5e-3", "1E+2", "1e-400",
        "\"\\ud83d\\ude00 \\u00e9 \\/\"", "{\"a\":[1,{\"b\":null}],\"c\":\"\xe4\xb8\xad\"}",
        "18446744073709551616",
    };
    for (const std::string& t : texts) EXPECT_TRUE(read_json(t).has_value()) << t;
    EXPECT_EQ(read_json("\"\\ud83d\\ude00\"")->get<std::string>(), "\xf0\x9f\x98\x80");
}

TEST(JsonReader, NestingLimitIs128Levels) {
    auto nested = [](std::size_t levels, char open, char close) {
        return std::string(levels, open) + std::string(levels, close);
    };
    EXPECT_TRUE(read_json(nested(128, '[', ']')).has_value());
    EXPECT_EQ(read_error(nested(129, '[', ']')), "recursion limit exceeded at line 1 column 129");
    EXPECT_EQ(read_error(std::string(100000, '[')),
              "recursion limit exceeded at line 1 column 129");
    // Objects and arrays count together.
    std::string ok;
    for (int k = 0; k < 64; ++k) ok += "{\"a\":[";
    for (int k = 0; k < 64; ++k) ok += "]}";
    EXPECT_TRUE(read_json(ok).has_value());
    // One "[" more makes 129 levels; the error points at the last opener.
    EXPECT_EQ(read_error(ok.substr(0, 5) + "[" + ok.substr(5)),
              "recursion limit exceeded at line 1 column " + std::to_string(64 * 6 + 1));
    // A syntax error met before the limit wins.
    EXPECT_EQ(read_error("[x" + std::string(200, '[')), "expected value at line 1 column 2");
}

TEST(JsonReader, ErrorPositionHelper) {
    EXPECT_EQ(json_error_at("abc", "x", 0), "x at line 1 column 0");
    EXPECT_EQ(json_error_at("abc", "x", 3), "x at line 1 column 3");
    EXPECT_EQ(json_error_at("a\nbc", "x", 3), "x at line 2 column 1");
    EXPECT_EQ(json_error_at("a\nbc", "x", 99), "x at line 2 column 2");
}

// One value of a text that holds several: the value and where it ends, the
// rest unread; errors placed in the whole text with the same checks.
TEST(JsonReader, OneValueAtAnOffset) {
    struct Row {
        std::string text;
        std::size_t offset;
        std::string want_value;  // dumped, or "" when an error is expected
        std::size_t want_end;
        std::string want_error;
    };
    const Row rows[] = {
        {"{\"a\":1} {\"b\":2}", 0, "{\"a\":1}", 7, ""},
        {"{\"a\":1} {\"b\":2}", 7, "{\"b\":2}", 15, ""},
        {"[1,2] trailing words", 0, "[1,2]", 5, ""},
        {"x \n\t 42}", 1, "42", 7, ""},
        {"{} {", 2, "", 0, "EOF while parsing an object at line 1 column 4"},
        {"{}\n nope", 2, "", 0, "expected value at line 2 column 2"},
        {"{}  ", 2, "", 0, "EOF while parsing a value at line 1 column 4"},
        {"{} " + std::string(129, '[') + std::string(129, ']'), 2, "", 0,
         "recursion limit exceeded at line 1 column 132"},
    };
    for (const Row& r : rows) {
        auto read = read_json_value_at(r.text, r.offset);
        if (r.want_value.empty()) {
            ASSERT_FALSE(read.has_value()) << r.text;
            EXPECT_EQ(read.error(), r.want_error) << r.text;
        } else {
            ASSERT_TRUE(read.has_value()) << r.text << ": " << read.error();
            EXPECT_EQ(read->value.dump(), r.want_value) << r.text;
            EXPECT_EQ(read->end, r.want_end) << r.text;
        }
    }
    EXPECT_EQ(skip_json_white_space(" \t\r\n{", 0), 4u);
    EXPECT_EQ(skip_json_white_space("\xc2\xa0{", 0), 0u);  // no-break space is not JSON white space
    EXPECT_EQ(skip_json_white_space("  ", 1), 2u);
}

}  // namespace
}  // namespace zvk

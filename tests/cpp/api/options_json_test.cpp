// The option value readers over the strict JSON reader.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "api/options_json.h"

namespace zvk {
namespace {

using nlohmann::json;

TEST(JsonReaderOption, ObjectMembersInByteOrderLastDuplicateWins) {
    auto v = read_json(R"({"b":"1","a":"2","b":"3","\u00e9":"4","Z":"5"})");
    ASSERT_TRUE(v.has_value());
    auto pairs = collect_glossary_map(*v);
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], (GlossaryPair{"Z", "5"}));
    EXPECT_EQ(pairs[1], (GlossaryPair{"a", "2"}));
    EXPECT_EQ(pairs[2], (GlossaryPair{"b", "3"}));
    EXPECT_EQ(pairs[3], (GlossaryPair{"\xc3\xa9", "4"}));  // bytes above 0x7F sort last
}

TEST(JsonReaderOption, NonNegativeInteger) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"7", 7},
        {"18446744073709551615", UINT64_MAX},
        {"18446744073709551616", std::nullopt},  // read as a float
        {"-1", std::nullopt},
        {"-0", 0},  // no fraction or exponent, value 0
        {"4.0", std::nullopt},
        {"1e2", std::nullopt},
        {"\"4\"", std::nullopt},
        {"true", std::nullopt},
        {"null", std::nullopt},
    };
    for (const Case& c : cases) {
        auto v = read_json(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(read_non_negative_integer(*v), c.value) << c.text;
    }
}

TEST(JsonReaderOption, UnsignedDecimal) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> value;
    };
    const Case cases[] = {
        {"3", 3},          {"+3", 3},           {"007", 7},
        {"0", 0},          {"", std::nullopt},  {"+", std::nullopt},
        {"-", std::nullopt}, {"-1", std::nullopt}, {"-0", std::nullopt},
        {"++3", std::nullopt}, {"3 ", std::nullopt}, {"3a", std::nullopt},
        {"1.0", std::nullopt}, {"18446744073709551615", UINT64_MAX},
        {"18446744073709551616", std::nullopt}, {"\xef\xbc\x93", std::nullopt},  // fullwidth 3
    };
    for (const Case& c : cases) EXPECT_EQ(parse_unsigned_decimal(c.text), c.value) << c.text;
}

TEST(JsonReaderOption, FloatText) {
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"1.25", 1.25f},   {"+1.25", 1.25f},   {"-2", -2.0f},       {"5.", 5.0f},
        {".5", 0.5f},      {"1e3", 1000.0f},   {"1E-2", 0.01f},     {"-.5e+1", -5.0f},
        {"0.1", 0.1f},     {"1e-50", 0.0f},    {"", std::nullopt},  {".", std::nullopt},
        {"e5", std::nullopt}, {"1e", std::nullopt}, {"1e+", std::nullopt},
        {"1.2.3", std::nullopt}, {"0x10", std::nullopt}, {"1 ", std::nullopt},
        {"abc", std::nullopt}, {"++1", std::nullopt}, {"infinite", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parse_float_text(c.text), c.value) << c.text;
    // Rounded straight to the nearest float: 16777217 lies between two floats.
    EXPECT_EQ(parse_float_text("16777217"), 16777216.0f);
    EXPECT_EQ(parse_float_text("16777219"), 16777220.0f);
    for (const char* word : {"inf", "INF", "Infinity", "-inf", "+infinity", "1e39", "3.5e38"}) {
        auto f = parse_float_text(word);
        ASSERT_TRUE(f.has_value()) << word;
        EXPECT_TRUE(std::isinf(*f)) << word;
    }
    for (const char* word : {"nan", "NaN", "-nan"}) {
        auto f = parse_float_text(word);
        ASSERT_TRUE(f.has_value()) << word;
        EXPECT_TRUE(std::isnan(*f)) << word;
    }
}

TEST(JsonReaderOption, FiniteF32FromJsonNumber) {
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"0.7", 0.7f},
        {"3", 3.0f},
        {"-3", -3.0f},
        {"3.4028234663852886e38", std::numeric_limits<float>::max()},
        {"1e39", std::nullopt},
        {"1e300", std::nullopt},
        {"\"1\"", std::nullopt},
        {"null", std::nullopt},
    };
    for (const Case& c : cases) {
        auto v = read_json(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(read_finite_f32(*v), c.value) << c.text;
    }
    // The doubles between FLT_MAX and 2^128 round to FLT_MAX below their
    // midpoint and to infinity from it on (ties go to the even 2^128).
    EXPECT_EQ(read_finite_f32(json(0x1.fffffefffffffp127)), std::numeric_limits<float>::max());
    EXPECT_EQ(read_finite_f32(json(0x1.ffffffp127)), std::nullopt);
    EXPECT_EQ(read_finite_f32(json(-0x1.ffffffp127)), std::nullopt);
}

TEST(JsonReaderOption, GlossaryEntries) {
    auto entries = read_json(R"([
        {"source": "GPU", "target": "图形处理器"},
        {"from": "CPU", "to": "中央处理器"},
        {"source": "", "target": "x"},
        {"source": " a ", "target": ""},
        {"source": 1, "from": "b", "target": null, "to": "B"},
        {"source": "c"},
        {"target": "d"},
        "e",
        ["f", "g"],
        null,
        {"source": "h", "from": "ignored", "target": "H", "to": "ignored"}
    ])");
    ASSERT_TRUE(entries.has_value());
    auto pairs = collect_glossary_array(*entries);
    const std::vector<GlossaryPair> expected = {
        {"GPU", "图形处理器"}, {"CPU", "中央处理器"}, {" a ", ""}, {"b", "B"}, {"h", "H"}};
    EXPECT_EQ(pairs, expected);
    EXPECT_FALSE(parse_glossary_entry(json("x")).has_value());
    EXPECT_TRUE(collect_glossary_array(json::object()).empty());
    EXPECT_TRUE(collect_glossary_map(json::array()).empty());

    auto map = read_json(R"({"b": "B", "a": "A", "": "empty", "n": 1, "s": " S "})");
    ASSERT_TRUE(map.has_value());
    const std::vector<GlossaryPair> expected_map = {{"a", "A"}, {"b", "B"}, {"s", " S "}};
    EXPECT_EQ(collect_glossary_map(*map), expected_map);
}

TEST(JsonReaderOption, StringAndFloatOptionReaders) {
    auto o = read_json(R"({"k": "  ", "a": " v ", "n": 1, "f": "x", "g": " 2.5 ", "h": 3})");
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(read_string_option(*o, "k", "a"), "v");
    EXPECT_EQ(read_string_option(*o, "a", "k"), "v");
    EXPECT_EQ(read_string_option(*o, "k", std::nullopt), std::nullopt);
    EXPECT_EQ(read_string_option(*o, "n", "missing"), std::nullopt);
    EXPECT_EQ(read_float_option(*o, "f", "g"), 2.5f);
    EXPECT_EQ(read_float_option(*o, "h", "g"), 3.0f);
    EXPECT_EQ(read_float_option(*o, "f", "missing"), std::nullopt);
    EXPECT_EQ(read_float_option(*o, "missing", std::nullopt), std::nullopt);
    // Not an object: every member is absent.
    EXPECT_EQ(read_string_option(json::array({"a"}), "a", std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace zvk

#include "base/json_writer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>
#include <limits>

namespace zvk {
namespace {

struct NumberCase {
    const char* name;
    double value;
    const char* expected;
};

TEST(JsonNumber, Notation) {
    const NumberCase cases[] = {
        {"integral gets .0", 612.0, "612.0"},
        {"f32 0.1 widened exactly", static_cast<double>(0.1f), "0.10000000149011612"},
        {"zero", 0.0, "0.0"},
        {"negative zero", -0.0, "-0.0"},
        {"small plain at the lower bound", 0.00001, "0.00001"},
        {"below the lower bound uses an exponent", 1e-7, "1e-7"},
        {"just under the upper bound", 1234567890123456.0, "1234567890123456.0"},
        {"upper bound uses an exponent", 1e16, "1e16"},
        {"exponent with fraction", 1.5e16, "1.5e16"},
        {"negative plain", -12.25, "-12.25"},
        {"negative integral", -700.0, "-700.0"},
        {"one", 1.0, "1.0"},
        {"largest integer below 2^53", 9007199254740991.0, "9007199254740991.0"},
        {"2^53 itself", 9007199254740992.0, "9007199254740992.0"},
        {"integral above 2^53, below 1e16", 9999999999999998.0, "9999999999999998.0"},
        {"integral with trailing zeros", 1e15, "1000000000000000.0"},
        {"negative integral near 2^53", -9007199254740990.0, "-9007199254740990.0"},
        {"negative exponent form", -2.5e-9, "-2.5e-9"},
        {"fraction below one", 0.5, "0.5"},
        {"nan", std::nan(""), "null"},
        {"infinity", std::numeric_limits<double>::infinity(), "null"},
        {"negative infinity", -std::numeric_limits<double>::infinity(), "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(format_json_number(c.value), c.expected) << c.name;
    }
}

// Integral values are printed by a shortcut; the shortest fixed notation of
// the standard library is the independent oracle.
TEST(JsonNumber, IntegralValuesAsTheShortestFixedNotation) {
    std::vector<double> values;
    for (double v = 1; v < 1e17; v *= 3) values.push_back(std::floor(v));
    for (std::uint64_t x = 88172645463325252ull, i = 0; i < 2000; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        values.push_back(static_cast<double>(x >> (11 + i % 50)));
    }
    for (double magnitude : values) {
        for (double v : {magnitude, -magnitude}) {
            if (v == 0.0 || std::fabs(v) >= 1e16) continue;
            char buf[64];
            auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
            EXPECT_EQ(format_json_number(v), std::string(buf, res.ptr) + ".0") << v;
        }
    }
}

TEST(JsonString, Escapes) {
    struct Case {
        const char* name;
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {"plain", "abc", "\"abc\""},
        {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"named controls", "\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
        {"other controls as lower-case hex", std::string("\x01\x1f\0", 3), "\"\\u0001\\u001f\\u0000\""},
        {"non-ASCII as UTF-8", "\xE4\xB8\xAD\xE6\x96\x87", "\"\xE4\xB8\xAD\xE6\x96\x87\""},
        {"DEL is not escaped", "\x7f", "\"\x7f\""},
    };
    for (const auto& c : cases) {
        std::string out;
        append_json_string(out, c.text);
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST(JsonWriter, PrettyLayout) {
    std::string out;
    JsonWriter w(out);
    w.begin_object();
    w.key("a");
    w.begin_array();
    w.u64(1);
    w.f32(2.0f);
    w.end_array();
    w.key("b");
    w.begin_object();
    w.end_object();
    w.key("c");
    w.begin_array();
    w.end_array();
    w.key("d");
    w.begin_object();
    w.key("e");
    w.null();
    w.key("f");
    w.boolean(true);
    w.end_object();
    w.key("g");
    w.i64(-3);
    w.end_object();
    EXPECT_EQ(out,
              "{\n"
              "  \"a\": [\n"
              "    1,\n"
              "    2.0\n"
              "  ],\n"
              "  \"b\": {},\n"
              "  \"c\": [],\n"
              "  \"d\": {\n"
              "    \"e\": null,\n"
              "    \"f\": true\n"
              "  },\n"
              "  \"g\": -3\n"
              "}");
}

TEST(JsonWriter, CompactLayout) {
    std::string out;
    JsonWriter w(out, false);
    w.begin_object();
    w.key("a");
    w.begin_array();
    w.string("x");
    w.u64(18446744073709551615ull);
    w.end_array();
    w.key("b");
    w.begin_object();
    w.end_object();
    w.end_object();
    EXPECT_EQ(out, "{\"a\":[\"x\",18446744073709551615],\"b\":{}}");
}

}  // namespace
}  // namespace zvk

namespace zvk {
namespace {

class CollectingSink final : public JsonSink {
public:
    void write(std::string_view chunk) override {
        pieces.emplace_back(chunk);
        text += chunk;
    }
    std::vector<std::string> pieces;
    std::string text;
};

// Written to a sink, a long document arrives in several pieces that add up to
// exactly the text written to a string.
TEST(JsonWriter, SinkPiecesAddUpToTheWholeText) {
    auto write = [](JsonWriter& w) {
        w.begin_array();
        for (int i = 0; i < 5000; ++i) {
            w.begin_object();
            w.member("text", "\xE4\xB8\xAD\xE6\x96\x87 and some more text");
            w.key("value");
            w.f32(static_cast<float>(i) / 7.0f);
            w.end_object();
        }
        w.end_array();
    };
    std::string whole;
    JsonWriter a(whole);
    write(a);
    CollectingSink sink;
    JsonWriter b(sink);
    write(b);
    b.finish();
    EXPECT_GT(sink.pieces.size(), 2u);
    EXPECT_EQ(sink.text, whole);
    for (std::size_t i = 1; i < sink.pieces.size(); ++i) {
        EXPECT_EQ(sink.pieces[i].front(), ',') << "pieces are cut where a value begins";
    }
}

}  // namespace
}  // namespace zvk

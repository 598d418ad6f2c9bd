#include "base/json_writer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

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

// The notation rules applied to the shortest scientific digits of the
// standard library: the reference that the writer's own shortcuts must match.
std::string reference_number(double value) {
    if (!std::isfinite(value)) return "null";
    if (value == 0.0) return std::signbit(value) ? "-0.0" : "0.0";
    char sci[64];
    auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
    std::string text(sci, res.ptr);
    const bool negative = text[0] == '-';
    const std::size_t e = text.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
        if (text[i] != '.') digits += text[i];
    }
    const int exponent = std::stoi(text.substr(e + 1));
    std::string out = negative ? "-" : "";
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e-5 && magnitude < 1e16) {
        const int point = exponent + 1;
        if (point <= 0) return out + "0." + std::string(-point, '0') + digits;
        if (static_cast<std::size_t>(point) >= digits.size()) {
            return out + digits + std::string(point - digits.size(), '0') + ".0";
        }
        return out + digits.substr(0, point) + "." + digits.substr(point);
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    return out + "e" + std::to_string(exponent);
}

std::uint64_t xorshift(std::uint64_t& x) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
}

// Every notation and boundary: floats of every exponent (what glyphs hold,
// widened) and doubles across the plain range and beyond.
TEST(JsonNumber, AgreesWithTheShortestScientificDigits) {
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::uint32_t i = 0; i < 400000; ++i) {
        const auto bits = static_cast<std::uint32_t>(xorshift(x));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        const double v = f;
        ASSERT_EQ(format_json_number(v), reference_number(v)) << std::hexfloat << v;
    }
    for (std::uint32_t i = 0; i < 200000; ++i) {
        const std::uint64_t r = xorshift(x);
        const double v = std::ldexp(static_cast<double>(r >> 11) / 9007199254740992.0, static_cast<int>(r % 80) - 25);
        for (double s : {v, -v}) ASSERT_EQ(format_json_number(s), reference_number(s)) << std::hexfloat << s;
    }
    for (double v : {1e-5, 0.999999e-5, 1.00001e-5, 9007199254740991.5, 9007199254740990.5, 4503599627370495.5,
                     0.1, 0.2, 0.3, 1e-4, 123456.789, 9.999999999999999e15}) {
        EXPECT_EQ(format_json_number(v), reference_number(v)) << v;
    }
}

// f32 keeps the texts of recent floats in a table of each writer: repeated
// and colliding values, the two zeros and NaNs must still print as each
// value's own text, with writers on several threads at once.
TEST(JsonWriter, FloatsPrintTheirOwnTextWhenRepeated) {
    auto check = [](std::uint64_t seed) {
        std::vector<float> values = {0.0f, -0.0f, std::nanf(""), -std::nanf(""), 1.0f, 0.1f,
                                     std::numeric_limits<float>::infinity(), 1e-30f, 3e38f};
        std::uint64_t x = seed;
        // Far more distinct values than the table has slots, each met again.
        for (int i = 0; i < 20000; ++i) {
            const auto bits = static_cast<std::uint32_t>(xorshift(x));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            values.push_back(f);
            values.push_back(static_cast<float>(i % 97) * 0.25f);
        }
        // Neighbours (coordinates a few units in the last place apart).
        for (std::uint32_t bits = 0x42C80000u; bits < 0x42C80000u + 8192; ++bits) {
            float f;
            std::memcpy(&f, &bits, sizeof f);
            values.push_back(f);
        }
        std::string out;
        std::string expected = "[";
        JsonWriter w(out, false);
        w.begin_array();
        for (int round = 0; round < 3; ++round) {
            for (float f : values) {
                w.f32(f);
                if (expected.size() > 1) expected += ",";
                expected += format_json_number(static_cast<double>(f));
            }
        }
        w.end_array();
        return out == expected + "]";
    };
    bool results[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { results[t] = check(1234567 + 7919 * t); });
    for (auto& t : threads) t.join();
    for (bool r : results) EXPECT_TRUE(r);
}

// A name the caller vouches for is written exactly as key() writes it, at
// every depth, first or not, pretty or compact.
TEST(JsonWriter, PlainNamesWrittenAsCheckedOnes) {
    auto write = [](bool pretty, bool plain) {
        std::string out;
        JsonWriter w(out, pretty);
        auto name = [&](std::string_view n) { plain ? w.plain_key(n) : w.key(n); };
        w.begin_object();
        name("a");
        w.begin_object();
        name("byte_start");
        w.u64(3);
        name("clip_uncertain_and_longer");
        w.begin_array();
        w.begin_object();
        name("x");
        w.null();
        w.end_object();
        w.end_array();
        w.end_object();
        plain ? w.plain_member("b", "t") : w.member("b", "t");
        name("c");
        w.begin_object();
        w.end_object();
        w.end_object();
        return out;
    };
    for (bool pretty : {true, false}) {
        EXPECT_EQ(write(pretty, true), write(pretty, false)) << (pretty ? "pretty" : "compact");
    }
    EXPECT_EQ(write(false, true), R"({"a":{"byte_start":3,"clip_uncertain_and_longer":[{"x":null}]},"b":"t","c":{}})");
}

// Member names are checked for escapes eight bytes at a time: a byte that
// needs one is found at every position of names of every length.
TEST(JsonWriter, MemberNamesEscapedWhereverTheByteStands) {
    for (char bad : {'"', '\\', '\n', '\x01', '\x1f', '\0'}) {
        for (std::size_t length = 1; length <= 20; ++length) {
            for (std::size_t at = 0; at < length; ++at) {
                std::string name(length, 'k');
                name[at] = bad;
                std::string out;
                JsonWriter w(out, false);
                w.begin_object();
                w.key(name);
                w.null();
                w.end_object();
                std::string expected = "{";
                append_json_string(expected, name);
                expected += ":null}";
                ASSERT_EQ(out, expected) << "byte " << int(bad) << " at " << at << " of " << length;
            }
        }
    }
    // Bytes beside the ones that need escapes do not.
    for (char near : {' ', '!', '#', '[', ']', '\x7f', '\x80', '\xdc', '\xa2', '\xff'}) {
        std::string name(12, near);
        std::string out;
        JsonWriter w(out, false);
        w.begin_object();
        w.key(name);
        w.null();
        w.end_object();
        EXPECT_EQ(out, "{\"" + name + "\":null}") << int(near);
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

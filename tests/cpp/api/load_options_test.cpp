// Load options and extraction limits: keys, defaults, coercions,
// saturation and errors.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "api/options.h"

namespace zvk {
namespace {

TEST(LoadOptions, Defaults) {
    LoadOptions d;
    EXPECT_EQ(d.password, std::nullopt);
    EXPECT_EQ(d.max_decompressed_size, 67108864u);
    EXPECT_FALSE(d.strict);
    ExtractLimits l;
    EXPECT_EQ(l.max_pages, std::nullopt);
    EXPECT_EQ(l.max_stream_bytes, 33554432u);
    EXPECT_EQ(l.max_depth, 32u);
}

TEST(LoadOptions, Keys) {
    struct Case {
        std::string json;
        std::function<void(LoadOptions&)> change;
    };
    const std::vector<Case> cases = {
        {"", [](auto&) {}},
        {" \n\xe3\x80\x80", [](auto&) {}},
        {"[]", [](auto&) {}},
        {"null", [](auto&) {}},
        {"{}", [](auto&) {}},
        {R"({"password":"secret"})", [](auto& o) { o.password = "secret"; }},
        // Taken exactly: not trimmed, and the empty string is a password.
        {R"({"password":""})", [](auto& o) { o.password = ""; }},
        {R"({"password":" p "})", [](auto& o) { o.password = " p "; }},
        {R"({"password":1234})", [](auto&) {}},
        {R"({"password":null})", [](auto&) {}},
        {R"({"max_decompressed_size":0})", [](auto& o) { o.max_decompressed_size = 0; }},
        {R"({"max_decompressed_size":18446744073709551615})",
         [](auto& o) { o.max_decompressed_size = UINT64_MAX; }},
        {R"({"max_decompressed_size":-1})", [](auto&) {}},
        {R"({"max_decompressed_size":1.5})", [](auto&) {}},
        {R"({"max_decompressed_size":"100"})", [](auto&) {}},
        {R"({"strict":true})", [](auto& o) { o.strict = true; }},
        {R"({"strict":false})", [](auto&) {}},
        {R"({"strict":"true"})", [](auto&) {}},
        {R"({"strict":1})", [](auto&) {}},
        // Translate options and unknown keys are ignored.
        {R"({"jobs":0,"batch_size":0,"output_mode":"nope","Password":"x"})", [](auto&) {}},
    };
    for (const Case& c : cases) {
        auto r = parse_load_options(c.json);
        ASSERT_TRUE(r.has_value()) << c.json;
        LoadOptions want;
        c.change(want);
        EXPECT_EQ(r->password, want.password) << c.json;
        EXPECT_EQ(r->max_decompressed_size, want.max_decompressed_size) << c.json;
        EXPECT_EQ(r->strict, want.strict) << c.json;
    }
}

TEST(ExtractLimits, Keys) {
    struct Case {
        std::string json;
        std::function<void(ExtractLimits&)> change;
    };
    const std::vector<Case> cases = {
        {"", [](auto&) {}},
        {"\t", [](auto&) {}},
        {"42", [](auto&) {}},
        {R"({"max_pages":3})", [](auto& l) { l.max_pages = 3u; }},
        // 0 is a limit of zero pages, not the absence of a limit.
        {R"({"max_pages":0})", [](auto& l) { l.max_pages = 0u; }},
        {R"({"max_pages":-1})", [](auto&) {}},
        {R"({"max_pages":1.5})", [](auto&) {}},
        {R"({"max_pages":"3"})", [](auto&) {}},
        {R"({"max_pages":null})", [](auto&) {}},
        {R"({"max_pages":4294967295})", [](auto& l) { l.max_pages = 4294967295u; }},
        // Saturates; the low 32 bits (0) would turn a huge limit into none.
        {R"({"max_pages":4294967296})", [](auto& l) { l.max_pages = 4294967295u; }},
        {R"({"max_pages":18446744073709551615})", [](auto& l) { l.max_pages = 4294967295u; }},
        {R"({"max_stream_bytes":0})", [](auto& l) { l.max_stream_bytes = 0; }},
        {R"({"max_stream_bytes":18446744073709551615})", [](auto& l) { l.max_stream_bytes = UINT64_MAX; }},
        {R"({"max_stream_bytes":18446744073709551616})", [](auto&) {}},  // a float
        {R"({"max_stream_bytes":1e6})", [](auto&) {}},
        {R"({"max_depth":5})", [](auto& l) { l.max_depth = 5; }},
        {R"({"max_depth":0})", [](auto& l) { l.max_depth = 0; }},
        // Saturates: its low 32 bits (2) would turn a huge limit into a tiny one.
        {R"({"max_depth":4294967298})", [](auto& l) { l.max_depth = 4294967295u; }},
        {R"({"max_depth":-3})", [](auto&) {}},
        {R"({"max_depth":true})", [](auto&) {}},
        {R"({"max_pages":2,"max_stream_bytes":1024,"max_depth":8,"jobs":0,"password":1})",
         [](auto& l) { l.max_pages = 2u; l.max_stream_bytes = 1024; l.max_depth = 8; }},
    };
    for (const Case& c : cases) {
        auto r = parse_extract_limits(c.json);
        ASSERT_TRUE(r.has_value()) << c.json;
        ExtractLimits want;
        c.change(want);
        EXPECT_EQ(r->max_pages, want.max_pages) << c.json;
        EXPECT_EQ(r->max_stream_bytes, want.max_stream_bytes) << c.json;
        EXPECT_EQ(r->max_depth, want.max_depth) << c.json;
    }
}

TEST(ExtractLimits, InvalidJsonFailsBothParsers) {
    struct Case {
        std::string json, text;
    };
    const Case cases[] = {
        {"nope", "expected value at line 1 column 1"},
        {"{\"max_pages\":1,}", "key must be a string at line 1 column 16"},
        {"{\"max_pages\":1} {}", "trailing characters at line 1 column 17"},
        {std::string(129, '[') + std::string(129, ']'), "recursion limit exceeded at line 1 column 129"},
    };
    for (const Case& c : cases) {
        auto l = parse_extract_limits(c.json);
        auto o = parse_load_options(c.json);
        ASSERT_FALSE(l.has_value()) << c.json;
        ASSERT_FALSE(o.has_value()) << c.json;
        EXPECT_EQ(l.error().kind(), CoreError::Kind::InvalidOptions);
        EXPECT_EQ(o.error().kind(), CoreError::Kind::InvalidOptions);
        EXPECT_EQ(l.error().text(), c.text);
        EXPECT_EQ(o.error().text(), c.text);
        EXPECT_EQ(l.error().display(), "invalid options: " + c.text);
    }
    // 128 levels are fine.
    EXPECT_TRUE(parse_extract_limits(std::string(128, '[') + std::string(128, ']')).has_value());
}

}  // namespace
}  // namespace zvk

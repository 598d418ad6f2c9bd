// Translate options: keys, aliases, defaults, coercions, errors
// and their order, warnings, glossary forms, and the environment resolvers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/options.h"
#include "support/scoped_env.h"

namespace zvk {
namespace {

void expect_same(const TranslateOptions& got, const TranslateOptions& want, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(got.source_lang, want.source_lang);
    EXPECT_EQ(got.target_lang, want.target_lang);
    EXPECT_EQ(got.glossary, want.glossary);
    EXPECT_EQ(got.model, want.model);
    EXPECT_EQ(got.base_url, want.base_url);
    EXPECT_EQ(got.translator, want.translator);
    EXPECT_EQ(got.cjk_font, want.cjk_font);
    EXPECT_EQ(got.cjk_sans, want.cjk_sans);
    EXPECT_EQ(got.max_tokens, want.max_tokens);
    EXPECT_EQ(got.context_window, want.context_window);
    EXPECT_EQ(got.batch_size, want.batch_size);
    EXPECT_EQ(got.jobs, want.jobs);
    EXPECT_EQ(got.timeout_secs, want.timeout_secs);
    EXPECT_EQ(got.temperature, want.temperature);
    EXPECT_EQ(got.cjk_size_scale, want.cjk_size_scale);
    EXPECT_EQ(got.cjk_leading, want.cjk_leading);
    EXPECT_EQ(got.skip_references, want.skip_references);
    EXPECT_EQ(got.skip_figures, want.skip_figures);
    EXPECT_EQ(got.skip_tables, want.skip_tables);
    EXPECT_EQ(got.output_mode.value, want.output_mode.value);
}

using test::ScopedEnv;

TEST(TranslateOptions, DefaultsMatchTheTable) {
    TranslateOptions d = default_translate_options();
    EXPECT_EQ(d.source_lang, "en");
    EXPECT_EQ(d.target_lang, "zh");
    EXPECT_TRUE(d.glossary.empty());
    EXPECT_FALSE(d.model || d.base_url || d.translator || d.cjk_font || d.cjk_sans || d.max_tokens);
    EXPECT_EQ(d.context_window, 2u);
    EXPECT_EQ(d.batch_size, 8u);
    EXPECT_EQ(d.jobs, 0u);
    EXPECT_EQ(d.timeout_secs, 300u);
    EXPECT_EQ(d.temperature, 0.0f);
    EXPECT_EQ(d.cjk_size_scale, 0.0f);
    EXPECT_EQ(d.cjk_leading, 0.0f);
    EXPECT_TRUE(d.skip_references && d.skip_figures && d.skip_tables);
    EXPECT_TRUE(d.output_mode.is_replace());
    EXPECT_EQ(d.output_mode.value, 255);
    EXPECT_EQ(OutputMode::bilingual(BilingualLayout::Overlay).value, 2);
}

TEST(TranslateOptions, BlankOrNonObjectGivesDefaults) {
    const std::string texts[] = {"",     "   ",  "\t\n",  "\xe3\x80\x80 \xc2\xa0",  // U+3000, U+00A0
                                 "{}",   "[]",   "[1,2]", "0",
                                 "null", "true", "\"source_lang\"", " {} \n"};
    for (const std::string& t : texts) {
        auto r = parse_translate_options(t);
        ASSERT_TRUE(r.has_value()) << t;
        expect_same(r->options, default_translate_options(), t);
        EXPECT_TRUE(r->warnings.empty()) << t;
    }
}

struct Case {
    std::string json;
    std::function<void(TranslateOptions&)> change;
};

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        auto r = parse_translate_options(c.json);
        ASSERT_TRUE(r.has_value()) << c.json << ": " << r.error().display();
        TranslateOptions want = default_translate_options();
        c.change(want);
        expect_same(r->options, want, c.json);
        EXPECT_TRUE(r->warnings.empty()) << c.json;
    }
}

TEST(TranslateOptions, TextKeysAndAliases) {
    run_cases({
        {R"({"source_lang":"de","target_lang":"ja"})", [](auto& o) { o.source_lang = "de"; o.target_lang = "ja"; }},
        {R"({"from":"de","to":"ja"})", [](auto& o) { o.source_lang = "de"; o.target_lang = "ja"; }},
        // The key wins over the alias when it is accepted...
        {R"({"source_lang":"fr","from":"de"})", [](auto& o) { o.source_lang = "fr"; }},
        // ...and the alias is read when the key's value is not accepted.
        {R"({"source_lang":"","from":"de"})", [](auto& o) { o.source_lang = "de"; }},
        {R"({"source_lang":" \u3000 ","from":"de"})", [](auto& o) { o.source_lang = "de"; }},
        {R"({"source_lang":7,"from":"de"})", [](auto& o) { o.source_lang = "de"; }},
        {R"({"source_lang":null,"from":" "})", [](auto&) {}},
        {R"({"source_lang":"  fr\n"})", [](auto& o) { o.source_lang = "fr"; }},
        {R"({"source_lang":"\u00a0fr\u2003"})", [](auto& o) { o.source_lang = "fr"; }},
        {R"({"model":" gpt-x ","base_url":"http://h/v1","translator":"openai"})",
         [](auto& o) { o.model = "gpt-x"; o.base_url = "http://h/v1"; o.translator = "openai"; }},
        {R"({"baseUrl":"http://b","backend":"google"})",
         [](auto& o) { o.base_url = "http://b"; o.translator = "google"; }},
        {R"({"model":""})", [](auto&) {}},
        {R"({"cjk_font":"/f/serif.otf","cjk_sans":"/f/sans.otf"})",
         [](auto& o) { o.cjk_font = "/f/serif.otf"; o.cjk_sans = "/f/sans.otf"; }},
        {R"({"cjk_serif":"/f/s.ttf"})", [](auto& o) { o.cjk_font = "/f/s.ttf"; }},
        {R"({"cjk_font":["x"],"cjk_serif":"/f/s.ttf"})", [](auto& o) { o.cjk_font = "/f/s.ttf"; }},
        // Keys are case-sensitive.
        {R"({"Source_Lang":"de","MODEL":"m"})", [](auto&) {}},
    });
}

TEST(TranslateOptions, IntegerAndBooleanKeys) {
    run_cases({
        {R"({"context_window":0,"batch_size":1,"timeout_secs":0})",
         [](auto& o) { o.context_window = 0; o.batch_size = 1; o.timeout_secs = 0; }},
        {R"({"context_window":18446744073709551615})", [](auto& o) { o.context_window = UINT64_MAX; }},
        {R"({"context_window":-1,"batch_size":4.0,"timeout_secs":"5"})", [](auto&) {}},
        {R"({"context_window":1e1,"timeout_secs":18446744073709551616})", [](auto&) {}},
        {R"({"max_tokens":0})", [](auto& o) { o.max_tokens = 0u; }},
        {R"({"max_tokens":4294967295})", [](auto& o) { o.max_tokens = 4294967295u; }},
        // Saturates: the low 32 bits (1) would make a huge limit tiny.
        {R"({"max_tokens":4294967297})", [](auto& o) { o.max_tokens = 4294967295u; }},
        {R"({"max_tokens":18446744073709551615})", [](auto& o) { o.max_tokens = 4294967295u; }},
        {R"({"max_tokens":-5})", [](auto&) {}},
        {R"({"skip_references":false,"skip_figures":false,"skip_tables":false})",
         [](auto& o) { o.skip_references = o.skip_figures = o.skip_tables = false; }},
        {R"({"skip_references":"false","skip_figures":0,"skip_tables":null})", [](auto&) {}},
        {R"({"temperature":0.7})", [](auto& o) { o.temperature = 0.7f; }},
        {R"({"temperature":1})", [](auto& o) { o.temperature = 1.0f; }},
        {R"({"temperature":-0.5})", [](auto& o) { o.temperature = -0.5f; }},
        {R"({"temperature":"0.7"})", [](auto&) {}},
        // Finite as a double but infinite as a float: not accepted.
        {R"({"temperature":1e39})", [](auto&) {}},
    });
}

TEST(TranslateOptions, WorkerCount) {
    run_cases({
        {R"({"jobs":3})", [](auto& o) { o.jobs = 3; }},
        {R"({"jobs":" +3 "})", [](auto& o) { o.jobs = 3; }},
        {R"({"jobs":"\u00a03\u3000"})", [](auto& o) { o.jobs = 3; }},
        {R"({"jobs":100})", [](auto& o) { o.jobs = 100; }},
        {R"({"jobs":"18446744073709551615"})", [](auto& o) { o.jobs = UINT64_MAX; }},
        {R"({"translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"translate_jobs":"6"})", [](auto& o) { o.jobs = 6; }},
        {R"({"jobs":2,"translate_jobs":5})", [](auto& o) { o.jobs = 2; }},
        // Not accepted under "jobs": "translate_jobs" is read.
        {R"({"jobs":"-1","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":4.0,"translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"+","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"-","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"3x","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"++3","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":"18446744073709551616","translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":null,"translate_jobs":5})", [](auto& o) { o.jobs = 5; }},
        {R"({"jobs":-1})", [](auto&) {}},
        {R"({"jobs":"-1"})", [](auto&) {}},
        {R"({"jobs":true})", [](auto&) {}},
    });
}

TEST(TranslateOptions, CjkScaleAndLeading) {
    run_cases({
        {R"({"cjk_size_scale":0.9,"cjk_leading":1.2})",
         [](auto& o) { o.cjk_size_scale = 0.9f; o.cjk_leading = 1.2f; }},
        {R"({"cjk_size_scale":" 1.25 "})", [](auto& o) { o.cjk_size_scale = 1.25f; }},
        {R"({"cjk_size_scale":"big","cjkSizeScale":1.5})", [](auto& o) { o.cjk_size_scale = 1.5f; }},
        {R"({"cjk_size_scale":"big","cjkSizeScale":"1.5"})", [](auto& o) { o.cjk_size_scale = 1.5f; }},
        {R"({"cjk_size_scale":0.8,"cjkSizeScale":1.5})", [](auto& o) { o.cjk_size_scale = 0.8f; }},
        {R"({"cjk_size_scale":"big","cjkSizeScale":"large"})", [](auto&) {}},
        {R"({"cjkLeading":"1e0"})", [](auto& o) { o.cjk_leading = 1.0f; }},
        {R"({"cjk_leading":".5"})", [](auto& o) { o.cjk_leading = 0.5f; }},
        {R"({"cjk_leading":"-2"})", [](auto& o) { o.cjk_leading = -2.0f; }},
        {R"({"cjk_leading":"1,5"})", [](auto&) {}},
        {R"({"cjk_leading":true})", [](auto&) {}},
        // Non-finite values are not accepted: the alias is read, or the field
        // stays 0. Never an error.
        {R"({"cjk_size_scale":"nan","cjkSizeScale":1.5})", [](auto& o) { o.cjk_size_scale = 1.5f; }},
        {R"({"cjk_size_scale":"inf","cjkSizeScale":2})", [](auto& o) { o.cjk_size_scale = 2.0f; }},
        {R"({"cjk_size_scale":"-Infinity","cjkSizeScale":"1.1"})", [](auto& o) { o.cjk_size_scale = 1.1f; }},
        {R"({"cjk_size_scale":"NaN"})", [](auto&) {}},
        {R"({"cjk_size_scale":"1e39","cjkSizeScale":0.5})", [](auto& o) { o.cjk_size_scale = 0.5f; }},
        {R"({"cjk_size_scale":1e39,"cjkSizeScale":0.5})", [](auto& o) { o.cjk_size_scale = 0.5f; }},
        {R"({"cjk_leading":1e300})", [](auto&) {}},
        {R"({"cjk_leading":"INFINITY","cjkLeading":"nan"})", [](auto&) {}},
    });
}

TEST(TranslateOptions, OutputModeWords) {
    const auto side = OutputMode::bilingual(BilingualLayout::SideBySide);
    const auto alt = OutputMode::bilingual(BilingualLayout::Alternating);
    const auto over = OutputMode::bilingual(BilingualLayout::Overlay);
    run_cases({
        {R"({"output_mode":"replace"})", [](auto&) {}},
        {R"({"output_mode":"MONO"})", [](auto&) {}},
        {R"({"mode":" Translation "})", [](auto&) {}},
        {R"({"output_mode":"Side_By_Side"})", [&](auto& o) { o.output_mode = side; }},
        {R"({"output_mode":"sidebyside"})", [&](auto& o) { o.output_mode = side; }},
        {R"({"mode":"parallel"})", [&](auto& o) { o.output_mode = side; }},
        {R"({"output_mode":"alternate"})", [&](auto& o) { o.output_mode = alt; }},
        {R"({"output_mode":"ALTERNATING"})", [&](auto& o) { o.output_mode = alt; }},
        {R"({"output_mode":"interleaved"})", [&](auto& o) { o.output_mode = alt; }},
        {R"({"output_mode":"\u3000overlay\u00a0"})", [&](auto& o) { o.output_mode = over; }},
        {R"({"output_mode":"bilingual"})", [&](auto& o) { o.output_mode = side; }},
        {R"({"output_mode":"bilingual","bilingual_layout":"Alternate"})", [&](auto& o) { o.output_mode = alt; }},
        {R"({"output_mode":"bi","layout":"overlay"})", [&](auto& o) { o.output_mode = over; }},
        {R"({"output_mode":"bi","bilingual_layout":"","layout":"overlay"})", [&](auto& o) { o.output_mode = over; }},
        {R"({"output_mode":"bilingual","bilingual_layout":7})", [&](auto& o) { o.output_mode = side; }},
        // Key first, alias when the key is not accepted.
        {R"({"output_mode":"overlay","mode":"replace"})", [&](auto& o) { o.output_mode = over; }},
        {R"({"output_mode":"  ","mode":"overlay"})", [&](auto& o) { o.output_mode = over; }},
        // A layout word is ignored by mode words other than bilingual and bi.
        {R"({"output_mode":"overlay","layout":"nonsense"})", [&](auto& o) { o.output_mode = over; }},
        {R"({"output_mode":"replace","layout":"nonsense"})", [](auto&) {}},
        // "bilingual" true stands for the mode word bilingual.
        {R"({"bilingual":true})", [&](auto& o) { o.output_mode = side; }},
        {R"({"bilingual":true,"layout":"interleaved"})", [&](auto& o) { o.output_mode = alt; }},
        {R"({"bilingual":true,"mode":"replace"})", [](auto&) {}},
        {R"({"bilingual":"true"})", [](auto&) {}},
        {R"({"bilingual":false,"layout":"overlay"})", [](auto&) {}},
        // Without a mode word the layout word is not examined at all.
        {R"({"layout":"nonsense"})", [](auto&) {}},
        {R"({"bilingual":1,"bilingual_layout":"nonsense"})", [](auto&) {}},
    });
}

TEST(TranslateOptions, ModeWordFunctions) {
    EXPECT_EQ(normalize_mode_word("  Side_By_Side\t"), "side-by-side");
    EXPECT_EQ(normalize_mode_word("\xe3\x80\x80" "A_b-C" "\xc2\x85"), "a-b-c");
    // Only ASCII letters are lower-cased; other characters are kept.
    EXPECT_EQ(normalize_mode_word("\xc3\x84_X"), "\xc3\x84-x");  // U+00C4 stays
    EXPECT_EQ(normalize_mode_word("a b"), "a b");
    EXPECT_EQ(normalize_mode_word(""), "");

    EXPECT_EQ(parse_output_mode("bilingual", std::nullopt)->value, 0);
    EXPECT_EQ(parse_output_mode("BI", std::string_view("Over_lay")).error().text(),
              "unknown bilingual layout `over-lay`; use side-by-side, alternating, or overlay");
    // A layout word that is given but empty is not side-by-side.
    EXPECT_FALSE(parse_output_mode("bilingual", std::string_view("")).has_value());
    EXPECT_EQ(parse_output_mode("parallel", std::string_view("x"))->value, 0);
    EXPECT_TRUE(parse_output_mode("replace", std::string_view("overlay"))->is_replace());
    EXPECT_EQ(parse_bilingual_layout(" INTERLEAVED ").value(), BilingualLayout::Alternating);
    EXPECT_EQ(parse_bilingual_layout("side_by_side").value(), BilingualLayout::SideBySide);
    // "replace" and "bilingual" are mode words, not layout words.
    EXPECT_FALSE(parse_bilingual_layout("replace").has_value());
    EXPECT_FALSE(parse_bilingual_layout("bilingual").has_value());
    auto e = parse_output_mode(" Foo_Bar ", std::nullopt);
    ASSERT_FALSE(e.has_value());
    EXPECT_EQ(e.error().kind(), CoreError::Kind::InvalidOptions);
    EXPECT_EQ(e.error().text(),
              "unknown output mode `foo-bar`; use replace, side-by-side, alternating, or overlay");
}

TEST(TranslateOptions, Glossary) {
    using P = std::pair<std::string, std::string>;
    run_cases({
        {R"({"glossary":{"b":"B","a":"A"}})", [](auto& o) { o.glossary = {P{"a", "A"}, P{"b", "B"}}; }},
        {R"({"glossary":{"b":"B1","a":"A","b":"B2"}})", [](auto& o) { o.glossary = {P{"a", "A"}, P{"b", "B2"}}; }},
        {R"({"glossary":{"":"x"," t ":" T ","n":null}})", [](auto& o) { o.glossary = {P{" t ", " T "}}; }},
        {R"({"glossary":[{"source":"b","target":"B"},{"source":"a","target":"A"}]})",
         [](auto& o) { o.glossary = {P{"b", "B"}, P{"a", "A"}}; }},
        {R"({"glossary":[{"source":"","target":"E"},{"from":"x","to":"X"}]})",
         [](auto& o) { o.glossary = {P{"x", "X"}}; }},
        {R"({"glossary":[{"source":"x","target":""}]})", [](auto& o) { o.glossary = {P{"x", ""}}; }},
        {R"({"glossary":"a=b"})", [](auto&) {}},
        {R"({"glossary":null})", [](auto&) {}},
        {R"({"glossary":[]})", [](auto&) {}},
    });
}

TEST(TranslateOptions, ApiKeyWarning) {
    for (const char* text : {R"({"api_key":null})", R"({"apiKey":"sk-1"})",
                             R"({"google_api_key":{"x":1}})",
                             R"({"api_key":"a","apiKey":"b","google_api_key":"c"})"}) {
        auto r = parse_translate_options(text);
        ASSERT_TRUE(r.has_value()) << text;
        ASSERT_EQ(r->warnings.size(), 1u) << text;
        EXPECT_EQ(r->warnings[0], kApiKeyWarning);
        EXPECT_EQ(r->warnings[0],
                  "api keys in options JSON are ignored; set ZVK_LLM_API_KEY or "
                  "ZVK_GOOGLE_API_KEY in the environment");
        expect_same(r->options, default_translate_options(), text);
    }
    auto r = parse_translate_options(R"({"api_key":"k","source_lang":"de"})");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->options.source_lang, "de");
    // Other spellings are ordinary unknown keys.
    EXPECT_TRUE(parse_translate_options(R"({"API_KEY":"k","key":"k"})")->warnings.empty());
}

TEST(TranslateOptions, ErrorsAndTheirOrder) {
    struct ErrorCase {
        std::string json, text;
    };
    const std::string jobs = "jobs must be at least 1";
    const std::string batch = "batch_size must be at least 1";
    const std::string mode = "unknown output mode `foo-bar`; use replace, side-by-side, alternating, or overlay";
    const std::string layout = "unknown bilingual layout `nope`; use side-by-side, alternating, or overlay";
    const ErrorCase cases[] = {
        {"nope", "expected value at line 1 column 1"},
        {"{\"jobs\":0,", "EOF while parsing a value at line 1 column 10"},
        {" {\"jobs\":0} x", "trailing characters at line 1 column 13"},
        {R"({"jobs":0})", jobs},
        {R"({"jobs":"0"})", jobs},
        {R"({"jobs":" +0 "})", jobs},
        {R"({"jobs":"000"})", jobs},
        {R"({"translate_jobs":0})", jobs},
        {R"({"jobs":"x","translate_jobs":"0"})", jobs},
        {R"({"batch_size":0})", batch},
        {R"({"output_mode":"Foo_Bar"})", mode},
        {R"({"output_mode":"bilingual","layout":"nope"})", layout},
        {R"({"bilingual":true,"bilingual_layout":"NOPE"})", layout},
        // The first error met wins: syntax, jobs, mode or layout, batch size.
        {R"({"batch_size":0,"jobs":0})", jobs},
        {R"({"batch_size":0,"output_mode":"foo_bar"})", mode},
        {R"({"batch_size":0,"bilingual":true,"layout":"nope"})", layout},
        {R"({"output_mode":"foo_bar","jobs":0})", jobs},
        {R"({"batch_size":0,"jobs":0,"output_mode":"foo_bar")", "EOF while parsing an object at line 1 column 48"},
    };
    for (const ErrorCase& c : cases) {
        auto r = parse_translate_options(c.json);
        ASSERT_FALSE(r.has_value()) << c.json;
        EXPECT_EQ(r.error().kind(), CoreError::Kind::InvalidOptions) << c.json;
        EXPECT_EQ(r.error().text(), c.text) << c.json;
        EXPECT_EQ(r.error().display(), "invalid options: " + c.text) << c.json;
    }
}

TEST(TranslateOptions, DefaultLlmBaseUrl) {
    EXPECT_EQ(kDefaultLlmBaseUrl.size(), 35u);
    EXPECT_TRUE(kDefaultLlmBaseUrl.starts_with("https://"));
    EXPECT_TRUE(kDefaultLlmBaseUrl.ends_with("/api/llm/v1"));
    EXPECT_EQ(kDefaultLlmBaseUrl.find('/', 8), 35u - 11u);  // the path starts after the host
}

TEST(TranslateOptions, ResolveSetting) {
    using O = std::optional<std::string>;
    EXPECT_EQ(resolve_setting(O(" a "), O("b"), "d"), "a");
    EXPECT_EQ(resolve_setting(O(" "), O(" b\n"), "d"), "b");
    EXPECT_EQ(resolve_setting(std::nullopt, O("\xe3\x80\x80" "b"), "d"), "b");
    EXPECT_EQ(resolve_setting(O(""), O("\t"), "d"), "d");
    EXPECT_EQ(resolve_setting(std::nullopt, std::nullopt, " d "), " d ");  // the default as it is
}

TEST(TranslateOptions, ResolveJobCountFromOptionsAndEnvironment) {
    struct EnvCase {
        std::uint64_t jobs;
        const char* env;  // nullptr: unset
        std::optional<std::uint32_t> want;
        std::string error;
    };
    const std::string prefix = "ZVK_TRANSLATE_JOBS must be a positive integer, got `";
    const EnvCase cases[] = {
        {3, "abc", 3, ""},  // the option wins; the variable is not read
        {100, nullptr, 8, ""},
        {UINT64_MAX, nullptr, 8, ""},
        {8, nullptr, 8, ""},
        {1, nullptr, 1, ""},
        {0, nullptr, 4, ""},
        {0, "", 4, ""},
        {0, " \t", 4, ""},
        {0, "\xe3\x80\x80", 4, ""},
        {0, "2", 2, ""},
        {0, " +5 ", 5, ""},
        {0, "12", 8, ""},
        {0, "18446744073709551615", 8, ""},
        {0, "0", std::nullopt, prefix + "0`"},
        {0, " abc ", std::nullopt, prefix + "abc`"},
        {0, "-2", std::nullopt, prefix + "-2`"},
        {0, "1.5", std::nullopt, prefix + "1.5`"},
        {0, "18446744073709551616", std::nullopt, prefix + "18446744073709551616`"},
        {0, "\xff", 4, ""},  // not valid UTF-8: counts as unset
    };
    for (const EnvCase& c : cases) {
        ScopedEnv env("ZVK_TRANSLATE_JOBS", c.env);
        TranslateOptions o = default_translate_options();
        o.jobs = c.jobs;
        auto r = resolve_job_count(o);
        std::string what = std::to_string(c.jobs) + " / " + (c.env ? c.env : "(unset)");
        if (c.want) {
            ASSERT_TRUE(r.has_value()) << what << ": " << r.error().text();
            EXPECT_EQ(*r, *c.want) << what;
        } else {
            ASSERT_FALSE(r.has_value()) << what;
            EXPECT_EQ(r.error().kind(), CoreError::Kind::InvalidOptions);
            EXPECT_EQ(r.error().text(), c.error) << what;
        }
    }
}

TEST(TranslateOptions, ParsedJobsThenResolved) {
    ScopedEnv env("ZVK_TRANSLATE_JOBS", "1");
    auto r = parse_translate_options(R"({"jobs":100})");
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->options.jobs, 100u);
    EXPECT_EQ(resolve_job_count(r->options).value(), 8u);
    EXPECT_EQ(resolve_job_count(default_translate_options()).value(), 1u);
}

TEST(TranslateOptions, ResolveLlmModelAndBaseUrl) {
    struct EnvCase {
        std::optional<std::string> option;
        const char* env;
        std::string model_want;
        std::string url_want;
    };
    const std::string def(kDefaultLlmBaseUrl);
    const EnvCase cases[] = {
        {std::nullopt, nullptr, "auto", def},
        {std::nullopt, "", "auto", def},
        {std::nullopt, "  ", "auto", def},
        {std::nullopt, " env-x ", "env-x", "env-x"},
        {std::string("opt"), " env-x ", "opt", "opt"},
        {std::string("  "), "env-x", "env-x", "env-x"},
        {std::nullopt, "\xc3\x28", "auto", def},  // invalid UTF-8: unset
    };
    for (const EnvCase& c : cases) {
        ScopedEnv model_env("ZVK_LLM_MODEL", c.env);
        ScopedEnv url_env("ZVK_LLM_BASE_URL", c.env);
        TranslateOptions o = default_translate_options();
        o.model = c.option;
        o.base_url = c.option;
        EXPECT_EQ(resolve_llm_model(o), c.model_want);
        EXPECT_EQ(resolve_llm_base_url(o), c.url_want);
    }
    // Each resolver reads its own variable.
    ScopedEnv model_env("ZVK_LLM_MODEL", "m");
    ScopedEnv url_env("ZVK_LLM_BASE_URL", nullptr);
    EXPECT_EQ(resolve_llm_model(default_translate_options()), "m");
    EXPECT_EQ(resolve_llm_base_url(default_translate_options()), def);
}

TEST(TranslateOptions, ReadEnvironment) {
    {
        ScopedEnv env("ZVK_TEST_OPTIONS_VAR", nullptr);
        EXPECT_EQ(read_environment("ZVK_TEST_OPTIONS_VAR"), std::nullopt);
    }
    {
        ScopedEnv env("ZVK_TEST_OPTIONS_VAR", "");
        EXPECT_EQ(read_environment("ZVK_TEST_OPTIONS_VAR"), std::string());
    }
    {
        ScopedEnv env("ZVK_TEST_OPTIONS_VAR", " \xe4\xb8\xad ");
        EXPECT_EQ(read_environment("ZVK_TEST_OPTIONS_VAR"), std::string(" \xe4\xb8\xad "));
    }
    for (const char* bad : {"\xff", "a\xe4\xb8", "\xed\xa0\x80", "\xc0\xaf"}) {
        ScopedEnv env("ZVK_TEST_OPTIONS_VAR", bad);
        EXPECT_EQ(read_environment("ZVK_TEST_OPTIONS_VAR"), std::nullopt);
    }
}

}  // namespace
}  // namespace zvk

// Placeholder protection: which spans each matcher claims and which wins at
// one position, glossary terms, restoration and its failures, the ranges that
// text layout keeps whole, and the cost of hostile text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/peak_memory.h"
#include "translate/placeholders.h"

namespace zvk {
namespace {

using Strings = std::vector<std::string>;

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

struct ProtectRow {
    const char* name;
    std::string text;
    std::string want_text;
    Strings want_originals;
};

// No glossary: every original is the span itself, so restoring the protected
// text must give back the source byte for byte.
TEST(ProtectText, SpansOfEveryMatcher) {
    const ProtectRow rows[] = {
        {"url before full stop", "See https://example.com/a.", "See ⟦0⟧.", {"https://example.com/a"}},
        {"url in parentheses", "(https://x.org/p)", "(⟦0⟧)", {"https://x.org/p"}},
        {"url keeps inner punctuation", "at www.a.org/x?(1),y; then", "at ⟦0⟧; then", {"www.a.org/x?(1),y"}},
        {"url stops at quote and angle", "\"http://a.b/c\"<x>", "\"⟦0⟧\"<x>", {"http://a.b/c"}},
        {"url takes non-ASCII", "http://例子.cn/路径 ok", "⟦0⟧ ok", {"http://例子.cn/路径"}},
        {"bare prefixes", "http:// and www. and https://).", "http:// and www. and https://).", {}},
        {"upper-case prefix", "WWW.example.com", "WWW.example.com", {}},
        {"email then space", "mail a.b@example.org now", "mail ⟦0⟧ now", {"a.b@example.org"}},
        {"email then full stop", "mail a.b@example.org.", "mail a.b@example.org.", {}},
        {"email after non-word", "foo=bar@ex.com", "foo=⟦0⟧", {"bar@ex.com"}},
        {"email with digit top level", "a@b.c0 a@b.c", "a@b.c0 a@b.c", {}},
        {"brace span", "{name} and {} and {a\nb}", "⟦0⟧ and {} and {a\nb}", {"{name}"}},
        {"nested brace", "{a{b}c}", "{a⟦0⟧c}", {"{b}"}},
        {"bracket lists", "[1, 3–5] and ［12］", "⟦0⟧ and ⟦1⟧", {"[1, 3–5]", "［12］"}},
        {"bracket list separators", "[1 ; 2—3 -4]", "⟦0⟧", {"[1 ; 2—3 -4]"}},
        {"five digits in brackets", "[12345]", "[⟦0⟧]", {"12345"}},
        {"space before first digit", "[ 1]", "[ ⟦0⟧]", {"1"}},
        {"author-year list", "(Smith et al., 2020; Jones 2019)", "⟦0⟧", {"(Smith et al., 2020; Jones 2019)"}},
        {"author-year in square brackets", "[Smith 2020]", "⟦0⟧", {"[Smith 2020]"}},
        {"lead-in words", "(e.g. see Müller, 2001)", "⟦0⟧", {"(e.g. see Müller, 2001)"}},
        {"no year", "(see Table 2)", "(see Table ⟦0⟧)", {"2"}},
        {"no name", "(in 2020)", "(in ⟦0⟧)", {"2020"}},
        {"long lower-case word", "(results from 2020)", "(results from ⟦0⟧)", {"2020"}},
        {"with and from pass", "(Data from Smith 2020)", "⟦0⟧", {"(Data from Smith 2020)"}},
        {"one failing part fails all", "(Smith 2020; in 2021)", "(Smith ⟦0⟧; in ⟦1⟧)", {"2020", "2021"}},
        {"year out of range", "(Smith 2100)", "(Smith ⟦0⟧)", {"2100"}},
        {"narrative et al. with pages", "Smith et al. (2019a, pp. 3–5) said", "⟦0⟧ said",
         {"Smith et al. (2019a, pp. 3–5)"}},
        {"narrative pair", "Smith & Jones (2018)", "⟦0⟧", {"Smith & Jones (2018)"}},
        {"narrative and", "as Lee and Kim (2001) show", "as ⟦0⟧ show", {"Lee and Kim (2001)"}},
        {"narrative non-ASCII capital", "Émile (1999)", "⟦0⟧", {"Émile (1999)"}},
        {"narrative page without closing", "Smith (2020, p. 4", "Smith (⟦0⟧, p. ⟦1⟧", {"2020", "4"}},
        {"excluded words", "Table (2020) and The (2020)", "Table (⟦0⟧) and The (⟦1⟧)", {"2020", "2020"}},
        {"THE in capitals", "THE (2020)", "THE (⟦0⟧)", {"2020"}},
        {"numbers", "3.14 H2O 2nd 1,000", "⟦0⟧ H2O 2nd ⟦1⟧,⟦2⟧", {"3.14", "1", "000"}},
        {"one decimal point", "1.2.3", "⟦0⟧.⟦1⟧", {"1.2", "3"}},
        {"existing token", "holds ⟦3⟧ here", "holds ⟦0⟧ here", {"⟦3⟧"}},
        {"malformed token", "⟦x⟧ ⟦⟧ ⟦ 1⟧", "⟦x⟧ ⟦⟧ ⟦ ⟦0⟧⟧", {"1"}},
        {"equal spans keep their own tokens", "1 and 1", "⟦0⟧ and ⟦1⟧", {"1", "1"}},
        // At one position the earlier matcher wins.
        {"url over number", "http://a.com/2020", "⟦0⟧", {"http://a.com/2020"}},
        {"email over number", "12@ex.com", "⟦0⟧", {"12@ex.com"}},
        {"brace over citation", "{Smith (2020)}", "⟦0⟧", {"{Smith (2020)}"}},
        {"bracket list over number", "[12]", "⟦0⟧", {"[12]"}},
        {"token over email", "⟦1⟧a@b.co", "⟦0⟧⟦1⟧", {"⟦1⟧", "a@b.co"}},
        {"empty", "", "", {}},
    };
    for (const ProtectRow& r : rows) {
        SCOPED_TRACE(r.name);
        ProtectedText p = protect_text(r.text, {});
        EXPECT_EQ(p.text, r.want_text);
        EXPECT_EQ(p.originals, r.want_originals);
        auto back = restore_placeholders(p.text, p.originals);
        ASSERT_TRUE(back.has_value()) << back.error();
        EXPECT_EQ(*back, r.text);
    }
}

// Form B looks at 220 bytes after the bracket and accepts 180 characters
// inside: bytes and characters differ once the text is not ASCII.
TEST(ProtectText, AuthorYearWindowInBytesAndLimitInCharacters) {
    struct Row {
        const char* name;
        std::string text;
        bool one_span;
    };
    const Row rows[] = {
        {"180 characters", "(Smith 2020 " + repeat("a", 169) + ")", true},
        {"181 characters", "(Smith 2020 " + repeat("a", 170) + ")", false},
        {"closing bracket at byte 212", "(Smith 2020 " + repeat("é", 100) + ")", true},
        {"closing bracket past the window", "(Smith 2020 " + repeat("é", 105) + ")", false},
        {"nested brackets", "(Smith (ed.) 2020)", true},
        {"line feed", "(Smith\n2020)", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ProtectedText p = protect_text(r.text, {});
        if (r.one_span) {
            EXPECT_EQ(p.text, "⟦0⟧");
        } else {
            EXPECT_NE(p.text.substr(0, 1), "\xe2") << "claimed from the bracket";
            EXPECT_NE(p.originals, Strings{r.text});
        }
    }
}

TEST(ProtectText, GlossaryTerms) {
    struct Row {
        const char* name;
        std::vector<GlossaryEntry> glossary;
        std::string text;
        std::string want_text;
        Strings want_originals;
    };
    const Row rows[] = {
        {"longest term wins", {{"network", "网络"}, {"neural network", "神经网络"}}, "a neural network",
         "a ⟦0⟧", {"神经网络"}},
        {"word boundaries", {{"net", "网"}}, "network subnet net net_x net.", "network subnet ⟦0⟧ net_x ⟦1⟧.",
         {"网", "网"}},
        {"case matters", {{"Rust", "R"}}, "rust Rust", "rust ⟦0⟧", {"R"}},
        {"punctuation needs no boundary", {{"C++", "C++语言"}}, "use C++17", "use ⟦0⟧⟦1⟧", {"C++语言", "17"}},
        {"first entry of a repeated term", {{"cat", "A"}, {"cat", "B"}}, "cat", "⟦0⟧", {"A"}},
        {"empty term ignored, empty target kept", {{"", "X"}, {"foo", ""}}, "foo", "⟦0⟧", {""}},
        {"matchers come first", {{"2020", "二〇二〇"}, {"example.com", "E"}}, "in 2020 see www.example.com",
         "in ⟦0⟧ see ⟦1⟧", {"2020", "www.example.com"}},
        {"longest failing its boundary gives way", {{"Rust", "R"}, {"Rust-lang", "RL"}}, "Rust-langs Rust-lang",
         "⟦0⟧-langs ⟦1⟧", {"R", "RL"}},
        {"no term passes its boundaries", {{"ab", "1"}, {"abc", "2"}}, "abcd ab", "abcd ⟦0⟧", {"1"}},
        {"two terms of one length", {{"ab c", "2"}, {"ab b", "1"}}, "ab b ab c", "⟦0⟧ ⟦1⟧", {"1", "2"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ProtectedText p = protect_text(r.text, r.glossary);
        EXPECT_EQ(p.text, r.want_text);
        EXPECT_EQ(p.originals, r.want_originals);
    }
}

// Thousands of terms sharing first bytes still give the longest match.
TEST(ProtectText, ManyGlossaryTerms) {
    std::vector<GlossaryEntry> glossary;
    for (int i = 0; i < 5000; ++i) glossary.push_back({"term" + std::to_string(i), "T" + std::to_string(i)});
    glossary.push_back({"term12 x", "long"});
    ProtectedText p = protect_text("term12 x term4999 term5000 term12", glossary);
    EXPECT_EQ(p.text, "⟦0⟧ ⟦1⟧ term5000 ⟦2⟧");
    EXPECT_EQ(p.originals, (Strings{"long", "T4999", "T12"}));
}

// The trial order written out plainly: sort, then try every term at every
// position. Texts of "a", "b", "-" and " " hold no span of the matchers, so
// only glossary terms are claimed.
ProtectedText glossary_only_reference(const std::string& text, std::vector<GlossaryEntry> glossary) {
    std::erase_if(glossary, [](const GlossaryEntry& e) { return e.first.empty(); });
    std::stable_sort(glossary.begin(), glossary.end(), [](const GlossaryEntry& a, const GlossaryEntry& b) {
        return a.first.size() != b.first.size() ? a.first.size() > b.first.size() : a.first < b.first;
    });
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    ProtectedText out;
    std::size_t at = 0;
    while (at < text.size()) {
        const GlossaryEntry* hit = nullptr;
        for (const GlossaryEntry& e : glossary) {
            const std::string& t = e.first;
            if (text.compare(at, t.size(), t) != 0) continue;
            if (word(t.front()) && at > 0 && word(text[at - 1])) continue;
            if (word(t.back()) && at + t.size() < text.size() && word(text[at + t.size()])) continue;
            hit = &e;
            break;
        }
        if (hit) {
            out.text += "⟦" + std::to_string(out.originals.size()) + "⟧";
            out.originals.push_back(hit->second);
            at += hit->first.size();
        } else {
            out.text += text[at++];
        }
    }
    return out;
}

TEST(ProtectText, GlossaryAgreesWithPlainTrialOrder) {
    std::mt19937 rng(7);
    auto random_text = [&](std::size_t max_length) {
        static constexpr char kAlphabet[] = {'a', 'b', '-', ' '};
        std::string t(std::uniform_int_distribution<std::size_t>(0, max_length)(rng), 'a');
        for (char& c : t) c = kAlphabet[std::uniform_int_distribution<int>(0, 3)(rng)];
        return t;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<GlossaryEntry> glossary;
        for (int k = 0; k < 12; ++k) glossary.push_back({random_text(4), "g" + std::to_string(k)});
        const std::string text = random_text(80);
        ProtectedText got = protect_text(text, glossary);
        ProtectedText want = glossary_only_reference(text, glossary);
        ASSERT_EQ(got.text, want.text) << text;
        ASSERT_EQ(got.originals, want.originals) << text;
    }
}

TEST(MatchPlaceholderToken, DigitsThenClosingMark) {
    struct Row {
        std::string text;
        std::size_t at;
        std::optional<std::size_t> want;
    };
    const Row rows[] = {
        {"⟦12⟧x", 0, 8},
        {"⟦⟦1⟧", 0, std::nullopt},
        {"⟦⟦1⟧", 3, 10},
        {"a⟦1⟧", 0, std::nullopt},
        {"⟦1", 0, std::nullopt},
        {"⟦1 ⟧", 0, std::nullopt},
        {"⟦+1⟧", 0, std::nullopt},  // restoration reads a '+', protection does not
        {"⟦000123456789012345678901234⟧", 0, 33},
    };
    for (const Row& r : rows) EXPECT_EQ(match_placeholder_token_at(r.text, r.at), r.want) << r.text << " @" << r.at;
}

std::string err(const std::expected<std::string, std::string>& r) { return r ? "ok: " + *r : r.error(); }

TEST(RestorePlaceholders, OrderRepeatsAndFailures) {
    struct Row {
        std::string translated;
        Strings originals;
        std::string want;  // "ok: " + text, or the failure
    };
    const Strings ab = {"A", "B"};
    const Row rows[] = {
        {"⟦1⟧ ⟦0⟧", ab, "ok: B A"},
        {"⟦0⟧⟦0⟧ ⟦1⟧", ab, "ok: AA B"},
        {"⟦0⟧", ab, "missing placeholder ⟦1⟧"},
        {"x", ab, "missing placeholder ⟦0⟧"},
        {"⟦2⟧ ⟦0⟧ ⟦1⟧", ab, "unknown placeholder ⟦2⟧"},
        {"⟦7⟧ ⟦9⟧", ab, "unknown placeholder ⟦7⟧"},  // unknown first, before the missing ones
        {"⟦01⟧ ⟦+0⟧", ab, "ok: B A"},
        {"⟦ 0⟧ ⟦1⟧", ab, "missing placeholder ⟦0⟧"},
        {"⟦⟦0⟧⟦1⟧⟧", ab, "ok: ⟦AB⟧"},
        {"⟦+⟧⟦-1⟧⟦1x⟧ ⟦0⟧⟦1⟧", ab, "ok: ⟦+⟧⟦-1⟧⟦1x⟧ AB"},
        {"⟦18446744073709551616⟧ ⟦0⟧⟦1⟧", ab, "ok: ⟦18446744073709551616⟧ AB"},
        {"⟦18446744073709551615⟧", ab, "unknown placeholder ⟦18446744073709551615⟧"},
        {"⟦0", ab, "missing placeholder ⟦0⟧"},
        {"plain text", {}, "ok: plain text"},
        {"⟦0⟧", {}, "unknown placeholder ⟦0⟧"},
    };
    for (const Row& r : rows) EXPECT_EQ(err(restore_placeholders(r.translated, r.originals)), r.want) << r.translated;
}

TEST(RestorePlaceholders, RepeatedTokensAreBounded) {
    const Strings url = {"https://example.com/" + repeat("p", 1000)};
    // A handful of repeats is an answer, not an attack.
    EXPECT_TRUE(restore_placeholders(repeat("⟦0⟧ ", 8), url).has_value());
    // k tokens of an 8-byte span restore to 8k bytes against a bound of
    // 7k + 64: exactly at the bound for k = 64, one byte past it for k = 65.
    const Strings eight = {"abcdefgh"};
    EXPECT_EQ(restored_text_limit(repeat("⟦0⟧", 64), eight), 512u);
    EXPECT_EQ(err(restore_placeholders(repeat("⟦0⟧", 64), eight)), "ok: " + repeat("abcdefgh", 64));
    EXPECT_EQ(err(restore_placeholders(repeat("⟦0⟧", 65), eight)),
              "restored text exceeds 519 bytes: placeholders repeated too often");

    const std::string flood = repeat("⟦0⟧", (8u << 20) / 7);
    test::PeakGrowth growth;
    const bool measured = growth.start();
    auto r = restore_placeholders(flood, url);
    ASSERT_FALSE(r.has_value());
    EXPECT_NE(r.error().find("restored text exceeds"), std::string::npos) << r.error();
    EXPECT_EQ(r.error().find("missing"), std::string::npos);
    if (measured) {
        EXPECT_TRUE(growth.within(64 * 1024)) << growth.kib() << " KiB";
    }
}

TEST(ProtectedRanges, ByteOffsetsWithoutGlossary) {
    using R = std::vector<ProtectedRange>;
    EXPECT_EQ(protected_ranges("Call 555 now"), (R{{5, 8}}));
    EXPECT_EQ(protected_ranges("é 12 ⟦0⟧ x@y.io"), (R{{3, 5}, {6, 13}, {14, 20}}));
    EXPECT_EQ(protected_ranges("Smith (2020) and [3]"), (R{{0, 12}, {17, 20}}));
    EXPECT_EQ(protected_ranges("no spans here"), R{});
}

// The scanner remembers runs between starts; a fresh matcher at every
// position, tried in the same order, must find exactly the same spans.
std::vector<ProtectedRange> ranges_without_memory(std::string_view text) {
    std::vector<ProtectedRange> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::optional<std::size_t> end = match_placeholder_token_at(text, at);
        if (!end) end = match_url_at(text, at);
        if (!end) end = match_email_at(text, at);
        if (!end) end = match_brace_span_at(text, at);
        if (!end) end = match_citation_at(text, at);
        if (!end) end = match_number_at(text, at);
        if (end) {
            out.push_back({at, *end});
            at = *end;
        } else {
            const auto b = static_cast<unsigned char>(text[at]);
            at += b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        }
    }
    return out;
}

TEST(ProtectedRanges, SameSpansAsMatchersCalledOneByOne) {
    const std::string_view pieces[] = {"a",  "A",  "Ab", "-", ".",   "@",    "ex.com", " ",     "(", ")",
                                       "2020", "1", "et al.", "and ", "& ", "pp. ", ",", "Smith", "[", "]",
                                       "{",  "}",  "⟦", "⟧", "www.", "\n",   "é",      "É",     "_", ";"};
    std::mt19937 rng(42);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int k = 0; k < 60; ++k) text += pieces[pick(rng)];
        ASSERT_EQ(protected_ranges(text), ranges_without_memory(text)) << text;
    }
}

TEST(NameLikeWord, PrefixesAndExcludedWords) {
    struct Row {
        std::string text;
        std::optional<std::string> want;
    };
    const Row rows[] = {
        {"Smith, J.", "Smith"}, {"O'Neil-Ward’s x", "O'Neil-Ward’s"}, {"Émile", "Émile"},
        {"Ångström1", "Ångström"}, {"A", std::nullopt}, {"A.", std::nullopt}, {"smith", std::nullopt},
        {"", std::nullopt}, {"Zoë‐Li", "Zoë‐Li"}, {"ÀB", "ÀB"}, {"×Ab", std::nullopt},
    };
    for (const Row& r : rows) {
        std::optional<std::string_view> got = is_name_like_word(r.text);
        EXPECT_EQ(got ? std::optional<std::string>(std::string(*got)) : std::nullopt, r.want) << r.text;
    }
    for (const char* w : {"Eq", "Fig", "Table", "Algorithm", "Appendix", "The"}) EXPECT_TRUE(is_excluded_capitalized_word(w));
    for (const char* w : {"eq", "Tables", "THE", "Smith", ""}) EXPECT_FALSE(is_excluded_capitalized_word(w));
}

// A megabyte of each pattern that costs one pass per start when runs are not
// remembered, or a search for "⟧" from every "⟦": each must finish at once
// (a quadratic reading would take hours) and come back whole.
TEST(ProtectText, HostileMegabytes) {
    constexpr std::size_t kBytes = 1 << 20;
    struct Row {
        const char* name;
        std::string piece;
    };
    const Row rows[] = {
        {"open marks", "⟦"},         {"hyphenated lower", "a-"},     {"dotted lower", "a."},
        {"hyphenated capitals", "A-"}, {"names then and", "Ab-"},   {"open braces", "{"},
        {"open parentheses", "("},   {"open brackets", "["},         {"unclosed list", "[1,"},
        {"domain without dot", "a@b"}, {"spaces", " "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string text = repeat(r.piece, kBytes / r.piece.size());
        ProtectedText p = protect_text(text, {{"zz", "Z"}});
        auto back = restore_placeholders(p.text, p.originals);
        ASSERT_TRUE(back.has_value()) << back.error();
        EXPECT_EQ(*back, text);
        EXPECT_EQ(protected_ranges(text).size(), p.originals.size());
    }
    // A long name run before "and" and a second long name, then no citation:
    // what follows a first name is read once for all the starts inside it.
    const std::string names = repeat("Ab-", kBytes / 6) + " and " + repeat("Cd-", kBytes / 6) + "x 2020";
    ProtectedText p = protect_text(names, {});
    EXPECT_EQ(p.originals, Strings{"2020"});
}

}  // namespace
}  // namespace zvk

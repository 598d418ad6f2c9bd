#include "rewrite/output/output_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "api/coverage.h"
#include "rewrite/output/rewrite_document.h"
#include "rewrite/record_fixture.h"
#include "support/pdf_builder.h"
#include "support/scoped_env.h"

namespace zvk::rewrite {
namespace {

using test::Doc;

std::array<float, 6> values(const CjkSizeLadder& l) { return {l.k0, l.k1, l.k2, l.k3, l.leading, l.min_leading}; }

TEST(CjkSizeLadderFromSettings, OptionsThenEnvironmentThenDefaultsClamped) {
    const test::CleanZvkEnv clean;
    struct Case {
        float scale, leading;
        const char* env_scale;  // null: unset
        const char* env_leading;
        std::array<float, 6> ladder;
    };
    const std::vector<Case> cases = {
        {0, 0, nullptr, nullptr, {0.9f, 1.02f, 0.96f, 0.96f, 1.6f, 1.408f}},
        {1.05f, 2.2f, nullptr, nullptr, {1.05f, 1.05f, 1.05f, 1.0f, 2.2f, 1.936f}},
        {0.65f, 1.25f, nullptr, nullptr, {0.65f, 0.77f, 0.96f, 0.71f, 1.25f, 1.25f}},
        // Out of range: clamped, m3 below base.
        {2, 1, nullptr, nullptr, {1.05f, 1.05f, 1.05f, 1.0f, 1.25f, 1.25f}},
        // The environment when the option is unset, zero or negative.
        {0, 0, " 0.7 ", nullptr, {0.7f, 0.82f, 0.96f, 0.76f, 1.6f, 1.408f}},
        {-1, 0, "0.7", "2.2", {0.7f, 0.82f, 0.96f, 0.76f, 2.2f, 1.936f}},
        {0.8f, 0, "0.7", nullptr, {0.8f, 0.92f, 0.96f, 0.86f, 1.6f, 1.408f}},  // the option wins
        {0, 0, "abc", "-2", {0.9f, 1.02f, 0.96f, 0.96f, 1.6f, 1.408f}},
        {0, 0, "-0.7", "0", {0.9f, 1.02f, 0.96f, 0.96f, 1.6f, 1.408f}},
    };
    for (const Case& c : cases) {
        const test::ScopedEnv scale("ZVK_CJK_SIZE_SCALE", c.env_scale);
        const test::ScopedEnv leading("ZVK_CJK_LEADING", c.env_leading);
        const std::array<float, 6> got = values(cjk_size_ladder_from(c.scale, c.leading));
        for (std::size_t k = 0; k < 6; ++k) {
            EXPECT_NEAR(got[k], c.ladder[k], 1e-6f) << c.scale << " " << c.leading << " value " << k;
        }
    }
}

struct StyleGlyph {
    std::string text;
    std::string font;
};

// One record whose glyphs are the given ones; `order` lists the glyph
// positions in the record's own order (empty: as given).
FontNameStyle style_of(const std::vector<StyleGlyph>& specs, std::string final_text,
                       std::vector<std::uint32_t> order = {}) {
    Doc doc;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        doc.add_glyph({.text = specs[k].text, .x0 = 72.0f + 30.0f * static_cast<float>(k),
                       .x1 = 96.0f + 30.0f * static_cast<float>(k), .baseline = 700, .font = specs[k].font});
    }
    TranslationRecord record;
    record.source = "source";
    record.translated = final_text;
    if (order.empty()) {
        for (const Glyph& g : doc.glyphs) record.glyph_ids.push_back(g.id);
    } else {
        record.glyph_ids = order;
    }
    const GlyphIdIndex index(doc.glyphs);
    return translation_style(record, final_text, doc.glyphs, index);
}

constexpr FontNameStyle kSerif = kFontStyleSerif;
constexpr FontNameStyle kBold = kFontStyleBold;
constexpr FontNameStyle kItalic = kFontStyleItalic;
const std::string kBody = "这是一段描述研究结果的正文。";

TEST(TranslationStyle, MajoritiesOfTheLetters) {
    struct Case {
        const char* name;
        std::vector<StyleGlyph> glyphs;
        std::string final_text;
        std::vector<std::uint32_t> order;
        FontNameStyle style;
    };
    const std::vector<Case> cases = {
        {"serif body", {{"abc", "Times-Roman"}}, kBody, {}, kSerif},
        {"sans body", {{"abc", "Helvetica"}}, kBody, {}, 0},
        {"three bold of six: not bold", {{"abc", "Times-Bold"}, {"def", "Times-Roman"}}, kBody, {}, kSerif},
        {"four bold of six: bold", {{"abcd", "Times-Bold"}, {"ef", "Times-Roman"}}, kBody, {}, kSerif | kBold},
        {"three serif of six: serif", {{"abc", "Times-Roman"}, {"def", "Helvetica"}}, kBody, {}, kSerif},
        {"two serif of six: sans", {{"ab", "Times-Roman"}, {"cdef", "Helvetica"}}, kBody, {}, 0},
        {"italic majority", {{"abcd", "Helvetica-Oblique"}, {"ef", "Helvetica"}}, kBody, {}, kItalic},
        {"letters count, not glyphs", {{"a", "Times-Bold"}, {"b", "Times-Bold"}, {"cdefg", "Times-Roman"}},
         kBody, {}, kSerif},
        {"digits and marks carry no style", {{"1234", "Times-Bold"}, {"ab", "Helvetica"}}, kBody, {}, 0},
        {"math letters do not count", {{"xyz", "CMMI10"}, {"q", "cmsy10"}, {"ab", "Times-Bold"}}, kBody, {},
         kSerif | kBold},
        {"only math letters: the first glyph's font",
         {{"x", "STIXMath-Bold"}, {"y", "cmmi10"}}, kBody, {}, kSerif | kBold},
        {"the first glyph in the record's own order", {{"x", "cmmi10"}, {"y", "STIXMath-Bold"}}, kBody,
         {1, 0}, kSerif | kBold},
        {"the same in id order", {{"x", "cmmi10"}, {"y", "STIXMath-Bold"}}, kBody, {0, 1}, 0},
        {"no letters at all: the first glyph's font", {{"12", "Times-Roman"}, {"34", "Helvetica-Bold"}}, kBody,
         {1, 0}, kBold},
        {"a numbered heading is bold", {{"Methods", "Times-Roman"}}, "2.1 方法", {}, kSerif | kBold},
    };
    for (const Case& c : cases) EXPECT_EQ(style_of(c.glyphs, c.final_text, c.order), c.style) << c.name;

    // A record without glyphs is serif.
    TranslationRecord empty;
    const std::vector<Glyph> none;
    EXPECT_EQ(translation_style(empty, kBody, none, GlyphIdIndex(none)), kSerif);
}

// A loader that remembers what it was asked and loads only some styles.
struct FakeLoader {
    std::vector<FontNameStyle> refused;
    std::vector<FontNameStyle> asked;
    std::vector<std::vector<std::uint32_t>> chars;

    CjkFontLoader loader() {
        return [this](FontNameStyle style, std::span<const std::uint32_t> cs) -> std::optional<font::SubsetFont> {
            asked.push_back(style);
            chars.emplace_back(cs.begin(), cs.end());
            if (std::find(refused.begin(), refused.end(), style) != refused.end()) return std::nullopt;
            font::SubsetFont f;
            f.font_bytes = "font " + std::to_string(style);
            return f;
        };
    }
};

// Three records: sans body, bold serif body, italic sans body.
struct StyledDoc {
    Doc doc;
    std::vector<AcceptedTranslation> accepted;

    StyledDoc() {
        for (const char* font : {"Times-Bold", "Helvetica", "Helvetica-Oblique"}) {
            const std::size_t r = doc.add("Some words here", kBody, 700 - 20.0f * doc.records.size(), 72, font);
            accepted.push_back({r, kBody});
        }
    }
    OutputFonts load(FakeLoader& fake, GlyphReasons& keep, std::uint32_t first = 0) const {
        const GlyphIdIndex index(doc.glyphs);
        const OutputFontInputs inputs{accepted, doc.records, doc.glyphs, index, U"", first};
        return load_output_fonts(inputs, fake.loader(), keep);
    }
};

TEST(OutputFonts, OneFontPerStyleNumberedInStyleOrderFromTheFirstFreeNumber) {
    StyledDoc d;
    FakeLoader fake;
    GlyphReasons keep;
    const OutputFonts fonts = d.load(fake, keep, 3);
    EXPECT_EQ(fake.asked, (std::vector<FontNameStyle>{0, kSerif | kBold, kItalic}));
    ASSERT_EQ(fonts.entries.size(), 3u);
    EXPECT_EQ(fonts.entries[0].resource_name, "ZVK3");
    EXPECT_EQ(fonts.entries[1].resource_name, "ZVK4");
    EXPECT_EQ(fonts.entries[2].resource_name, "ZVK5");
    EXPECT_EQ(fonts.entries[1].font.font_bytes, "font 257");
    EXPECT_EQ(fonts.styles, (std::unordered_map<std::string, FontNameStyle>{
                                {"ZVK3", 0}, {"ZVK4", kSerif | kBold}, {"ZVK5", kItalic}}));
    ASSERT_EQ(fonts.groups.size(), 3u);
    EXPECT_EQ(fonts.groups[0].translations, std::vector<AcceptedTranslation>{d.accepted[1]});
    EXPECT_EQ(fonts.groups[1].translations, std::vector<AcceptedTranslation>{d.accepted[0]});
    EXPECT_EQ(fonts.groups[2].font_index, 2u);
    EXPECT_EQ(fonts.groups[2].skew, 0.25f);  // italic text is slanted
    EXPECT_EQ(fonts.groups[0].skew, 0.0f);
    EXPECT_TRUE(keep.empty());
    EXPECT_FALSE(fonts.none_found);
}

TEST(OutputFonts, AGroupWithoutFontKeepsItsGlyphsAndTheNextFontTakesTheNextNumber) {
    StyledDoc d;
    FakeLoader fake;
    fake.refused = {0};
    GlyphReasons keep;
    for (const std::uint32_t id : d.doc.records[1].glyph_ids) keep[id] = "earlier";
    const OutputFonts fonts = d.load(fake, keep);
    ASSERT_EQ(fonts.entries.size(), 2u);
    EXPECT_EQ(fonts.entries[0].resource_name, "ZVK0");
    EXPECT_EQ(fonts.styles.at("ZVK0"), kSerif | kBold);
    EXPECT_EQ(fonts.entries[1].resource_name, "ZVK1");
    for (const std::uint32_t id : d.doc.records[1].glyph_ids) EXPECT_EQ(keep.at(id), "no-font");
    for (const std::uint32_t id : d.doc.records[0].glyph_ids) EXPECT_FALSE(keep.contains(id));
    EXPECT_FALSE(fonts.none_found);
}

TEST(OutputFonts, NoFontAtAllIsSaid) {
    StyledDoc d;
    FakeLoader fake;
    fake.refused = {0, kSerif | kBold, kItalic};
    GlyphReasons keep;
    const OutputFonts fonts = d.load(fake, keep);
    EXPECT_TRUE(fonts.entries.empty());
    EXPECT_TRUE(fonts.none_found);
    EXPECT_EQ(keep.size(), d.doc.glyphs.size());

    // Nothing to load is no failure.
    FakeLoader unused;
    const GlyphIdIndex index(d.doc.glyphs);
    const OutputFontInputs nothing{{}, d.doc.records, d.doc.glyphs, index, U"", 0};
    EXPECT_FALSE(load_output_fonts(nothing, unused.loader(), keep).none_found);
    EXPECT_TRUE(unused.asked.empty());
}

TEST(OutputFonts, RequiredCharactersCoverTextsSubstitutesSpaceAndDigits) {
    Doc doc;
    const std::size_t r = doc.add("Ab\u00D7", "甲乙");
    const std::vector<AcceptedTranslation> group = {{r, "甲乙"}};
    const std::vector<std::uint32_t> chars = required_font_characters(group, doc.records, U"丙");
    const auto has = [&](char32_t c) { return std::binary_search(chars.begin(), chars.end(), std::uint32_t{c}); };
    for (const char32_t c : std::u32string(U"甲乙Ab\u00D7丙\u30000123456789")) EXPECT_TRUE(has(c)) << std::uint32_t{c};
    EXPECT_TRUE(has(U'x'));   // the substitute of ×
    EXPECT_FALSE(has(U'c'));
    EXPECT_TRUE(std::is_sorted(chars.begin(), chars.end()));
    EXPECT_EQ(std::adjacent_find(chars.begin(), chars.end()), chars.end());
}

TEST(OutputFonts, SharedCharactersComeFromEveryTextDrawnAgain) {
    Doc doc;
    const std::uint32_t toc = doc.add_glyph({.text = "目"});
    doc.glyphs[toc].disposition = GlyphDisposition::kept_original("toc");
    const std::uint32_t toc_redraw = doc.add_glyph({.text = "录"});
    const std::uint32_t op_redraw = doc.add_glyph({.text = "操"});
    const std::uint32_t unchanged = doc.add_glyph({.text = "同"});
    const std::uint32_t other = doc.add_glyph({.text = "外"});
    GlyphReasons keep{{unchanged, "unchanged"}, {other, "english-body"}};
    WrappedTocEntries wrapped;
    wrapped[0].joined_text = "连接";
    const GlyphIdIndex index(doc.glyphs);
    const std::u32string shared =
        shared_font_characters(wrapped, "•项", doc.glyphs, index, {toc_redraw}, {op_redraw}, keep);
    for (const char32_t c : std::u32string(U"连接•项目录操同")) {
        EXPECT_NE(shared.find(c), std::u32string::npos) << std::uint32_t{c};
    }
    EXPECT_EQ(shared.find(U'外'), std::u32string::npos);
}

// The driver with a machine that has no CJK font: every accepted glyph is
// kept "no-font", the diagnostics say that no font was found and how to get
// one, and so does save's coverage warning.
TEST(RewriteFonts, NoCjkFontOnTheMachineIsSaidInTheCoverageWarning) {
    Doc doc;
    doc.add("The results are shown below", "结果如下所示。");
    ExtractedDocument extraction;
    extraction.glyphs = doc.glyphs;
    for (Glyph& g : extraction.glyphs) g.disposition = GlyphDisposition::translated_pending_rewrite("结果");
    TranslationOutcome outcome;
    outcome.translations = doc.records;
    FakeLoader fake;
    fake.refused = {0, kSerif, kSerif | kBold};
    RewriteOptions options;
    options.load_font = fake.loader();
    auto state = begin_rewrite(extraction, outcome, options);
    ASSERT_TRUE(state);
    ASSERT_EQ(state->accepted_translations.size(), 1u);
    const auto page = pdf::Document::from_bytes(test::single_page_pdf("/MediaBox [0 0 612 792]", ""), {});
    ASSERT_TRUE(page);
    const pdf::Document& empty_document = *page;
    load_rewrite_fonts(empty_document, extraction, outcome, options, *state);
    EXPECT_EQ(fake.asked, std::vector<FontNameStyle>{kSerif});
    EXPECT_TRUE(state->font_entries.empty());
    for (const Glyph& g : extraction.glyphs) EXPECT_EQ(state->keep_reasons.at(g.id), "no-font");
    ASSERT_EQ(extraction.diagnostics.size(), 1u);
    EXPECT_EQ(extraction.diagnostics[0].message, kNoCjkFontMessage);

    for (Glyph& g : extraction.glyphs) g.disposition = GlyphDisposition::kept_original("no-font");
    const std::optional<std::string> warning = report_incomplete_coverage(extraction);
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find("coverage incomplete"), std::string::npos);
    for (const char* words : {"no CJK font was found", "fonts-noto-cjk", "fonts-wqy-microhei", "cjk_font",
                              "ZVK_CJK_FONT"}) {
        EXPECT_NE(warning->find(words), std::string::npos) << words;
    }

    // With a font for the style, nothing of the kind is said.
    ExtractedDocument fine;
    fine.glyphs = doc.glyphs;
    FakeLoader loads;
    options.load_font = loads.loader();
    auto loaded = begin_rewrite(fine, outcome, options);
    ASSERT_TRUE(loaded);
    load_rewrite_fonts(empty_document, fine, outcome, options, *loaded);
    ASSERT_EQ(loaded->font_entries.size(), 1u);
    EXPECT_EQ(loaded->font_entries[0].resource_name, "ZVK0");
    EXPECT_TRUE(fine.diagnostics.empty());
    fine.glyphs[0].disposition = GlyphDisposition::kept_original("untranslated");
    const std::optional<std::string> plain = report_incomplete_coverage(fine);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->find("no CJK font"), std::string::npos);
}

}  // namespace
}  // namespace zvk::rewrite

#include "rewrite/placement/glyph_classification.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

TEST(OpenGlyphClasses, InvisibleFirstSkipReasonsNextFinalGlyphsNever) {
    struct Case {
        const char* name;
        std::function<void(Glyph&)> make;
        const char* non_text;  // expected word, or null for none
        const char* keep;
    };
    const std::vector<Case> cases = {
        {"ordinary text", [](Glyph&) {}, nullptr, nullptr},
        {"invisible and clipped", [](Glyph& g) { g.invisible = true; g.clipped = true; }, "invisible", nullptr},
        {"unmapped, translated", [](Glyph& g) {
             g.unmapped = true;
             g.disposition = GlyphDisposition::translated_pending_rewrite("x");
         }, nullptr, "unmapped"},
        {"clipped", [](Glyph& g) { g.clipped = true; }, nullptr, "clipped"},
        {"clip only uncertain", [](Glyph& g) { g.clipped = true; g.clip_uncertain = true; }, nullptr, nullptr},
        {"annotation", [](Glyph& g) { g.source.kind = GlyphSourceKind::AnnotationAppearance; }, nullptr,
         "annotation"},
        {"math font", [](Glyph& g) { g.font_name = "CMMI10"; }, nullptr, "formula"},
        {"final and invisible", [](Glyph& g) {
             g.invisible = true;
             g.disposition = GlyphDisposition::kept_original("margin");
         }, nullptr, nullptr},
        {"final and clipped", [](Glyph& g) {
             g.clipped = true;
             g.disposition = GlyphDisposition::non_text("invisible");
         }, nullptr, nullptr},
    };
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Glyph g = test::make_glyph({.text = "a"}, static_cast<std::uint32_t>(i) * 3);  // ids are not positions
        cases[i].make(g);
        glyphs.push_back(g);
    }
    GlyphReasons non_text, keep;
    keep[999] = "earlier";  // what the caller already holds stays
    classify_open_glyphs(glyphs, non_text, keep);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::uint32_t id = glyphs[i].id;
        const auto nt = non_text.find(id);
        const auto kp = keep.find(id);
        EXPECT_EQ(nt == non_text.end() ? "" : nt->second, cases[i].non_text ? cases[i].non_text : "")
            << cases[i].name;
        EXPECT_EQ(kp == keep.end() ? "" : kp->second, cases[i].keep ? cases[i].keep : "") << cases[i].name;
    }
    EXPECT_EQ(keep.at(999), "earlier");
}

TranslationRecord translated_to(std::string text, std::string source = "source") {
    TranslationRecord record;
    record.source = std::move(source);
    record.translated = std::move(text);
    return record;
}

TEST(CjkTarget, SomeTranslationHoldsAnIdeograph) {
    const std::vector<std::pair<std::string, bool>> texts = {
        {"", false},
        {"Plain English", false},
        {"\u3053\u3093\u306B\u3061\u306F", false},  // kana only
        {"\u33FF \uFB00 \uAC00", false},            // just outside, and Hangul
        {"\u3400", true},
        {"\u9FFF", true},
        {"\uF900", true},
        {"\uFAFF", true},
        {"Figure 1 \u4E2D", true},
        {"\xE4\xB8", false},  // a cut-off ideograph is no ideograph
    };
    for (const auto& [text, cjk] : texts) {
        const std::vector<TranslationRecord> one = {translated_to(text)};
        EXPECT_EQ(translations_target_cjk(one), cjk) << text;
        // One such record among others sets the flag for the whole document.
        const std::vector<TranslationRecord> among = {translated_to("English"), translated_to(text),
                                                      translated_to("more")};
        EXPECT_EQ(translations_target_cjk(among), cjk) << text;
    }
    EXPECT_FALSE(translations_target_cjk({}));
    // Only the translation counts, never the source.
    const std::vector<TranslationRecord> source_only = {translated_to("middle", "\u4E2D")};
    EXPECT_FALSE(translations_target_cjk(source_only));
}

}  // namespace
}  // namespace zvk::rewrite

#include "api/coverage.h"

#include <gtest/gtest.h>

#include <limits>

namespace zvk {
namespace {

Glyph glyph(std::uint32_t id, std::string text, GlyphDisposition d = {}) {
    Glyph g;
    g.id = id;
    g.unicode = std::move(text);
    g.disposition = std::move(d);
    return g;
}

TEST(Coverage, EmptyDocumentIsComplete) {
    CoverageReport r = count_glyph_dispositions({});
    EXPECT_EQ(r.total, 0u);
    EXPECT_TRUE(r.complete);
    EXPECT_TRUE(r.unresolved_ids.empty());
    EXPECT_FALSE(report_incomplete_coverage(ExtractedDocument{}).has_value());
    EXPECT_EQ(build_plain_text(ExtractedDocument{}), "");
}

TEST(Coverage, CountsAndUnresolved) {
    std::vector<Glyph> glyphs = {
        glyph(0, "a"),
        glyph(1, "b", GlyphDisposition::translated_pending_rewrite("x")),
        glyph(2, "c", GlyphDisposition::rewritten("y")),
        glyph(3, "7", GlyphDisposition::kept_original("overflow")),     // no letter: resolved
        glyph(4, "x", GlyphDisposition::kept_original("overflow")),     // English body
        glyph(5, "Ref", GlyphDisposition::kept_original("references")), // other reason: resolved
        glyph(6, "\xC3\xA9", GlyphDisposition::kept_original("untranslated")),  // no ASCII letter
        glyph(7, "1a", GlyphDisposition::kept_original("incomplete-list")),
        glyph(8, "-", GlyphDisposition::non_text("rule")),
    };
    CoverageReport r = count_glyph_dispositions(glyphs);
    EXPECT_EQ(r.total, 9u);
    EXPECT_EQ(r.pending, 1u);
    EXPECT_EQ(r.translated_pending_rewrite, 1u);
    EXPECT_EQ(r.rewritten, 1u);
    EXPECT_EQ(r.kept_original, 5u);
    EXPECT_EQ(r.non_text, 1u);
    EXPECT_EQ(r.english_body, 2u);
    EXPECT_EQ(r.unresolved_ids, (std::vector<std::uint32_t>{0, 1, 4, 7}));
    EXPECT_FALSE(r.complete);

    ExtractedDocument doc;
    doc.glyphs = glyphs;
    EXPECT_EQ(report_incomplete_coverage(doc),
              "coverage incomplete: 4 glyphs unresolved, 2 left in an English body paragraph; "
              "saved the PDF and left those paragraphs unchanged");

    std::string out;
    JsonWriter w(out, false);
    serialize_coverage_report(w, r);
    EXPECT_EQ(out,
              "{\"complete\":false,\"english_body\":2,\"kept_original\":5,\"non_text\":1,"
              "\"pending\":1,\"rewritten\":1,\"total\":9,\"translated_pending_rewrite\":1,"
              "\"unresolved_ids\":[0,1,4,7]}");
}

Glyph placed(std::string text, std::uint32_t page, float x, float y, float size) {
    Glyph g;
    g.unicode = std::move(text);
    g.page_index = page;
    g.matrix = {size, 0, 0, size, x, y};
    g.font_size = size;
    return g;
}

TEST(PlainText, Lines) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        const char* expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"5 apart at size 12 is one line",
         {placed("a", 0, 0, 100, 12), placed("b", 0, 10, 95, 12)}, "ab"},
        {"7 apart at size 12 is two lines",
         {placed("a", 0, 0, 100, 12), placed("b", 0, 10, 93, 12)}, "a\nb"},
        {"size below 1 counts as 1",
         {placed("a", 0, 0, 100, 0.5f), placed("b", 0, 10, 99.4f, 0.5f)}, "a\nb"},
        {"new page always opens a line",
         {placed("a", 0, 0, 100, 12), placed("b", 1, 10, 100, 12)}, "a\nb"},
        {"left to right whatever the drawing order",
         {placed("c", 0, 20, 100, 12), placed("a", 0, 0, 100, 12), placed("b", 0, 10, 100, 12)},
         "abc"},
        {"compared with the previous glyph, not the first",
         {placed("a", 0, 0, 100, 12), placed("b", 0, 10, 95, 12), placed("c", 0, 20, 90, 12)},
         "abc"},
        {"no spaces are inserted",
         {placed("a", 0, 0, 100, 12), placed("b", 0, 300, 100, 12)}, "ab"},
        {"NaN font size counts as 1",
         {placed("a", 0, 0, 100, nan), placed("b", 0, 10, 98, 12)}, "a\nb"},
    };
    for (const auto& c : cases) {
        ExtractedDocument doc;
        doc.glyphs = c.glyphs;
        EXPECT_EQ(build_plain_text(doc), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace zvk

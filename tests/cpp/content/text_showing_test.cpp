#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/document_fixture.h"

namespace zvk {
namespace {

using test::extract_objects;
using test::messages_of;
using test::one_page;

std::string widths(int count, int width) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) out += std::to_string(width) + " ";
    return out + "]";
}

// F1: every code 32..122 is 500 units wide. H: standard Helvetica with no
// Widths. T3: a Type3 font whose /a shows "A" in F1 and paints a square, and
// whose /b shows /b again (unbounded self-reference). A0: fill alpha 0.
const std::string kResources =
    "<< /Font << /F1 6 0 R /H 7 0 R /T3 8 0 R >> /ExtGState << /A0 9 0 R >> >>";

std::vector<std::string> page(const std::string& content) {
    return one_page(content, kResources,
                    {
                        "<< /Type /Font /Subtype /Type1 /BaseFont /Custom /FirstChar 32 "
                        "/LastChar 122 /Widths " + widths(91, 500) + " >>",
                        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] "
                        "/FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << /a 10 0 R /b 11 0 R >> "
                        "/Encoding << /Type /Encoding /Differences [97 /a /b] >> "
                        "/FirstChar 97 /LastChar 98 /Widths [1000 1000] "
                        "/Resources << /Font << /F1 6 0 R >> >> >>",
                        "<< /Type /ExtGState /ca 0 >>",
                        test::pdf_stream("", "0 0 500 500 re f BT /F1 1000 Tf (A) Tj ET"),
                        test::pdf_stream("", "BT /T3 1 Tf (b) Tj ET"),
                    });
}

TEST(TextShowing, SimpleFontGeometry) {
    auto doc = extract_objects(page("BT /F1 12 Tf (AB) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    const Glyph& b = doc.glyphs[1];
    EXPECT_EQ(doc.glyphs[0].advance, (std::array<float, 2>{6, 0}));
    EXPECT_EQ(b.advance, (std::array<float, 2>{6, 0}));
    EXPECT_EQ(b.matrix, (Matrix{12, 0, 0, 12, 6, 0}));
    EXPECT_EQ(b.bbox, (Box{6, -2.4f, 12, 9.6f}));
    EXPECT_EQ(b.unicode, "B");
    EXPECT_FALSE(b.unmapped);
    EXPECT_EQ(b.char_code, "B");
    EXPECT_EQ(b.font_resource, "F1");
    EXPECT_EQ(b.font_name, "Custom");
    EXPECT_EQ(b.font_object, (ObjectId{6, 0}));
    EXPECT_EQ(b.font_size, 12.0f);
    EXPECT_EQ(b.source.kind, GlyphSourceKind::PageContent);
    EXPECT_EQ(b.source.object_id, (ObjectId{5, 0}));
    EXPECT_EQ(b.source.operator_index, 2u);
    // "(AB) Tj" starts at its operand, byte 13, and ends after the operator.
    EXPECT_EQ(b.source.byte_start, 13u);
    EXPECT_EQ(b.source.byte_end, 20u);
    EXPECT_TRUE(doc.diagnostics.empty()) << messages_of(doc).front();

    auto scaled = extract_objects(page("BT /F1 12 Tf 200 Tz (AB) Tj ET"));
    ASSERT_EQ(scaled.glyphs.size(), 2u);
    EXPECT_EQ(scaled.glyphs[0].advance, (std::array<float, 2>{12, 0}));
    EXPECT_EQ(scaled.glyphs[0].matrix[0], 24.0f);
}

TEST(TextShowing, StandardFontWithoutWidthsUsesItsMetrics) {
    auto doc = extract_objects(page("BT /H 12 Tf (AB) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    EXPECT_FLOAT_EQ(doc.glyphs[0].advance[0], 8.004f);
    EXPECT_FLOAT_EQ(doc.glyphs[1].advance[0], 8.004f);
    EXPECT_FLOAT_EQ(doc.glyphs[1].matrix[4], 8.004f);
}

TEST(TextShowing, AdvancesAndSpacing) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<float> advances;
    };
    const Case cases[] = {
        {"word spacing after a space only", "BT /F1 10 Tf 3 Tw (a b) Tj ET", {5, 8, 5}},
        {"character spacing on every code", "BT /F1 10 Tf 1 Tc (ab) Tj ET", {6, 6}},
        {"TJ number adds to the glyph before it", "BT /F1 10 Tf [(A) -500 (B)] TJ ET", {10, 5}},
        {"TJ number first moves nothing shown before",
         "BT /F1 10 Tf (A) Tj [-500 (B)] TJ ET", {5, 5}},
        {"no font: half the size per byte", "BT 0 0 Td /Nope 12 Tf (xy) Tj ET", {6, 6}},
    };
    for (const auto& c : cases) {
        auto doc = extract_objects(page(c.content));
        std::vector<float> got;
        for (const auto& g : doc.glyphs) got.push_back(g.advance[0]);
        EXPECT_EQ(got, c.advances) << c.name;
    }
}

TEST(TextShowing, NoFontGivesUnmappedGlyphs) {
    auto doc = extract_objects(page("BT /Nope 12 Tf (xy) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    for (const auto& g : doc.glyphs) {
        EXPECT_EQ(g.font_name, "unknown");
        EXPECT_EQ(g.font_resource, "unknown");
        EXPECT_TRUE(g.unmapped);
        EXPECT_EQ(g.unicode, "");
        EXPECT_FALSE(g.gid.has_value());
        EXPECT_FALSE(g.font_object.has_value());
    }
}

TEST(TextShowing, VisibilityAndClipping) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<bool> invisible;
        std::vector<bool> clipped;
        std::vector<bool> uncertain;
    };
    const Case cases[] = {
        {"mode 7 is invisible and makes the clip uncertain",
         "BT /F1 10 Tf 7 Tr (a) Tj 0 Tr (b) Tj ET", {true, false}, {false, false}, {false, true}},
        {"mode 4 with an empty string still clips", "BT /F1 10 Tf 4 Tr () Tj 0 Tr (b) Tj ET",
         {false}, {false}, {true}},
        {"mode 3 is invisible", "BT /F1 10 Tf 3 Tr (a) Tj ET", {true}, {false}, {false}},
        {"fill alpha 0 hides modes 0 but not 1 and 2",
         "/A0 gs BT /F1 10 Tf (a) Tj 1 Tr (b) Tj 2 Tr (c) Tj ET", {true, false, false},
         {false, false, false}, {false, false, false}},
        {"a box starting 0.005 past the clip is not clipped",
         "0 0 100 100 re W n BT /F1 10 Tf 100.005 0 Td (a) Tj ET", {false}, {false}, {false}},
        {"a box starting 0.02 past the clip is clipped",
         "0 0 100 100 re W n BT /F1 10 Tf 100.02 0 Td (a) Tj ET", {false}, {true}, {false}},
    };
    for (const auto& c : cases) {
        auto doc = extract_objects(page(c.content));
        std::vector<bool> inv, clip, unc;
        for (const auto& g : doc.glyphs) {
            inv.push_back(g.invisible);
            clip.push_back(g.clipped);
            unc.push_back(g.clip_uncertain);
        }
        EXPECT_EQ(inv, c.invisible) << c.name;
        EXPECT_EQ(clip, c.clipped) << c.name;
        EXPECT_EQ(unc, c.uncertain) << c.name;
    }
}

TEST(TextShowing, EffectiveSize) {
    auto doc = extract_objects(page("2 0 0 2 0 0 cm BT /F1 12 Tf (a) Tj 5 0 0 0 0 0 Tm (b) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    EXPECT_EQ(doc.glyphs[0].font_size, 24.0f);
    // A text matrix with c = d = 0 has no size of its own: Tfs.
    EXPECT_EQ(doc.glyphs[1].font_size, 12.0f);
}

TEST(TextShowing, OutsideTextObjectWarnsOncePerPage) {
    auto doc = extract_objects(page("/F1 10 Tf (a) Tj (b) Tj"));
    EXPECT_EQ(doc.glyphs.size(), 2u);
    EXPECT_EQ(messages_of(doc),
              (std::vector<std::string>{"text showing operator outside BT/ET; recording it anyway"}));
}

TEST(TextShowing, Type3GlyphRunsItsProcedure) {
    auto doc = extract_objects(page("BT /T3 10 Tf 100 100 Td (a) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u) << (doc.diagnostics.empty() ? "" : messages_of(doc).front());
    const Glyph& outer = doc.glyphs[0];
    const Glyph& inner = doc.glyphs[1];
    EXPECT_EQ(outer.unicode, "a");
    EXPECT_EQ(outer.source.kind, GlyphSourceKind::PageContent);
    EXPECT_EQ(outer.advance, (std::array<float, 2>{10, 0}));
    EXPECT_EQ(inner.unicode, "A");
    EXPECT_EQ(inner.source.kind, GlyphSourceKind::Type3CharProc);
    // The procedure's glyph carries the showing stream's origin and its own
    // place inside the procedure.
    EXPECT_EQ(inner.source.object_id, (ObjectId{5, 0}));
    EXPECT_EQ(inner.source.operator_index, 4u);
    // Glyph space (1000 units) maps onto the 10-point em at the text position.
    const Matrix expected{10, 0, 0, 10, 100, 100};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(inner.matrix[i], expected[i], 1e-4) << i;
    // Painting inside a glyph procedure records no region.
    EXPECT_TRUE(doc.regions.empty());
}

TEST(TextShowing, TJNumberAfterAType3GlyphAdjustsThatGlyph) {
    auto doc = extract_objects(page("BT /T3 10 Tf [(a) -500] TJ ET"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    // The glyph of the code, not the procedure's glyph shown after it.
    EXPECT_EQ(doc.glyphs[0].advance, (std::array<float, 2>{15, 0}));
    EXPECT_NEAR(doc.glyphs[1].advance[0], 5.0f, 1e-4);
}

TEST(TextShowing, Type3SelfReferenceStopsAtTheDepthLimit) {
    ExtractLimits limits;
    limits.max_depth = 4;
    auto doc = extract_objects(page("BT /T3 10 Tf (b) Tj ET"), limits);
    // The shown glyph and one more per level the limit allows.
    EXPECT_EQ(doc.glyphs.size(), 5u);
    EXPECT_EQ(messages_of(doc), (std::vector<std::string>{"Type3 charproc recursion limit"}));
    for (std::size_t i = 1; i < doc.glyphs.size(); ++i) {
        EXPECT_EQ(doc.glyphs[i].source.kind, GlyphSourceKind::Type3CharProc);
    }
}

TEST(TextShowing, StateAfterAType3GlyphIsRestored) {
    // The procedure draws with its own ctm and text matrix; the next code of
    // the page lands where the first code's advance puts it.
    auto doc = extract_objects(page("BT /T3 10 Tf (a) Tj /F1 10 Tf (x) Tj ET"));
    ASSERT_EQ(doc.glyphs.size(), 3u);
    EXPECT_EQ(doc.glyphs[2].unicode, "x");
    EXPECT_EQ(doc.glyphs[2].matrix, (Matrix{10, 0, 0, 10, 10, 0}));
}

// Type0 fonts over one CID font without widths of its own: the default
// width 1000 and the default vertical metrics (position vector w0 / 2 and
// 880, displacement -1000).
std::vector<std::string> type0_page(const std::string& content, const std::string& encoding) {
    return one_page(content, "<< /Font << /V 6 0 R >> >>",
                    {"<< /Type /Font /Subtype /Type0 /BaseFont /Test /Encoding /" + encoding +
                         " /DescendantFonts [7 0 R] >>",
                     "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Test "
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>"});
}

TEST(TextShowing, VerticalWriting) {
    auto doc = extract_objects(type0_page("BT /V 10 Tf 2 Tc 100 500 Td <00010002> Tj ET", "Identity-V"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    for (const Glyph& g : doc.glyphs) EXPECT_TRUE(g.vertical);
    // The origin lies the position vector (5, 8.8) before the text position.
    EXPECT_FLOAT_EQ(doc.glyphs[0].matrix[4], 95.0f);
    EXPECT_FLOAT_EQ(doc.glyphs[0].matrix[5], 491.2f);
    // The position moves down by the displacement plus the spacing.
    EXPECT_FLOAT_EQ(doc.glyphs[0].advance[0], 0.0f);
    EXPECT_FLOAT_EQ(doc.glyphs[0].advance[1], -8.0f);
    EXPECT_FLOAT_EQ(doc.glyphs[1].matrix[5], 483.2f);
}

TEST(TextShowing, Utf16SurrogatePairIsOneGlyph) {
    auto doc = extract_objects(type0_page("BT /V 10 Tf <D83DDE00> Tj ET", "UniGB-UTF16-H"));
    ASSERT_EQ(doc.glyphs.size(), 1u);
    EXPECT_EQ(doc.glyphs[0].char_code, std::string("\xD8\x3D\xDE\x00", 4));
    EXPECT_EQ(doc.glyphs[0].unicode, "\xF0\x9F\x98\x80");
}

// An appearance is painted from the initial graphics state, as viewers draw
// it: what the page's content leaves in force (an invisible render mode, a
// clip, character spacing, rise) does not reach its text.
TEST(TextShowing, AppearanceTextIgnoresThePageState) {
    auto doc = extract_objects(one_page(
        "BT /F1 10 Tf 3 Tr 5 Tc 7 Ts ET 0 0 10 10 re W n", kResources,
        {
            "<< /Type /Font /Subtype /Type1 /BaseFont /Custom /FirstChar 32 /LastChar 122 /Widths " +
                widths(91, 500) + " >>",
            "", "", "",
            "<< /Rect [200 300 300 350] /AP << /N 11 0 R >> >>",
            test::pdf_stream("/BBox [0 0 100 50] /Resources << /Font << /F1 6 0 R >> >>",
                             "BT /F1 10 Tf 2 5 Td (ab) Tj ET"),
        },
        "/Annots [10 0 R]"));
    ASSERT_EQ(doc.glyphs.size(), 2u) << (doc.diagnostics.empty() ? "" : messages_of(doc).front());
    for (const Glyph& g : doc.glyphs) {
        EXPECT_EQ(g.source.kind, GlyphSourceKind::AnnotationAppearance);
        EXPECT_EQ(g.source.resource_name, "Annot0");
        EXPECT_FALSE(g.invisible);
        EXPECT_FALSE(g.clipped);
        EXPECT_EQ(g.render_mode, 0);
    }
    // Placed on the annotation's rect, with no rise and no extra spacing.
    EXPECT_EQ(doc.glyphs[0].matrix, (Matrix{10, 0, 0, 10, 202, 305}));
    EXPECT_EQ(doc.glyphs[0].advance, (std::array<float, 2>{5, 0}));
}

}  // namespace
}  // namespace zvk

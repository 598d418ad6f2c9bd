// Planning on small extracted documents: the units, and which glyphs end
// "kept_original" with which reason before any request.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "translate/planning.h"
#include "translate/reference_fixture.h"

namespace zvk {
namespace {

using test::PlacedLine;

const std::string kProse = "This section describes the data that we used";
const std::string kEntry1 = "[1] A. Author, A study of many things, 2019.";
const std::string kEntry2 = "[2] B. Writer, Another study of things, 2020.";

// Prose, a references heading with two entries, a note turned sideways in
// the left margin, and a turned mark just after the last entry: segmentation
// leaves both turned lines out as margin, and the mark belongs to the
// reference section.
std::vector<PlacedLine> paper_lines() {
    std::vector<PlacedLine> lines = {
        {0, 72, 720, kProse},
        {0, 72, 690, kProse},
        {0, 72, 660, "References", 12, true},
        {0, 72, 630, kEntry1},
        {0, 72, 600, kEntry2},
        {0, 20, 300, "arXiv:2101.00001v1 [cs.LG] 1 Jan 2021", 10, false, true},
    };
    // Where the last entry ends, read from a first extraction.
    auto plain = test::extract_placed_lines(lines);
    float right = 0;
    for (const Glyph& g : plain->extraction.glyphs) {
        if (plain->line_of[g.id] == 4) right = std::max(right, g.bbox[2]);
    }
    lines.push_back({0, right + 7, 600, "7", 10, false, true});
    return lines;
}

// What each line's glyphs ended as, spaces aside: one word per line, or
// "mixed" for a line whose glyphs differ.
std::vector<std::string> line_states(const test::PlacedDocument& doc, std::size_t lines) {
    std::vector<std::set<std::string>> seen(lines);
    for (const Glyph& g : doc.extraction.glyphs) {
        if (g.unicode == " ") continue;
        const GlyphDisposition& d = g.disposition;
        seen[doc.line_of[g.id]].insert(std::string(disposition_state_word(d.state)) +
                                       (d.state == DispositionState::KeptOriginal ? ":" + d.payload : ""));
    }
    std::vector<std::string> out;
    for (const auto& s : seen) out.push_back(s.size() == 1 ? *s.begin() : "mixed");
    return out;
}

TEST(PlanTranslationUnits, ReferencesAndSkippedGlyphs) {
    struct Case {
        const char* name;
        bool skip_references;
        std::vector<std::string> states;
        std::size_t units;
    };
    const std::vector<Case> cases = {
        {"references kept",
         true,
         {"pending", "pending", "kept_original:references", "kept_original:references", "kept_original:references",
          "kept_original:margin", "kept_original:references"},
         5},
        {"references translated",
         false,
         {"pending", "pending", "pending", "pending", "pending", "kept_original:margin", "kept_original:margin"},
         5},
    };
    for (const Case& c : cases) {
        auto doc = test::extract_placed_lines(paper_lines());
        ASSERT_TRUE(doc) << c.name;
        TranslateOptions options;
        options.skip_references = c.skip_references;
        const auto plan = plan_translation_units(doc->extraction, options);
        ASSERT_TRUE(plan.has_value()) << c.name << ": " << plan.error().display();
        EXPECT_EQ(line_states(*doc, 7), c.states) << c.name;
        EXPECT_EQ(plan->units.size(), c.units) << c.name;
        // The set names exactly the glyphs marked "references".
        std::set<std::uint32_t> marked;
        for (const Glyph& g : doc->extraction.glyphs) {
            if (g.disposition == GlyphDisposition::kept_original("references")) marked.insert(g.id);
        }
        EXPECT_EQ(std::set<std::uint32_t>(plan->reference_glyphs.begin(), plan->reference_glyphs.end()), marked)
            << c.name;
        EXPECT_EQ(marked.empty(), !c.skip_references) << c.name;
    }
}

TEST(PlanTranslationUnits, ZeroBatchSizeTouchesNothing) {
    auto doc = test::extract_placed_lines(paper_lines());
    ASSERT_TRUE(doc);
    TranslateOptions options;
    options.batch_size = 0;
    const auto plan = plan_translation_units(doc->extraction, options);
    ASSERT_FALSE(plan.has_value());
    EXPECT_EQ(plan.error().kind(), CoreError::Kind::InvalidOptions);
    EXPECT_EQ(plan.error().display(), "invalid options: batch_size must be at least 1");
    for (const Glyph& g : doc->extraction.glyphs) EXPECT_EQ(g.disposition, GlyphDisposition::pending()) << g.id;
}

TEST(PlanTranslationUnits, NoGlyphsNoUnits) {
    ExtractedDocument document;
    const auto plan = plan_translation_units(document, TranslateOptions{});
    ASSERT_TRUE(plan.has_value());
    EXPECT_TRUE(plan->units.empty());
    EXPECT_TRUE(plan->reference_glyphs.empty());
}

}  // namespace
}  // namespace zvk

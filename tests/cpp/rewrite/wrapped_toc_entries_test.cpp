#include "rewrite/placement/wrapped_toc_entries.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rewrite/record_fixture.h"

namespace zvk::rewrite {
namespace {

using test::Doc;

// A contents page: records are accepted with the given final texts; page
// numbers are glyphs kept as "toc" at the right margin.
struct TocPage {
    Doc doc;
    std::vector<AcceptedTranslation> accepted;

    std::size_t line(std::string source, std::string final_text, float top, float x, std::uint32_t page = 0) {
        const std::size_t r = doc.add(std::move(source), final_text, top, x, "Times-Roman", 10, page);
        accepted.push_back(AcceptedTranslation{r, std::move(final_text)});
        return r;
    }
    void page_number(float baseline, std::string digit = "7", std::uint32_t page = 0) {
        const std::uint32_t id = doc.add_glyph({.text = digit, .x0 = 500, .x1 = 505, .baseline = baseline}, page);
        doc.glyphs[id].disposition = GlyphDisposition::kept_original("toc");
    }
    WrappedTocEntries find() const {
        const GlyphIdIndex index(doc.glyphs);
        return find_wrapped_toc_entries(accepted, doc.records, doc.glyphs, index);
    }
};

// The lead "Introduction to the methods" at 700 and its continuation "and
// the results" at 688, indented by 10, with the entry's page number beside
// the continuation; each case changes one thing.
TEST(WrappedTocEntries, HangingContinuationJoinsItsLead) {
    struct Case {
        const char* name;
        std::function<void(TocPage&)> adjust;
        std::string continuation;
        bool joined;
    };
    const std::vector<Case> cases = {
        {"the plain case", {}, "and the results", true},
        {"upper-case start", {}, "And the results", false},
        {"five words", {}, "and the results of everything", false},
        {"four words", {}, "and the results here", true},
        {"a bullet in the text", {}, "and \u2022 results", false},
        {"no page number beside it", [](TocPage& p) { p.doc.glyphs.back().matrix[5] = 650; }, "and the results",
         false},
        {"a page number of another kind",
         [](TocPage& p) { p.doc.glyphs.back().disposition = GlyphDisposition::kept_original("margin"); },
         "and the results", false},
        {"the lead has a page number of its own", [](TocPage& p) { p.page_number(700, "3"); }, "and the results",
         false},
        {"a bullet glyph beside it",
         [](TocPage& p) { p.doc.add_glyph({.text = "\u2022", .x0 = 60, .x1 = 64, .baseline = 690}); },
         "and the results", false},
        {"a bullet glyph on another page",
         [](TocPage& p) { p.doc.add_glyph({.text = "\u2022", .x0 = 60, .x1 = 64, .baseline = 690}, 1); },
         "and the results", true},
    };
    for (const Case& c : cases) {
        TocPage p;
        const std::size_t lead = p.line("Introduction to the methods", "方法介绍", 700, 72);
        const std::size_t cont = p.line(c.continuation, "与结果", 688, 82);
        p.page_number(688);
        if (c.adjust) c.adjust(p);
        const WrappedTocEntries entries = p.find();
        if (!c.joined) {
            EXPECT_TRUE(entries.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(entries.size(), 1u) << c.name;
        ASSERT_TRUE(entries.contains(lead)) << c.name;
        const WrappedTocEntry& e = entries.at(lead);
        EXPECT_EQ(e.joined_text, "方法介绍与结果") << c.name;  // ideographs meet without a space
        EXPECT_EQ(e.continuation_record, cont) << c.name;
        EXPECT_EQ(e.continuation_glyph_ids, p.doc.records[cont].glyph_ids) << c.name;
        EXPECT_EQ(e.lead_top, 700.0f) << c.name;
        EXPECT_EQ(e.continuation_top, 688.0f) << c.name;
        EXPECT_EQ(e.page, 0u) << c.name;
    }
}

TEST(WrappedTocEntries, IndentAndRiseBounds) {
    struct Case {
        float top;  // of the continuation; the lead is at 700, size 10
        float x;    // of the continuation; the lead starts at 72
        bool joined;
    };
    const std::vector<Case> cases = {
        {688, 82, true},  {693.5f, 82, true}, {694, 82, false},  // rise at least 6.5
        {681.5f, 82, true}, {681, 82, false},                    // at most 18.5
        {688, 75, true},  {688, 74.9f, false},                  // indent at least 3
        {688, 90.5f, true}, {688, 91, false},                    // at most 18.5
    };
    for (const Case& c : cases) {
        TocPage p;
        p.line("Introduction to the methods", "Introduction", 700, 72);
        p.line("and the results", "and more", c.top, c.x);
        p.page_number(c.top);
        const WrappedTocEntries entries = p.find();
        EXPECT_EQ(entries.size(), c.joined ? 1u : 0u) << c.top << " " << c.x;
        if (c.joined && !entries.empty()) {
            EXPECT_EQ(entries.begin()->second.joined_text, "Introduction and more");
        }
    }
}

TEST(WrappedTocEntries, NearestLeadWinsAndALeadIsUsedOnce) {
    TocPage p;
    const std::size_t far = p.line("Background of the study", "研究背景", 704, 72);
    const std::size_t near = p.line("Introduction to the methods", "方法介绍", 696, 72);
    const std::size_t first = p.line("and the results", "与结果", 688, 82);
    p.page_number(688);
    WrappedTocEntries entries = p.find();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries.contains(near));
    EXPECT_EQ(entries.at(near).continuation_record, first);

    // A second continuation below: the nearer lead is taken, so it gets the
    // other one, which lies within reach too.
    const std::size_t second = p.line("and the rest", "与其余", 686, 82);
    p.page_number(686, "8");
    entries = p.find();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at(near).continuation_record, first);
    EXPECT_EQ(entries.at(far).continuation_record, second);
}

TEST(WrappedTocEntries, ALeadServesOneContinuationOnly) {
    TocPage p;
    const std::size_t lead = p.line("Introduction to the methods", "方法介绍", 700, 72);
    const std::size_t first = p.line("and the results", "与结果", 688, 82);
    p.line("and the rest", "与其余", 686, 82);
    p.page_number(688);
    p.page_number(686, "8");
    const WrappedTocEntries entries = p.find();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.at(lead).continuation_record, first);
}

// Four single-line records starting in one column make the continuation's
// column an aligned one: no hanging indent there, only a numbered lead.
TEST(WrappedTocEntries, AlignedColumnNeedsANumberedLead) {
    for (const bool numbered : {false, true}) {
        TocPage p;
        const std::size_t lead =
            p.line(numbered ? "2.1 Introduction to the methods" : "Introduction to the methods", "方法介绍", 700, 72);
        p.line("and the results", "与结果", 688, 82);
        for (int k = 0; k < 3; ++k) p.line("Another entry", "另一条", 600.0f - 20.0f * static_cast<float>(k), 82);
        p.page_number(688);
        const WrappedTocEntries entries = p.find();
        EXPECT_EQ(entries.contains(lead), numbered) << numbered;
    }
}

TEST(WrappedTocEntries, ShortLeadsAndNumberedListItemsAreNoLeads) {
    for (const std::string lead_text : {"Methods", "12 Introduction to it", "\u2022 Introduction to the methods"}) {
        TocPage p;
        p.line(lead_text, "引言", 700, 72);
        p.line("and the results", "与结果", 688, 82);
        p.page_number(688);
        EXPECT_TRUE(p.find().empty()) << lead_text;
    }
}

TEST(WrappedTocEntries, MultiLineRecordsHaveNoSummary) {
    Doc doc;
    const std::size_t r = doc.add("two lines", "两行", 700);
    doc.glyph_of(r, 1).matrix[5] = 695.4f;  // 4.6 below: more than 0.45 × 10
    const GlyphIdIndex index(doc.glyphs);
    EXPECT_FALSE(summarize_single_line_segment({r, "两行"}, doc.records, doc.glyphs, index));
    doc.glyph_of(r, 1).matrix[5] = 695.5f;
    const auto s = summarize_single_line_segment({r, "两行"}, doc.records, doc.glyphs, index);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->top, 700.0f);
    EXPECT_EQ(s->left, 72.0f);
}

}  // namespace
}  // namespace zvk::rewrite

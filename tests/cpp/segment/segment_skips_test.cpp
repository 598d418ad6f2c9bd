// Each reason of the skip passes, end to end through segment_glyphs: contents
// leaders, figure and table areas from captions, figure regions and code.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"
#include "segment/segmentation.h"

namespace zvk {
namespace {

// Words of glyphs 5 units wide, 2 units apart within a word and 4 between
// words (size 10), each text at its x on its baseline.
struct Page {
    std::vector<Glyph> glyphs;
    void text(const std::string& s, float x, float y, std::uint32_t page = 0, const std::string& font = "Times-Roman") {
        for (char c : s) {
            if (c == ' ') {
                x += 4;
                continue;
            }
            glyphs.push_back(test::make_glyph({std::string(1, c), x, x + 5, 10, y, font},
                                              static_cast<std::uint32_t>(glyphs.size()), page));
            x += 5;
        }
    }
};

constexpr const char* kBody = "The body text of this page runs on in its own face";

Page fixture() {
    Page p;
    // Leaders bridge the row, so that it stays one run up to its number.
    p.text("Introduction", 60, 740);
    p.text("........................", 126, 740);
    p.text("3", 252, 740);
    p.text("axis", 110, 660);
    p.text("Figure 1: A plot.", 100, 620);
    p.text(kBody, 60, 600);
    p.text(kBody, 60, 588);
    p.text("Table 2: Results.", 100, 500);
    p.text("alpha 1", 100, 480);
    p.text("int main() {}", 100, 300, 0, "Courier");
    p.text("inside", 120, 450, 1);
    p.text(kBody, 60, 200, 1);
    return p;
}

std::map<std::string, std::set<std::string>> texts_by_reason(const std::vector<Glyph>& glyphs,
                                                             const SegmentationResult& result) {
    std::map<std::string, std::string> joined;
    for (const SkippedGlyph& s : result.skipped) joined[s.reason] += glyphs[s.glyph_id].unicode;
    std::map<std::string, std::set<std::string>> out;
    for (const auto& [reason, text] : joined) out[reason].insert(text);
    return out;
}

TEST(SegmentSkips, EachReasonEndToEnd) {
    Page page = fixture();
    std::vector<Region> regions(1);
    regions[0].page_index = 1;
    regions[0].bbox = {100, 400, 300, 500};
    regions[0].kind = "image";
    std::vector<PageInfo> pages(2);
    pages[1].index = 1;
    using Reasons = std::map<std::string, std::set<std::string>>;
    struct Case {
        bool figures, tables;
        Reasons expected;
    } cases[] = {
        {true, true, Reasons{{"toc", {"........................3"}}, {"figure", {"axisinside"}}, {"table", {"alpha1"}},
                             {"code", {"intmain(){}"}}}},
        {true, false, Reasons{{"toc", {"........................3"}}, {"figure", {"axisinside"}}, {"code", {"intmain(){}"}}}},
        {false, true, Reasons{{"toc", {"........................3"}}, {"table", {"alpha1"}}, {"code", {"intmain(){}"}}}},
        {false, false, Reasons{{"toc", {"........................3"}}, {"code", {"intmain(){}"}}}},
    };
    for (const Case& c : cases) {
        SegmentationResult result = segment_glyphs(page.glyphs, c.figures, c.tables, regions, pages);
        EXPECT_EQ(texts_by_reason(page.glyphs, result), c.expected) << c.figures << c.tables;
    }
}

// A contents title inside a figure region keeps its text: its leaders and
// number are "toc", its title is no "figure".
TEST(SegmentSkips, ContentsTitleInsideAFigureRegion) {
    Page page;
    page.text("Introduction", 110, 450);
    page.text("..........", 176, 450);
    page.text("3", 232, 450);
    std::vector<Region> regions(1);
    regions[0].bbox = {100, 400, 300, 500};
    regions[0].kind = "image";
    SegmentationResult result = segment_glyphs(page.glyphs, true, true, regions, {});
    EXPECT_EQ(texts_by_reason(page.glyphs, result), (std::map<std::string, std::set<std::string>>{{"toc", {"..........3"}}}));
}

}  // namespace
}  // namespace zvk

// The margin, recognition-noise and attachment passes end to end: small
// documents through segment_glyphs, read by their skipped glyphs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "segment/glyph_lines.h"
#include "segment/pass_fixture.h"
#include "segment/segmentation.h"

namespace zvk {
namespace {

using test::GlyphStore;

std::vector<std::uint32_t> ids_of(const std::vector<const Glyph*>& glyphs) {
    std::vector<std::uint32_t> out;
    for (const Glyph* g : glyphs) out.push_back(g->id);
    return out;
}

std::vector<std::pair<std::uint32_t, std::string>> records(const SegmentationResult& result) {
    std::vector<std::pair<std::uint32_t, std::string>> out;
    for (const SkippedGlyph& s : result.skipped) out.push_back({s.glyph_id, s.reason});
    return out;
}

void expect_skips(const std::vector<std::pair<std::uint32_t, std::string>>& got,
                  const std::vector<std::uint32_t>& ids, const std::string& reason) {
    std::vector<std::pair<std::uint32_t, std::string>> expected;
    for (std::uint32_t id : ids) expected.push_back({id, reason});
    EXPECT_EQ(got, expected) << reason;
}

TEST(NoiseAndMarginSkips, RuleColumnOfBarsBesideText) {
    GlyphStore store;
    std::vector<std::uint32_t> bars;
    for (float y : {700.0f, 688.0f, 676.0f, 664.0f}) {
        store.word("some text", 50, y);
        bars.push_back(store.glyph("|", 300, 301, y)->id);
    }
    const std::vector<Glyph> doc = store.document();
    expect_skips(records(segment_glyphs(doc, true, true, {}, {})), bars, "margin");
}

TEST(NoiseAndMarginSkips, LineOfStrokeCharacters) {
    GlyphStore store;
    store.word("some text above", 50, 700);
    const std::vector<std::uint32_t> rule = ids_of(store.word(std::string(30, '|'), 50, 688));
    store.word("some text below", 50, 676);
    const std::vector<Glyph> doc = store.document();
    expect_skips(records(segment_glyphs(doc, true, true, {}, {})), rule, "margin");
}

// Seven misread lines and three clean ones on a page that an image covers.
struct ScannedPage {
    std::vector<Glyph> doc;
    std::vector<std::uint32_t> all;
    std::vector<std::uint32_t> garbled;
};

ScannedPage scanned_page() {
    GlyphStore store;
    ScannedPage page;
    float y = 760;
    for (int i = 0; i < 7; ++i) {
        std::vector<std::uint32_t> ids = ids_of(store.word("L1nE", 50, y -= 20));
        page.garbled.insert(page.garbled.end(), ids.begin(), ids.end());
        page.all.insert(page.all.end(), ids.begin(), ids.end());
    }
    for (int i = 0; i < 3; ++i) {
        std::vector<std::uint32_t> ids = ids_of(store.word("the cat sat on a mat", 50, y -= 20));
        page.all.insert(page.all.end(), ids.begin(), ids.end());
    }
    page.doc = store.document();
    return page;
}

TEST(NoiseAndMarginSkips, ScannedPageLosesItsTextLayerOnlyWithItsImage) {
    const ScannedPage page = scanned_page();
    PageInfo info;
    info.media_box = {0, 0, 612, 792};
    const std::vector<PageInfo> pages = {info};
    const std::vector<Region> regions = {Region{0, {0, 0, 612, 792}, "image"}};
    expect_skips(records(segment_glyphs(page.doc, true, true, regions, pages)), page.all, "ocr");
    // Reference detection's call: no regions, no pages; garbled lines still go.
    expect_skips(records(segment_glyphs(page.doc, true, true, {}, {})), page.garbled, "ocr");
    // With both flags off the passes are the same.
    expect_skips(records(segment_glyphs(page.doc, false, false, {}, {})), page.garbled, "ocr");
}

TEST(NoiseAndMarginSkips, PageWithoutEnglishGoesWhole) {
    GlyphStore store;
    std::vector<std::uint32_t> ids = ids_of(store.word("Xq3z Brk7t", 50, 700));
    std::vector<std::uint32_t> more = ids_of(store.word("Zzq9 Pl4n", 50, 680));
    ids.insert(ids.end(), more.begin(), more.end());
    store.word("This is the first line of the page", 50, 700, 10, 1);
    const std::vector<Glyph> doc = store.document();
    expect_skips(records(segment_glyphs(doc, true, true, {}, {})), ids, "ocr");
}

TEST(NoiseAndMarginSkips, BigLettersAtThePageEdge) {
    GlyphStore store;
    std::vector<std::uint32_t> letters;
    for (int i = 0; i < 3; ++i) {
        store.word("body text of the page", 100, 700 - 100.0f * static_cast<float>(i));
        letters.push_back(store.glyph("A", 30, 44, 650 - 100.0f * static_cast<float>(i), 20)->id);
    }
    const std::vector<Glyph> doc = store.document();
    expect_skips(records(segment_glyphs(doc, true, true, {}, {})), letters, "margin");
}

TEST(NoiseAndMarginSkips, RecordsFollowThePassOrder) {
    GlyphStore store;
    // A margin letter first on the page, then a stroke line, then a garbled
    // line, then a turned glyph: the records come in pass order instead.
    const std::uint32_t margin = store.glyph("A", 30, 44, 750, 20)->id;
    const std::vector<std::uint32_t> rule = ids_of(store.word(std::string(24, 'l'), 100, 700));
    const std::vector<std::uint32_t> garbled = ids_of(store.word("qWRtz", 100, 650));
    store.word("some text", 100, 600);
    std::vector<Glyph> doc = store.document();
    Glyph turned = test::make_glyph({"x", 300, 310, 10, 400}, static_cast<std::uint32_t>(doc.size()));
    turned.matrix = {0, 10, -10, 0, 300, 400};
    doc.push_back(turned);

    std::vector<std::pair<std::uint32_t, std::string>> expected = {{turned.id, "margin"}};
    for (std::uint32_t id : rule) expected.push_back({id, "margin"});
    for (std::uint32_t id : garbled) expected.push_back({id, "ocr"});
    expected.push_back({margin, "margin"});
    EXPECT_EQ(records(segment_glyphs(doc, true, true, {}, {})), expected);
}

TEST(NoiseAndMarginSkips, NoteMarkerJoinsItsLineInsteadOfStandingAlone) {
    GlyphStore store;
    store.word("a sentence that ends here", 100, 700);
    store.glyph("1", 217.5f, 221, 706, 7);
    const std::vector<Glyph> doc = store.document();
    LineGrouping grouping = build_line_groups(group_glyph_lines(doc), true, true, {}, {});
    EXPECT_TRUE(grouping.skipped.empty());
    ASSERT_EQ(grouping.groups.size(), 1u);
    ASSERT_EQ(grouping.groups[0].lines.size(), 1u);
    EXPECT_EQ(grouping.groups[0].lines[0].text, "a sentence that ends here1");
}

}  // namespace
}  // namespace zvk

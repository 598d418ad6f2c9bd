// The "ocr" passes: pages without English, and garbled lines with the
// scanned pages they betray.
#include "segment/ocr_passes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "segment/pass_fixture.h"

namespace zvk {
namespace {

using test::GlyphStore;

PageInfo page_info(std::uint32_t index, Box media_box) {
    PageInfo p;
    p.index = index;
    p.media_box = media_box;
    return p;
}

std::size_t glyph_count(const std::vector<TextLine>& lines) {
    std::size_t n = 0;
    for (const TextLine& line : lines) n += line.glyphs.size();
    return n;
}

TEST(OcrPasses, PagesWithoutEnglish) {
    struct Case {
        const char* name;
        std::vector<std::string> page;
        bool skipped;
    } cases[] = {
        {"misread words only", {"Xq3z Brk7t", "Zzq9 Pl4n"}, true},
        {"one misread word", {"Xq3z alpha beta"}, false},
        {"a function word among six words", {"Xq3z Brk7t", "the one two three"}, false},
        // "the" counts only among more than five words.
        {"a function word among three words", {"Xq3z Brk7t the"}, true},
        {"English", {"This is the first line of a page"}, false},
    };
    for (const Case& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines;
        float y = 700;
        for (const std::string& text : c.page) lines.push_back(store.line(text, 50, y -= 12));
        const std::size_t page_glyphs = glyph_count(lines);
        // The next page, in English, never goes with it.
        lines.push_back(store.line("This is the first line of a page", 50, 700, 10, 1));
        lines.push_back(store.line("Xq3z Brk7t", 50, 688, 10, 1));
        std::vector<SkippedGlyph> skipped;
        skip_ocr_pages(lines, skipped);
        EXPECT_EQ(skipped.size(), c.skipped ? page_glyphs : 0u) << c.name;
        for (const SkippedGlyph& s : skipped) EXPECT_EQ(s.reason, "ocr");
        EXPECT_EQ(lines.size(), c.skipped ? 2u : c.page.size() + 2) << c.name;
        EXPECT_EQ(lines.back().page_index, 1u);
    }
}

struct ScanCase {
    const char* name;
    std::size_t clean = 3;      // English lines with a function word
    std::size_t garbled = 7;    // single misread words
    std::size_t neutral = 0;    // neither ("Figure 3")
    float image_share = 0.5f;   // of the media box
    std::string kind = "image";
    std::uint32_t image_page = 0;
    bool with_pages = true;
    bool with_regions = true;
    bool whole_page = true;     // else only the garbled lines go
};

TEST(OcrPasses, GarbledLinesAndScannedPages) {
    const ScanCase cases[] = {
        {.name = "three clean lines under a page image"},
        {.name = "four clean lines", .clean = 4, .garbled = 6, .whole_page = false},
        {.name = "image under 0.45 of the page", .image_share = 0.44f, .whole_page = false},
        {.name = "image over 0.45 of the page", .image_share = 0.46f},
        {.name = "a path, not an image", .kind = "path", .whole_page = false},
        {.name = "image on another page", .image_page = 1, .whole_page = false},
        {.name = "no page records", .with_pages = false, .whole_page = false},
        {.name = "no regions (reference detection)", .with_pages = false, .with_regions = false, .whole_page = false},
        {.name = "24 lines", .garbled = 17, .neutral = 4},
        {.name = "25 lines", .garbled = 17, .neutral = 5, .whole_page = false},
        {.name = "no garbled line", .garbled = 0, .neutral = 4, .whole_page = false},
    };
    for (const ScanCase& c : cases) {
        GlyphStore store;
        std::vector<TextLine> lines;
        float y = 780;
        std::size_t garbled_glyphs = 0;
        for (std::size_t i = 0; i < c.garbled; ++i) {
            lines.push_back(store.line("L1nE", 50, y -= 12));
            garbled_glyphs += lines.back().glyphs.size();
        }
        for (std::size_t i = 0; i < c.clean; ++i) lines.push_back(store.line("the cat sat on a mat", 50, y -= 12));
        for (std::size_t i = 0; i < c.neutral; ++i) lines.push_back(store.line("Figure 3", 50, y -= 12));
        const std::size_t all_glyphs = glyph_count(lines);
        // A garbled line on another page goes alone.
        lines.push_back(store.line("L1nE", 50, 700, 10, 1));

        std::vector<PageInfo> pages;
        if (c.with_pages) {
            pages.push_back(page_info(0, {0, 0, 612, 792}));
            pages.push_back(page_info(1, {0, 0, 612, 792}));
        }
        std::vector<Region> regions;
        if (c.with_regions) {
            regions.push_back(Region{0, {0, 0, 10, 10}, "path"});
            regions.push_back(Region{c.image_page, {0, 0, 612, 792 * c.image_share}, c.kind});
        }
        std::vector<SkippedGlyph> skipped;
        skip_garbled_lines(lines, regions, pages, skipped);
        EXPECT_EQ(skipped.size(), (c.whole_page ? all_glyphs : garbled_glyphs) + 4) << c.name;
        for (const SkippedGlyph& s : skipped) EXPECT_EQ(s.reason, "ocr");
        const std::size_t left = c.whole_page ? 0 : c.clean + c.neutral;
        EXPECT_EQ(lines.size(), left) << c.name;
    }
}

TEST(OcrPasses, ScannedPageTestsTheFirstRecordOfThePageAndItsArea) {
    GlyphStore store;
    std::vector<TextLine> lines = {store.line("L1nE", 50, 700), store.line("the cat sat on a mat", 50, 688)};
    const std::vector<Region> regions = {Region{0, {0, 0, 612, 792}, "image"}};
    // A page of no area is never scanned; the first record of a page counts.
    for (const auto& [pages, whole] :
         {std::pair{std::vector<PageInfo>{page_info(0, {0, 0, 612, 0})}, false},
          std::pair{std::vector<PageInfo>{page_info(0, {0, 0, 612, 792}),
                                          page_info(0, {0, 0, 0, 0})},
                    true},
          std::pair{std::vector<PageInfo>{page_info(0, {0, 0, 6120, 7920}),
                                          page_info(0, {0, 0, 612, 792})},
                    false}}) {
        std::vector<TextLine> copy = lines;
        std::vector<SkippedGlyph> skipped;
        skip_garbled_lines(copy, regions, pages, skipped);
        EXPECT_EQ(copy.size(), whole ? 0u : 1u);
    }
}

}  // namespace
}  // namespace zvk

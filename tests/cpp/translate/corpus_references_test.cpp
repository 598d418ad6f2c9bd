// Reference sections of corpus papers: a contents page and a book of stories
// have none; a journal article keeps its heading and its list, and nothing
// of the body before it; a numbered list without a heading ends at the
// methods that follow it.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "segment/corpus_paper.h"
#include "segment/segmentation.h"
#include "translate/reference_lines.h"
#include "translate/reference_sections.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

using test::kPapers;

struct Detected {
    ExtractedDocument extraction;
    std::vector<Segment> segments;  // the segmentation the detection runs
    std::vector<bool> kept;         // per glyph id
};

std::optional<Detected> detect(const char* name) {
    auto extraction = test::extract_paper(name);
    if (!extraction) return std::nullopt;
    Detected out;
    out.extraction = std::move(*extraction);
    out.segments = segment_glyphs(out.extraction.glyphs, true, true, {}, {}).segments;
    out.kept.assign(out.extraction.glyphs.size(), false);
    for (std::uint32_t id : find_reference_sections(out.extraction.glyphs)) out.kept.at(id) = true;
    return out;
}

std::size_t kept_count(const Detected& d) { return std::count(d.kept.begin(), d.kept.end(), true); }

// 'all', 'none' or 'some' of the segment's glyphs are kept.
std::string share(const Detected& d, const Segment& s) {
    std::size_t n = 0;
    for (std::uint32_t id : s.glyph_ids) n += d.kept.at(id) ? 1 : 0;
    return n == s.glyph_ids.size() ? "all" : n == 0 ? "none" : "some";
}

const Glyph& first_glyph(const Detected& d, const Segment& s) { return d.extraction.glyphs.at(s.glyph_ids.front()); }

TEST(CorpusReferences, PapersWithoutSections) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    for (const char* name : {"bug886717.pdf", "pdkids.pdf"}) {
        auto d = detect(name);
        ASSERT_TRUE(d) << name;
        ASSERT_GT(d->extraction.glyphs.size(), 1000u) << name;
        EXPECT_EQ(kept_count(*d), 0u) << name;
    }
    // The contents page does name the reference section: its line is refused
    // as a contents line, not missed.
    auto d = detect("bug886717.pdf");
    std::string text;
    for (const Glyph& g : d->extraction.glyphs) text += g.unicode;
    EXPECT_NE(text.find("References"), std::string::npos);
}

TEST(CorpusReferences, JournalArticleKeepsItsList) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    auto d = detect("glia-calcium-waves.pdf");
    ASSERT_TRUE(d);
    const Segment* heading = nullptr;
    for (const Segment& s : d->segments) {
        if (s.source == "REFERENCES") heading = &s;
    }
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(share(*d, *heading), "all");
    const float heading_y = first_glyph(*d, *heading).matrix[5];
    const std::uint32_t page = heading->page_index;
    std::size_t entries_after = 0;
    for (const Segment& s : d->segments) {
        const Glyph& g = first_glyph(*d, s);
        if (s.page_index < page) {
            EXPECT_EQ(share(*d, s), "none") << "page " << s.page_index + 1 << ": " << s.source;
        } else if (s.page_index == page && g.matrix[4] < 300) {
            // The left column: body above the heading, the list below it.
            EXPECT_EQ(share(*d, s), g.matrix[5] > heading_y ? "none" : "all") << s.source;
            entries_after += g.matrix[5] < heading_y ? 1 : 0;
        } else if (s.page_index == page && g.matrix[5] < 720) {
            // The right column goes on with the list from its top, the
            // entries above the first one with a year ("Boitano", "Busch")
            // included.
            EXPECT_EQ(share(*d, s), "all") << "page " << s.page_index + 1 << ": " << s.source;
        } else if (s.page_index > page && g.matrix[5] < 720) {  // below the running head
            EXPECT_EQ(share(*d, s), "all") << "page " << s.page_index + 1 << ": " << s.source;
            entries_after += find_year(s.source) ? 1 : 0;
        }
    }
    EXPECT_GE(entries_after, 20u);  // the loop did see the list
    for (const Glyph& g : d->extraction.glyphs) {
        if (d->kept[g.id]) {
            ASSERT_GE(g.page_index, page) << "glyph " << g.id << " '" << g.unicode << "'";
        }
    }
}

TEST(CorpusReferences, NumberedListEndsAtOnlineMethods) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    auto d = detect("ephaptic-coupling.pdf");
    ASSERT_TRUE(d);
    std::vector<int> seen(50, 0);
    std::uint32_t methods_page = 0;
    bool methods = false;
    for (const Segment& s : d->segments) {
        if (s.source == "ONLINE METHODS") {
            methods = true;
            methods_page = s.page_index;
        }
        int number = 0;
        auto parsed = std::from_chars(s.source.data(), s.source.data() + s.source.size(), number);
        // "12. Surname, I. ...", not a decimal number such as "1.5".
        const std::string_view rest(parsed.ptr, s.source.data() + s.source.size() - parsed.ptr);
        if (parsed.ec != std::errc() || !rest.starts_with(". ") || rest.size() < 3 || rest[2] < 'A' ||
            rest[2] > 'Z' || number < 1 || number > 49) {
            continue;
        }
        ++seen[number];
        EXPECT_EQ(share(*d, s), "all") << s.source;
    }
    for (int n = 1; n <= 49; ++n) EXPECT_EQ(seen[n], 1) << "entry " << n;
    ASSERT_TRUE(methods);
    // Nothing of the methods page, its paragraphs or the lone entry "50." at
    // its foot, is kept.
    for (const Glyph& g : d->extraction.glyphs) {
        if (g.page_index >= methods_page) {
            ASSERT_FALSE(d->kept[g.id]) << "glyph " << g.id << " '" << g.unicode << "'";
        }
    }
}

}  // namespace
}  // namespace zvk

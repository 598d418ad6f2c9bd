// The page context on the corpus papers: the cached boxes and page buckets
// give the answers of the per-call build for every question about a line, and
// the boxes agree with an independent reading of the pages (pdftotext's word
// layout).
#include <gtest/gtest.h>


#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/text.h"
#include "rewrite/geometry/glyph_classes.h"
#include "segment/glyph_order.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/geometry/run_in_labels.h"
#include "rewrite/placement/centred_boxes.h"
#include "rewrite/placement/line_context.h"
#include "rewrite/placement/page_context.h"
#include "rewrite/placement/run_in_alignment.h"
#include "rewrite/placement/segment_style.h"
#include "segment/corpus_paper.h"
#include "support/pdftotext.h"


namespace zvk::rewrite {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> corpus_papers() {
    std::vector<std::string> names;
    std::error_code ec;
    if (!fs::is_directory(test::kPapers, ec)) return names;
    for (const auto& entry : fs::directory_iterator(test::kPapers, ec)) {
        if (entry.path().extension() == ".pdf") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool same_float(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool same_boxes(const std::vector<GlyphLineBox>& a, const std::vector<GlyphLineBox>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].glyphs != b[i].glyphs || !same_float(a[i].baseline, b[i].baseline) ||
            !same_float(a[i].x0, b[i].x0) || !same_float(a[i].x1, b[i].x1) || !same_float(a[i].size, b[i].size)) {
            return false;
        }
    }
    return true;
}

template <typename T>
bool same_optional(const std::optional<T>& a, const std::optional<T>& b);

template <>
bool same_optional(const std::optional<float>& a, const std::optional<float>& b) {
    return a.has_value() == b.has_value() && (!a || same_float(*a, *b));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr std::uint32_t kQuestionPages = 2;
#else
constexpr std::uint32_t kQuestionPages = 5;
#endif

TEST(PageContextCorpus, CachedAnswersEqualThePerCallBuild) {
    const std::vector<std::string> papers = corpus_papers();
    if (papers.empty()) GTEST_SKIP() << "corpus absent";
    std::size_t lines_checked = 0;
    for (const std::string& name : papers) {
        const auto document = test::extract_paper(name);
        ASSERT_TRUE(document.has_value()) << name;
        PageContext context(*document);
        const std::span<const Glyph> glyphs(document->glyphs);
        // Every page's boxes; the questions on every line of the first
        // pages (the per-call build walks the whole document per question,
        // which the sanitizer build makes thirty times slower: two pages there).
        for (const PageInfo& page : document->pages) {
            ASSERT_TRUE(same_boxes(context.line_boxes(page.index), collect_page_text_runs(glyphs, page.index)))
                << name << " page " << page.index;
            if (page.index >= kQuestionPages) continue;
            const std::span<const Glyph* const> page_glyphs = context.page_glyphs(page.index);
            const std::vector<RewriteLine> lines = group_glyphs_into_rewrite_lines(page_glyphs);
            for (const RewriteLine& line : lines) {
                ++lines_checked;
                const auto where = [&] { return name + " page " + std::to_string(page.index) + " y " +
                                                std::to_string(line.baseline); };
                EXPECT_TRUE(same_optional(right_aligned_block_edge(context, line), right_aligned_block_edge(glyphs, line)))
                    << where();
                EXPECT_TRUE(same_optional(paragraph_extends_right_of_line(context, line),
                                          paragraph_extends_right_of_line(glyphs, line)))
                    << where();
                EXPECT_EQ(line_starts_at_column_left_edge(context, line), line_starts_at_column_left_edge(glyphs, line))
                    << where();
                EXPECT_EQ(has_section_number_left_of_line(context, line), has_section_number_left_of_line(glyphs, line))
                    << where();
                const float size = line.glyphs.front()->font_size;
                const auto cached_box = find_centred_line_box(context, line, line.glyphs, size, 0, 612);
                const auto direct_box = find_centred_line_box(glyphs, line, line.glyphs, size, 0, 612);
                ASSERT_EQ(cached_box.has_value(), direct_box.has_value()) << where();
                if (cached_box) {
                    EXPECT_TRUE(same_float(cached_box->left, direct_box->left) &&
                                same_float(cached_box->right, direct_box->right) &&
                                same_float(cached_box->depth, direct_box->depth))
                        << where();
                }
                EXPECT_TRUE(same_optional(
                    detect_label_before_line(context, line.glyphs, page.index, line.baseline, 0, line.x0, size),
                    detect_label_before_line(glyphs, line.glyphs, page.index, line.baseline, 0, line.x0, size)))
                    << where();
                EXPECT_TRUE(same_optional(find_side_figure_left_edge(context, page.index, line.baseline, size),
                                          find_side_figure_left_edge(*document, page.index, line.baseline, size)))
                    << where();
                if (auto label = detect_run_in_label(std::span<const RewriteLine>(&line, 1))) {
                    const RunInLabelAlignment a = align_run_in_label_on_page(context, page.index, *label);
                    const RunInLabelAlignment b = align_run_in_label_on_page(glyphs, page.index, *label);
                    EXPECT_TRUE(same_float(a.label_x, b.label_x) && same_float(a.body_x, b.body_x) &&
                                a.right_aligned == b.right_aligned)
                        << where();
                }
            }
        }
    }
    EXPECT_GT(lines_checked, kQuestionPages * 200u);
}

// A line of pdftotext's layout, y flipped into PDF space.
struct OracleLine {
    float x0, x1, y0, y1;
};

std::optional<std::map<int, std::vector<OracleLine>>> pdftotext_lines(const fs::path& pdf) {
    const std::optional<std::string> text = test::pdftotext_output({"-q", "-bbox-layout"}, pdf.string());
    if (!text) return std::nullopt;
    const std::string& xml = *text;
    if (xml.empty()) return std::nullopt;
    std::map<int, std::vector<OracleLine>> pages;
    const std::regex tag(R"re(<page width="([-0-9.]+)" height="([-0-9.]+)"|<line xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)")re");
    int page = -1;
    float height = 0;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[1].matched) {
            ++page;
            height = std::stof(m[2].str());
            pages[page];
        } else {
            pages[page].push_back({std::stof(m[3].str()), std::stof(m[5].str()), height - std::stof(m[6].str()),
                                   height - std::stof(m[4].str())});
        }
    }
    return pages;
}

// The extent of a box's glyphs that are not blank: pdftotext's lines end at
// their last word, while a box also spans the space glyphs drawn after it.
struct Extent {
    float x0 = 0, x1 = 0;
    bool any = false;
};

Extent nonblank_extent(const GlyphLineBox& box) {
    Extent e;
    for (const Glyph* g : box.glyphs) {
        if (trim_white_space(g->unicode).empty()) continue;
        const float left = g->matrix[4];
        const float right = edge_max(g->matrix[4], g->bbox[2]);
        e.x0 = e.any ? edge_min(e.x0, left) : left;
        e.x1 = e.any ? edge_max(e.x1, right) : right;
        e.any = true;
    }
    return e;
}

bool on_baseline(const OracleLine& l, float baseline, float slack) {
    return baseline >= l.y0 - slack && baseline <= l.y1 + slack;
}

// Every glyph of the extent stands in some pdftotext line on the baseline:
// the box is one line to us and several to pdftotext.
bool covered_by_several(const GlyphLineBox& box, const std::vector<OracleLine>& lines, float slack) {
    for (const Glyph* g : box.glyphs) {
        if (trim_white_space(g->unicode).empty()) continue;
        const float right = edge_max(g->matrix[4], g->bbox[2]);
        bool in = false;
        for (const OracleLine& l : lines) {
            if (on_baseline(l, box.baseline, slack) && g->matrix[4] >= l.x0 - slack && right <= l.x1 + slack) {
                in = true;
                break;
            }
        }
        if (!in) return false;
    }
    return true;
}

// A glyph turned a quarter (a banner set up the page margin) that happens to
// stand on the line's baseline: the box takes it in, while pdftotext sets
// the turned text apart as a line of its own.
bool holds_turned_glyph(const GlyphLineBox& box) {
    for (const Glyph* g : box.glyphs) {
        if (is_quarter_turned(g->matrix) || g->vertical) return true;
    }
    return false;
}

// The boxes of three or more letters, compared with pdftotext's lines (y
// flipped, 1 pt of slack, the box's blank glyphs at its ends left out). Two
// kinds of box are let through and counted, never silently:
// - split: every glyph stands in a pdftotext line on the baseline, but in
//   several of them. The boxes cut only at gaps wider than max(1.5 × size,
//   12), while pdftotext ends a line at a narrower column gutter, at the gap
//   after a section number, or between the blocks of a title page; the box
//   is still text of one baseline.
// - turned: the box holds a glyph turned a quarter, margin text that only
//   shares the baseline.
// Any other box outside every line fails the test.
TEST(PageContextCorpus, BoxesLieWithinPdftotextLines) {
    const std::vector<std::string> papers = corpus_papers();
    if (papers.empty()) GTEST_SKIP() << "corpus absent";
    constexpr float kSlack = 1.0f;
    for (const std::string& name : papers) {
        const auto document = test::extract_paper(name);
        ASSERT_TRUE(document.has_value()) << name;
        const auto oracle = pdftotext_lines(test::kPapers / name);
        if (!oracle) GTEST_SKIP() << "pdftotext missing";
        PageContext context(*document);
        std::size_t boxes = 0;
        std::size_t split = 0;
        std::size_t turned = 0;
        std::size_t outside = 0;
        std::string first_outside;
        const std::vector<OracleLine> none;
        for (const PageInfo& page : document->pages) {
            const auto found = oracle->find(static_cast<int>(page.index));
            const std::vector<OracleLine>& lines = found == oracle->end() ? none : found->second;
            for (const GlyphLineBox& box : context.line_boxes(page.index)) {
                if (collect_ascii_letters(box.glyphs).size() < 3) continue;
                ++boxes;
                const Extent e = nonblank_extent(box);
                bool inside = false;
                for (const OracleLine& l : lines) {
                    if (e.x0 >= l.x0 - kSlack && e.x1 <= l.x1 + kSlack && on_baseline(l, box.baseline, kSlack)) {
                        inside = true;
                        break;
                    }
                }
                if (inside) continue;
                if (covered_by_several(box, lines, kSlack)) {
                    ++split;
                    continue;
                }
                if (holds_turned_glyph(box)) {
                    ++turned;
                    continue;
                }
                ++outside;
                if (first_outside.size() < 400) {
                    for (const Glyph* g : box.glyphs) first_outside += g->unicode;
                    first_outside += " (page " + std::to_string(page.index) + ", x " + std::to_string(e.x0) +
                                     ".." + std::to_string(e.x1) + ", y " + std::to_string(box.baseline) + ") | ";
                }
            }
        }
        std::printf("%s: %zu boxes, %zu split by pdftotext, %zu with turned text\n", name.c_str(), boxes, split,
                    turned);
        EXPECT_EQ(outside, 0u) << name << ": " << first_outside;
    }
}

}  // namespace
}  // namespace zvk::rewrite

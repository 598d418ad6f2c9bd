// What asking about a segment's surroundings costs per line as a document
// grows: a synthetic two-column document (about 1,900 glyphs a page) of 35
// and of 350 pages, every question of the page context asked for every line.
// With the per-page buckets and boxes built once the cost per line stays
// flat; the per-call build over the whole glyph list grows with the document
// (timed on a few pages only).
//
//     zvk_page_context_bench
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/geometry/run_in_labels.h"
#include "rewrite/placement/centred_boxes.h"
#include "rewrite/placement/line_context.h"
#include "rewrite/placement/page_context.h"
#include "rewrite/placement/run_in_alignment.h"
#include "rewrite/placement/segment_style.h"
#include "segment/text_line.h"

namespace {

using namespace zvk;
using namespace zvk::rewrite;

// Two columns of 50 lines, 19 glyphs a line (words of 4 letters and a space).
ExtractedDocument synthetic_document(std::uint32_t pages) {
    ExtractedDocument document;
    for (std::uint32_t p = 0; p < pages; ++p) {
        document.pages.push_back(PageInfo{.index = p, .object_id = {}, .media_box = {0, 0, 612, 792}, .rotate = 0});
        document.regions.push_back(Region{p, {420, 300, 500, 420}, "path"});
        for (int column = 0; column < 2; ++column) {
            for (int line = 0; line < 50; ++line) {
                const float y = 720 - 13.0f * static_cast<float>(line);
                float x = 72 + 252.0f * static_cast<float>(column);
                for (int i = 0; i < 19; ++i) {
                    Glyph g;
                    g.id = static_cast<std::uint32_t>(document.glyphs.size());
                    g.page_index = p;
                    g.unicode = i % 5 == 4 ? " " : std::string(1, static_cast<char>('a' + (i + line) % 26));
                    g.font_name = "Times-Roman";
                    g.font_size = 10;
                    g.matrix = {10, 0, 0, 10, x, y};
                    g.bbox = {x, y - 2, x + 5, y + 7};
                    g.advance = {5, 0};
                    document.glyphs.push_back(std::move(g));
                    x += 5.5f;
                }
            }
        }
    }
    return document;
}

// Every question for one line; the sum keeps the compiler from dropping them.
template <typename Source>
double ask_everything(Source& source, const ExtractedDocument& document, const RewriteLine& line,
                      std::uint32_t page) {
    double sum = 0;
    const float size = representative_font_size(line.glyphs);
    sum += right_aligned_block_edge(source, line).value_or(0);
    sum += paragraph_extends_right_of_line(source, line).value_or(0);
    sum += line_starts_at_column_left_edge(source, line) ? 1 : 0;
    sum += has_section_number_left_of_line(source, line) ? 1 : 0;
    sum += detect_label_before_line(source, line.glyphs, page, line.baseline, 0, line.x0, size).value_or(0);
    if (auto box = find_centred_line_box(source, line, line.glyphs, size, 0, 612)) sum += box->left;
    if (auto below = find_line_below(source, page, line.glyphs, line.baseline, size)) sum += below->baseline;
    sum += align_run_in_label_on_page(source, page, RunInLabel{{}, line.x0, line.x0 + 20, line.x0 + 30, true}).body_x;
    sum += find_column_gap(line.glyphs, line.glyphs, size) ? 1 : 0;
    (void)document;
    return sum;
}

void run(std::uint32_t pages) {
    const ExtractedDocument document = synthetic_document(pages);
    std::vector<std::vector<RewriteLine>> page_lines;
    {
        PageContext context(document);
        for (std::uint32_t p = 0; p < pages; ++p) page_lines.push_back(group_glyphs_into_rewrite_lines(context.page_glyphs(p)));
    }
    std::size_t line_count = 0;
    for (const auto& lines : page_lines) line_count += lines.size();
    double sink = 0;
    const double cached = bench::best_seconds(3, [&] {
        PageContext context(document);
        for (std::uint32_t p = 0; p < pages; ++p) {
            for (const RewriteLine& line : page_lines[p]) sink += ask_everything(context, document, line, p);
        }
    });
    // The per-call build over the whole list, on the first two pages only.
    std::size_t sampled = 0;
    const std::span<const Glyph> glyphs(document.glyphs);
    const double direct = bench::best_seconds(1, [&] {
        sampled = 0;
        for (std::uint32_t p = 0; p < 2 && p < pages; ++p) {
            for (const RewriteLine& line : page_lines[p]) {
                sink += ask_everything(glyphs, document, line, p);
                ++sampled;
            }
        }
    });
    std::printf("%u pages, %zu glyphs, %zu lines: cached %.2f us/line; per-call build %.2f us/line (%zu lines)%s\n",
                pages, document.glyphs.size(), line_count, 1e6 * cached / static_cast<double>(line_count),
                1e6 * direct / static_cast<double>(sampled), sampled, sink == 0.5 ? "!" : "");
}

}  // namespace

int main() {
    run(35);
    run(350);
    return 0;
}

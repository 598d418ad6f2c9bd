// Times segment_glyphs on the calling thread, as translation calls it:
//   - on a PDF (by default the 350-page book that `bench/extract.py --book`
//     writes to the temporary directory), extracted first and not timed;
//   - on synthetic pages of 200,000 glyphs on one baseline, the shapes a
//     hostile file uses to make per-line work explode: plain letters; body
//     glyphs mixed with glyphs of half their size (every glyph-line measure
//     then counts through the line, and no small glyph overlaps a body glyph
//     to end the second-row search early), on one baseline or on one that
//     sinks a little at each glyph (so no shortcut for a level row applies);
//     glyphs without a box (NaN) among glyphs drawn on one spot (every gap
//     unknown, the run narrow); and letters whose texts are 512 bytes each,
//     the most a ToUnicode entry gives (the passes read every text a few
//     times, so this one measures the cost per byte of text);
//   - on the same PDF, the paragraph passes after line grouping (chaining
//     across columns and pages), with their page buckets and with the plain
//     whole-document scans they replace (the grouping itself not timed);
//   - the same passes on one page of 40,000 one-word lines in 20 columns, a
//     table's shape, where every line has neighbours on its baseline and
//     nothing chains (tests that walked the page per line took 28 s here);
//   - assemble_segments alone on one block of 200,000 lines (20 MB of text)
//     without a sentence end, as words and as one endless hyphenated word:
//     the joined text must grow in place, never be rebuilt per line.
//
//     zvk_segment_bench [FILE.pdf] [--runs N] [--book-only]
//
// Prints the best of N runs (default 3) of each. --book-only times
// segment_glyphs on the PDF alone (for profiling it without the synthetic
// shapes). Run by hand; never a test.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <utility>
#include <string>

#include "bench_support.h"
#include "api/pdf_files.h"
#include "segment/glyph_lines.h"
#include "segment/paragraphs.h"
#include "segment/segment_text.h"
#include "segment/segmentation.h"

namespace {

using zvk::bench::best_seconds;

constexpr std::size_t kSyntheticGlyphs = 200000;

enum class Shape { plain, mixed_sizes, drifting_mixed_sizes, unknown_gaps, long_texts };

std::vector<zvk::Glyph> one_baseline_page(Shape shape) {
    std::vector<zvk::Glyph> glyphs(kSyntheticGlyphs);
    const char* letters = "abcdefghij klmnopqrstuvwxyz";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        zvk::Glyph& g = glyphs[i];
        g.id = static_cast<std::uint32_t>(i);
        g.unicode = std::string(1, letters[i % 27]);
        g.font_name = "Times-Roman";
        g.font_size = 10.0f;
        const float x = 0.5f * static_cast<float>(i);
        g.matrix = {10, 0, 0, 10, x, 400};
        g.bbox = {x, 400, x + 0.5f, 410};
        if ((shape == Shape::mixed_sizes || shape == Shape::drifting_mixed_sizes) && i % 2 == 1) {
            g.font_size = 5.0f;
            g.matrix[0] = g.matrix[3] = 5.0f;
        }
        if (shape == Shape::drifting_mixed_sizes) {
            // Sinking slowly enough for the line to go on, so that its
            // baselines soon spread wider than the vertical tolerance.
            g.matrix[5] = 400 - 0.0015f * static_cast<float>(i);
            g.bbox[1] = g.matrix[5];
            g.bbox[3] = g.matrix[5] + g.font_size;
        }
        if (shape == Shape::long_texts) g.unicode = std::string(512, letters[i % 27]);
        if (shape == Shape::unknown_gaps) {
            g.matrix[4] = 0;
            g.bbox = i % 2 == 0 ? zvk::Box{0, 400, 0.5f, 410} : zvk::Box{nan, nan, nan, nan};
        }
    }
    return glyphs;
}

// One block of `lines` lines, each one glyph whose text is `text`.
std::vector<zvk::TextLine> one_block(std::vector<zvk::Glyph>& glyphs, std::size_t lines, const std::string& text) {
    glyphs.assign(lines, zvk::Glyph{});
    std::vector<zvk::TextLine> block(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        glyphs[i].id = static_cast<std::uint32_t>(i);
        glyphs[i].unicode = text;
        glyphs[i].font_name = "Times-Roman";
        block[i].glyphs = {&glyphs[i]};
        block[i].text = text;
    }
    return block;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = zvk::bench::default_book_path();
    int runs = 3;
    bool book_only = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--book-only") {
            book_only = true;
        } else {
            path = arg;
        }
    }

    auto extracted = zvk::bench::extract_file(path);
    if (!extracted) {
        std::fprintf(stderr, "%s: %s (write the book with `python3 bench/extract.py --book`)\n", path.c_str(),
                     extracted.error().text().c_str());
    } else {
        const zvk::ExtractedDocument& doc = *extracted;
        std::size_t skipped = 0;
        double seconds = best_seconds(runs, [&] {
            skipped = zvk::segment_glyphs(doc.glyphs, true, true, doc.regions, doc.pages).skipped.size();
        });
        std::printf("%s: %zu pages, %zu glyphs: segment_glyphs %.3f s (%zu skipped)\n", path.c_str(),
                    doc.pages.size(), doc.glyphs.size(), seconds, skipped);
        if (book_only) return 0;
        const zvk::LineGrouping grouping =
            zvk::build_line_groups(zvk::group_glyph_lines(doc.glyphs), true, true, doc.regions, doc.pages);
        for (zvk::PageScan scan : {zvk::PageScan::buckets, zvk::PageScan::whole_document}) {
            std::size_t blocks = 0;
            double chain = best_seconds(runs, [&] {
                blocks = zvk::build_chained_blocks(grouping.groups, grouping.typical_line_width, scan).size();
            });
            std::printf("%s: %zu line groups: chained blocks %.3f s (%zu blocks, %s)\n", path.c_str(),
                        grouping.groups.size(), chain, blocks,
                        scan == zvk::PageScan::buckets ? "page buckets" : "whole-document scans");
        }
    }

    if (book_only) return 1;
    {
        std::vector<zvk::Glyph> grid;
        for (int row = 0; row < 2000; ++row) {
            for (int column = 0; column < 20; ++column) {
                for (int k = 0; k < 5; ++k) {
                    zvk::Glyph g;
                    g.id = static_cast<std::uint32_t>(grid.size());
                    g.unicode = std::string(1, "wordy"[k]);
                    g.font_name = "Times-Roman";
                    g.font_size = 1.0f;
                    const float x = 6.0f * static_cast<float>(column) + 0.5f * static_cast<float>(k);
                    const float y = 10000.0f - 1.2f * static_cast<float>(row);
                    g.matrix = {1, 0, 0, 1, x, y};
                    g.bbox = {x, y, x + 0.5f, y + 1};
                    grid.push_back(std::move(g));
                }
            }
        }
        const zvk::LineGrouping grouping = zvk::build_line_groups(zvk::group_glyph_lines(grid), true, true, {}, {});
        std::size_t blocks = 0;
        double seconds = best_seconds(runs, [&] {
            blocks = zvk::build_chained_blocks(grouping.groups, grouping.typical_line_width).size();
        });
        std::printf("one page, %zu glyphs as a grid of short lines: chained blocks %.3f s (%zu blocks)\n",
                    grid.size(), seconds, blocks);
    }

    const std::pair<Shape, const char*> shapes[] = {
        {Shape::plain, "letters"},
        {Shape::mixed_sizes, "sizes 10 and 5 alternating"},
        {Shape::drifting_mixed_sizes, "sizes 10 and 5 alternating, baseline sinking 0.0015 a glyph"},
        {Shape::unknown_gaps, "NaN boxes among glyphs on one spot"},
        {Shape::long_texts, "letters with 512-byte texts (100 MB of text)"},
    };
    for (const auto& [shape, name] : shapes) {
        const std::vector<zvk::Glyph> page = one_baseline_page(shape);
        double seconds = best_seconds(runs, [&] { zvk::segment_glyphs(page, true, true, {}, {}); });
        std::printf("one baseline, %zu glyphs, %s: segment_glyphs %.3f s\n", page.size(), name, seconds);
    }

    constexpr std::size_t kBlockLines = 200000;
    const std::pair<std::string, const char*> texts[] = {
        {"abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh, abcdefgh,",
         "words"},
        {std::string(98, 'x') + "-", "one hyphenated word"},
    };
    for (const auto& [text, name] : texts) {
        std::vector<zvk::Glyph> glyphs;
        const std::vector<std::vector<zvk::TextLine>> blocks = {one_block(glyphs, kBlockLines, text)};
        std::size_t bytes = 0;
        double seconds = best_seconds(runs, [&] { bytes = zvk::assemble_segments(blocks, {}).segments[0].source.size(); });
        std::printf("one block of %zu lines, %s: assemble_segments %.3f s (%zu bytes)\n", kBlockLines, name, seconds,
                    bytes);
    }

    // A plot of 100,000 small path markers with a few labels, and the same
    // number of boxes chained 6 units apart into one figure: the clusters of
    // figure regions must not cost the square of the regions.
    for (bool chain : {false, true}) {
        std::vector<zvk::Region> regions(100000);
        for (std::size_t i = 0; i < regions.size(); ++i) {
            const float x = chain ? 12.0f * static_cast<float>(i) : 50.0f + static_cast<float>((i * 7919) % 500);
            const float y = chain ? 300.0f : 100.0f + static_cast<float>((i * 104729) % 600);
            regions[i].bbox = {x, y, x + 6, y + 6};
            regions[i].kind = "path";
        }
        std::vector<zvk::Glyph> labels;
        for (std::size_t i = 0; i < 200; ++i) {
            zvk::Glyph g;
            g.id = static_cast<std::uint32_t>(i);
            g.unicode = std::string(1, static_cast<char>('a' + i % 26));
            g.font_name = "Helvetica";
            g.font_size = 8.0f;
            const float x = 60.0f + 4.0f * static_cast<float>(i % 20);
            const float y = 120.0f + 60.0f * static_cast<float>(i / 20);
            g.matrix = {8, 0, 0, 8, x, y};
            g.bbox = {x, y, x + 4, y + 8};
            labels.push_back(g);
        }
        std::size_t skipped = 0;
        double seconds = best_seconds(runs, [&] { skipped = zvk::segment_glyphs(labels, true, true, regions, {}).skipped.size(); });
        std::printf("one page, %zu path regions (%s), %zu label glyphs: segment_glyphs %.3f s (%zu skipped)\n",
                    regions.size(), chain ? "one chain" : "markers", labels.size(), seconds, skipped);
    }
    return 0;
}

// Times find_math_blocks as translate-time restructuring runs it, on the
// calling thread:
//   - over every page of a PDF (by default the 350-page book that
//     `bench/extract.py --book` writes to the temporary directory), each page
//     at its typical glyph size, extracted first and not timed;
//   - on one synthetic page of 400,000 glyphs: 2,000 lines of body text, each
//     with 20 stacked fractions flanked by math brackets, the shape where the
//     per-component lookups (body text between a lone pair, brackets in the
//     window) meet the most glyphs.
//
//     zvk_math_blocks_bench [FILE.pdf] [--runs N]
//
// Prints the best of N runs (default 3) of each. Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "api/pdf_files.h"
#include "rewrite/geometry/math_blocks.h"

namespace {

using zvk::bench::best_seconds;

void add(std::vector<zvk::Glyph>& glyphs, const char* text, float x, float y, float size, const char* font) {
    zvk::Glyph g;
    g.id = static_cast<std::uint32_t>(glyphs.size());
    g.unicode = text;
    g.font_name = font;
    g.font_size = size;
    g.matrix = {size, 0, 0, size, x, y};
    g.bbox = {x, y, x + 0.5f * size, y + size};
    glyphs.push_back(g);
}

std::vector<zvk::Glyph> fraction_page() {
    std::vector<zvk::Glyph> glyphs;
    for (int line = 0; line < 2000; ++line) {
        const float y = 20000.0f - 14.0f * static_cast<float>(line);
        for (int f = 0; f < 20; ++f) {
            const float x = 40.0f * static_cast<float>(f);
            add(glyphs, "e", x, y, 10, "Times-Roman");
            add(glyphs, "=", x + 6, y, 10, "Times-Roman");
            add(glyphs, "(", x + 12, y, 10, "CMEX10");
            add(glyphs, "a", x + 16, y + 5, 7, "CMMI7");
            add(glyphs, "b", x + 20, y + 5, 7, "CMMI7");
            add(glyphs, "c", x + 18, y - 5, 7, "CMMI7");
            add(glyphs, ")", x + 26, y, 10, "CMEX10");
            add(glyphs, "x", x + 30, y, 10, "Times-Roman");
            add(glyphs, "y", x + 34, y, 10, "Times-Roman");
            add(glyphs, " ", x + 38, y, 10, "Times-Roman");
        }
    }
    return glyphs;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = zvk::bench::default_book_path();
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
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
        std::vector<std::vector<const zvk::Glyph*>> pages(doc.pages.size());
        for (const zvk::Glyph& g : doc.glyphs) {
            if (g.page_index < pages.size()) pages[g.page_index].push_back(&g);
        }
        std::size_t groups = 0;
        const double seconds = best_seconds(runs, [&] {
            groups = 0;
            for (const auto& page : pages) {
                groups += zvk::rewrite::find_math_blocks(page, zvk::rewrite::typical_glyph_size(page)).size();
            }
        });
        std::printf("%s: %zu pages, %zu glyphs: find_math_blocks per page %.3f s (%zu groups)\n", path.c_str(),
                    doc.pages.size(), doc.glyphs.size(), seconds, groups);
    }

    const std::vector<zvk::Glyph> glyphs = fraction_page();
    std::vector<const zvk::Glyph*> page;
    for (const zvk::Glyph& g : glyphs) page.push_back(&g);
    std::size_t groups = 0;
    const double seconds = best_seconds(runs, [&] { groups = zvk::rewrite::find_math_blocks(page, 10).size(); });
    std::printf("synthetic page, %zu glyphs: find_math_blocks %.3f s (%zu groups)\n", glyphs.size(), seconds, groups);
    return 0;
}

// Times find_reference_sections on the calling thread, as translation
// planning calls it, beside the segment_glyphs call it makes inside (the rest
// is the detection's own cost):
//   - on a PDF (by default the 350-page book that `bench/extract.py --book`
//     writes to the temporary directory), extracted first and not timed;
//   - on one page of 10,000 "References" lines, each a heading that looks
//     ahead and is refused, with a second column of 10,000 prose lines beside
//     it that every look-ahead on the page has to pass over;
//   - on one page of 10,000 numbered entries in one section, whose glyphs
//     all test their baselines for neighbours;
//   - on one page of 10,000 short lines side by side, 40 units apart, each a
//     column of its own in the band the page makes.
//
//     zvk_reference_bench [FILE.pdf] [--runs N]
//
// Prints the best of N runs (default 3) of each. Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "bench_support.h"
#include "api/pdf_files.h"
#include "segment/segmentation.h"
#include "translate/reference_sections.h"

namespace {

using zvk::bench::best_seconds;

// Lines of 10-point glyphs, 5 units apart, each line on its own baseline.
void add_line(std::vector<zvk::Glyph>& glyphs, const std::string& text, float x, float y) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        zvk::Glyph g;
        g.id = static_cast<std::uint32_t>(glyphs.size());
        g.unicode = std::string(1, text[i]);
        g.font_name = "Times-Roman";
        g.font_size = 10.0f;
        const float gx = x + 5.0f * static_cast<float>(i);
        g.matrix = {10, 0, 0, 10, gx, y};
        g.bbox = {gx, y, gx + 5.0f, y + 10.0f};
        glyphs.push_back(std::move(g));
    }
}

void time_glyphs(const char* name, const std::vector<zvk::Glyph>& glyphs, int runs) {
    double segmentation = best_seconds(runs, [&] { (void)zvk::segment_glyphs(glyphs, true, true, {}, {}); });
    std::size_t found = 0;
    double detection = best_seconds(runs, [&] { found = zvk::find_reference_sections(glyphs).size(); });
    std::printf("%s: %zu glyphs: find_reference_sections %.3f s (segment_glyphs alone %.3f s), %zu reference "
                "glyphs\n",
                name, glyphs.size(), detection, segmentation, found);
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
        std::printf("%s: %zu pages\n", path.c_str(), extracted->pages.size());
        time_glyphs(path.c_str(), extracted->glyphs, runs);
    }

    {
        std::vector<zvk::Glyph> glyphs;
        for (int i = 0; i < 10000; ++i) {
            const float y = 100000.0f - 20.0f * static_cast<float>(i);
            add_line(glyphs, "References", 400, y);
            add_line(glyphs, "this is a line of prose that goes on", 20, y);
        }
        time_glyphs("10,000 refused headings beside prose", glyphs, runs);
    }
    {
        std::vector<zvk::Glyph> glyphs;
        add_line(glyphs, "References", 20, 200020);
        for (int i = 0; i < 10000; ++i) {
            add_line(glyphs, "[" + std::to_string(i % 999 + 1) + "] A. Author, A study of things, 2019.", 20,
                     200000.0f - 20.0f * static_cast<float>(i));
        }
        time_glyphs("10,000 entries in one section", glyphs, runs);
    }
    {
        std::vector<zvk::Glyph> glyphs;
        for (int i = 0; i < 10000; ++i) add_line(glyphs, "cell", 40.0f * static_cast<float>(i), 400.0f + static_cast<float>(i % 7));
        time_glyphs("10,000 columns of one line", glyphs, runs);
    }
    return 0;
}

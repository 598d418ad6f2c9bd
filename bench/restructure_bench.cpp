// Times restructure_segments_for_translation as translation planning runs
// it: over a whole PDF (by default the 350-page book that
// `bench/extract.py --book` writes to the temporary directory), extracted and
// segmented first, not timed.
//
//     zvk_restructure_bench [FILE.pdf] [--runs N]
//
// Prints the best of N runs (default 3), the segment counts before and after
// and how many texts hold a placeholder. Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "api/pdf_files.h"
#include "rewrite/geometry/segment_restructure.h"
#include "segment/segmentation.h"

int main(int argc, char** argv) {
    std::string path = zvk::bench::default_book_path();
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            path = arg;
        }
    }
    auto extracted = zvk::bench::extract_file(path);
    if (!extracted) {
        std::fprintf(stderr, "restructure_bench: %s\n", extracted.error().text().c_str());
        return 1;
    }
    const zvk::ExtractedDocument& d = *extracted;
    const std::vector<zvk::Segment> segments = zvk::segment_glyphs(d.glyphs, true, true, d.regions, d.pages).segments;
    double best = 1e30;
    std::vector<zvk::Segment> out;
    for (int r = 0; r < runs; ++r) {
        std::vector<zvk::Segment> copy = segments;
        const auto start = std::chrono::steady_clock::now();
        out = zvk::rewrite::restructure_segments_for_translation(std::move(copy), d.glyphs);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    std::size_t tokens = 0;
    for (const zvk::Segment& s : out) tokens += s.source.find("\u27e6") != std::string::npos ? 1 : 0;
    std::printf("%s: %zu pages, %zu glyphs, %zu segments -> %zu (%zu with a placeholder), best of %d: %.3f s\n",
                path.c_str(), d.pages.size(), d.glyphs.size(), segments.size(), out.size(), tokens, runs, best);
    return 0;
}

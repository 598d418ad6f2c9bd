// Times the rewrite stage over a whole PDF (by default the 350-page book
// that `bench/extract.py --book` writes to the temporary directory): every
// segment translated by hand and every one of its glyphs marked replaced, so
// the stages before and after placement see the book's full load. Loading,
// extraction and segmentation are not timed.
//
//     zvk_rewrite_bench [FILE.pdf] [--runs N] [--pages N]
//
// --pages N takes the first N pages only: the time per glyph should stay
// flat from a few pages to the whole book. Prints the best of N runs
// (default 3) of the stages before placement (the judging of every
// translation and the wrapped contents entries among them), of the output
// fonts (the system's CJK fonts, subset per style group) and of the stages
// after placement.
// Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/pdf_files.h"
#include "bench_support.h"
#include "rewrite/output/rewrite_document.h"
#include "segment/segmentation.h"

namespace {

using namespace zvk;

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = bench::default_book_path();
    int runs = 3;
    std::uint32_t max_pages = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--pages" && i + 1 < argc) {
            max_pages = static_cast<std::uint32_t>(std::max(1, std::atoi(argv[++i])));
        } else {
            path = arg;
        }
    }
    ExtractLimits limits;
    if (max_pages > 0) limits.max_pages = max_pages;
    auto loaded = load_pdf_document(path, LoadOptions{});
    if (!loaded) {
        std::fprintf(stderr, "rewrite_bench: %s\n", loaded.error().text().c_str());
        return 1;
    }
    auto extracted = extract_document(*loaded, limits);
    if (!extracted) {
        std::fprintf(stderr, "rewrite_bench: %s\n", extracted.error().text().c_str());
        return 1;
    }
    ExtractedDocument& base = *extracted;
    const std::vector<Segment> segments =
        segment_glyphs(base.glyphs, true, true, base.regions, base.pages).segments;
    TranslationOutcome outcome;
    const std::string chinese = "\u8FD9\u662F\u8BD1\u6587";
    for (const Segment& s : segments) {
        outcome.translations.push_back({s.id, s.page_index, s.glyph_ids, s.source, chinese});
        for (const std::uint32_t id : s.glyph_ids) {
            if (id < base.glyphs.size() && !base.glyphs[id].disposition.is_final()) {
                base.glyphs[id].disposition = GlyphDisposition::translated_pending_rewrite(chinese);
            }
        }
    }

    double best_before = 1e30, best_fonts = 1e30, best_after = 1e30;
    std::size_t accepted = 0, fonts = 0;
    std::size_t replaced = 0;
    for (int r = 0; r < runs; ++r) {
        auto document = load_pdf_document(path, LoadOptions{});
        if (!document) return 1;
        ExtractedDocument extraction = base;
        const rewrite::RewriteOptions options;
        auto start = std::chrono::steady_clock::now();
        auto state = rewrite::begin_rewrite(extraction, outcome, options);
        if (!state) return 1;
        best_before = std::min(best_before, seconds_since(start));
        start = std::chrono::steady_clock::now();
        rewrite::load_rewrite_fonts(*document, extraction, outcome, options, *state);
        best_fonts = std::min(best_fonts, seconds_since(start));
        accepted = state->accepted_translations.size();
        fonts = state->font_entries.size();
        for (const TranslationRecord& record : outcome.translations) {
            state->replaced_glyph_ids.insert(record.glyph_ids.begin(), record.glyph_ids.end());
        }
        replaced = state->replaced_glyph_ids.size();
        start = std::chrono::steady_clock::now();
        const Result<void> finished = rewrite::finish_rewrite(*document, extraction, outcome, options, *state);
        best_after = std::min(best_after, seconds_since(start));
        if (!finished) {
            std::fprintf(stderr, "rewrite_bench: %s\n", finished.error().text().c_str());
            return 1;
        }
    }
    std::printf("%s: %zu pages, %zu glyphs, %zu records, %zu accepted, %zu fonts, %zu replaced; best of %d: "
                "before placement %.3f s, fonts %.3f s, after %.3f s (%.1f ns per glyph before and after)\n",
                path.c_str(), base.pages.size(), base.glyphs.size(), outcome.translations.size(), accepted, fonts,
                replaced, runs, best_before, best_fonts, best_after,
                1e9 * (best_before + best_after) / std::max<double>(1, base.glyphs.size()));
    return 0;
}

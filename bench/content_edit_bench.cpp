// Times the blanking of replaced text in the 350-page book that
// `python3 bench/extract.py --book` writes: every glyph with visible text on
// the first N pages replaced (one run per line-sized group of 40 glyphs), and
// a second pass where every seventh glyph keeps its drawing, so that
// operations stay, runs drop and the settling has work to do. The cost per
// page should stay flat as N grows. The book repeats its papers through the
// same content streams, so below all 350 pages those streams also draw text
// that is not replaced and (rightly) stay whole: the short sizes time the
// reading and settling, the full size the writing too. ZVK_BENCH_REASONS=1
// prints the keep reasons of each size.
//
//     zvk_content_edit_bench [BOOK.pdf] [--runs N]
//
// Prints the best of N runs (default 3) per size. Run by hand; never a test.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "api/pdf_files.h"
#include "base/text.h"
#include "bench_support.h"
#include "rewrite/output/content_edit.h"

namespace {

using namespace zvk;
using namespace zvk::rewrite;

}  // namespace

int main(int argc, char** argv) {
    std::string path = bench::default_book_path();
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            path = arg;
        }
    }
    auto extracted = bench::extract_file(path);
    if (!extracted) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), extracted.error().display().c_str());
        return 1;
    }
    const std::vector<Glyph>& glyphs = extracted->glyphs;
    const GlyphIdIndex index(glyphs);
    OperatorGlyphs operators;
    for (const Glyph& g : glyphs) {
        if (auto key = operator_key_of(g.source)) operators[*key].push_back(g.id);
    }
    const auto pages = static_cast<std::uint32_t>(extracted->pages.size());
    std::printf("%s: %u pages, %zu glyphs, %zu operations\n", path.c_str(), pages, glyphs.size(), operators.size());

    for (const int every : {0, 7}) {
        for (const std::uint32_t limit : {50u, 100u, 200u, pages}) {
            if (limit > pages) continue;
            std::unordered_set<std::uint32_t> replaced;
            GlyphReasons base_reasons;
            std::vector<TextRun> base_runs;
            std::size_t counter = 0;
            for (const Glyph& g : glyphs) {
                if (g.page_index >= limit || trim_white_space(g.unicode).empty()) continue;
                replaced.insert(g.id);
                if (every != 0 && ++counter % every == 0) base_reasons[g.id] = "kept";
                if (base_runs.empty() || base_runs.back().source_glyph_ids.size() == 40 ||
                    base_runs.back().page_index != g.page_index) {
                    base_runs.emplace_back().page_index = g.page_index;
                }
                base_runs.back().source_glyph_ids.push_back(g.id);
            }
            std::size_t blanked = 0;
            std::size_t runs_left = 0;
            double seconds = 0;
            for (int r = 0; r < runs; ++r) {
                auto doc = load_pdf_document(path, LoadOptions{});
                if (!doc) return 1;
                GlyphReasons reasons = base_reasons;
                std::vector<TextRun> page_runs = base_runs;
                const double t = bench::best_seconds(1, [&] {
                    blank_replaced_operations(*doc, glyphs, index, operators, replaced, reasons, page_runs,
                                              OutputMode::replace());
                });
                seconds = r == 0 ? t : std::min(seconds, t);
                blanked = collect_blanked_glyph_ids(replaced, reasons).size();
                if (r == 0 && std::getenv("ZVK_BENCH_REASONS")) {
                    std::map<std::string, std::size_t> words;
                    for (const auto& [id, word] : reasons) ++words[word];
                    for (const auto& [word, n] : words) std::printf("    %zu %s\n", n, word.c_str());
                }
                runs_left = page_runs.size();
            }
            std::printf("kept every %d: %4u pages %8zu replaced %8zu blanked %6zu/%zu runs  %.3f s  %.3f ms/page\n",
                        every, limit, replaced.size(), blanked, runs_left, base_runs.size(), seconds,
                        1000.0 * seconds / limit);
        }
    }
    return 0;
}

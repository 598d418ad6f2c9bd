// Times the output-font subsetters on the Debian CJK fonts:
//   - the TrueType subsetter on wqy-microhei with about 2,500 code points (a
//     30-page paper's characters), the file read once through the cache and
//     not timed;
//   - the fontTools child on face 2 of NotoSansCJK-Regular and -Bold with the
//     same code points: wall time, and the child's peak memory (maxrss of
//     the reaped children).
//
//     zvk_font_subset_bench [--runs N]
//
// Prints the best of N runs (default 5; the CFF runs once each). Run by hand;
// never a test.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "font/cff_subset.h"
#include "font/cjk_fonts.h"
#include "font/truetype_subset.h"

using namespace zvk::font;

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The characters of a Chinese paper: the most frequent ideographs, with
// punctuation and ASCII.
std::vector<std::uint32_t> paper_code_points() {
    std::vector<std::uint32_t> cps;
    for (std::uint32_t cp = 0x20; cp < 0x7F; ++cp) cps.push_back(cp);
    for (std::uint32_t cp : {0x3001u, 0x3002u, 0xFF0Cu, 0xFF1Au, 0xFF1Bu, 0xFF08u, 0xFF09u, 0x201Cu, 0x201Du})
        cps.push_back(cp);
    // Every eighth ideograph of the unified block: spread over the whole
    // glyf table as a real paper's characters are.
    for (std::uint32_t cp = 0x4E00; cps.size() < 2500; cp += 8) cps.push_back(cp);
    return cps;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::atoi(argv[++i]);
    const auto cps = paper_code_points();

    const char* wqy = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    const auto read_start = std::chrono::steady_clock::now();
    const auto bytes = read_font_file_cached(wqy);
    const double read_time = seconds_since(read_start);
    if (!bytes) {
        std::printf("%s absent (install fonts-wqy-microhei)\n", wqy);
    } else {
        double best = std::numeric_limits<double>::infinity();
        std::size_t mapped = 0, size = 0;
        for (int r = 0; r < runs; ++r) {
            const auto start = std::chrono::steady_clock::now();
            const auto again = read_font_file_cached(wqy);  // served from the cache
            const auto font = subset_truetype_font(*again, cps);
            best = std::min(best, seconds_since(start));
            if (font) mapped = font->glyphs.size(), size = font->font_bytes.size();
        }
        std::printf("truetype wqy-microhei: %zu code points -> %zu mapped, %zu bytes; read %.1f ms once, "
                    "subset best %.1f ms\n",
                    cps.size(), mapped, size, read_time * 1e3, best * 1e3);
    }

    for (const char* noto : {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                             "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"}) {
        const auto start = std::chrono::steady_clock::now();
        const auto font = subset_cff_font_external(noto, kNotoCjkScFace, cps);
        const double t = seconds_since(start);
        rusage usage{};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        if (!font) {
            std::printf("cff %s: no subset (font or fontTools absent)\n", noto);
            continue;
        }
        std::printf("cff %s face 2: %zu mapped, %zu bytes, %.2f s, children's peak RSS %ld MiB\n", noto,
                    font->glyphs.size(), font->font_bytes.size(), t, usage.ru_maxrss / 1024);
    }
    return 0;
}

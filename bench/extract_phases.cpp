// Times the phases of extract on one file, on the calling thread as the
// module runs them: loading the file, reading its pages alone (glyphs
// dropped as they come), reading and writing the JSON pieces at once with the
// module's thread count and with one thread, and decoding the pieces into
// units of the width the text needs (the Python string's room, here a plain
// buffer). Shows where a file's time goes without Python in the way.
//
//     zvk_extract_phases FILE.pdf [--runs N]
//
// Prints the best of N runs (default 5) of each phase in milliseconds. Run by
// hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "api/pdf_files.h"
#include "api/result_json.h"
#include "base/workers.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Unit>
bool fill_as(zvk::ExtractionText& text, unsigned threads) {
    std::vector<Unit> room(text.length());
    return static_cast<bool>(text.fill(std::span<Unit>(room), threads));
}

bool fill(zvk::ExtractionText& text, unsigned threads) {
    if (text.widest() <= 0xFF) return fill_as<std::uint8_t>(text, threads);
    if (text.widest() <= 0xFFFF) return fill_as<std::uint16_t>(text, threads);
    return fill_as<std::uint32_t>(text, threads);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            path = argv[i];
        }
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: zvk_extract_phases FILE.pdf [--runs N]\n");
        return 2;
    }
    const double inf = std::numeric_limits<double>::infinity();
    double load = inf, read = inf, serial = inf, parallel = inf, fill_ms = inf;
    std::size_t glyphs = 0, length = 0;
    unsigned threads = 1;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        auto document = zvk::load_pdf_document(path, zvk::LoadOptions{});
        if (!document) {
            std::fprintf(stderr, "load failed: %s\n", document.error().text().c_str());
            return 1;
        }
        load = std::min(load, ms_since(start));
        threads = zvk::worker_count(document->page_ids().size());
        zvk::ExtractLimits limits;

        start = Clock::now();
        std::size_t count = 0;
        auto extracted = zvk::extract_document(*document, limits, [&](std::vector<zvk::Glyph>&& page) {
            count += page.size();
            return true;
        });
        if (!extracted) return 1;
        read = std::min(read, ms_since(start));
        glyphs = count;

        {
            zvk::ExtractionText text;
            start = Clock::now();
            if (!text.extract_and_write(*document, limits, 1)) return 1;
            serial = std::min(serial, ms_since(start));
        }
        zvk::ExtractionText text;
        start = Clock::now();
        if (!text.extract_and_write(*document, limits, threads)) return 1;
        parallel = std::min(parallel, ms_since(start));
        length = text.length();
        start = Clock::now();
        if (!fill(text, threads)) return 1;
        fill_ms = std::min(fill_ms, ms_since(start));
    }
    std::printf("%s: %zu glyphs, %zu characters of JSON; best of %d runs, ms\n", path.c_str(), glyphs, length,
                runs);
    std::printf("load %.1f  read pages %.1f  read+write 1 thread %.1f  read+write %u threads %.1f  fill %.1f\n",
                load, read, serial, threads, parallel, fill_ms);
    return 0;
}

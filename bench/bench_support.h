// What the benchmarks share: the best time of several runs, and the 350-page
// book that `python3 bench/extract.py --book` writes, extracted.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <string>

#include "api/pdf_files.h"

namespace zvk::bench {

// The shortest wall-clock time of `runs` calls of `body`, in seconds.
template <typename Body>
double best_seconds(int runs, Body&& body) {
    double best = std::numeric_limits<double>::infinity();
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

// Where bench/extract.py --book leaves the book.
inline std::string default_book_path() {
    return (std::filesystem::temp_directory_path() / "zvk-bench-book.pdf").string();
}

// The file loaded and extracted with the default limits.
inline Result<ExtractedDocument> extract_file(const std::string& path) {
    auto document = load_pdf_document(path, LoadOptions{});
    if (!document) return std::unexpected(document.error());
    return extract_document_default_limits(*document);
}

}  // namespace zvk::bench

// Times the writing of placed text runs into a synthetic book: the scan for
// the first free font number and the writer (fonts embedded once, one text
// stream, Resources and Contents per page), at several page counts up to 350,
// 30 runs a page. Half the pages inherit their resources from the page tree,
// the other half hold their own through an indirect Font dictionary. The
// cost per page should stay flat as the book grows.
//
//     zvk_text_run_write_bench [--runs N]
//
// Prints the best of N runs (default 3) per size. Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "rewrite/output/text_run_content.h"
#include "rewrite/placement/text_run.h"

namespace {

using namespace zvk;

std::string stream(const std::string& data) {
    return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Objects: 1 catalog, 2 pages root (Font F1 = 3), 3 Helvetica, 4 shared Font
// dictionary; then per page its page object and its content stream.
std::string synthetic_book(int pages) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /F1 3 0 R /F2 3 0 R >>",
    };
    std::string kids;
    for (int p = 0; p < pages; ++p) {
        const int page = 5 + 2 * p;
        kids += std::to_string(page) + " 0 R ";
        const std::string own = p % 2 == 0 ? "" : "/Resources << /Font 4 0 R /ProcSet [/PDF /Text] >> ";
        objects.push_back("<< /Type /Page /Parent 2 0 R " + own + "/Contents " + std::to_string(page + 1) + " 0 R >>");
        objects.push_back(stream("BT /F1 10 Tf 72 700 Td (Page " + std::to_string(p) + ") Tj ET"));
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                 " /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> >>";
    std::string out = "%PDF-1.7\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t off : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc) repeats = std::max(1, std::atoi(argv[++i]));
    }
    rewrite::FontEntry entry{"ZVK0", {}};
    entry.font.units_per_em = 1000;
    entry.font.font_bytes = std::string(20000, 'x');
    for (std::uint32_t cp = 0x4E00; cp < 0x4E00 + 3000; ++cp) {
        entry.font.glyphs[cp] = {static_cast<std::uint16_t>(cp - 0x4DFF), 1000};
    }
    std::string line;
    for (std::uint32_t cp = 0x4E00; cp < 0x4E00 + 40; ++cp) line += std::string{
        static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
        static_cast<char>(0x80 | (cp & 0x3F))};

    std::printf("%6s %12s %12s %14s\n", "pages", "scan ms", "write ms", "us per page");
    for (const int pages : {50, 100, 200, 350}) {
        const std::string bytes = synthetic_book(pages);
        double best_scan = 1e300, best_write = 1e300;
        for (int r = 0; r < repeats; ++r) {
            auto doc = pdf::Document::from_bytes(bytes, pdf::LoadSettings{});
            if (!doc) {
                std::fprintf(stderr, "synthetic book does not load: %s\n", doc.error().display().c_str());
                return 1;
            }
            const auto ids = doc->page_ids();
            std::vector<PageInfo> infos;
            for (std::uint32_t i = 0; i < ids.size(); ++i) infos.push_back({i, ids[i]});
            std::vector<rewrite::TextRun> runs;
            for (std::uint32_t p = 0; p < ids.size(); ++p) {
                for (int k = 0; k < 30; ++k) {
                    runs.push_back(rewrite::build_text_run(p, make_gray_color(0), line, entry.font, 72,
                                                           700.0f - 20.0f * static_cast<float>(k), 10, 0, "ZVK0", {}));
                }
            }
            const auto t0 = std::chrono::steady_clock::now();
            const std::uint32_t first = rewrite::first_free_font_number(*doc, infos);
            const auto t1 = std::chrono::steady_clock::now();
            auto written = rewrite::write_text_runs_and_cjk_font(*doc, infos, runs, {&entry, 1});
            const auto t2 = std::chrono::steady_clock::now();
            if (!written || first != 0) {
                std::fprintf(stderr, "write failed\n");
                return 1;
            }
            best_scan = std::min(best_scan, std::chrono::duration<double, std::milli>(t1 - t0).count());
            best_write = std::min(best_write, std::chrono::duration<double, std::milli>(t2 - t1).count());
        }
        std::printf("%6d %12.2f %12.2f %14.1f\n", pages, best_scan, best_write,
                    (best_scan + best_write) * 1000.0 / pages);
    }
    return 0;
}

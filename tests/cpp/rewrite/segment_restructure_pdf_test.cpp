// Restructuring on glyphs extracted from a real content stream: a stacked
// fraction and a squared variable set in math-named fonts.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/document_interpreter.h"
#include "content/pdf_fixture.h"
#include "rewrite/geometry/glyph_runs.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/segment_restructure.h"
#include "segment/segmentation.h"

namespace zvk::rewrite {
namespace {

// A one-page PDF written by hand (dummy offsets) and fixed by qpdf's
// fix-qdf. F1 is Helvetica, F2 CMMI10, F3 CMMI7.
std::string fixed_pdf(const std::string& content) {
    const std::string pdf =
        "%PDF-1.4\n%QDF-1.0\n\n"
        "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n\n"
        "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n\n"
        "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R\n"
        "   /Resources << /Font << /F1 6 0 R /F2 7 0 R /F3 8 0 R >> >> >>\nendobj\n\n"
        "4 0 obj\n<< /Length 5 0 R >>\nstream\n" + content + "endstream\nendobj\n\n"
        "5 0 obj\n0\nendobj\n\n"
        "6 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n\n"
        "7 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /CMMI10 /FirstChar 97 /LastChar 122\n"
        "   /Widths [529 429 433 520 466 490 477 576 345 412 521 298 878 600 485 503 446 451 469 361 572 485 716 572 490 465] >>\nendobj\n\n"
        "8 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /CMMI7 /FirstChar 48 /LastChar 57\n"
        "   /Widths [569 569 569 569 569 569 569 569 569 569] >>\nendobj\n\n"
        "xref\n0 9\n0000000000 65535 f \n"
        "trailer << /Size 9 /Root 1 0 R >>\nstartxref\n0\n%%EOF\n";
    const auto dir = std::filesystem::temp_directory_path();
    const auto in = dir / ("zvk-restructure-" + std::to_string(getpid()) + ".qdf");
    const auto out = dir / ("zvk-restructure-" + std::to_string(getpid()) + ".pdf");
    std::ofstream(in, std::ios::binary) << pdf;
    const std::string command = "fix-qdf '" + in.string() + "' > '" + out.string() + "' 2>/dev/null";
    const int fixed = std::system(command.c_str());
    std::filesystem::remove(in);
    if (fixed != 0) return {};
    std::ifstream file(out, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(out);
    return bytes;
}

ExtractedDocument extract(const std::string& content) {
    const std::string bytes = fixed_pdf(content);
    EXPECT_FALSE(bytes.empty());
    auto doc = test::load_pdf(bytes);
    if (!doc) return {};
    return interpret_document(*doc, ExtractLimits{});
}

std::vector<Segment> segments_of(const ExtractedDocument& d) {
    return segment_glyphs(d.glyphs, true, true, d.regions, d.pages).segments;
}

std::string dump(const std::vector<Segment>& segments) {
    std::string out;
    for (const Segment& s : segments) {
        out += std::to_string(s.id) + "@" + std::to_string(s.page_index) + ":";
        for (auto id : s.glyph_ids) out += " " + std::to_string(id);
        out += " | " + s.source + "\n";
    }
    return out;
}

bool have_fix_qdf() { return std::system("command -v fix-qdf >/dev/null 2>&1") == 0; }

const std::string kAbove = "BT /F1 10 Tf 72 714 Td (The paragraph opens on this line and) Tj ET\n";
const std::string kLeft = "BT /F1 10 Tf 72 700 Td (we let the ratio be) Tj ET\n";
const std::string kFraction =
    "BT /F2 7 Tf 170 705 Td (ab) Tj ET\n"
    "BT /F2 7 Tf 172 695 Td (c) Tj ET\n";
const std::string kRight = "BT /F1 10 Tf 190 700 Td (for every case we study) Tj ET\n";

TEST(SegmentRestructurePdf, FractionBecomesAPlaceholderInItsSentence) {
    if (!have_fix_qdf()) GTEST_SKIP() << "qpdf's fix-qdf is not installed";
    const ExtractedDocument d = extract(kAbove + kLeft + kFraction + kRight);
    const auto in = segments_of(d);
    const auto out = restructure_segments_for_translation(in, d.glyphs);
    std::size_t with_token = 0;
    for (const Segment& s : out) {
        if (s.source.find("\u27e6") == std::string::npos) continue;
        ++with_token;
        EXPECT_NE(s.source.find("we let the ratio be \u27e60\u27e7 for every case we study"), std::string::npos)
            << s.source;
        // Every glyph of the page is in this segment, ids ascending.
        std::vector<std::uint32_t> all;
        for (const Glyph& g : d.glyphs) {
            if (!g.unicode.empty() && g.unicode != " ") all.push_back(g.id);
        }
        for (auto id : all) {
            EXPECT_TRUE(std::find(s.glyph_ids.begin(), s.glyph_ids.end(), id) != s.glyph_ids.end()) << id;
        }
        EXPECT_TRUE(std::is_sorted(s.glyph_ids.begin(), s.glyph_ids.end()));
    }
    EXPECT_EQ(with_token, 1u) << dump(out);
    EXPECT_EQ(out.size(), 1u) << dump(out);
}

TEST(SegmentRestructurePdf, WithoutTheFractionNothingChanges) {
    if (!have_fix_qdf()) GTEST_SKIP() << "qpdf's fix-qdf is not installed";
    const ExtractedDocument d = extract(kAbove + kLeft + kRight);
    const auto in = segments_of(d);
    ASSERT_FALSE(in.empty());
    EXPECT_EQ(dump(restructure_segments_for_translation(in, d.glyphs)), dump(in));
}

TEST(SegmentRestructurePdf, SquaredVariable) {
    if (!have_fix_qdf()) GTEST_SKIP() << "qpdf's fix-qdf is not installed";
    struct Row {
        const char* name;
        const char* two_font;
        std::size_t groups;
    };
    for (const Row& row : {Row{"a math-font 2", "/F3", 1}, Row{"a text-font 2", "/F1", 0}}) {
        const ExtractedDocument d = extract("BT /F1 10 Tf 72 700 Td (The value of) Tj ET\n"
                                            "BT /F2 10 Tf 130 700 Td (x) Tj ET\n"
                                            "BT " + std::string(row.two_font) + " 7 Tf 136 704 Td (2) Tj ET\n"
                                            "BT /F1 10 Tf 145 700 Td (grows with the load) Tj ET\n");
        std::vector<const Glyph*> refs;
        for (const Glyph& g : d.glyphs) refs.push_back(&g);
        const FormulaGroups groups = analyze_segment_glyph_runs(refs, typical_glyph_size(refs));
        ASSERT_EQ(groups.size(), row.groups) << row.name;
        if (row.groups == 1) {
            ASSERT_EQ(groups[0].size(), 2u) << row.name;
            EXPECT_EQ(d.glyphs[groups[0][0]].unicode, "x");
            EXPECT_EQ(d.glyphs[groups[0][1]].unicode, "2");
        }
    }
}

// Hash-map orders differ between processes (address layout); the segments
// must not.
TEST(SegmentRestructurePdf, SecondProcessGivesTheSameSegments) {
    if (!have_fix_qdf()) GTEST_SKIP() << "qpdf's fix-qdf is not installed";
    const ExtractedDocument d = extract(kAbove + kLeft + kFraction + kRight);
    const std::string here = dump(restructure_segments_for_translation(segments_of(d), d.glyphs));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        // A fresh heap layout in the child: allocate before working.
        std::vector<std::string> noise(1000, std::string(37, 'x'));
        const ExtractedDocument again = extract(kAbove + kLeft + kFraction + kRight);
        const std::string there = dump(restructure_segments_for_translation(segments_of(again), again.glyphs));
        const ssize_t written = write(fds[1], there.data(), there.size());
        _exit(written == static_cast<ssize_t>(there.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string there;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) there.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(there, here);
    EXPECT_NE(here.find("\u27e60\u27e7"), std::string::npos);
}

}  // namespace
}  // namespace zvk::rewrite

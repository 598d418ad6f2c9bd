// The stages after placement composed over hand-made runs and replaced
// glyphs: the English drawing goes, the Chinese runs are drawn in its place,
// every glyph ends final. Read back by qpdf --check, pdftotext (-bbox) and a
// pdftoppm rendering.
#include <gtest/gtest.h>

#include "rewrite/disposition_print.h"
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "api/pdf_files.h"
#include "base/utf8.h"
#include "font/cjk_fonts.h"
#include "font/subset_check.h"
#include "font/truetype_subset.h"
#include "rewrite/output/page_contents.h"
#include "rewrite/output/rewrite_document.h"
#include "support/pdf_builder.h"
#include "support/pdftotext.h"
#include "support/temp_dir.h"

namespace zvk::rewrite {
namespace {

using font::test::run_command;

const char* const kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
const std::string kChinese = "\u8FD9\u662F\u4E2D\u6587\u6587\u672C";  // 这是中文文本
const std::string kReplaced = "Replaced English words";
const std::string kKept = "Kept line stays";
constexpr float kSize = 14;
constexpr float kReplacedBaseline = 700;
constexpr float kKeptBaseline = 650;

// One Flate page: the line to replace and the line that keeps its drawing.
std::string two_line_page() {
    const std::string content = "BT /F1 14 Tf 72 700 Td (" + kReplaced + ") Tj ET\nBT /F1 14 Tf 72 650 Td (" +
                                kKept + ") Tj ET\n";
    return test::build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        test::pdf_stream("/Filter /FlateDecode", test::deflate(content)),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "[1 2 3]",
    });
}

std::vector<std::uint32_t> code_points(const std::string& text) {
    std::vector<std::uint32_t> out;
    for (const Utf8Step step : Utf8Range(text)) out.push_back(step.scalar);
    return out;
}

std::vector<std::uint32_t> ids_on_baseline(const ExtractedDocument& extraction, float baseline) {
    std::vector<std::uint32_t> ids;
    for (const Glyph& g : extraction.glyphs) {
        if (g.matrix[5] == baseline) ids.push_back(g.id);
    }
    return ids;
}

// The dark pixels of a grey rendering at 72 dpi inside a box given in PDF
// points (x0, y0 bottom, x1, y1 top) of a 792-point-high page.
std::optional<int> dark_pixels(const std::string& pdf, const test::TempDir& dir, int x0, int y0, int x1, int y1) {
    const std::string stem = dir.file("render");
    const auto made = run_command("pdftoppm -r 72 -gray -singlefile -x " + std::to_string(x0) + " -y " +
                                  std::to_string(792 - y1) + " -W " + std::to_string(x1 - x0) + " -H " +
                                  std::to_string(y1 - y0) + " '" + pdf + "' '" + stem + "'");
    if (made.status != 0) return std::nullopt;
    const std::string pgm = test::read_file(stem + ".pgm");
    std::istringstream header(pgm);
    std::string magic;
    int w = 0, h = 0, max = 0;
    header >> magic >> w >> h >> max;
    if (magic != "P5" || w <= 0 || h <= 0) return std::nullopt;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    if (pgm.size() < start + static_cast<std::size_t>(w * h)) return std::nullopt;
    int dark = 0;
    for (std::size_t i = start; i < start + static_cast<std::size_t>(w * h); ++i) {
        dark += static_cast<unsigned char>(pgm[i]) < 128;
    }
    return dark;
}

struct Variant {
    bool page_record_names_array = false;
    // How many of the first line's glyphs the run replaces: all of them
    // unless said.
    std::size_t replaced_glyphs = kReplaced.size();
};

class RewriteCompose : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"qpdf", "pdftotext", "pdftoppm"}) {
            if (run_command(std::string("command -v ") + tool).status != 0) GTEST_SKIP() << tool << " missing";
        }
        if (::access(kZenHei, R_OK) != 0) GTEST_SKIP() << "CJK font missing";
    }

    struct Written {
        std::string path;
        ExtractedDocument extraction;
        Result<void> result;
    };

    // Extracts the page, hands the finishing stages one run over the first
    // line (its glyphs replaced) and writes the file.
    Written compose(OutputMode mode, const std::string& name, Variant variant = {}) {
        Written out;
        out.path = dir.file(name + ".pdf");
        auto doc = pdf::Document::from_bytes(two_line_page(), pdf::LoadSettings{});
        if (!doc) return out;
        auto extraction = extract_document_default_limits(*doc);
        if (!extraction) return out;
        out.extraction = std::move(*extraction);
        std::vector<std::uint32_t> replaced = ids_on_baseline(out.extraction, kReplacedBaseline);
        const std::vector<std::uint32_t> kept = ids_on_baseline(out.extraction, kKeptBaseline);
        EXPECT_EQ(replaced.size(), kReplaced.size());
        EXPECT_EQ(kept.size(), kKept.size());
        replaced.resize(std::min(replaced.size(), variant.replaced_glyphs));
        TranslationOutcome outcome;
        outcome.translations = {{0, 0, replaced, kReplaced.substr(0, replaced.size()), kChinese},
                                {1, 0, kept, kKept, "\u4FDD\u7559"}};

        RewriteOptions options;
        options.output_mode = mode;
        Result<RewriteState> state = begin_rewrite(out.extraction, outcome, options);
        if (!state) {
            out.result = fail(state.error());
            return out;
        }
        auto font = font::subset_truetype_font(*font::read_font_file_cached(kZenHei), code_points(kChinese));
        if (!font) {
            ADD_FAILURE() << "no subset";
            return out;
        }
        state->font_entries.push_back({"ZVK0", std::move(*font)});
        state->page_runs.push_back(build_text_run(0, make_black_color(), kChinese, state->font_entries[0].font, 72,
                                                  kReplacedBaseline, kSize, 0, "ZVK0", replaced));
        state->replaced_glyph_ids.insert(replaced.begin(), replaced.end());
        if (variant.page_record_names_array) out.extraction.pages[0].object_id = {6, 0};
        out.result = finish_rewrite(*doc, out.extraction, outcome, options, *state);
        if (out.result) {
            EXPECT_TRUE(save_pdf_document(*doc, out.path));
        }
        return out;
    }

    test::TempDir dir;
};

TEST_F(RewriteCompose, ChineseReplacesTheEnglishInPlace) {
    const Written w = compose(OutputMode::replace(), "replace");
    ASSERT_TRUE(w.result) << w.result.error().display();
    const auto check = run_command("qpdf --check '" + w.path + "'");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;

    const std::optional<std::string> text = test::pdftotext(w.path);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find(kChinese), std::string::npos) << *text;
    EXPECT_EQ(text->find("Replaced"), std::string::npos) << *text;
    EXPECT_NE(text->find(kKept), std::string::npos) << *text;

    // The Chinese stands where the English stood, and the kept line where it
    // was: each box starts at x 72 on its baseline (pdftotext measures y from
    // the top).
    const auto boxes = run_command("pdftotext -bbox '" + w.path + "' -");
    const std::vector<std::pair<std::string, float>> words = {{kChinese, kReplacedBaseline}, {"Kept", kKeptBaseline}};
    for (const auto& [text, baseline] : words) {
        const std::size_t word = boxes.output.find(">" + text + "<");
        ASSERT_NE(word, std::string::npos) << text << "\n" << boxes.output;
        const std::size_t tag = boxes.output.rfind("<word", word);
        float x_min = 0, y_max = 0;
        ASSERT_EQ(std::sscanf(boxes.output.c_str() + tag,
                              "<word xMin=\"%f\" yMin=\"%*f\" xMax=\"%*f\" yMax=\"%f\"", &x_min, &y_max), 2)
            << boxes.output.substr(tag, 120);
        EXPECT_NEAR(x_min, 72, 1) << text;
        EXPECT_NEAR(792 - y_max, baseline, 4) << text;
    }

    // Drawn: the Chinese covers 72..156 on the first line; the English ran on
    // to about 222 and is gone there; the kept line is still drawn.
    const auto chinese_ink = dark_pixels(w.path, dir, 72, 696, 156, 716);
    const auto english_tail = dark_pixels(w.path, dir, 160, 696, 230, 716);
    const auto kept_ink = dark_pixels(w.path, dir, 72, 646, 160, 666);
    ASSERT_TRUE(chinese_ink && english_tail && kept_ink);
    EXPECT_GT(*chinese_ink, 50);
    EXPECT_EQ(*english_tail, 0);
    EXPECT_GT(*kept_ink, 50);

    for (const Glyph& g : w.extraction.glyphs) {
        const GlyphDisposition expected = g.matrix[5] == kReplacedBaseline
                                              ? GlyphDisposition::rewritten(kChinese)
                                              : GlyphDisposition::kept_original("untranslated");
        EXPECT_EQ(g.disposition, expected) << g.id << " " << g.unicode;
    }
}

TEST_F(RewriteCompose, OverlayKeepsTheEnglishUnderTheChinese) {
    const Written w = compose(OutputMode::bilingual(BilingualLayout::Overlay), "overlay");
    ASSERT_TRUE(w.result) << w.result.error().display();
    EXPECT_EQ(run_command("qpdf --check '" + w.path + "'").status, 0);
    const std::optional<std::string> text = test::pdftotext(w.path, test::PdftotextMode::raw);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find(kChinese), std::string::npos) << *text;
    EXPECT_NE(text->find(kReplaced), std::string::npos) << *text;
    EXPECT_NE(text->find(kKept), std::string::npos) << *text;
    const auto english_tail = dark_pixels(w.path, dir, 160, 696, 230, 716);
    ASSERT_TRUE(english_tail);
    EXPECT_GT(*english_tail, 20);
    for (const Glyph& g : w.extraction.glyphs) EXPECT_TRUE(g.disposition.is_final()) << g.id;
    for (const std::uint32_t id : ids_on_baseline(w.extraction, kReplacedBaseline)) {
        EXPECT_EQ(w.extraction.glyphs[id].disposition, GlyphDisposition::rewritten(kChinese)) << id;
    }
}

// The run replaces "Replaced" only, but its Tj shows the whole line: the
// operation stays for the words that keep their drawing, so the run is not
// drawn over them and its glyphs keep their source as "shared-operator".
TEST_F(RewriteCompose, RunOverAPartOfAShowIsDroppedAndItsGlyphsKept) {
    const Written w = compose(OutputMode::replace(), "part", {.replaced_glyphs = 8});
    ASSERT_TRUE(w.result) << w.result.error().display();
    EXPECT_EQ(run_command("qpdf --check '" + w.path + "'").status, 0);
    const std::optional<std::string> text = test::pdftotext(w.path);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->find(kChinese), std::string::npos) << *text;
    EXPECT_NE(text->find(kReplaced), std::string::npos) << *text;
    for (const Glyph& g : w.extraction.glyphs) {
        const bool in_run = g.matrix[5] == kReplacedBaseline && g.id < 8;
        EXPECT_EQ(g.disposition, GlyphDisposition::kept_original(in_run ? "shared-operator" : "untranslated"))
            << g.id << " " << g.unicode;
    }
}

TEST_F(RewriteCompose, FailedWriteOfTheRunsEndsTheStageBeforeAnyDisposition) {
    const Written w = compose(OutputMode::replace(), "array", {.page_record_names_array = true});
    ASSERT_FALSE(w.result);
    EXPECT_EQ(w.result.error().display().rfind("failed to open PDF: ", 0), 0u) << w.result.error().display();
    for (const Glyph& g : w.extraction.glyphs) EXPECT_FALSE(g.disposition.is_final()) << g.id;
}

// A label redrawn 12 points lower takes its frame along in every layout,
// the interlinear one included, where nothing is blanked.
TEST(RewriteLabelFrames, FrameOfAMovedLabelFollowsItInEveryLayout) {
    const std::string content = "q 1 0 0 1 72 700.5 cm 0 0 30 12 re S BT /F1 10 Tf 2 2 Td (A1) Tj ET Q\n";
    const std::string pdf = test::build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        test::pdf_stream("", content),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    });
    for (const OutputMode mode : {OutputMode::replace(), OutputMode::bilingual(BilingualLayout::Overlay)}) {
        SCOPED_TRACE(static_cast<int>(mode.value));
        auto doc = pdf::Document::from_bytes(pdf, pdf::LoadSettings{});
        ASSERT_TRUE(doc);
        auto extraction = extract_document_default_limits(*doc);
        ASSERT_TRUE(extraction);
        ASSERT_EQ(extraction->glyphs.size(), 2u);
        RewriteOptions options;
        options.output_mode = mode;
        auto state = begin_rewrite(*extraction, TranslationOutcome{}, options);
        ASSERT_TRUE(state);
        const GlyphSource& source = extraction->glyphs[0].source;
        ASSERT_TRUE(source.object_id);
        state->label_shifts[*source.object_id].push_back({source.byte_start, -12.0f, {0, 1}});
        ASSERT_TRUE(finish_rewrite(*doc, *extraction, TranslationOutcome{}, options, *state));
        EXPECT_EQ(read_page_form_source(*doc, extraction->pages[0].object_id).content,
                  "q 1 0 0 1 72 688.500 cm 0 -12.000 30 12 re S BT /F1 10 Tf 2 2 Td (A1) Tj ET Q\n\n");
    }
}

}  // namespace
}  // namespace zvk::rewrite

// The rewrite stage as `save` runs it: over a corpus paper translated by the
// stand-in service, and its refusals. Checked by independent readers of the
// written file (qpdf --check, pdftotext).
#include "rewrite/output/rewrite_document.h"

#include <gtest/gtest.h>

#include "rewrite/disposition_print.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "api/coverage.h"
#include "api/pdf_files.h"
#include "font/subset_check.h"
#include "support/pdf_builder.h"
#include "support/pdftotext.h"
#include "support/temp_dir.h"
#include "translate/stand_in_translator.h"
#include "translate/translation_run.h"

namespace zvk::rewrite {
namespace {

using font::test::run_command;

const std::string kPaper = std::string(ZVK_CORPUS_DIR) + "/papers/glia-calcium-waves.pdf";

bool have_tools() {
    return run_command("command -v qpdf").status == 0 && run_command("command -v pdftotext").status == 0;
}

RewriteOptions options_for(OutputMode mode) {
    RewriteOptions options;
    options.output_mode = mode;
    return options;
}

std::map<DispositionState, std::size_t> count_states(const ExtractedDocument& extraction) {
    std::map<DispositionState, std::size_t> counts;
    for (const Glyph& g : extraction.glyphs) ++counts[g.disposition.state];
    return counts;
}

TEST(RewriteOptionsFromSave, CopiesTheFontsSizesAndMode) {
    TranslateOptions options;
    options.cjk_font = "/fonts/serif.ttf";
    options.cjk_sans = "/fonts/sans.otf";
    options.cjk_size_scale = 0.9f;
    options.cjk_leading = 1.4f;
    options.output_mode = OutputMode::bilingual(BilingualLayout::Overlay);
    const RewriteOptions built = build_rewrite_options(options);
    EXPECT_EQ(built.cjk_font, options.cjk_font);
    EXPECT_EQ(built.cjk_sans, options.cjk_sans);
    EXPECT_EQ(built.cjk_size_scale, 0.9f);
    EXPECT_EQ(built.cjk_leading, 1.4f);
    EXPECT_EQ(built.output_mode, options.output_mode);
    const RewriteOptions defaults = build_rewrite_options(TranslateOptions{});
    EXPECT_FALSE(defaults.cjk_font);
    EXPECT_EQ(defaults.cjk_size_scale, 0.0f);
    EXPECT_TRUE(defaults.output_mode.is_replace());
}

// Until placement exists nothing is drawn anew: the paper is written with its
// own text, every glyph ends final, the translated ones "untranslated", and
// the coverage warning names them.
TEST(RewriteDocument, TranslatedPaperWithNothingPlacedKeepsItsText) {
    if (!std::filesystem::exists(kPaper)) GTEST_SKIP() << "corpus missing";
    if (!have_tools()) GTEST_SKIP() << "qpdf or pdftotext missing";
    auto document = load_pdf_document(kPaper, LoadOptions{});
    ASSERT_TRUE(document) << document.error().display();
    auto extraction = extract_document(*document, ExtractLimits{});
    ASSERT_TRUE(extraction);
    test::StandInTranslator stand_in;
    TranslateOptions translate_options;
    translate_options.model = "m";
    const auto outcome = translate_document(*extraction, translate_options, stand_in.translator(), 4);
    ASSERT_TRUE(outcome) << outcome.error().display();
    std::size_t translated = 0;
    for (const Glyph& g : extraction->glyphs) {
        translated += g.disposition.state == DispositionState::TranslatedPendingRewrite;
    }
    ASSERT_GT(translated, 1000u);
    const std::size_t diagnostics_before = extraction->diagnostics.size();

    for (const OutputMode mode : {OutputMode::replace(), OutputMode::bilingual(BilingualLayout::Overlay)}) {
        SCOPED_TRACE(static_cast<int>(mode.value));
        auto doc = load_pdf_document(kPaper, LoadOptions{});
        ASSERT_TRUE(doc);
        ExtractedDocument copy = *extraction;
        const Result<void> rewritten = rewrite_document(*doc, copy, *outcome, options_for(mode));
        ASSERT_TRUE(rewritten) << rewritten.error().display();

        const auto states = count_states(copy);
        EXPECT_EQ(states.count(DispositionState::Pending), 0u);
        EXPECT_EQ(states.count(DispositionState::TranslatedPendingRewrite), 0u);
        EXPECT_EQ(states.count(DispositionState::Rewritten), 0u);
        std::size_t untranslated = 0;
        for (std::size_t i = 0; i < copy.glyphs.size(); ++i) {
            const Glyph& before = extraction->glyphs[i];
            const Glyph& after = copy.glyphs[i];
            if (before.disposition.is_final()) {
                EXPECT_EQ(after.disposition, before.disposition) << i;
            } else if (after.disposition == GlyphDisposition::kept_original("untranslated")) {
                ++untranslated;
            }
        }
        EXPECT_GE(untranslated, translated / 2);
        // Nothing was placed, so no line was kept for not fitting (a
        // machine without CJK fonts says so, which is no kept line).
        const auto no_font = std::count_if(copy.diagnostics.begin(), copy.diagnostics.end(),
                                           [](const Diagnostic& d) { return d.message == kNoCjkFontMessage; });
        EXPECT_EQ(copy.diagnostics.size() - static_cast<std::size_t>(no_font), diagnostics_before);
        EXPECT_TRUE(report_incomplete_coverage(copy).has_value());

        test::TempDir dir;
        const std::string output = dir.file("out.pdf");
        ASSERT_TRUE(save_pdf_document(*doc, output));
        const auto check = run_command("qpdf --check '" + output + "'");
        EXPECT_EQ(check.status, 0) << check.output;
        EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
        EXPECT_EQ(test::pdftotext(output), test::pdftotext(kPaper));
    }
}

const std::string kEmptyPage = test::single_page_pdf("/MediaBox [0 0 612 792]", "");

// Three open glyphs (ordinary, invisible, clipped) and no translations.
ExtractedDocument three_glyphs() {
    ExtractedDocument extraction;
    extraction.glyphs.resize(3);
    for (std::uint32_t i = 0; i < 3; ++i) {
        extraction.glyphs[i].id = i;
        extraction.glyphs[i].unicode = "a";
    }
    extraction.glyphs[1].invisible = true;
    extraction.glyphs[2].clipped = true;
    return extraction;
}

TEST(RewriteDocument, EmptyRecordListSettlesEveryGlyphByItsClass) {
    for (const OutputMode mode : {OutputMode::replace(), OutputMode::bilingual(BilingualLayout::Overlay)}) {
        auto doc = pdf::Document::from_bytes(kEmptyPage, pdf::LoadSettings{});
        ASSERT_TRUE(doc);
        ExtractedDocument extraction = three_glyphs();
        ASSERT_TRUE(rewrite_document(*doc, extraction, TranslationOutcome{}, options_for(mode)));
        EXPECT_EQ(extraction.glyphs[0].disposition, GlyphDisposition::kept_original("kept"));
        EXPECT_EQ(extraction.glyphs[1].disposition, GlyphDisposition::non_text("invisible"));
        EXPECT_EQ(extraction.glyphs[2].disposition, GlyphDisposition::kept_original("clipped"));
    }
}

TEST(RewriteDocument, RefusesLayoutsItCannotComposeBeforeAnyChange) {
    const std::string pdf = kEmptyPage;
    const ExtractedDocument extraction = three_glyphs();
    TranslationOutcome outcome;
    for (const BilingualLayout layout : {BilingualLayout::SideBySide, BilingualLayout::Alternating}) {
        auto doc = pdf::Document::from_bytes(pdf, pdf::LoadSettings{});
        ASSERT_TRUE(doc);
        ExtractedDocument copy = extraction;
        const Result<void> result =
            rewrite_document(*doc, copy, outcome, options_for(OutputMode::bilingual(layout)));
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().display().find("not available"), std::string::npos) << result.error().display();
        for (const Glyph& g : copy.glyphs) EXPECT_EQ(g.disposition, GlyphDisposition::pending()) << g.id;
    }
}

}  // namespace
}  // namespace zvk::rewrite

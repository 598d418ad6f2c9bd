#include "rewrite/output/rewrite_document.h"

#include <utility>

#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/output/final_dispositions.h"
#include "rewrite/output/text_run_content.h"
#include "rewrite/placement/glyph_classification.h"

namespace zvk::rewrite {

namespace {

bool is_overlay(const RewriteOptions& options) {
    return options.output_mode == OutputMode::bilingual(BilingualLayout::Overlay);
}

bool composes_bilingual_pages(const RewriteOptions& options) {
    return options.output_mode == OutputMode::bilingual(BilingualLayout::SideBySide) ||
           options.output_mode == OutputMode::bilingual(BilingualLayout::Alternating);
}

// Removes the source drawing of the replaced glyphs and hands on the ones
// whose drawing is really gone. Not wired yet: nothing is blanked, so the
// writer below never draws a run over English that is still on the page.
Result<void> edit_content_streams(pdf::Document&, ExtractedDocument&, const RewriteOptions&, RewriteState&) {
    return {};
}

}  // namespace

RewriteOptions build_rewrite_options(const TranslateOptions& options) {
    return RewriteOptions{options.cjk_font, options.cjk_sans, options.cjk_size_scale, options.cjk_leading,
                          options.output_mode};
}

Result<RewriteState> begin_rewrite(const ExtractedDocument& extraction, const TranslationOutcome& outcome,
                                   const RewriteOptions& options) {
    // A source copy would be taken here for the page composition of these two
    // layouts; without the composition their output would be a plain
    // translation passed off as bilingual, so they are refused outright.
    if (composes_bilingual_pages(options)) {
        return fail(CoreError::message("bilingual side-by-side and alternating output is not available yet"));
    }
    RewriteState state;
    state.glyph_index = GlyphIdIndex(extraction.glyphs);
    classify_open_glyphs(extraction.glyphs, state.non_text_reasons, state.keep_reasons);
    state.operator_map = build_operator_map(extraction.glyphs);
    state.cjk_target = translations_target_cjk(outcome.translations);
    return state;
}

Result<void> finish_rewrite(pdf::Document& document, ExtractedDocument& extraction,
                            const TranslationOutcome& outcome, const RewriteOptions& options, RewriteState& state) {
    Result<void> step = edit_content_streams(document, extraction, options, state);
    if (!step) return step;

    // Runs are drawn only over glyphs whose source drawing is gone, and only
    // in fonts that were loaded.
    if (!state.blanked_glyph_ids.empty() && !state.font_entries.empty()) {
        step = write_text_runs_and_cjk_font(document, extraction.pages, state.page_runs, state.font_entries);
        if (!step) return step;
    }

    const DispositionInputs inputs{state.glyph_index,       state.non_text_reasons, state.keep_reasons,
                                   outcome.translations,    state.blanked_glyph_ids, state.cjk_target,
                                   is_overlay(options)};
    step = settle_final_dispositions(extraction.glyphs, inputs);
    if (!step) return step;

    unwrap_opentype_cff_font_files(document);
    report_kept_lines(extraction);
    return {};
}

Result<void> rewrite_document(pdf::Document& document, ExtractedDocument& extraction,
                              const TranslationOutcome& outcome, const RewriteOptions& options) {
    Result<RewriteState> state = begin_rewrite(extraction, outcome, options);
    if (!state) return fail(state.error());
    // Acceptance of the translations, the output fonts and placement are not
    // part of this build: no translation is placed, so no run, font or
    // replaced glyph exists, every source drawing stays, and the translated
    // glyphs end "untranslated" (or "kept") with their source on the page.
    return finish_rewrite(document, extraction, outcome, options, *state);
}

}  // namespace zvk::rewrite

#include "rewrite/output/rewrite_document.h"

#include <utility>

#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/output/content_edit.h"
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

// Removes the source drawing of the replaced glyphs (drops the runs that
// would be drawn over source text that stays), moves the frames of moved
// labels, and hands on the glyphs whose drawing is really gone.
void edit_content_streams(pdf::Document& document, const ExtractedDocument& extraction,
                          const RewriteOptions& options, RewriteState& state) {
    blank_replaced_operations(document, extraction.glyphs, state.glyph_index, state.operator_map,
                              state.replaced_glyph_ids, state.keep_reasons, state.page_runs, options.output_mode);
    shift_label_frames(document, extraction.glyphs, state.glyph_index, state.label_shifts);
    state.blanked_glyph_ids = collect_blanked_glyph_ids(state.replaced_glyph_ids, state.keep_reasons);
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
    edit_content_streams(document, extraction, options, state);

    // Runs are drawn only over glyphs whose source drawing is gone, and only
    // in fonts that were loaded.
    if (!state.blanked_glyph_ids.empty() && !state.font_entries.empty()) {
        Result<void> written =
            write_text_runs_and_cjk_font(document, extraction.pages, state.page_runs, state.font_entries);
        if (!written) return written;
    }

    const DispositionInputs inputs{state.glyph_index,       state.non_text_reasons, state.keep_reasons,
                                   outcome.translations,    state.blanked_glyph_ids, state.cjk_target,
                                   is_overlay(options)};
    Result<void> settled = settle_final_dispositions(extraction.glyphs, inputs);
    if (!settled) return settled;

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

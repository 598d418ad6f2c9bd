#include "rewrite/output/rewrite_document.h"

#include <utility>

#include "base/text.h"
#include "font/cjk_fonts.h"

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

// Which translations replace their source, and the words that keep the
// others' glyphs.
void judge_translations(const ExtractedDocument& extraction, const TranslationOutcome& outcome,
                        RewriteState& state) {
    const std::span<const TranslationRecord> records = outcome.translations;
    state.changed_glyph_ids = collect_changed_glyph_ids(records);
    const std::vector<bool> prompt_sections = mark_prompt_section_records(records, extraction.glyphs, state.glyph_index);
    state.math_records = find_math_records(records, extraction.glyphs, state.glyph_index);
    const AcceptanceInputs inputs{records,
                                  extraction.glyphs,
                                  state.glyph_index,
                                  state.operator_map,
                                  state.changed_glyph_ids,
                                  state.math_records,
                                  prompt_sections,
                                  state.cjk_target};
    AcceptanceResult judged = accept_translations(inputs, state.keep_reasons);
    state.accepted_translations = std::move(judged.accepted);
    state.toc_redraw_ids = std::move(judged.toc_redraw_ids);
    state.operator_redraw_ids = std::move(judged.operator_redraw_ids);
}

CjkFontLoader system_font_loader(const RewriteOptions& options) {
    font::CjkFontOptions paths;
    // An empty path is no path: the loader would try to read it.
    const auto named = [](const std::optional<std::string>& path) -> std::optional<std::string> {
        if (!path) return std::nullopt;
        const std::string_view trimmed = trim_white_space(*path);
        if (trimmed.empty()) return std::nullopt;
        return std::string(trimmed);
    };
    paths.cjk_font = named(options.cjk_font);
    paths.cjk_sans = named(options.cjk_sans);
    return [paths](FontNameStyle style, std::span<const std::uint32_t> chars) {
        return font::load_cjk_font(style, chars, paths);
    };
}

}  // namespace

void load_rewrite_fonts(const pdf::Document& document, ExtractedDocument& extraction,
                        const TranslationOutcome& outcome, const RewriteOptions& options, RewriteState& state) {
    state.size_ladder = cjk_size_ladder_from(options.cjk_size_scale, options.cjk_leading);
    // The bullet items of the first block analysis join these characters
    // once that analysis exists; until then no bullet item is redrawn.
    const std::u32string shared =
        shared_font_characters(state.wrapped_toc_entries, {}, extraction.glyphs, state.glyph_index,
                               state.toc_redraw_ids, state.operator_redraw_ids, state.keep_reasons);
    const OutputFontInputs inputs{state.accepted_translations, outcome.translations, extraction.glyphs,
                                  state.glyph_index, shared, first_free_font_number(document, extraction.pages)};
    OutputFonts fonts =
        load_output_fonts(inputs, options.load_font ? options.load_font : system_font_loader(options),
                          state.keep_reasons);
    if (fonts.none_found) extraction.diagnostics.push_back(Diagnostic{std::nullopt, std::string(kNoCjkFontMessage)});
    state.font_entries = std::move(fonts.entries);
    state.font_styles = std::move(fonts.styles);
    state.font_groups = std::move(fonts.groups);
}

RewriteOptions build_rewrite_options(const TranslateOptions& options) {
    return RewriteOptions{options.cjk_font, options.cjk_sans, options.cjk_size_scale, options.cjk_leading,
                          options.output_mode, {}};
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
    judge_translations(extraction, outcome, state);
    // Joining two lines of an entry changes where its text goes; overlay
    // keeps every source line where it is.
    if (!is_overlay(options)) {
        state.wrapped_toc_entries = find_wrapped_toc_entries(state.accepted_translations, outcome.translations,
                                                             extraction.glyphs, state.glyph_index);
    }
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
    load_rewrite_fonts(document, extraction, outcome, options, *state);
    // Placement is not part of this build: no accepted translation is placed,
    // so no run or replaced glyph exists, every source drawing stays, the
    // loaded fonts are not embedded, and the accepted glyphs end
    // "untranslated" (or "kept") with their source on the page.
    return finish_rewrite(document, extraction, outcome, options, *state);
}

}  // namespace zvk::rewrite

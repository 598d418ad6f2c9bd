// The rewrite stage of `save`: the driver that takes the loaded document, its
// extraction and the translations, runs the rewrite's stages in their fixed
// order on the calling thread, and leaves every glyph with a final
// disposition and the document ready to be written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/core_error.h"
#include "base/options.h"
#include "content/records.h"
#include "pdf/document.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/output/cjk_font.h"
#include "layout/size_ladder.h"
#include "rewrite/output/label_frames.h"
#include "rewrite/output/output_fonts.h"
#include "rewrite/placement/operator_map.h"
#include "rewrite/placement/text_run.h"
#include "rewrite/placement/translation_acceptance.h"
#include "rewrite/placement/wrapped_toc_entries.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

// What `save` hands the rewrite, copied from its TranslateOptions.
struct RewriteOptions {
    std::optional<std::string> cjk_font;
    std::optional<std::string> cjk_sans;
    float cjk_size_scale = 0.0f;  // 0: not given
    float cjk_leading = 0.0f;     // 0: not given
    OutputMode output_mode;
    // Loads the output font of a style group; empty: the system's CJK fonts
    // as the two paths above and the environment direct. Tests swap it.
    CjkFontLoader load_font;
};

RewriteOptions build_rewrite_options(const TranslateOptions& options);

// The state the stages hand on to one another, all keyed by glyph id; it
// lives for one rewrite.
struct RewriteState {
    GlyphIdIndex glyph_index;
    GlyphReasons non_text_reasons;  // "invisible"
    GlyphReasons keep_reasons;      // why a glyph keeps its source drawing
    OperatorGlyphs operator_map;
    bool cjk_target = false;
    GlyphIdSet changed_glyph_ids;  // glyphs whose text is about to change
    RecordIndexSet math_records;   // records that are pieces of display formulas
    std::vector<AcceptedTranslation> accepted_translations;  // in record order
    GlyphIdSet toc_redraw_ids;       // contents glyphs drawn again with a translation
    GlyphIdSet operator_redraw_ids;  // glyphs drawn again because they share its operations
    WrappedTocEntries wrapped_toc_entries;  // by lead record; empty in overlay mode
    CjkSizeLadder size_ladder;
    std::vector<FontEntry> font_entries;
    std::unordered_map<std::string, FontNameStyle> font_styles;  // by resource name
    std::vector<FontGroup> font_groups;  // the translations of each loaded font
    std::vector<TextRun> page_runs;
    GlyphIdSet replaced_glyph_ids;  // glyphs drawn anew, whose source drawing is to go
    LabelShiftsByStream label_shifts;  // labels redrawn higher or lower, whose frames follow
    GlyphIdSet blanked_glyph_ids;   // glyphs whose source drawing is gone
};

// The stages before placement: the glyph index, the classes of the open
// glyphs, the operator map, whether the translations are CJK, the judging of
// every translation and the wrapped contents entries. Refuses the
// side-by-side and alternating layouts, which this build cannot compose,
// before anything is read.
Result<RewriteState> begin_rewrite(const ExtractedDocument& extraction, const TranslationOutcome& outcome,
                                   const RewriteOptions& options);

// The size ladder and one output font per style group of the accepted
// translations, numbered from the first font number the document leaves
// free. When fonts were needed and none loaded, the diagnostics say so.
void load_rewrite_fonts(const pdf::Document& document, ExtractedDocument& extraction,
                        const TranslationOutcome& outcome, const RewriteOptions& options, RewriteState& state);

// The stages after placement, over what the state holds: the source drawing
// of the replaced glyphs blanked, the runs and their fonts written, every
// glyph final, the CFF font files repaired and the kept lines reported.
Result<void> finish_rewrite(pdf::Document& document, ExtractedDocument& extraction,
                            const TranslationOutcome& outcome, const RewriteOptions& options, RewriteState& state);

// The whole stage. On failure the error of the failing step comes back and
// the document and extraction keep what the earlier steps did; the caller
// then writes nothing.
Result<void> rewrite_document(pdf::Document& document, ExtractedDocument& extraction,
                              const TranslationOutcome& outcome, const RewriteOptions& options);

}  // namespace zvk::rewrite

#include "translate/planning.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "base/workers.h"
#include "rewrite/geometry/segment_restructure.h"
#include "translate/dispositions.h"
#include "translate/reference_sections.h"

namespace zvk {

namespace {

// The opening bracket of a formula placeholder inside a unit's text.
constexpr std::string_view kPlaceholderOpen = "\xe2\x9f\xa6";  // U+27E6

}  // namespace

Result<TranslationPlan> plan_translation_units(ExtractedDocument& document, const TranslateOptions& options) {
    if (options.batch_size == 0) return fail(CoreError::invalid_options("batch_size must be at least 1"));

    // The reference sections are found by a segmentation of their own: the
    // two read the glyphs only, so they run side by side; the glyphs change
    // after both.
    SegmentationResult segmentation;
    TranslationPlan plan;
    std::vector<std::uint32_t> references;
    const std::span<const Glyph> glyphs = document.glyphs;
    const Result<void> planned = run_workers(options.skip_references ? 2 : 1, [&](unsigned part) -> Result<void> {
        if (part == 1) {
            references = find_reference_sections(glyphs);
            return {};
        }
        segmentation = segment_glyphs(glyphs, options.skip_figures, options.skip_tables, document.regions,
                                      document.pages);
        plan.units = rewrite::restructure_segments_for_translation(std::move(segmentation.segments), glyphs);
        return {};
    });
    if (!planned) return fail(planned.error());

    // A skipped glyph that a unit now carries inside a formula placeholder
    // is rewritten with that unit; marking it kept would leave it twice.
    std::unordered_set<std::uint32_t> placeholder_glyphs;
    for (const Segment& unit : plan.units) {
        if (unit.source.find(kPlaceholderOpen) == std::string::npos) continue;
        placeholder_glyphs.insert(unit.glyph_ids.begin(), unit.glyph_ids.end());
    }

    std::unordered_map<std::uint32_t, std::size_t> glyph_index;
    glyph_index.reserve(document.glyphs.size());
    for (std::size_t i = 0; i < document.glyphs.size(); ++i) glyph_index.try_emplace(document.glyphs[i].id, i);

    if (options.skip_references) {
        plan.reference_glyphs.insert(references.begin(), references.end());
        // In the order found, so the first error is the same on every run.
        for (const std::uint32_t id : references) {
            Result<void> set = set_glyph_disposition(document.glyphs, id, GlyphDisposition::kept_original("references"));
            if (!set) return fail(set.error());
        }
    }

    for (const SkippedGlyph& skipped : segmentation.skipped) {
        if (placeholder_glyphs.contains(skipped.glyph_id)) continue;
        const auto found = glyph_index.find(skipped.glyph_id);
        if (found == glyph_index.end()) continue;
        if (document.glyphs[found->second].disposition.is_final()) continue;
        Result<void> set =
            set_glyph_disposition(document.glyphs, skipped.glyph_id, GlyphDisposition::kept_original(skipped.reason));
        if (!set) return fail(set.error());
    }
    return plan;
}

}  // namespace zvk

#include "rewrite/placement/text_run.h"

#include <algorithm>
#include <bit>

#include "base/utf8.h"
#include "layout/measure.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

float char_advance(const SubsetFont& font, char32_t character, float font_size) {
    // Same arithmetic as the layout's widths (product first, then the
    // division), so a run measures exactly what the fitter measured.
    return advance_at_size(advance_units(font, character), font_size, static_cast<float>(font.units_per_em));
}

std::vector<float> collect_char_advances(std::string_view text, const SubsetFont& font, float font_size) {
    std::vector<float> advances;
    for (const Utf8Step step : Utf8Range(text)) advances.push_back(char_advance(font, step.scalar, font_size));
    return advances;
}

std::vector<std::uint16_t> collect_text_glyph_ids(std::string_view text, const SubsetFont& font) {
    std::vector<std::uint16_t> ids;
    if (font.glyphs.empty()) return ids;
    for (const Utf8Step step : Utf8Range(text)) {
        const auto it = font.glyphs.find(static_cast<std::uint32_t>(step.scalar));
        if (it != font.glyphs.end()) ids.push_back(it->second.glyph_id);
    }
    return ids;
}

TextRun build_text_run(std::uint32_t page_index, Color fill_color, std::string_view text, const SubsetFont& font,
                       float x, float baseline, float font_size, float skew, std::string_view font_resource,
                       std::vector<std::uint32_t> source_glyph_ids) {
    TextRun run;
    run.fill_color = std::move(fill_color);
    run.output_glyph_ids = collect_text_glyph_ids(text, font);
    run.font_resource = std::string(font_resource);
    run.text = std::string(text);
    run.source_glyph_ids = std::move(source_glyph_ids);
    run.advances = collect_char_advances(text, font, font_size);
    const std::size_t count = run.advances.size();
    run.gap_adjustments.assign(count > 0 ? count - 1 : 0, 0.0f);
    run.marker_flags.assign(count, 0);
    run.page_index = page_index;
    run.x = x;
    run.baseline = baseline;
    run.font_size = font_size;
    run.skew = skew;
    run.marker_size_factor = 1.0f;
    run.marker_rise_factor = 0.0f;
    return run;
}

TextRun build_text_run_from_style(const TextRunStyle& style, std::string_view text,
                                  std::vector<std::uint32_t> source_glyph_ids, float x) {
    return build_text_run(style.page_index, style.fill_color, text, style.font, x, style.baseline, style.font_size,
                          style.skew, style.font_resource, std::move(source_glyph_ids));
}

TextRun slice_text_run(const TextRun& run, std::span<const std::string> characters, std::size_t start,
                       std::size_t end, float x) {
    const std::size_t n = end - start;
    const std::size_t count = characters.size();
    TextRun slice;
    for (std::size_t i = start; i < end; ++i) slice.text += characters[i];
    if (run.advances.size() == count) {
        slice.advances.assign(run.advances.begin() + static_cast<std::ptrdiff_t>(start),
                              run.advances.begin() + static_cast<std::ptrdiff_t>(end));
    } else {
        // By bit pattern: -0.0 is a size that was set, so it is kept as given.
        const bool sized = std::bit_cast<std::uint32_t>(run.font_size) != 0;
        slice.advances.assign(n, sized ? run.font_size : 0.0f);
    }
    if (n > 1) {
        slice.gap_adjustments.reserve(n - 1);
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const std::size_t k = start + i;
            slice.gap_adjustments.push_back(k < run.gap_adjustments.size() ? run.gap_adjustments[k] : 0.0f);
        }
    }
    if (run.output_glyph_ids.size() == count) {
        slice.output_glyph_ids.assign(run.output_glyph_ids.begin() + static_cast<std::ptrdiff_t>(start),
                                      run.output_glyph_ids.begin() + static_cast<std::ptrdiff_t>(end));
    }
    if (run.marker_flags.size() == count) {
        slice.marker_flags.assign(run.marker_flags.begin() + static_cast<std::ptrdiff_t>(start),
                                  run.marker_flags.begin() + static_cast<std::ptrdiff_t>(end));
    } else {
        slice.marker_flags.assign(n, 0);
    }
    slice.fill_color = run.fill_color;
    slice.font_resource = run.font_resource;
    slice.source_glyph_ids = run.source_glyph_ids;
    slice.page_index = run.page_index;
    slice.baseline = run.baseline;
    slice.font_size = run.font_size;
    slice.skew = run.skew;
    slice.marker_size_factor = run.marker_size_factor;
    slice.marker_rise_factor = run.marker_rise_factor;
    slice.x = x;
    return slice;
}

float text_run_char_x(const TextRun& run, std::size_t characters, std::size_t k) {
    if (run.advances.size() != characters) return run.x;
    const std::size_t end = std::min(k, characters);
    float offset = 0.0f;
    for (std::size_t j = 0; j < end; ++j) {
        offset += run.advances[j] + (j < run.gap_adjustments.size() ? run.gap_adjustments[j] : 0.0f);
    }
    return run.x + offset;
}

std::vector<std::uint32_t> collect_glyph_ids(std::span<const Glyph* const> glyphs) {
    std::vector<std::uint32_t> ids;
    ids.reserve(glyphs.size());
    extend_with_glyph_ids(ids, glyphs);
    return ids;
}

}  // namespace zvk::rewrite

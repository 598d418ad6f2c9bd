#include "rewrite/output/text_run_content.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <unordered_map>
#include <vector>

#include "base/utf8.h"
#include "layout/measure.h"
#include "pdf/edit.h"
#include "pdf/objects.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/output/page_contents.h"

namespace zvk::rewrite {

namespace {

using pdf::Object;

void append_hex4(std::string& out, std::uint16_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[(value >> 12) & 0xF];
    out += kDigits[(value >> 8) & 0xF];
    out += kDigits[(value >> 4) & 0xF];
    out += kDigits[value & 0xF];
}

std::string plain_show(std::span<const std::uint16_t> ids) {
    std::string out = "<";
    for (const std::uint16_t id : ids) append_hex4(out, id);
    return out + "> Tj";
}

// A gap is "set" when it is not exactly zero; NaN counts as set.
bool is_set(float gap) { return !(gap == 0.0f); }

// Nearest integer, halves away from zero, saturated to i32; NaN gives 0.
std::int32_t round_saturated(float value) {
    if (std::isnan(value)) return 0;
    const float r = std::round(value);
    if (r >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (r < -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

std::size_t count_characters(std::string_view text) {
    std::size_t n = 0;
    for ([[maybe_unused]] const Utf8Step step : Utf8Range(text)) ++n;
    return n;
}

bool all_finite(const TextRun& run) {
    return std::isfinite(run.x) && std::isfinite(run.baseline) && std::isfinite(run.font_size) &&
           std::isfinite(run.skew) && std::isfinite(run.marker_size_factor) && std::isfinite(run.marker_rise_factor);
}

// Font resource names the module writes: "ZVK" and decimal digits.
std::optional<std::uint32_t> zvk_font_number(std::string_view name) {
    if (name.size() <= 3 || name.substr(0, 3) != "ZVK") return std::nullopt;
    const std::string_view digits = name.substr(3);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string format_number(float value) {
    if (!std::isfinite(value)) value = 0.0f;
    // The float's exact value, widened without loss, printed with three
    // decimals: to_chars rounds correctly (ties to even) and knows no locale.
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, 3);
    if (ec != std::errc()) return "0.000";
    return std::string(buffer, end);
}

std::string fill_color_operator(const Color& color) {
    const auto& c = color.components;
    for (const float v : c) {
        // A colour with no printable form falls back to black, like an
        // unknown space, rather than putting "nan" into the stream.
        if (!std::isfinite(v)) return "0 g";
    }
    switch (color.space) {
    case ColorSpace::DeviceRGB:
        if (c.size() >= 3) return format_number(c[0]) + " " + format_number(c[1]) + " " + format_number(c[2]) + " rg";
        break;
    case ColorSpace::DeviceGray:
        if (!c.empty()) return format_number(c[0]) + " g";
        break;
    case ColorSpace::DeviceCMYK:
        if (c.size() >= 4) {
            return format_number(c[0]) + " " + format_number(c[1]) + " " + format_number(c[2]) + " " +
                   format_number(c[3]) + " k";
        }
        break;
    case ColorSpace::Unknown: break;
    }
    return "0 g";
}

std::string encode_glyph_show(std::span<const std::uint16_t> ids, std::span<const float> gaps, std::size_t start,
                              float size) {
    // Gap k sits before glyph k + 1 of the run; the run's first glyph has none.
    bool any = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t glyph = start + i;
        if (glyph == 0) continue;
        const std::size_t k = glyph - 1;
        if (k < gaps.size() && is_set(gaps[k])) any = true;
    }
    if (!any || !(size > 0.0f)) return plain_show(ids);
    std::string out = "[";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t glyph = start + i;
        if (glyph > 0) {
            const std::size_t k = glyph - 1;
            const float t = k < gaps.size() ? gaps[k] : 0.0f;
            const float units = t / size * 1000.0f;
            const std::int32_t rounded = round_saturated(units);
            // Negating i32 min would overflow: it saturates to the max.
            const std::int32_t v = rounded == std::numeric_limits<std::int32_t>::min()
                                       ? std::numeric_limits<std::int32_t>::max()
                                       : -rounded;
            if (v != 0) {
                if (out.size() > 1) out += ' ';
                out += std::to_string(v);
            }
        }
        if (out.size() > 1) out += ' ';
        out += '<';
        append_hex4(out, ids[i]);
        out += '>';
    }
    return out + "] TJ";
}

std::string text_run_body(const TextRun& run) {
    const std::size_t n = count_characters(run.text);
    const auto& ids = run.output_glyph_ids;
    if (ids.size() != n) return plain_show(ids);
    bool any_marker = false;
    for (const std::uint8_t f : run.marker_flags) any_marker = any_marker || f == 1;
    if (run.marker_flags.size() == n && n > 0 && any_marker) {
        std::string out;
        std::size_t s = 0;
        while (s < n) {
            std::size_t e = s + 1;
            while (e < n && run.marker_flags[e] == run.marker_flags[s]) ++e;
            const bool raised = run.marker_flags[s] != 0;
            const float size = raised ? std::max(run.font_size * run.marker_size_factor, 0.5f) : run.font_size;
            const float rise = raised ? run.marker_rise_factor * run.font_size : 0.0f;
            out += format_number(rise) + " Ts /" + run.font_resource + " " + format_number(size) + " Tf " +
                   encode_glyph_show(std::span(ids).subspan(s, e - s), run.gap_adjustments, s, size) + " ";
            s = e;
        }
        return out + "0 Ts ";
    }
    bool any_gap = false;
    for (const float g : run.gap_adjustments) any_gap = any_gap || is_set(g);
    if (any_gap && run.font_size > 0.0f) return encode_glyph_show(ids, run.gap_adjustments, 0, run.font_size);
    return plain_show(ids);
}

std::optional<float> squeeze_percent(const TextRun& run, std::span<const FontEntry> fonts) {
    if (!(run.font_size >= 14.0f)) return std::nullopt;
    if (count_characters(run.text) != 1 || !is_quotes_only_text(run.text)) return std::nullopt;
    const FontEntry* entry = nullptr;
    for (const FontEntry& f : fonts) {
        if (f.resource_name == run.font_resource) {
            entry = &f;
            break;
        }
    }
    if (entry == nullptr) return std::nullopt;
    const float w = text_width(run.text, entry->font, run.font_size);
    const float a = run.advances.empty() ? w : run.advances[0];
    if (!(w > 1.0f && a > 0.4f && 0.92f * w > a)) return std::nullopt;
    return std::min(1.0f, std::max(0.35f, a / w)) * 100.0f;
}

std::optional<std::string> text_run_line(const TextRun& run, std::span<const FontEntry> fonts) {
    if (!all_finite(run)) return std::nullopt;
    const std::optional<float> squeeze = squeeze_percent(run, fonts);
    std::string line = "0 Tc ";
    if (squeeze) line += format_number(*squeeze) + " Tz ";
    line += "/" + run.font_resource + " " + format_number(run.font_size) + " Tf " + fill_color_operator(run.fill_color) +
            " 1 0 " + format_number(run.skew) + " 1 " + format_number(run.x) + " " + format_number(run.baseline) +
            " Tm " + text_run_body(run);
    if (squeeze) line += "\n100 Tz ";
    return line + "\n";
}

std::uint32_t first_free_font_number(const pdf::Document& doc, std::span<const PageInfo> pages) {
    std::uint32_t first_free = 0;
    for (const PageInfo& page : pages) {
        const Object resources = resolve_page_resources(doc, page.object_id);
        const Object fonts = resolve_object(doc, resources.get("Font"));
        if (!fonts.is_dictionary()) continue;
        for (const std::string& name : fonts.dict_keys()) {
            const auto n = zvk_font_number(name);
            // Saturates: a file naming ZVK4294967295 leaves no number above it.
            if (n && *n >= first_free) first_free = *n == std::numeric_limits<std::uint32_t>::max() ? *n : *n + 1;
        }
    }
    return first_free;
}

Result<void> write_text_runs_and_cjk_font(pdf::Document& doc, std::span<const PageInfo> pages,
                                          std::span<const TextRun> runs, std::span<const FontEntry> fonts) {
    if (runs.empty()) return {};
    // Resource name -> Type0 font; a later entry of the same name wins.
    std::map<std::string, pdf::ObjectId> font_map;
    for (const FontEntry& entry : fonts) {
        auto id = embed_cjk_type0_font(doc, entry);
        if (!id) return fail(id.error());
        font_map[entry.resource_name] = *id;
    }
    // Pages in ascending index order, so the object numbers of the text
    // streams are the same from run to run.
    std::map<std::uint32_t, std::vector<const TextRun*>> by_page;
    for (const TextRun& run : runs) by_page[run.page_index].push_back(&run);
    std::unordered_map<std::uint32_t, const PageInfo*> page_info;
    for (const PageInfo& p : pages) page_info.emplace(p.index, &p);

    for (const auto& [page_index, page_runs] : by_page) {
        const auto found = page_info.find(page_index);
        if (found == page_info.end()) continue;
        const pdf::ObjectId page_id = found->second->object_id;

        std::string text = "BT\n0 Tc 0 Tw 100 Tz 0 TL 0 Ts\n";
        for (const TextRun* run : page_runs) {
            if (auto line = text_run_line(*run, fonts)) text += *line;
        }
        text += "ET\n";
        auto stream_id = pdf::add_stream(doc, std::move(text), Object());
        if (!stream_id) return fail(stream_id.error());

        Object resources = resolve_page_resources(doc, page_id);
        const Object old_fonts = resolve_object(doc, resources.get("Font"));
        Object font_dict = old_fonts.is_dictionary() ? pdf::copy_container(old_fonts) : pdf::make_dictionary();
        for (const auto& [name, id] : font_map) {
            auto set = pdf::set_entry(font_dict, name, doc.object(id));
            if (!set) return fail(set.error());
        }
        if (auto set = pdf::set_entry(resources, "Font", font_dict); !set) return fail(set.error());

        Object page = doc.object(page_id);
        if (page.is_null()) return fail(CoreError::pdf(pdf::object_not_found_text(page_id)));
        if (!page.is_dictionary()) return fail(CoreError::pdf(pdf::wrong_type_text("Dictionary", page.kind())));
        if (auto set = pdf::set_entry(page, "Resources", resources); !set) return fail(set.error());
        if (auto replaced = replace_page_contents(doc, page_id, *stream_id); !replaced) return fail(replaced.error());
    }
    return {};
}

}  // namespace zvk::rewrite

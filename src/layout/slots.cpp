#include "layout/slots.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "base/utf8.h"
#include "layout/char_classes.h"
#include "layout/wrap.h"

namespace zvk {
namespace {

// Between slots and after the last one a U+3000 is text, not space.
bool is_skipped_space(char32_t c) { return c != 0x3000 && is_unicode_white_space(c); }

bool is_blank(std::u32string_view line) {
    return std::all_of(line.begin(), line.end(), [](char32_t c) { return is_unicode_white_space(c); });
}

}  // namespace

std::size_t consumed_char_count(std::span<const char32_t> text, const std::vector<std::string>& lines) {
    std::size_t index = 0;
    for (const std::string& line : lines) {
        for (const Utf8Step step : Utf8Range(line)) {
            while (true) {
                if (index >= text.size()) return 0;
                if (text[index] == step.scalar) {
                    ++index;
                    break;
                }
                if (!is_skipped_space(text[index])) return 0;
                ++index;
            }
        }
        while (index < text.size() && is_skipped_space(text[index])) ++index;
    }
    return index;
}

std::optional<std::vector<std::vector<std::string>>> flow_text_into_slots(
    std::string_view text, const std::vector<LineSlot>& slots, const SubsetFont& font, float size, float indent,
    bool relayout, const DigitPairWidthMap& map) {
    if (!(size > 0) || slots.empty() || trim_white_space(text).empty()) return std::nullopt;
    const std::vector<char32_t> chars = to_code_points(text);
    const std::size_t n = chars.size();
    const std::span<const char32_t> all(chars);
    std::vector<std::vector<std::string>> result;
    result.reserve(slots.size());
    std::size_t q = 0;
    for (std::size_t j = 0; j < slots.size(); ++j) {
        while (q < n && is_skipped_space(chars[q])) ++q;
        if (q == n) {
            result.emplace_back();
            continue;
        }
        const float width = std::fmax(slots[j].width, size);
        const float first_width = j == 0 ? std::fmax(width - indent, 0.5f * size) : width;
        const std::span<const char32_t> remaining = all.subspan(q);
        auto wrapped = wrap_text_lines(from_code_points(remaining), font, map, size, first_width, width);
        if (!wrapped || wrapped->empty()) return std::nullopt;
        const std::size_t wanted = static_cast<std::size_t>(std::max<std::uint64_t>(slots[j].line_count, 1));
        std::vector<std::string> lines(wrapped->begin(),
                                       wrapped->begin() + static_cast<std::ptrdiff_t>(std::min(wanted, wrapped->size())));
        std::size_t consumed = consumed_char_count(remaining, lines);
        if (consumed == 0) return std::nullopt;
        if (relayout && j + 1 < slots.size() && q + consumed < n) {
            const float repair_width = lines.size() == 1 && j == 0 ? first_width : width;
            if (relayout_remainder(lines, remaining.subspan(consumed), font, map, repair_width, size)) {
                consumed = consumed_char_count(remaining, lines);
                if (consumed == 0) return std::nullopt;
            }
        }
        result.push_back(std::move(lines));
        q += consumed;
    }
    while (q < n && is_skipped_space(chars[q])) ++q;
    if (q < n) return std::nullopt;
    return result;
}

std::optional<std::vector<std::string>> distribute_text_over_areas(std::string_view text,
                                                                   const std::vector<LineArea>& areas,
                                                                   const SubsetFont& font, float size, float indent,
                                                                   const DigitPairWidthMap& map) {
    if (!(size > 0) || areas.size() < 2) return std::nullopt;
    std::vector<float> widths;
    widths.reserve(areas.size());
    float largest = 0;
    for (const LineArea& area : areas) {
        widths.push_back(std::fmax(area.right - area.left, 0.0f));
        largest = std::fmax(largest, widths.back());
    }
    const auto narrow = [&](float w) { return w + 0.5f < 4.0f * size; };
    if (std::none_of(widths.begin(), widths.end(), [&](float w) { return w < 0.5f * largest && narrow(w); })) {
        return std::nullopt;
    }
    std::vector<LineSlot> slots;
    for (const float w : widths) slots.push_back({1, std::fmax(w, size)});
    const auto flowed = flow_text_into_slots(text, slots, font, size, indent, false, map);
    if (!flowed) return std::nullopt;
    std::vector<std::u32string> lines;
    for (const auto& slot_lines : *flowed) {
        std::u32string line;
        if (!slot_lines.empty()) {
            const std::vector<char32_t> cps = to_code_points(slot_lines.front());
            line.assign(cps.begin(), cps.end());
        }
        lines.push_back(std::move(line));
    }
    // An empty narrow area takes the last CJK characters of the line before it.
    for (std::size_t j = 1; j < lines.size(); ++j) {
        if (!is_blank(lines[j]) || !narrow(widths[j])) continue;
        std::size_t k = j;
        while (k > 0 && is_blank(lines[k - 1])) --k;
        if (k == 0) continue;
        std::u32string& earlier = lines[k - 1];
        if (!(widths[j] > 0) || earlier.size() < 3 || !is_cjk_char(earlier.back())) continue;
        std::size_t take = is_cjk_char(earlier[earlier.size() - 2]) ? 2 : 1;
        const float room = widths[j] + 0.5f;
        auto tail = [&](std::size_t count) { return from_code_points(std::u32string_view(earlier).substr(earlier.size() - count)); };
        if (text_width(tail(take), font, size) > room) {
            if (take == 2 && text_width(tail(1), font, size) <= room) {
                take = 1;
            } else {
                continue;
            }
        }
        const std::u32string_view rest = std::u32string_view(earlier).substr(0, earlier.size() - take);
        if (is_blank(rest)) continue;
        lines[j] = earlier.substr(earlier.size() - take);
        earlier.resize(earlier.size() - take);
    }
    if (std::all_of(lines.begin(), lines.end(), [](const std::u32string& line) { return is_blank(line); })) {
        return std::nullopt;
    }
    std::vector<std::string> out;
    for (const auto& line : lines) out.push_back(from_code_points(line));
    return out;
}

}  // namespace zvk

#include "layout/split_lines.h"

#include <cstdint>

#include "layout/breaks.h"
#include "layout/char_classes.h"
#include "translate/placeholders.h"

namespace zvk {

std::optional<std::pair<std::string, std::string>> split_line_near_middle(std::string_view line) {
    std::vector<char32_t> chars;
    std::vector<std::size_t> offsets;
    to_code_points(line, chars, offsets);
    const std::size_t n = chars.size();
    if (n < 2) return std::nullopt;
    const std::vector<ProtectedRange> ranges = protected_ranges(line);
    const std::vector<std::uint8_t> mask = no_break_mask(chars);
    const std::size_t middle = n / 2;
    std::optional<std::size_t> best;
    std::size_t best_distance = 0;
    std::size_t range = 0;  // ranges are ascending: the first that ends after the offset
    for (std::size_t k = 1; k < n; ++k) {
        const std::size_t offset = offsets[k];
        while (range < ranges.size() && ranges[range].end <= offset) ++range;
        if (range < ranges.size() && ranges[range].start < offset) continue;  // strictly inside
        if (mask[k - 1] != 0 || !may_break_between(chars[k - 1], chars[k])) continue;
        const std::size_t distance = k > middle ? k - middle : middle - k;
        if (!best || distance < best_distance) {
            best = k;
            best_distance = distance;
        }
    }
    if (!best) return std::nullopt;
    const std::size_t cut = offsets[*best];
    return std::pair{std::string(line.substr(0, cut)), std::string(line.substr(cut))};
}

std::optional<SplittableLine> longest_splittable_line(const std::vector<std::string>& lines, std::size_t start) {
    std::optional<SplittableLine> best;
    for (std::size_t i = start; i < lines.size(); ++i) {
        const std::size_t count = to_code_points(lines[i]).size();
        if (best && count < best->char_count) continue;
        if (split_line_near_middle(lines[i])) best = SplittableLine{i, count};
    }
    return best;
}

std::vector<std::string>& split_lines_to_count(std::vector<std::string>& lines, std::size_t wanted) {
    while (!lines.empty() && lines.size() < wanted) {
        std::size_t first = 0;
        while (first < lines.size() && !split_line_near_middle(lines[first])) ++first;
        if (first == lines.size()) break;
        const std::optional<SplittableLine> chosen = longest_splittable_line(lines, first);
        if (!chosen) break;
        auto halves = split_line_near_middle(lines[chosen->index]);
        lines[chosen->index] = std::move(halves->first);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(chosen->index) + 1, std::move(halves->second));
    }
    return lines;
}

}  // namespace zvk

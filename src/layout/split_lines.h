// Splitting lines until a wanted line count is reached: each split cuts the
// longest splittable line at the allowed break nearest its middle, never
// inside a protected span (placeholder, URL, address) or a no-break span.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvk {

// The two non-empty halves, or none (fewer than 2 characters, no allowed cut).
std::optional<std::pair<std::string, std::string>> split_line_near_middle(std::string_view line);

struct SplittableLine {
    std::size_t index = 0;
    std::size_t char_count = 0;
};

// From `start` on, the splittable line with the most characters; a later line
// wins a tie.
std::optional<SplittableLine> longest_splittable_line(const std::vector<std::string>& lines, std::size_t start);

// Splits lines in place until there are `wanted` of them or none can be split.
std::vector<std::string>& split_lines_to_count(std::vector<std::string>& lines, std::size_t wanted);

}  // namespace zvk

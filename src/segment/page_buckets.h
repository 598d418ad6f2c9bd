// Lines bucketed by page, so that passes comparing a line with the other lines
// of its page cost the page's lines and never the document's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "segment/text_line.h"

namespace zvk {

struct PageLines {
    std::uint32_t page = 0;
    std::vector<std::size_t> lines;  // indices into the line list, ascending
};

// One bucket per page, in the order the pages first appear in the lines.
inline std::vector<PageLines> bucket_lines_by_page(const std::vector<TextLine>& lines) {
    std::vector<PageLines> buckets;
    std::unordered_map<std::uint32_t, std::size_t> slot;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto [it, inserted] = slot.try_emplace(lines[i].page_index, buckets.size());
        if (inserted) buckets.push_back({lines[i].page_index, {}});
        buckets[it->second].lines.push_back(i);
    }
    return buckets;
}

}  // namespace zvk

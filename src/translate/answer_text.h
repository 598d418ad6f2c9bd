// A substring search of the answer tests, in time linear in both texts.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace zvk {

// The answer tests look for whole words and terms in texts that come from the
// network: a needle such as "aAaA…" in a haystack of the same letters has an
// occurrence at nearly every offset, and a naive find restarted after each
// one would cost haystack × needle. This search costs haystack + needle.

// Calls `accept(offset)` for each occurrence of `needle` in `haystack`, from
// the start, overlapping ones included, until it returns true; returns
// whether one was accepted. An empty needle occurs nowhere here: callers give
// the empty word or term its own meaning.
template <typename Accept>
bool find_accepted_occurrence(std::string_view haystack, std::string_view needle, Accept accept) {
    const std::size_t m = needle.size();
    if (m == 0 || m > haystack.size()) return false;
    // Knuth-Morris-Pratt: border[i] is the length of the longest proper
    // border of needle[0..i].
    std::vector<std::size_t> border(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
        if (needle[i] == needle[k]) ++k;
        border[i] = k;
    }
    for (std::size_t i = 0, k = 0; i < haystack.size(); ++i) {
        while (k > 0 && haystack[i] != needle[k]) k = border[k - 1];
        if (haystack[i] == needle[k]) ++k;
        if (k == m) {
            if (accept(i + 1 - m)) return true;
            k = border[k - 1];
        }
    }
    return false;
}

}  // namespace zvk

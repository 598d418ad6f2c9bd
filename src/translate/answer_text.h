// Text helpers of the answer tests: a trim by a character class, and a
// substring search in time linear in both texts.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/utf8.h"

namespace zvk {

// The text without the characters that `removed` accepts at both ends; a view
// into it. An invalid UTF-8 sequence is never removed.
template <typename Removed>
std::string_view trim_scalars(std::string_view text, Removed removed) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && removed(step.scalar)) continue;
        if (begin == text.size()) begin = step.offset;
        end = step.offset + step.length;
    }
    if (begin >= end) return text.substr(text.size());
    return text.substr(begin, end - begin);
}

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

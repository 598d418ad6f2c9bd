// Where a line of mixed CJK and Latin text may break: the rule on a pair of
// neighbouring characters, and the mask of gaps inside spans that must stay
// whole (addresses, URLs, citations, names, numbers, keep-together words).
// A break between c[i] and c[i + 1] needs both: the pair rule allows it and
// mask entry i is 0.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zvk {

bool may_break_between(char32_t previous, char32_t next);

// n − 1 entries for n characters (none below 2); 1 forbids the break.
std::vector<std::uint8_t> no_break_mask(std::span<const char32_t> chars);

// Sets the gaps of citation parentheticals ("(Smith et al., 2021)",
// "(2021)"); entries beyond the mask are skipped, so any length will do.
void mark_citation_parentheticals(std::span<const char32_t> chars, std::vector<std::uint8_t>& mask);

// The Chinese words that must not be broken, in table order (the repair of
// line boundaries chooses among them by this order).
std::span<const std::u32string_view> keep_together_words();

}  // namespace zvk

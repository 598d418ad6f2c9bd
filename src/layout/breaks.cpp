#include "layout/breaks.h"

#include <array>
#include <string>
#include <string_view>

#include "base/ascii.h"
#include "base/text.h"
#include "layout/char_classes.h"
#include "translate/proper_names.h"

namespace zvk {
namespace {

constexpr std::array<std::u32string_view, 39> kKeepTogether = {
    U"一个词", U"上下文", U"一个", U"一种", U"一些", U"一次", U"一位", U"一条", U"一本", U"这个",
    U"这种", U"这些", U"那个", U"那种", U"那些", U"每个", U"某个", U"某种", U"可以", U"处理",
    U"法律", U"所有", U"不是", U"没有", U"我们", U"他们", U"它们", U"以及", U"或者", U"编排",
    U"如果", U"因为", U"所以", U"但是", U"其中", U"词元", U"量子计算", U"量子", U"真实",
};

constexpr bool is_middle_dot(char32_t c) {
    return c == 0x00B7 || c == 0x2022 || c == 0x2027 || c == 0x22C5 || c == 0x30FB;
}

constexpr bool is_ascii_upper(char32_t c) { return c >= U'A' && c <= U'Z'; }
constexpr bool is_ascii_lower(char32_t c) { return c >= U'a' && c <= U'z'; }

// Sets the gaps inside c[a..b] (inclusive), within the mask.
void mark_span(std::vector<std::uint8_t>& mask, std::size_t a, std::size_t b) {
    for (std::size_t i = a; i < b && i < mask.size(); ++i) mask[i] = 1;
}

bool is_local_part_char(char32_t c) {
    if (is_ascii_letter(c) || is_ascii_digit(c)) return true;
    switch (c) {
    case U' ': case U'%': case U'+': case U',': case U'-': case U'.': case U'_': case U'{': case U'}':
        return true;
    default:
        return false;
    }
}

bool is_domain_char(char32_t c) {
    if (is_ascii_letter(c) || is_ascii_digit(c)) return true;
    return c == U'%' || c == U'+' || c == U'-' || c == U'.' || c == U'_';
}

bool is_url_char(char32_t c) {
    if (is_ascii_letter(c) || is_ascii_digit(c)) return true;
    switch (c) {
    case U'#': case U'%': case U'&': case U'+': case U'-': case U'.': case U'/': case U':':
    case U'=': case U'?': case U'@': case U'_': case U'~':
        return true;
    default:
        return false;
    }
}

void mark_email_addresses(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    std::size_t k = 0;
    while (k < n) {
        if (c[k] != U'@' || k + 1 >= n) {
            ++k;
            continue;
        }
        std::size_t start = k;
        for (std::size_t taken = 0; start > 0 && taken < 80 && is_local_part_char(c[start - 1]); ++taken) --start;
        std::size_t end = k + 1;  // one past the domain
        for (std::size_t taken = 0; end < n && taken < 80 && is_domain_char(c[end]); ++taken) ++end;
        if (start < k && end > k + 1) mark_span(mask, start, end - 1);
        k = end > k + 1 ? end : k + 1;
    }
}

bool starts_with_ascii_nocase(std::span<const char32_t> c, std::size_t p, std::string_view prefix) {
    if (c.size() - p < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char32_t ch = c[p + i];
        if (ch >= 0x80 || ascii_lower_char(static_cast<char>(ch)) != prefix[i]) return false;
    }
    return true;
}

void mark_urls(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    std::size_t p = 0;
    while (p < n) {
        std::size_t prefix = 0;
        for (const std::string_view scheme : {std::string_view("https://"), std::string_view("http://"),
                                              std::string_view("www.")}) {
            if (starts_with_ascii_nocase(c, p, scheme)) {
                prefix = scheme.size();
                break;
            }
        }
        if (prefix == 0 || n - p < prefix + 1) {
            ++p;
            continue;
        }
        std::size_t end = p + prefix;
        while (end < n && is_url_char(c[end])) ++end;
        if (end == p + prefix) {
            ++p;
            continue;
        }
        // A break stays allowed after each path slash, never inside "//".
        for (std::size_t i = p; i + 1 < end; ++i) {
            const bool path_slash = c[i] == U'/' && i > 0 && c[i - 1] != U':' && c[i - 1] != U'/';
            if (!path_slash && i < mask.size()) mask[i] = 1;
        }
        p = end;
    }
}

void mark_dotted_names(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const auto in_run = [](char32_t ch) { return is_middle_dot(ch) || (ch >= 0x3400 && ch <= 0x9FFF); };
    const std::size_t n = c.size();
    std::size_t p = 0;
    while (p < n) {
        if (!in_run(c[p])) {
            ++p;
            continue;
        }
        std::size_t q = p;
        bool dot = false;
        for (; q < n && in_run(c[q]); ++q) {
            if (is_middle_dot(c[q])) dot = true;
        }
        if (dot && q - p < 13) mark_span(mask, p, q - 1);
        p = q;
    }
}

// The end of the capitalised word at i (one past it) and whether it
// qualifies; the end is i when no word starts there.
struct CapWord {
    std::size_t end;
    bool qualifies;
};

CapWord read_capitalised_word(std::span<const char32_t> c, std::size_t i) {
    const std::size_t n = c.size();
    if (i >= n || !is_ascii_upper(c[i])) return {i, false};
    std::size_t j = i + 1;
    bool lower = false;
    bool joiner = false;
    while (j < n) {
        if (is_ascii_letter(c[j])) {
            lower = lower || is_ascii_lower(c[j]);
            ++j;
        } else if ((c[j] == U'\'' || c[j] == U'-' || c[j] == 0x2019) && j + 1 < n && is_ascii_letter(c[j + 1])) {
            joiner = true;
            ++j;
        } else {
            break;
        }
    }
    const bool qualifies = j - i >= 2 && (lower || !joiner);
    return {j, qualifies};
}

void mark_capitalised_phrases(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    std::size_t i = 0;
    while (i < n) {
        const CapWord first = read_capitalised_word(c, i);
        if (!first.qualifies) {
            ++i;
            continue;
        }
        std::size_t last_end = first.end;
        std::size_t words = 1;
        while (last_end + 1 < n && is_unicode_white_space(c[last_end])) {
            const CapWord next = read_capitalised_word(c, last_end + 1);
            if (!next.qualifies) break;
            last_end = next.end;
            ++words;
        }
        if (words >= 2) mark_span(mask, i, last_end - 1);
        i = last_end;
    }
}

void mark_keep_together_words(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    for (const std::u32string_view word : kKeepTogether) {
        const std::size_t h = word.size();
        if (h < 2 || h > n) continue;
        for (std::size_t j = 0; j + h <= n; ++j) {
            if (c[j] != word[0]) continue;
            if (std::u32string_view(c.data() + j, h) == word) mark_span(mask, j, j + h - 1);
        }
    }
}

void mark_digit_pair_spaces(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    std::size_t p = 0;
    while (p < n) {
        if (c[p] != 0x3000) {
            ++p;
            continue;
        }
        std::size_t q = p;
        while (q < n && c[q] == 0x3000) ++q;
        const std::size_t start = p >= 2 && is_ascii_digit(c[p - 2]) && is_ascii_digit(c[p - 1]) ? p - 2 : p;
        mark_span(mask, start, q - 1);
        p = q;
    }
}

// "98.5" and "1,000": the pair rule keeps the mark on its line but would let
// the line end right after it.
void mark_number_separators(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    for (std::size_t i = 1; i + 1 < c.size(); ++i) {
        if ((c[i] == U'.' || c[i] == U',') && is_ascii_digit(c[i - 1]) && is_ascii_digit(c[i + 1])) mask[i] = 1;
    }
}

}  // namespace

bool may_break_between(char32_t previous, char32_t next) {
    const bool word_previous = is_word_char(previous);
    const bool word_next = is_word_char(next);
    if (word_previous && word_next) return false;
    if (word_previous && (next == U'\'' || next == U'-')) return false;
    if ((previous == U'\'' || previous == U'-') && word_next) return false;
    if (is_opening_mark(previous)) return false;
    if (is_closing_mark(next)) return false;
    return true;
}

std::span<const std::u32string_view> keep_together_words() { return kKeepTogether; }

void mark_citation_parentheticals(std::span<const char32_t> c, std::vector<std::uint8_t>& mask) {
    const std::size_t n = c.size();
    std::size_t i = 0;
    while (i < n) {
        if (c[i] != U'(' && c[i] != 0xFF08) {
            ++i;
            continue;
        }
        const char32_t partner = c[i] == U'(' ? U')' : char32_t{0xFF09};
        std::size_t j = i + 1;
        while (j < n && c[j] != partner) ++j;
        if (j >= n) {
            ++i;
            continue;
        }
        const std::span<const char32_t> inner = c.subspan(i + 1, j - i - 1);
        bool citation = false;
        if (inner.size() < 79) {
            std::string lowered;
            bool bracket = false;
            std::size_t digits = 0;
            std::size_t cjk = 0;
            for (const char32_t ch : inner) {
                lowered.push_back(ch < 0x80 ? ascii_lower_char(static_cast<char>(ch)) : '\x80');
                bracket = bracket || ch == U'[' || ch == 0xFF3B;
                digits += is_ascii_digit(ch) ? 1 : 0;
                cjk += is_cjk_char(ch) ? 1 : 0;
            }
            if (lowered.find("et al") != std::string::npos) {
                citation = true;
            } else if (!inner.empty() && !bracket) {
                citation = digits >= 4 && cjk <= 12;
            }
        }
        if (citation) mark_span(mask, i, j);
        i = j + 1;
    }
}

std::vector<std::uint8_t> no_break_mask(std::span<const char32_t> c) {
    const std::size_t n = c.size();
    if (n < 2) return {};
    std::vector<std::uint8_t> mask(n - 1, 0);
    mark_citation_parentheticals(c, mask);
    mark_email_addresses(c, mask);
    mark_urls(c, mask);
    mark_dotted_names(c, mask);
    {
        const std::string text = from_code_points(c);
        if (match_proper_name_phrase(trim_white_space(text), kShortNamePhraseWords)) {
            std::fill(mask.begin(), mask.end(), std::uint8_t{1});
            return mask;
        }
    }
    mark_capitalised_phrases(c, mask);
    mark_keep_together_words(c, mask);
    mark_digit_pair_spaces(c, mask);
    mark_number_separators(c, mask);
    return mask;
}

}  // namespace zvk

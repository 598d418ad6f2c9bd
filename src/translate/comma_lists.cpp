#include "translate/comma_lists.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translate/answer_text.h"

namespace zvk {

namespace {

// A list has at least this many commas and items; fewer is a sentence.
constexpr std::size_t kMinListCommas = 6;
constexpr std::size_t kMinListItems = 6;
// Two sentence breaks make the text prose.
constexpr std::size_t kMaxSentenceBreaks = 1;
// An item of fewer words is short.
constexpr std::size_t kShortItemWords = 5;
// A translation this many items short has lost items.
constexpr std::size_t kLostItems = 2;
// Words in parentheses of this many letters (acronyms such as "CNN", short
// glosses) must reappear unchanged.
constexpr std::size_t kMinParenthesisedLetters = 3;
constexpr std::size_t kMaxParenthesisedLetters = 8;

bool is_ascii_capital(char c) { return c >= 'A' && c <= 'Z'; }
bool is_ascii_small(char c) { return c >= 'a' && c <= 'z'; }
bool is_ascii_alnum(char c) { return is_ascii_letter(c) || is_ascii_digit(c); }

bool holds_ascii_digit(std::string_view text) { return std::ranges::any_of(text, [](char c) { return is_ascii_digit(c); }); }
bool holds_ascii_letter(std::string_view text) { return std::ranges::any_of(text, [](char c) { return is_ascii_letter(c); }); }
bool holds_ascii_capital(std::string_view text) { return std::ranges::any_of(text, is_ascii_capital); }
bool holds_ascii_small(std::string_view text) { return std::ranges::any_of(text, is_ascii_small); }

bool is_term_edge_punctuation(char c) { return c == ',' || c == '.' || c == ':' || c == ';'; }

std::string_view strip_term_edge_punctuation(std::string_view token) {
    while (!token.empty() && is_term_edge_punctuation(token.front())) token.remove_prefix(1);
    while (!token.empty() && is_term_edge_punctuation(token.back())) token.remove_suffix(1);
    return token;
}

// The tokens of the source are cut at white space and at these.
bool is_token_separator(char32_t c) {
    return is_unicode_white_space(c) || c == U',' || c == U':' || c == U';' || c == 0xFF0C || c == 0x3001;
}

// Quotes, brackets and full stops around a token are no part of a term.
bool is_token_wrapping(char32_t c) {
    switch (c) {
    case U'"': case U'\'': case U'(': case U')': case U'.': case U'[': case U']':
    case 0xFF08: case 0xFF09: case 0x2019:
        return true;
    default:
        return false;
    }
}

bool opens_parenthesis(char32_t c) { return c == U'(' || c == 0xFF08; }
bool closes_parenthesis(char32_t c) { return c == U')' || c == 0xFF09; }

std::size_t count_words(std::string_view text) {
    std::size_t words = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = step.valid && is_unicode_white_space(step.scalar);
        if (!white && !in_word) ++words;
        in_word = !white;
    }
    return words;
}

std::size_t count_substring(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

bool holds_cjk_character(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_cjk_character(step.scalar)) return true;
    }
    return false;
}

std::string_view last_word_of(std::string_view text) {
    std::size_t start = 0;
    std::size_t end = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = step.valid && is_unicode_white_space(step.scalar);
        if (!white) {
            if (!in_word) start = step.offset;
            end = step.offset + step.length;
        }
        in_word = !white;
    }
    return text.substr(start, end - start);
}

// An item whose last word is a number, a year or a page ("Smith 2019").
bool ends_in_number(std::string_view item) {
    const std::string_view last_word = last_word_of(item);
    return holds_ascii_digit(last_word) && !holds_ascii_letter(last_word);
}

// Rule of the slash pair: "TCP/IP", capitals on both sides, the slash at byte
// 2 to 8 and 2 to 8 bytes after it.
bool is_slash_pair(std::string_view t) {
    const std::size_t p = t.find('/');
    if (p == std::string_view::npos || p < 2 || p > 8) return false;
    const std::string_view before = t.substr(0, p);
    const std::string_view after = t.substr(p + 1);
    return holds_ascii_capital(before) && !holds_ascii_small(before) && after.size() >= 2 && after.size() <= 8 &&
           holds_ascii_capital(after) && !holds_ascii_small(after);
}

// Rule of the hyphen: "COVID-19", "3-D", "3D-printed", "Wi-FI".
bool is_hyphenated_code(std::string_view t) {
    const std::size_t p = t.find('-');
    if (p == std::string_view::npos) return false;
    const std::string_view prefix = t.substr(0, p);
    const std::string_view suffix = t.substr(p + 1);
    const bool prefix_capitals = !prefix.empty() && std::ranges::all_of(prefix, is_ascii_capital);
    const bool suffix_capitals = !suffix.empty() && std::ranges::all_of(suffix, is_ascii_capital);
    return (p >= 2 && prefix_capitals) || holds_ascii_digit(prefix) || (suffix.size() >= 2 && suffix_capitals) ||
           holds_ascii_digit(suffix);
}

// "GPT4", "ResNet50": letters and digits with a capital, at least 4 bytes.
bool is_letter_digit_code(std::string_view t) {
    return t.size() >= 4 && holds_ascii_digit(t) && holds_ascii_capital(t) && std::ranges::all_of(t, is_ascii_alnum);
}

// "PyTorch", "GitHub", "iOS", "LaTeX": letters only, a small one, and a
// capital directly after a letter.
bool has_inner_capital(std::string_view t) {
    if (t.size() < 3 || !std::ranges::all_of(t, [](char c) { return is_ascii_letter(c); }) || !holds_ascii_small(t)) {
        return false;
    }
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (is_ascii_capital(t[i])) return true;
    }
    return false;
}

// Names of languages and projects that are ordinary words, so no shape tells
// them; written as they must stay.
constexpr std::array<std::string_view, 8> kVerbatimNames = {"Go",   "Ada",   "Nix",    "Java",
                                                            "Rust", "Swift", "Python", "Mozilla"};

// The translation, ligatures expanded and made valid UTF-8 once, in which
// many terms are looked for. A byte search in valid UTF-8 finds exactly the
// character runs (a match cannot start or end inside a character), and the
// byte on either side of a match is an ASCII letter or digit exactly when the
// character there is one.
class TermSearch {
public:
    explicit TermSearch(std::string_view text) : text_(valid_utf8(expand_ligatures(text))) {}

    bool contains(std::string_view term) {
        if (term.empty()) return true;
        std::string valid_term;
        if (!is_valid_utf8(term)) {
            valid_term = utf8_lossy(term);
            term = valid_term;
        }
        // A term of letters and digits only is contained exactly when it is
        // one of the text's maximal runs of letters and digits: a set lookup
        // instead of a search, which keeps a list of thousands of such terms
        // cheap.
        if (std::ranges::all_of(term, is_ascii_alnum)) return alnum_runs().contains(term);
        const std::string_view text = text_;
        return find_accepted_occurrence(text, term, [&](std::size_t at) {
            const std::size_t end = at + term.size();
            return (at == 0 || !is_ascii_alnum(text[at - 1])) && (end == text.size() || !is_ascii_alnum(text[end]));
        });
    }

private:
    static std::string valid_utf8(std::string text) { return is_valid_utf8(text) ? text : utf8_lossy(text); }

    const std::unordered_set<std::string_view>& alnum_runs() {
        if (!runs_built_) {
            runs_built_ = true;
            const std::string_view text = text_;
            std::size_t i = 0;
            while (i < text.size()) {
                if (!is_ascii_alnum(text[i])) {
                    ++i;
                    continue;
                }
                std::size_t end = i;
                while (end < text.size() && is_ascii_alnum(text[end])) ++end;
                runs_.insert(text.substr(i, end - i));
                i = end;
            }
        }
        return runs_;
    }

    std::string text_;
    bool runs_built_ = false;
    std::unordered_set<std::string_view> runs_;
};

// The verbatim terms of a source, in discovery order: first those of its
// tokens, then the words in its parentheses.
std::vector<std::string> collect_verbatim_terms(std::string_view source) {
    const std::string expanded = expand_ligatures(source);
    const std::string_view e = expanded;
    std::vector<std::string> terms;

    auto take_token = [&](std::string_view token) {
        token = trim_scalars(token, is_token_wrapping);
        if (token.size() >= 2 && token.ends_with("'s")) token.remove_suffix(2);
        if (token.empty()) return;
        if (std::optional<std::string> term = verbatim_term_of(token)) terms.push_back(std::move(*term));
    };
    std::size_t token_start = 0;
    for (Utf8Step step : Utf8Range(e)) {
        if (step.valid && is_token_separator(step.scalar)) {
            if (step.offset > token_start) take_token(e.substr(token_start, step.offset - token_start));
            token_start = step.offset + step.length;
        }
    }
    if (token_start < e.size()) take_token(e.substr(token_start));

    auto take_parenthesised = [&](std::string_view content) {
        for (std::string_view word : split_white_space_words(content)) {
            word = strip_term_edge_punctuation(word);
            if (word.size() >= kMinParenthesisedLetters && word.size() <= kMaxParenthesisedLetters &&
                std::ranges::all_of(word, [](char c) { return is_ascii_letter(c); })) {
                terms.emplace_back(word);
            } else if (std::optional<std::string> term = verbatim_term_of(word)) {
                terms.push_back(std::move(*term));
            }
        }
    };
    // Spans do not nest: the first closing character ends one, and an
    // unclosed one runs to the end.
    std::optional<std::size_t> span_start;
    for (Utf8Step step : Utf8Range(e)) {
        if (!step.valid) continue;
        if (!span_start) {
            if (opens_parenthesis(step.scalar)) span_start = step.offset + step.length;
        } else if (closes_parenthesis(step.scalar)) {
            take_parenthesised(e.substr(*span_start, step.offset - *span_start));
            span_start.reset();
        }
    }
    if (span_start) take_parenthesised(e.substr(*span_start));
    return terms;
}

}  // namespace

std::vector<std::string_view> split_trimmed(std::string_view text, std::u32string_view separators) {
    std::vector<std::string_view> pieces;
    auto take = [&](std::string_view piece) {
        piece = trim_white_space(piece);
        if (!piece.empty()) pieces.push_back(piece);
    };
    std::size_t start = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && separators.find(step.scalar) != std::u32string_view::npos) {
            take(text.substr(start, step.offset - start));
            start = step.offset + step.length;
        }
    }
    take(text.substr(start));
    return pieces;
}

std::optional<std::string> verbatim_term_of(std::string_view token) {
    const std::string_view t = strip_term_edge_punctuation(token);
    if (t.size() < 2) return std::nullopt;
    const std::string term(t);
    if (std::ranges::find(kVerbatimNames, t) != kVerbatimNames.end()) return term;
    // Dotted names: "Node.js", "U.S".
    if (t.find('.') != std::string_view::npos && holds_ascii_letter(t)) return term;
    if (is_slash_pair(t)) return term;
    if (is_hyphenated_code(t)) return term;
    if (is_letter_digit_code(t)) return term;
    // Ordinary compounds ("well-known") and pairs ("and/or") are translated.
    if (t.find('-') != std::string_view::npos || t.find('/') != std::string_view::npos) return std::nullopt;
    if (has_inner_capital(t)) return term;
    return std::nullopt;
}

std::string expand_ligatures(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) {
        std::string_view spelt;
        if (step.valid) {
            switch (step.scalar) {
            case 0xFB00: spelt = "ff"; break;
            case 0xFB01: spelt = "fi"; break;
            case 0xFB02: spelt = "fl"; break;
            case 0xFB03: spelt = "ffi"; break;
            case 0xFB04: spelt = "ffl"; break;
            default: break;
            }
        }
        if (spelt.empty()) spelt = text.substr(step.offset, step.length);
        out.append(spelt);
    }
    return out;
}

bool contains_term(std::string_view text, std::string_view term) {
    if (term.empty()) return true;
    return TermSearch(text).contains(term);
}

bool any_term_missing(std::span<const std::string> terms, std::string_view text) {
    if (terms.empty()) return false;
    TermSearch search(text);
    // A term repeated in the list is found again: look it up once.
    std::unordered_set<std::string_view> found;
    for (const std::string& term : terms) {
        if (found.contains(term)) continue;
        if (!search.contains(term)) return true;
        found.insert(term);
    }
    return false;
}

bool list_items_lost(std::string_view source, std::string_view translation) {
    const std::string_view s = trim_white_space(source);
    if (static_cast<std::size_t>(std::ranges::count(s, ',')) < kMinListCommas) return false;
    // An abbreviation such as "e.g. " counts as a break like any other.
    const std::size_t breaks = count_substring(s, ". ") + count_substring(s, ".\n") + count_substring(s, "? ");
    if (breaks > kMaxSentenceBreaks) return false;
    const std::vector<std::string_view> items = split_trimmed(s, U",");
    if (items.size() < kMinListItems) return false;
    const auto short_items =
        static_cast<std::size_t>(std::ranges::count_if(items, [](std::string_view item) { return count_words(item) < kShortItemWords; }));
    if (4 * short_items < 3 * items.size()) return false;
    // A list of references or figures ("Smith 2019, Lee 2020, ...") is no item list.
    const auto numbered = static_cast<std::size_t>(std::ranges::count_if(items, ends_in_number));
    if (2 * numbered >= items.size()) return false;
    if (!holds_cjk_character(translation)) return false;
    const std::vector<std::string_view> translated_items = split_trimmed(translation, U",\u3001\uFF0C");
    if (translated_items.size() + kLostItems <= items.size()) return true;
    return any_term_missing(collect_verbatim_terms(s), translation);
}

}  // namespace zvk

#include "translate/placeholders.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <limits>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translator/placeholder_token.h"

namespace zvk {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Form B looks this far past an opening bracket, and no further: a paragraph
// full of "(" then costs a bounded look at each.
constexpr std::size_t kCitationWindowBytes = 220;
constexpr std::size_t kCitationInnerMaxChars = 180;

// The word characters of the boundary rules are ASCII, so the byte before or
// after a position tells: a multi-byte character never has an ASCII byte.
constexpr bool is_word_byte(char c) { return is_ascii_letter(c) || is_ascii_digit(c) || c == '_'; }

bool word_byte_before(std::string_view text, std::size_t at) { return at > 0 && is_word_byte(text[at - 1]); }

bool starts_with_at(std::string_view text, std::size_t at, std::string_view prefix) {
    return at <= text.size() && text.substr(at).starts_with(prefix);
}

std::size_t char_length_at(std::string_view text, std::size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    return b < 0x80 ? 1 : utf8_decode_at(text, at).length;
}

std::size_t skip_spaces(std::string_view text, std::size_t i) {
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

std::size_t skip_digits(std::string_view text, std::size_t i) {
    while (i < text.size() && is_ascii_digit(text[i])) ++i;
    return i;
}

bool is_year_text(std::string_view four) {
    if (four.size() != 4 || !is_all_ascii_digits(four)) return false;
    const int value = (four[0] - '0') * 1000 + (four[1] - '0') * 100 + (four[2] - '0') * 10 + (four[3] - '0');
    return value >= 1900 && value <= 2099;
}

bool is_name_start(char32_t c) {
    if (c >= U'A' && c <= U'Z') return true;
    return c >= 0xC0 && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UPPERCASE);
}

bool is_name_continuation(char32_t c) {
    if (is_ascii_letter(c) || c == U'\'' || c == U'-' || c == 0x2010 || c == 0x2019) return true;
    return c >= 0x80 && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

std::size_t name_continuation_end(std::string_view text, std::size_t i) {
    while (i < text.size()) {
        const Utf8Step step = utf8_decode_at(text, i);
        if (!is_name_continuation(step.scalar)) break;
        i += step.length;
    }
    return i;
}

bool is_ascii_case_insensitive_the(std::string_view word) {
    return word.size() == 3 && ascii_lower(word) == "the";
}

bool is_email_local_byte(char c) {
    return is_ascii_letter(c) || is_ascii_digit(c) || c == '%' || c == '+' || c == '-' || c == '.' ||
           c == '_';
}

bool is_email_domain_byte(char c) { return is_ascii_letter(c) || is_ascii_digit(c) || c == '-' || c == '.'; }

bool is_url_terminator(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ' || c == '"' || c == '<' || c == '>';
}

bool is_url_trailing_punctuation(char c) {
    return c == ')' || c == ',' || c == '.' || c == ':' || c == ';' || c == ']';
}

// ---- form B: bracketed author-year citations ---------------------------------

std::string_view strip_both_ends(std::string_view word, std::string_view chars) {
    while (!word.empty() && chars.find(word.front()) != std::string_view::npos) word.remove_prefix(1);
    while (!word.empty() && chars.find(word.back()) != std::string_view::npos) word.remove_suffix(1);
    return word;
}

bool is_long_lower_case_word(std::string_view word) {
    if (word.size() < 4) return false;
    return std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Offset of the year in p: the first maximal run of exactly four digits that
// reads 1900 to 2099.
std::size_t find_citation_year(std::string_view p) {
    std::size_t i = 0;
    while (i < p.size()) {
        if (!is_ascii_digit(p[i])) {
            ++i;
            continue;
        }
        const std::size_t end = skip_digits(p, i);
        if (end - i == 4 && is_year_text(p.substr(i, 4))) return i;
        i = end;
    }
    return kNone;
}

std::string_view strip_trailing_commas(std::string_view text) {
    constexpr std::string_view kWideComma = "\xef\xbc\x8c";  // ，
    for (;;) {
        if (text.ends_with(',')) text.remove_suffix(1);
        else if (text.ends_with(kWideComma)) text.remove_suffix(kWideComma.size());
        else return text;
    }
}

bool citation_part_passes(std::string_view part) {
    std::string_view p = trim_white_space(part);
    if (p.empty()) return false;
    constexpr std::array<std::string_view, 7> kLeadIns = {"e.g. ", "e.g ", "cf. ", "cf ", "see ", "ibid. ", "ibid "};
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (std::string_view lead : kLeadIns) {
            if (p.size() >= lead.size() && ascii_lower(p.substr(0, lead.size())) == lead) {
                p = trim_leading_white_space(p.substr(lead.size()));
                if (p.empty()) return false;
                stripped = true;
                break;
            }
        }
    }
    if (p.size() < 4) return false;
    const std::size_t year = find_citation_year(p);
    if (year == kNone) return false;
    std::string_view author = trim_white_space(strip_trailing_commas(trim_white_space(p.substr(0, year))));
    if (author.empty()) return false;
    const std::vector<std::string_view> words = split_white_space_words(author);
    for (std::string_view word : words) {
        std::string_view w = strip_both_ends(word, "(),.:;");
        if (is_long_lower_case_word(w) && w != "with" && w != "from") return false;
    }
    for (std::string_view word : words) {
        std::string_view w = strip_both_ends(word, ",.:;");
        std::optional<std::string_view> name = is_name_like_word(w);
        if (name && name->size() == w.size() && !is_excluded_capitalized_word(w)) return true;
    }
    return false;
}

// The next occurrence of a byte sequence at or after a position, remembered:
// the positions asked about only grow as a scan goes on, so a flood of
// brackets with no closing one in sight costs one search, not one per bracket.
class NextOccurrence {
public:
    explicit NextOccurrence(std::string_view needle) : needle_(needle) {}
    // The offset, or text.size() when there is none.
    std::size_t at_or_after(std::string_view text, std::size_t from) {
        if (searched_from_ == kNone || from < searched_from_ || from > found_) {
            const std::size_t found = text.find(needle_, from);
            found_ = found == std::string_view::npos ? text.size() : found;
            searched_from_ = from;
        }
        return found_;
    }

private:
    std::string_view needle_;
    std::size_t searched_from_ = kNone;
    std::size_t found_ = kNone;
};

// Remembers what the matchers found for a run they may be asked about again
// from a later start inside it, so a long space-free run costs one pass, not
// one pass per start.
class SpanScanner {
public:
    explicit SpanScanner(std::string_view text) : text_(text) {}

    // Matchers 1 to 6 in their order of priority.
    std::optional<std::size_t> match_any(std::size_t at) {
        if (auto end = token(at)) return end;
        if (auto end = url(at)) return end;
        if (auto end = email(at)) return end;
        if (auto end = brace(at)) return end;
        if (auto end = citation(at)) return end;
        return number(at);
    }

    std::optional<std::size_t> token(std::size_t at) const {
        if (std::size_t length = placeholder_token_length(text_, at)) return at + length;
        return std::nullopt;
    }

    std::optional<std::size_t> url(std::size_t at) const {
        std::size_t prefix = 0;
        for (std::string_view p : {std::string_view("https://"), std::string_view("http://"), std::string_view("www.")}) {
            if (starts_with_at(text_, at, p)) {
                prefix = p.size();
                break;
            }
        }
        if (prefix == 0) return std::nullopt;
        const std::size_t body = at + prefix;
        std::size_t end = body;
        while (end < text_.size() && !is_url_terminator(text_[end])) ++end;
        while (end > body && is_url_trailing_punctuation(text_[end - 1])) --end;
        if (end == body) return std::nullopt;
        return end;
    }

    std::optional<std::size_t> email(std::size_t at) {
        // The boundary first: inside a run of letters no start passes it, so
        // only the starts after punctuation reach the runs below.
        if (word_byte_before(text_, at)) return std::nullopt;
        const std::size_t local_end = local_run_end(at);
        if (local_end == at || local_end >= text_.size() || text_[local_end] != '@') return std::nullopt;
        const std::size_t domain = local_end + 1;
        if (domain != domain_start_) {
            domain_start_ = domain;
            domain_end_ = checked_domain_end(domain);
        }
        if (domain_end_ == kNone) return std::nullopt;
        return domain_end_;
    }

    std::optional<std::size_t> brace(std::size_t at) const {
        if (text_[at] != '{') return std::nullopt;
        std::size_t i = at + 1;
        while (i < text_.size() && text_[i] != '{' && text_[i] != '}' && text_[i] != '\n') ++i;
        if (i == at + 1 || i >= text_.size() || text_[i] != '}') return std::nullopt;
        return i + 1;
    }

    std::optional<std::size_t> citation(std::size_t at) {
        if (auto end = numeric_bracket_list(at)) return end;
        if (auto end = bracketed_author_year(at)) return end;
        return narrative(at);
    }

    std::optional<std::size_t> number(std::size_t at) const {
        if (!is_ascii_digit(text_[at]) || word_byte_before(text_, at)) return std::nullopt;
        std::size_t i = skip_digits(text_, at);
        if (i + 1 < text_.size() && text_[i] == '.' && is_ascii_digit(text_[i + 1])) i = skip_digits(text_, i + 1);
        if (i < text_.size() && is_word_byte(text_[i])) return std::nullopt;
        return i;
    }

private:
    std::size_t local_run_end(std::size_t at) {
        if (at < local_start_ || at > local_end_) {
            std::size_t i = at;
            while (i < text_.size() && is_email_local_byte(text_[i])) ++i;
            local_start_ = at;
            local_end_ = i;
        }
        return local_end_;
    }

    // End of the domain run at `domain`, or kNone when it is no domain: it
    // needs a '.' and two or more ASCII letters, only, after its last '.'.
    std::size_t checked_domain_end(std::size_t domain) const {
        std::size_t end = domain;
        while (end < text_.size() && is_email_domain_byte(text_[end])) ++end;
        const std::size_t dot = text_.substr(domain, end - domain).rfind('.');
        if (dot == std::string_view::npos) return kNone;
        std::string_view top = text_.substr(domain + dot + 1, end - domain - dot - 1);
        if (top.size() < 2 || !std::all_of(top.begin(), top.end(), [](char c) { return is_ascii_letter(c); }))
            return kNone;
        return end;
    }

    // Form A: [1], [1, 3–5], ［12］.
    std::optional<std::size_t> numeric_bracket_list(std::size_t at) const {
        std::string_view close;
        std::size_t i = at;
        if (text_[at] == '[') {
            close = "]";
            i += 1;
        } else if (starts_with_at(text_, at, "\xef\xbc\xbb")) {  // ［
            close = "\xef\xbc\xbd";                              // ］
            i += 3;
        } else {
            return std::nullopt;
        }
        auto digit_run = [&](std::size_t from) -> std::size_t {
            const std::size_t end = skip_digits(text_, from);
            return end - from >= 1 && end - from <= 4 ? end : kNone;
        };
        i = digit_run(i);
        if (i == kNone) return std::nullopt;
        for (;;) {
            i = skip_spaces(text_, i);
            if (starts_with_at(text_, i, close)) return i + close.size();
            if (i >= text_.size()) return std::nullopt;
            if (text_[i] == ',' || text_[i] == '-' || text_[i] == ';') {
                i += 1;
            } else if (starts_with_at(text_, i, "\u2013") || starts_with_at(text_, i, "\u2014")) {
                i += 3;
            } else {
                return std::nullopt;
            }
            i = digit_run(skip_spaces(text_, i));
            if (i == kNone) return std::nullopt;
        }
    }

    // Form B: (Smith et al., 2020; Jones 2019), within a window of bytes.
    std::optional<std::size_t> bracketed_author_year(std::size_t at) {
        char32_t open = 0;
        char32_t close = 0;
        std::size_t open_length = 1;
        NextOccurrence* next_close = nullptr;
        if (text_[at] == '(') {
            open = U'(';
            close = U')';
            next_close = &next_parenthesis_;
        } else if (text_[at] == '[') {
            open = U'[';
            close = U']';
            next_close = &next_bracket_;
        } else if (starts_with_at(text_, at, "\xef\xbc\xbb")) {
            open = 0xFF3B;
            close = 0xFF3D;
            open_length = 3;
            next_close = &next_wide_bracket_;
        } else {
            return std::nullopt;
        }
        if (open != U'(' && at + open_length < text_.size() && is_ascii_digit(text_[at + open_length]))
            return std::nullopt;
        const std::size_t inner_start = at + open_length;
        const std::size_t window_end = std::min(text_.size(), at + kCitationWindowBytes);
        if (inner_start >= window_end) return std::nullopt;
        // No closing character before the window ends or a line feed: no
        // need to walk the window.
        const std::size_t limit = std::min(window_end, next_line_feed_.at_or_after(text_, inner_start));
        if (next_close->at_or_after(text_, inner_start) >= limit) return std::nullopt;
        std::size_t depth = 1;
        std::size_t close_at = kNone;
        std::size_t close_length = 0;
        // Characters that start inside the window, the last possibly running past it.
        for (std::size_t i = inner_start; i < window_end;) {
            const Utf8Step step = utf8_decode_at(text_, i);
            if (step.scalar == U'\n') return std::nullopt;
            if (step.scalar == open) {
                ++depth;
            } else if (step.scalar == close && --depth == 0) {
                close_at = i;
                close_length = step.length;
                break;
            }
            i += step.length;
        }
        if (close_at == kNone) return std::nullopt;
        std::string_view inner = trim_white_space(text_.substr(inner_start, close_at - inner_start));
        if (inner.empty() || count_scalar_values(inner) > kCitationInnerMaxChars) return std::nullopt;
        bool any_part = false;
        std::size_t from = 0;
        for (;;) {
            const std::size_t semicolon = inner.find(';', from);
            std::string_view part = inner.substr(from, semicolon == std::string_view::npos ? std::string_view::npos
                                                                                         : semicolon - from);
            if (!trim_white_space(part).empty()) {
                if (!citation_part_passes(part)) return std::nullopt;
                any_part = true;
            }
            if (semicolon == std::string_view::npos) break;
            from = semicolon + 1;
        }
        if (!any_part) return std::nullopt;
        return close_at + close_length;
    }

    // End of the name-like word at `at` (its first character a capital), or
    // kNone. The run after the first character is remembered: the starts
    // inside an "A-B-C-…" run all end where it ends.
    std::size_t name_end(std::size_t at) {
        if (at >= text_.size()) return kNone;
        const Utf8Step first = utf8_decode_at(text_, at);
        if (!is_name_start(first.scalar)) return kNone;
        const std::size_t rest = at + first.length;
        if (rest < name_run_start_ || rest > name_run_end_) {
            name_run_start_ = rest;
            name_run_end_ = name_continuation_end(text_, rest);
        }
        return name_run_end_ == rest ? kNone : name_run_end_;
    }

    // Form C: Smith et al. (2020), Smith & Jones (2018, p. 4).
    std::optional<std::size_t> narrative(std::size_t at) {
        if (word_byte_before(text_, at)) return std::nullopt;
        const std::size_t end = name_end(at);
        if (end == kNone) return std::nullopt;
        std::string_view name = text_.substr(at, end - at);
        if (is_excluded_capitalized_word(name) || is_ascii_case_insensitive_the(name)) return std::nullopt;
        // Everything after the first name depends on where the name ends alone.
        if (end != narrative_tail_from_) {
            narrative_tail_from_ = end;
            narrative_tail_end_ = narrative_tail(end);
        }
        if (narrative_tail_end_ == kNone) return std::nullopt;
        return narrative_tail_end_;
    }

    std::size_t narrative_tail(std::size_t after_name) const {
        std::size_t i = skip_spaces(text_, after_name);
        if (starts_with_at(text_, i, "et al.")) {
            i += 6;
        } else if (starts_with_at(text_, i, "et al")) {
            i += 5;
        } else {
            std::size_t second = kNone;
            if (starts_with_at(text_, i, "and ")) second = i + 4;
            else if (starts_with_at(text_, i, "& ")) second = i + 2;
            std::optional<std::string_view> name;
            if (second != kNone) name = is_name_like_word(text_.substr(second));
            i = name ? second + name->size() : after_name;
        }
        i = skip_spaces(text_, i);
        if (i >= text_.size() || text_[i] != '(') return kNone;
        ++i;
        if (text_.size() - i < 4 || !is_year_text(text_.substr(i, 4))) return kNone;
        i += 4;
        if (i < text_.size() && is_ascii_digit(text_[i])) return kNone;
        if (i < text_.size() && is_ascii_letter(text_[i])) ++i;
        i = skip_spaces(text_, i);
        if (i < text_.size() && text_[i] == ',') {
            i = skip_spaces(text_, i + 1);
            if (starts_with_at(text_, i, "p.")) i += 2;
            else if (starts_with_at(text_, i, "pp.")) i += 3;
            else return kNone;
            for (; i < text_.size(); ++i) {
                if (text_[i] == ')') return i + 1;
                if (text_[i] == '\n' || text_[i] == '(') return kNone;
            }
            return kNone;
        }
        if (i < text_.size() && text_[i] == ')') return i + 1;
        return kNone;
    }

    std::string_view text_;
    NextOccurrence next_parenthesis_{")"};
    NextOccurrence next_bracket_{"]"};
    NextOccurrence next_wide_bracket_{"\xef\xbc\xbd"};
    NextOccurrence next_line_feed_{"\n"};
    std::size_t local_start_ = kNone;
    std::size_t local_end_ = kNone;
    std::size_t domain_start_ = kNone;
    std::size_t domain_end_ = kNone;
    std::size_t name_run_start_ = kNone;
    std::size_t name_run_end_ = kNone;
    std::size_t narrative_tail_from_ = kNone;
    std::size_t narrative_tail_end_ = kNone;
};

void append_token(std::string& out, std::size_t index) {
    out += kOpenMark;
    out += std::to_string(index);
    out += kCloseMark;
}

// The glossary as a trie of its terms' bytes. Among the terms that match at
// one position the longest comes first in trial order, and terms of equal
// length that both match are the same term, so walking the trie along the
// text and trying the terms found from the deepest up gives the entry that
// the sorted list (longest first, then by bytes, stably) would give, at a
// cost bounded by the longest term instead of by the number of terms.
class GlossaryIndex {
public:
    explicit GlossaryIndex(const std::vector<GlossaryEntry>& glossary) : nodes_(1) {
        for (const GlossaryEntry& entry : glossary) {
            if (entry.first.empty()) continue;
            std::size_t node = 0;
            for (char c : entry.first) node = child_or_add(node, static_cast<unsigned char>(c));
            // Of several entries with one term the first in the glossary wins.
            if (nodes_[node].entry == nullptr) nodes_[node].entry = &entry;
        }
    }

    // The first entry in trial order whose term matches at `at`.
    const GlossaryEntry* match_at(std::string_view text, std::size_t at) {
        if (nodes_.size() == 1) return nullptr;
        found_.clear();
        std::size_t node = 0;
        for (std::size_t i = at; i < text.size(); ++i) {
            node = child(node, static_cast<unsigned char>(text[i]));
            if (node == kNone) break;
            if (nodes_[node].entry != nullptr) found_.push_back(nodes_[node].entry);
        }
        for (auto it = found_.rbegin(); it != found_.rend(); ++it) {
            const std::string& term = (*it)->first;
            if (is_word_byte(term.front()) && word_byte_before(text, at)) continue;
            const std::size_t after = at + term.size();
            if (is_word_byte(term.back()) && after < text.size() && is_word_byte(text[after])) continue;
            return *it;
        }
        return nullptr;
    }

private:
    struct Node {
        std::vector<std::pair<unsigned char, std::size_t>> children;  // sorted by byte
        const GlossaryEntry* entry = nullptr;
    };

    std::size_t child(std::size_t node, unsigned char c) const {
        const auto& children = nodes_[node].children;
        auto it = std::lower_bound(children.begin(), children.end(), std::make_pair(c, std::size_t{0}));
        return it != children.end() && it->first == c ? it->second : kNone;
    }

    std::size_t child_or_add(std::size_t node, unsigned char c) {
        if (std::size_t existing = child(node, c); existing != kNone) return existing;
        const std::size_t added = nodes_.size();
        nodes_.emplace_back();
        auto& children = nodes_[node].children;
        children.insert(std::lower_bound(children.begin(), children.end(), std::make_pair(c, std::size_t{0})),
                        {c, added});
        return added;
    }

    std::vector<Node> nodes_;
    std::vector<const GlossaryEntry*> found_;
};

}  // namespace

ProtectedText protect_text(std::string_view text, const std::vector<GlossaryEntry>& glossary) {
    ProtectedText out;
    out.text.reserve(text.size());
    GlossaryIndex terms(glossary);
    SpanScanner scanner(text);
    std::size_t at = 0;
    while (at < text.size()) {
        if (std::optional<std::size_t> end = scanner.match_any(at)) {
            append_token(out.text, out.originals.size());
            out.originals.emplace_back(text.substr(at, *end - at));
            at = *end;
        } else if (const GlossaryEntry* entry = terms.match_at(text, at)) {
            append_token(out.text, out.originals.size());
            out.originals.push_back(entry->second);
            at += entry->first.size();
        } else {
            const std::size_t length = char_length_at(text, at);
            out.text.append(text, at, length);
            at += length;
        }
    }
    return out;
}

std::vector<ProtectedRange> protected_ranges(std::string_view text) {
    std::vector<ProtectedRange> ranges;
    SpanScanner scanner(text);
    std::size_t at = 0;
    while (at < text.size()) {
        if (std::optional<std::size_t> end = scanner.match_any(at)) {
            ranges.push_back({at, *end});
            at = *end;
        } else {
            at += char_length_at(text, at);
        }
    }
    return ranges;
}

std::uint64_t restored_text_limit(std::string_view translated, const std::vector<std::string>& originals) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t total = 0;
    for (const std::string& original : originals) total = std::min(kMax, total + original.size());
    const std::uint64_t repeated = total > kMax / 8 ? kMax : total * 8;
    return translated.size() > kMax - repeated ? kMax : repeated + translated.size();
}

std::expected<std::string, std::string> restore_placeholders(std::string_view translated,
                                                             const std::vector<std::string>& originals) {
    const std::uint64_t limit = restored_text_limit(translated, originals);
    std::vector<bool> seen(originals.size(), false);
    std::string out;
    std::size_t i = 0;
    for (;;) {
        const std::size_t open = translated.find(kOpenMark, i);
        if (open == std::string_view::npos) {
            out.append(translated, i);
            break;
        }
        out.append(translated, i, open - i);
        // An optional '+', digits whose value fits in 64 bits (leading zeros
        // allowed), then "⟧": read forwards, never searched for.
        std::size_t j = open + kOpenMark.size();
        if (j < translated.size() && translated[j] == '+') ++j;
        const std::size_t digits = j;
        std::uint64_t index = 0;
        bool fits = true;
        for (; j < translated.size() && is_ascii_digit(translated[j]); ++j) {
            const std::uint64_t digit = static_cast<std::uint64_t>(translated[j] - '0');
            if (index > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) fits = false;
            else index = index * 10 + digit;
        }
        if (j == digits || !fits || !starts_with_at(translated, j, kCloseMark)) {
            out += kOpenMark;
            i = open + kOpenMark.size();
            continue;
        }
        if (index >= originals.size()) {
            std::string message = "unknown placeholder ";
            message += kOpenMark;
            message += std::to_string(index);
            message += kCloseMark;
            return std::unexpected(std::move(message));
        }
        const std::string& original = originals[index];
        if (out.size() + original.size() > limit) {
            return std::unexpected("restored text exceeds " + std::to_string(limit) +
                                   " bytes: placeholders repeated too often");
        }
        out += original;
        seen[index] = true;
        i = j + kCloseMark.size();
    }
    for (std::size_t k = 0; k < seen.size(); ++k) {
        if (!seen[k]) {
            std::string message = "missing placeholder ";
            message += kOpenMark;
            message += std::to_string(k);
            message += kCloseMark;
            return std::unexpected(std::move(message));
        }
    }
    return out;
}

std::optional<std::size_t> match_placeholder_token_at(std::string_view text, std::size_t at) {
    return SpanScanner(text).token(at);
}
std::optional<std::size_t> match_url_at(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    return SpanScanner(text).url(at);
}
std::optional<std::size_t> match_email_at(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    return SpanScanner(text).email(at);
}
std::optional<std::size_t> match_brace_span_at(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    return SpanScanner(text).brace(at);
}
std::optional<std::size_t> match_citation_at(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    return SpanScanner(text).citation(at);
}
std::optional<std::size_t> match_number_at(std::string_view text, std::size_t at) {
    if (at >= text.size()) return std::nullopt;
    return SpanScanner(text).number(at);
}

std::optional<std::string_view> is_name_like_word(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const Utf8Step first = utf8_decode_at(text, 0);
    if (!is_name_start(first.scalar)) return std::nullopt;
    const std::size_t end = name_continuation_end(text, first.length);
    if (end == first.length) return std::nullopt;
    return text.substr(0, end);
}

bool is_excluded_capitalized_word(std::string_view word) {
    static constexpr std::array<std::string_view, 23> kExcluded = {
        "Eq",    "Fig",   "Tab",   "Vol",    "The",    "For",     "See",     "Page",
        "This",  "That",  "With",  "From",   "Table",  "Lemma",   "Using",   "Figure",
        "Volume", "Section", "Chapter", "Theorem", "Equation", "Appendix", "Algorithm",
    };
    return std::find(kExcluded.begin(), kExcluded.end(), word) != kExcluded.end();
}

}  // namespace zvk

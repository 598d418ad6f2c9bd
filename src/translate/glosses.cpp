// The glosses walk. Deciding a group needs its inner text, and a group that is
// kept lets the walk go on inside it, so a text of n opening parentheses and
// one closing one has n groups ending at the same place. Re-reading each inner
// text would cost n² (hours for a million '('); instead the closing
// parentheses are found in one backward pass, and the groups that end at one
// closing parenthesis are decided from counts gathered while sweeping back
// from it: each character then enters the counts once per parenthesis kind.
#include "translate/glosses.h"

#include <array>
#include <cstdint>
#include <limits>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {
namespace {

constexpr bool is_gloss_separator(char32_t c) {
    return is_unicode_white_space(c) || c == U',' || c == U'/' || c == U';' || c == 0x3001 ||
           c == 0xFF0C || c == 0xFF1B;
}

constexpr bool is_operator_char(char32_t c) {
    return is_ascii_digit(c) || c == U'\'' || c == U'*' || c == U'+' || c == U'-' || c == U'^' ||
           c == U'_' || c == 0x00B2 || c == 0x00B3 || (c >= 0x2070 && c <= 0x209F);
}

constexpr bool is_letter_like(char32_t c) {
    return is_ascii_letter(c) || (c >= 0x0391 && c <= 0x03C9) || (c >= 0x2200 && c <= 0x22FF);
}

constexpr bool is_ascii_capital(char32_t c) { return c >= U'A' && c <= U'Z'; }
constexpr bool is_ascii_small(char32_t c) { return c >= U'a' && c <= U'z'; }

constexpr std::array<std::string_view, 10> kFunctionNames = {"log", "exp", "sin", "cos", "tan",
                                                             "max", "min", "sup", "inf", "det"};

// Everything the word rules ask, as counts that do not depend on the order in
// which characters are added: a word can be built from its right end while the
// sweep moves left, or from its left end.
struct WordStats {
    std::size_t begin = 0;  // byte range of the word in the text
    std::size_t end = 0;
    std::uint32_t chars = 0;
    std::uint32_t not_operator = 0;
    std::uint32_t letter_like = 0;
    std::uint32_t neither_operator_nor_letter_like = 0;
    std::uint32_t neither_operator_nor_ascii_letter = 0;
    std::uint32_t ascii_letters = 0;
    std::uint32_t small_letters = 0;
    std::uint32_t capitals = 0;
    std::uint32_t not_alnum_or_ampersand = 0;
    std::uint32_t not_alnum = 0;
    std::uint32_t underscores_and_dots = 0;
    std::uint32_t not_lower_word_char = 0;
    char32_t first_letter = 0;  // leftmost ASCII letter
    char32_t first_char = 0;

    bool empty() const { return chars == 0; }

    void count(char32_t c) {
        ++chars;
        const bool op = is_operator_char(c);
        const bool ll = is_letter_like(c);
        const bool letter = is_ascii_letter(c);
        const bool digit = is_ascii_digit(c);
        if (!op) ++not_operator;
        if (ll) ++letter_like;
        if (!op && !ll) ++neither_operator_nor_letter_like;
        if (!op && !letter) ++neither_operator_nor_ascii_letter;
        if (letter) ++ascii_letters;
        if (is_ascii_small(c)) ++small_letters;
        if (is_ascii_capital(c)) ++capitals;
        if (!letter && !digit && c != U'&') ++not_alnum_or_ampersand;
        if (!letter && !digit) ++not_alnum;
        if (c == U'_' || c == U'.') ++underscores_and_dots;
        if (!is_ascii_small(c) && c != U'\'' && c != U'-') ++not_lower_word_char;
    }

    // Adds the character that stands just left of the word.
    void prepend(char32_t c, std::size_t offset, std::size_t length) {
        if (chars == 0) end = offset + length;
        begin = offset;
        count(c);
        if (is_ascii_letter(c)) first_letter = c;
        first_char = c;
    }

    static WordStats of(std::string_view text, std::size_t begin, std::size_t end) {
        WordStats w;
        w.begin = begin;
        w.end = end;
        for (Utf8Step step : Utf8Range(text.substr(begin, end - begin))) {
            if (w.chars == 0) w.first_char = step.scalar;
            if (w.first_letter == 0 && is_ascii_letter(step.scalar)) w.first_letter = step.scalar;
            w.count(step.scalar);
        }
        return w;
    }

    bool is_math_token(std::string_view text) const {
        const std::string_view word = text.substr(begin, end - begin);
        if (word.size() == 2 && ascii_lower(word) == "ln") return true;
        if (word.size() == 3) {
            const std::string lower = ascii_lower(word);
            for (std::string_view name : kFunctionNames) {
                if (lower == name) return true;
            }
        }
        if (word.size() > 3 && ascii_lower(word.substr(0, 3)) == "log") {
            // A word that begins with "log" is decided here, either way.
            return neither_operator_nor_ascii_letter == 0;
        }
        if (not_operator == 0) return true;
        return letter_like == 1 && neither_operator_nor_letter_like == 0;
    }

    bool is_acronym_like() const {
        return ascii_letters >= 2 && ascii_letters <= 8 && is_ascii_capital(first_letter) &&
               small_letters <= 1 && not_alnum_or_ampersand == 0;
    }

    bool is_identifier_like() const {
        if (is_acronym_like() || underscores_and_dots > 0) return true;
        // A capital first and another capital later (ResNet, BiLSTM).
        return is_ascii_capital(first_char) && capitals >= 2 && not_alnum == 0;
    }

    bool is_lower_case_word() const { return chars > 0 && not_lower_word_char == 0; }
};

// The words of a group seen so far, as counts.
struct WordTally {
    std::uint32_t words = 0;
    std::uint32_t math = 0;
    std::uint32_t identifiers = 0;
    std::uint32_t acronyms = 0;
    std::uint32_t lower = 0;
    std::size_t acronym_begin = 0;  // of the last acronym-like word added
    std::size_t acronym_end = 0;

    void add(const WordStats& w, std::string_view text) {
        ++words;
        if (w.is_math_token(text)) ++math;
        if (w.is_identifier_like()) ++identifiers;
        if (w.is_acronym_like()) {
            ++acronyms;
            acronym_begin = w.begin;
            acronym_end = w.end;
        }
        if (w.is_lower_case_word()) ++lower;
    }
};

// The rules from rule 5 on, over the tally of all the words of a group and the
// group-wide facts. `digits` counts ASCII digits, `has_space` a U+0020 inside
// the trimmed inner text.
GlossDecision decide_from_words(const WordTally& all, std::uint32_t digits, bool has_space,
                                std::string_view text) {
    using Kind = GlossDecision::Kind;
    if (all.words >= 1 && all.words <= 6 && all.math == all.words) return {Kind::Keep, {}};
    if (digits > 3) return {Kind::Keep, {}};
    if (all.identifiers == all.words) return {Kind::Keep, {}};
    if (has_space || (all.words == 1 && all.lower == 1)) {
        if (all.acronyms == 1 && has_space) {
            return {Kind::Reduce, text.substr(all.acronym_begin, all.acronym_end - all.acronym_begin)};
        }
        return {Kind::Remove, {}};
    }
    return {Kind::Keep, {}};
}

bool contains_et_al(std::string_view text) { return ascii_lower(text).find("et al") != std::string::npos; }

// One decoded character of the text.
struct Char {
    std::size_t offset;
    char32_t scalar;
    std::uint32_t length;
};

constexpr std::uint32_t kNoDecision = std::numeric_limits<std::uint32_t>::max();

struct PlannedGroup {
    GlossDecision decision;
    std::size_t close;  // index of the closing parenthesis in the characters
};

// What is known of the inner text of a group that ends at a fixed closing
// parenthesis, as its left end moves back one character at a time.
class GroupSweep {
public:
    GroupSweep(std::string_view text, std::size_t close_offset) : text_(text), close_offset_(close_offset) {}

    // The decision for the group whose inner text is what has been added.
    GlossDecision decide() const {
        using Kind = GlossDecision::Kind;
        if (!seen_non_white_) return {Kind::Keep, {}};
        if (has_web_ || has_et_al_ || has_cjk_) return {Kind::Keep, {}};
        WordTally all = complete_;
        if (!current_.empty()) all.add(current_, text_);
        return decide_from_words(all, digits_, has_space_, text_);
    }

    // Adds the character just left of the inner text so far.
    void prepend(const Char& ch) {
        const char32_t c = ch.scalar;
        if (is_unicode_white_space(c)) {
            // A space counts once a character that is not white space stands
            // on both sides of it: trimming would not remove it.
            if (c == U' ' && seen_non_white_) space_pending_ = true;
            close_word();
            return;
        }
        if (space_pending_) has_space_ = true;
        seen_non_white_ = true;
        if (is_ascii_digit(c)) ++digits_;
        if (is_post_edit_ideograph(c)) has_cjk_ = true;
        // The sought substrings begin and end with a character that is not
        // white space, so holding them in the inner text is holding them in
        // the trimmed one.
        const std::string_view rest = text_.substr(ch.offset, close_offset_ - ch.offset);
        if (rest.starts_with("http") || rest.starts_with("www.")) has_web_ = true;
        if ((c == U'e' || c == U'E') && rest.size() >= 5 && ascii_lower(rest.substr(0, 5)) == "et al") {
            has_et_al_ = true;
        }
        if (is_gloss_separator(c)) {
            close_word();
        } else {
            current_.prepend(c, ch.offset, ch.length);
        }
    }

private:
    void close_word() {
        if (current_.empty()) return;
        complete_.add(current_, text_);
        current_ = WordStats{};
    }

    std::string_view text_;
    std::size_t close_offset_;
    WordStats current_;  // the leftmost word, still growing
    WordTally complete_;  // the words right of it
    std::uint32_t digits_ = 0;
    bool seen_non_white_ = false;
    bool space_pending_ = false;
    bool has_space_ = false;
    bool has_web_ = false;
    bool has_et_al_ = false;
    bool has_cjk_ = false;
};

// Decides every group of one parenthesis kind: for each closing parenthesis,
// the opening ones between it and the previous closing one of the kind.
void plan_groups(std::string_view text, const std::vector<Char>& chars, char32_t open, char32_t close,
                 std::vector<std::uint32_t>& plan_of, std::vector<PlannedGroup>& plans) {
    std::size_t segment_start = 0;
    for (std::size_t c = 0; c < chars.size(); ++c) {
        if (chars[c].scalar != close) continue;
        GroupSweep sweep(text, chars[c].offset);
        for (std::size_t j = c; j-- > segment_start;) {
            if (chars[j].scalar == open) {
                plan_of[j] = static_cast<std::uint32_t>(plans.size());
                plans.push_back({sweep.decide(), c});
            }
            sweep.prepend(chars[j]);
        }
        segment_start = c + 1;
    }
}

}  // namespace

std::vector<std::string_view> split_gloss_words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        if (is_gloss_separator(step.scalar)) {
            if (in_word) words.push_back(text.substr(start, step.offset - start));
            in_word = false;
        } else if (!in_word) {
            start = step.offset;
            in_word = true;
        }
    }
    if (in_word) words.push_back(text.substr(start));
    return words;
}

bool is_acronym_like(std::string_view word) { return WordStats::of(word, 0, word.size()).is_acronym_like(); }

GlossDecision decide_gloss_group(std::string_view t) {
    using Kind = GlossDecision::Kind;
    if (t.empty()) return {Kind::Keep, {}};
    if (t.find("http") != std::string_view::npos || t.find("www.") != std::string_view::npos) {
        return {Kind::Keep, {}};
    }
    if (contains_et_al(t)) return {Kind::Keep, {}};
    std::uint32_t digits = 0;
    for (Utf8Step step : Utf8Range(t)) {
        if (is_post_edit_ideograph(step.scalar)) return {Kind::Keep, {}};
        if (is_ascii_digit(step.scalar)) ++digits;
    }
    WordTally all;
    for (std::string_view word : split_gloss_words(t)) {
        const auto begin = static_cast<std::size_t>(word.data() - t.data());
        all.add(WordStats::of(t, begin, begin + word.size()), t);
    }
    return decide_from_words(all, digits, t.find(' ') != std::string_view::npos, t);
}

std::string edit_parenthesised_glosses(std::string_view text) {
    std::vector<Char> chars;
    chars.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) {
        chars.push_back({step.offset, step.scalar, static_cast<std::uint32_t>(step.length)});
    }
    std::vector<std::uint32_t> plan_of(chars.size(), kNoDecision);
    std::vector<PlannedGroup> plans;
    plan_groups(text, chars, U'(', U')', plan_of, plans);
    plan_groups(text, chars, 0xFF08, 0xFF09, plan_of, plans);

    std::string out;
    out.reserve(text.size());
    auto bytes_of = [&](std::size_t i) { return text.substr(chars[i].offset, chars[i].length); };
    std::size_t i = 0;
    while (i < chars.size()) {
        if (plan_of[i] == kNoDecision) {
            out += bytes_of(i);
            ++i;
            continue;
        }
        const PlannedGroup& group = plans[plan_of[i]];
        switch (group.decision.kind) {
        case GlossDecision::Kind::Keep:
            // The walk goes on inside the group: its inner groups are decided
            // on their own.
            out += bytes_of(i);
            ++i;
            break;
        case GlossDecision::Kind::Reduce:
            out += bytes_of(i);
            out += group.decision.acronym;
            out += bytes_of(group.close);
            i = group.close + 1;
            break;
        case GlossDecision::Kind::Remove:
            i = group.close + 1;
            break;
        }
    }
    return out;
}

}  // namespace zvk

#include "translate/normalize.h"

#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/paragraph_merge.h"
#include "translate/answer_text.h"
#include "translate/comma_lists.h"
#include "translate/proper_names.h"

namespace zvk {
namespace {

constexpr bool is_full_width_digit(char32_t c) { return c >= 0xFF10 && c <= 0xFF19; }
constexpr bool is_any_digit(char32_t c) { return is_ascii_digit(c) || is_full_width_digit(c); }

constexpr std::string_view kPart = "部分";
constexpr std::string_view kOrdinal = "第";

// The CJK set of these edits takes CJK punctuation, kana and full-width
// forms along with the ideographs.
bool holds_cjk_char(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (is_cjk_character(step.scalar)) return true;
    }
    return false;
}

std::string_view leading_white_space(std::string_view text) {
    return text.substr(0, text.size() - trim_leading_white_space(text).size());
}

char32_t first_scalar(std::string_view text) { return text.empty() ? 0 : utf8_decode_at(text, 0).scalar; }

// Step 1: a text that is only "Part" and a number, in any case.
std::optional<std::string> lone_part_number(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (t.size() < 4 || ascii_lower(t.substr(0, 4)) != "part") return std::nullopt;
    if (t.size() > 4 && is_ascii_letter(static_cast<unsigned char>(t[4]))) return std::nullopt;
    const std::string_view digits = trim_white_space(t.substr(4));
    if (!is_all_ascii_digits(digits)) return std::nullopt;
    const std::size_t t_begin = static_cast<std::size_t>(t.data() - text.data());
    std::string out(text.substr(0, t_begin));
    out += kPart;
    out += ' ';
    out += digits;
    out += text.substr(t_begin + t.size());
    return out;
}

// Step 2: "part" as a word of its own in Chinese text, outside web addresses.
std::string replace_stray_part(std::string_view text) {
    if (!holds_cjk_char(text)) return std::string(text);
    const std::vector<bool> marked = mark_web_addresses(text, true);

    // ASCII letters are single bytes and no byte of a longer sequence is one,
    // so the rebuild can go byte by byte.
    auto letter_at = [&](std::size_t i) { return is_ascii_letter(static_cast<unsigned char>(text[i])); };
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        if (marked[i] || !letter_at(i)) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !marked[end] && letter_at(end)) ++end;
        const std::string_view word = text.substr(i, end - i);
        const bool alone = (i == 0 || !letter_at(i - 1)) && (end == text.size() || !letter_at(end));
        if (word.size() == 4 && ascii_lower(word) == "part" && alone) {
            out += kPart;
        } else {
            out += word;
        }
        i = end;
    }
    return out;
}

// What follows the digits of "部分 12…" makes them part of a longer number,
// a measure or a name ("部分 123", "部分3D模型", "部分 30%的用户", "部分 3.5"):
// no part heading then.
bool digits_go_on(std::string_view rest) {
    if (rest.empty()) return false;
    const Utf8Step next = utf8_decode_at(rest, 0);
    const char32_t c = next.scalar;
    if (is_any_digit(c) || is_ascii_letter(c) || c == U'%' || c == 0xFF05) return true;
    if ((c == U'.' || c == U',') && next.length < rest.size()) {
        return is_any_digit(first_scalar(rest.substr(next.length)));
    }
    return false;
}

std::string heading(std::string_view prefix, const LeadingDigits& number, std::string_view rest) {
    std::string out(prefix);
    out += kOrdinal;
    out += ' ';
    out += number.digits;
    out += ' ';
    out += kPart;
    out += rest;
    return out;
}

// Step 3: part headings in the order 第, number, 部分.
std::string order_part_heading(std::string text) {
    std::string_view rest = trim_leading_white_space(text);
    std::size_t prefix_size = text.size() - rest.size();
    if (starts_with_bullet(rest)) {
        rest.remove_prefix(utf8_decode_at(rest, 0).length);
        const std::string_view after_bullet = trim_leading_white_space(rest);
        prefix_size = text.size() - after_bullet.size();
        rest = after_bullet;
    }
    const std::string_view prefix = std::string_view(text).substr(0, prefix_size);
    if (rest.starts_with(kPart)) {
        const auto number = take_leading_digits(trim_leading_white_space(rest.substr(kPart.size())));
        if (!number || digits_go_on(number->rest)) return text;
        return heading(prefix, *number, number->rest);
    }
    if (rest.starts_with(kOrdinal)) {
        const auto number = take_leading_digits(trim_leading_white_space(rest.substr(kOrdinal.size())));
        if (!number) return text;
        const std::string_view after = trim_leading_white_space(number->rest);
        if (!after.starts_with(kPart)) return text;
        return heading(prefix, *number, after.substr(kPart.size()));
    }
    return text;
}

// A label before a colon is a label (编辑：) only when it is this short.
constexpr std::size_t kMaxLabelChars = 25;

constexpr std::string_view kFullColon = "\uFF1A";
constexpr std::string_view kAnd = "和";

// The offset of the last byte of the last ':' or '：' (so that the text up
// to it keeps the whole colon), or npos.
std::size_t last_colon(std::string_view text) {
    const std::size_t ascii = text.rfind(':');
    const std::size_t full = text.rfind(kFullColon);
    if (ascii == std::string_view::npos) return full == std::string_view::npos ? full : full + kFullColon.size() - 1;
    if (full == std::string_view::npos || ascii > full) return ascii;
    return full + kFullColon.size() - 1;
}

// The ASCII colon after a short Chinese label becomes the full-width one.
std::string full_width_label_colon(std::string candidate) {
    const std::size_t ascii = candidate.find(':');
    const std::size_t full = candidate.find(kFullColon);
    if (ascii == std::string::npos || (full != std::string::npos && full < ascii)) return candidate;
    const std::string_view label = trim_white_space(std::string_view(candidate).substr(0, ascii));
    if (label.empty() || count_scalar_values(label) >= kMaxLabelChars || !holds_cjk_char(label) ||
        is_ascii_digit(static_cast<unsigned char>(label.back()))) {
        return candidate;
    }
    candidate.replace(ascii, 1, kFullColon);
    return candidate;
}

}  // namespace

std::string fix_proper_name_line(std::string_view source, std::string_view translation) {
    const std::string_view s = trim_white_space(source);
    // A department name that translators render in many ways; this one form
    // is wanted, whatever the translation says.
    if (s == "Special Sales Department") return "特别销售部";
    if (match_proper_name_phrase(s, kShortNamePhraseWords)) return std::string(s);

    const bool and_list = s.starts_with("and ");
    std::string_view name_part;
    if (const std::size_t colon = s.rfind(':'); colon != std::string_view::npos) {
        name_part = s.substr(colon + 1);
    } else if (and_list) {
        name_part = s.substr(4);
    } else {
        return std::string(translation);
    }
    const std::string_view name = trim_white_space(name_part);
    if (!match_proper_name_phrase(name, kShortNamePhraseWords)) return std::string(translation);

    std::string candidate;
    // The name comes from the document and may be long (hyphens and
    // apostrophes are not counted by the phrase test): a linear search.
    const bool has_name = find_accepted_occurrence(translation, name, [](std::size_t) { return true; });
    if (has_name) {
        candidate = translation;
    } else if (const std::size_t colon = last_colon(translation); colon != std::string_view::npos) {
        candidate = translation.substr(0, colon + 1);
        candidate += name;
    } else if (and_list && trim_leading_white_space(translation).starts_with(kAnd)) {
        candidate = leading_white_space(translation);
        candidate += kAnd;
        candidate += ' ';
        candidate += name;
    } else {
        candidate = translation;
    }
    return full_width_label_colon(std::move(candidate));
}

std::optional<LeadingDigits> take_leading_digits(std::string_view text) {
    LeadingDigits out;
    std::size_t pos = 0;
    while (pos < text.size() && out.digits.size() < 2) {
        const Utf8Step step = utf8_decode_at(text, pos);
        if (is_ascii_digit(step.scalar)) {
            out.digits += static_cast<char>(step.scalar);
        } else if (is_full_width_digit(step.scalar)) {
            out.digits += static_cast<char>(U'0' + (step.scalar - 0xFF10));
        } else {
            break;
        }
        pos += step.length;
    }
    if (out.digits.empty()) return std::nullopt;
    out.rest = text.substr(pos);
    return out;
}

std::string normalize_translated_text(std::string_view text) {
    std::optional<std::string> lone = lone_part_number(text);
    return order_part_heading(lone ? std::move(*lone) : replace_stray_part(text));
}

std::string restore_leading_bullet(std::string_view source, std::string_view translation) {
    if (!starts_with_bullet(source)) return std::string(translation);
    const std::string_view t = trim_leading_white_space(translation);
    if (starts_with_bullet(t)) return std::string(t);
    const Utf8Step first = utf8_decode_at(trim_leading_white_space(source), 0);
    std::string out;
    // Symbol-font bullets sit in the private-use area, which the output font
    // has no glyph for.
    if (first.scalar >= 0xE000 && first.scalar <= 0xF8FF) {
        out = "\u25A0";
    } else {
        out = trim_leading_white_space(source).substr(0, first.length);
    }
    out += ' ';
    out += t;
    return out;
}

std::string restore_leading_number(std::string_view source, std::string_view translation) {
    const std::string_view s = trim_white_space(source);
    const std::optional<std::string_view> item = strip_list_number_prefix(s);
    if (!item) return std::string(translation);
    const std::string_view label = trim_white_space(s.substr(0, static_cast<std::size_t>(item->data() - s.data())));
    if (label.empty()) return std::string(translation);
    const std::string_view t = trim_leading_white_space(translation);
    if (t.starts_with(label) || (!t.empty() && is_ascii_digit(static_cast<unsigned char>(t[0])))) {
        return std::string(translation);
    }
    std::string out(leading_white_space(translation));
    out += label;
    out += ' ';
    out += t;
    return out;
}

std::vector<bool> mark_web_addresses(std::string_view text, bool www) {
    std::vector<bool> marked(text.size(), false);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view rest = text.substr(pos);
        if (rest.starts_with("https://") || rest.starts_with("http://") || (www && rest.starts_with("www."))) {
            std::size_t end = pos;
            while (end < text.size()) {
                const Utf8Step step = utf8_decode_at(text, end);
                if (is_unicode_white_space(step.scalar)) break;
                end += step.length;
            }
            for (std::size_t i = pos; i < end; ++i) marked[i] = true;
            pos = end;
            continue;
        }
        pos += utf8_decode_at(text, pos).length;
    }
    return marked;
}

}  // namespace zvk

#include "translate/post_edit.h"

#include <optional>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translate/comma_lists.h"
#include "translate/glosses.h"
#include "translate/section_labels.h"

namespace zvk {
namespace {

struct TagLabel {
    std::string_view tag;
    std::string_view label;
};

constexpr TagLabel kPromptTagLabels[] = {
    {"outputformat", "输出格式"}, {"instruction", "指令"}, {"examples", "示例"}, {"example", "示例"},
    {"persona", "角色"},          {"context", "背景"},     {"output", "输出"},   {"input", "输入"},
    {"text", "文本"},             {"tone", "语气"},
};

struct CalloutLabel {
    std::string_view word;
    std::string_view label;
};

// Tried in this order.
constexpr CalloutLabel kCalloutLabels[] = {
    {"definition", "定义"}, {"note", "注意"}, {"warning", "警告"}, {"tip", "提示"}};

constexpr bool is_callout_separator(char32_t c) {
    return c == U' ' || c == 0x00A0 || c == U',' || c == U':' || c == 0xFE55 || c == 0xFF0C || c == 0xFF1A;
}

constexpr bool is_colon_form(char32_t c) { return c == U':' || c == 0xFF1A || c == 0xFE55; }

constexpr std::string_view kFullColon = "\uFF1A";

void replace_all(std::string& text, std::string_view find, std::string_view with) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(find); at != std::string::npos; at = text.find(find, from)) {
        out.append(text, from, at - from);
        out += with;
        from = at + find.size();
    }
    if (from == 0) return;
    out.append(text, from);
    text = std::move(out);
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool holds_ideograph(std::string_view text) {
    for (Utf8Step step : Utf8Range(text)) {
        if (is_post_edit_ideograph(step.scalar)) return true;
    }
    return false;
}

bool holds_ascii_digit(std::string_view text) {
    for (char c : text) {
        if (is_ascii_digit(c)) return true;
    }
    return false;
}

std::string_view skip_callout_separators(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Utf8Step step = utf8_decode_at(text, pos);
        if (!is_callout_separator(step.scalar)) break;
        pos += step.length;
    }
    return text.substr(pos);
}

bool is_heading_word(std::string_view word) {
    const std::string lower = ascii_lower(word);
    return lower == "part" || lower == "chapter";
}

// "Part", "Chapter 12", "3 Part": a part or chapter heading.
bool is_part_or_chapter_heading(std::string_view source) {
    const std::vector<std::string_view> words = split_white_space_words(source);
    if (words.size() == 1) return is_heading_word(words[0]);
    if (words.size() == 2) {
        return (is_heading_word(words[0]) && is_all_ascii_digits(words[1])) ||
               (is_heading_word(words[1]) && is_all_ascii_digits(words[0]));
    }
    return false;
}

// The translation collapsed the heading into one CJK character (章, 部).
bool is_single_cjk_char(std::string_view translation) {
    const std::vector<char32_t> chars = collect_non_whitespace_chars(translation);
    return chars.size() == 1 && is_cjk_character(chars[0]);
}

// The source is nothing but angle-bracket tags and white space.
bool is_tags_only(std::string_view source) {
    if (!contains(source, "<")) return false;
    bool in_span = false;
    for (Utf8Step step : Utf8Range(source)) {
        const char32_t c = step.scalar;
        if (in_span) {
            if (c == U'>') in_span = false;
        } else if (c == U'<') {
            in_span = true;
        } else if (c != U'>' && !is_unicode_white_space(c)) {
            return false;
        }
    }
    return true;
}

// "<", an optional "/", ASCII letters and ">" at the start of a text: its
// length (0 when no such tag starts there) and its name.
struct Tag {
    std::size_t length = 0;
    bool closing = false;
    std::string_view name;
};

Tag read_tag(std::string_view text) {
    Tag tag;
    std::size_t pos = 1;  // after '<'
    if (pos < text.size() && text[pos] == '/') {
        tag.closing = true;
        ++pos;
    }
    const std::size_t name_begin = pos;
    while (pos < text.size() && is_ascii_letter(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos == name_begin || pos >= text.size() || text[pos] != '>') return {};
    tag.name = text.substr(name_begin, pos - name_begin);
    tag.length = pos + 1;
    return tag;
}

const TagLabel* find_prompt_tag(std::string_view name) {
    const std::string lower = ascii_lower(name);
    for (const TagLabel& row : kPromptTagLabels) {
        if (lower == row.tag) return &row;
    }
    return nullptr;
}

// Step 2: prompt mark-up tags written with their Chinese names, or nothing
// when no tag of the table was found. Tags are ASCII, so the copy can go
// byte by byte.
std::optional<std::string> localize_prompt_tags(std::string_view translation) {
    std::string out;
    out.reserve(translation.size());
    bool replaced = false;
    std::size_t pos = 0;
    while (pos < translation.size()) {
        if (translation[pos] == '<') {
            const Tag tag = read_tag(translation.substr(pos));
            const TagLabel* row = tag.length != 0 ? find_prompt_tag(tag.name) : nullptr;
            if (row != nullptr) {
                out += tag.closing ? "</" : "<";
                out += row->label;
                out += '>';
                pos += tag.length;
                replaced = true;
                continue;
            }
        }
        out += translation[pos++];
    }
    if (!replaced) return std::nullopt;
    return out;
}

// Step 7: 如1.2图 written 如图1.2.
std::string reorder_figure_reference(std::string_view text) {
    constexpr std::string_view kAs = "如";
    constexpr std::string_view kFigure = "图";
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    auto digits_from = [&](std::size_t at) {
        std::size_t end = at;
        while (end < text.size() && is_ascii_digit(static_cast<unsigned char>(text[end]))) ++end;
        return end;
    };
    while (pos < text.size()) {
        if (text.substr(pos).starts_with(kAs)) {
            const std::size_t first = pos + kAs.size();
            const std::size_t first_end = digits_from(first);
            if (first_end > first && first_end < text.size() && text[first_end] == '.') {
                const std::size_t second_end = digits_from(first_end + 1);
                if (second_end > first_end + 1 && text.substr(second_end).starts_with(kFigure)) {
                    out += kAs;
                    out += kFigure;
                    out += text.substr(first, second_end - first);
                    pos = second_end + kFigure.size();
                    continue;
                }
            }
        }
        const std::size_t length = utf8_decode_at(text, pos).length;
        out += text.substr(pos, length);
        pos += length;
    }
    return out;
}

// Step 9: Note, Warning, Tip and Definition as "注意：…".
std::string localize_callout_label(std::string_view source, std::string text) {
    const std::string_view l = trim_leading_white_space(source);
    const CalloutLabel* row = nullptr;
    for (const CalloutLabel& candidate : kCalloutLabels) {
        if (starts_with_word(l, candidate.word)) {
            row = &candidate;
            break;
        }
    }
    if (row == nullptr) return text;
    const std::string_view t = trim_leading_white_space(text);
    std::string_view c = t;
    constexpr std::string_view kPlease = "请";
    if (t.starts_with(kPlease)) {
        const std::string_view rest = trim_leading_white_space(t.substr(kPlease.size()));
        if (rest.starts_with(row->label)) c = rest;
    }
    std::string_view r;
    if (c.starts_with(row->label)) {
        r = skip_callout_separators(c.substr(row->label.size()));
    } else if (starts_with_word(t, row->word)) {
        r = skip_callout_separators(t.substr(row->word.size()));
    } else {
        return text;
    }
    if (r.empty()) return text;
    std::string out(row->label);
    out += kFullColon;
    out += r;
    return out;
}

// Step 11: 股票 12 : written 股票12：.
std::string normalize_stock_label(std::string_view text) {
    constexpr std::string_view kStock = "股票";
    auto skip_white = [&](std::size_t pos) {
        while (pos < text.size()) {
            const Utf8Step step = utf8_decode_at(text, pos);
            if (!is_unicode_white_space(step.scalar)) break;
            pos += step.length;
        }
        return pos;
    };
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos).starts_with(kStock)) {
            const std::size_t digits = skip_white(pos + kStock.size());
            std::size_t digits_end = digits;
            while (digits_end < text.size() && is_ascii_digit(static_cast<unsigned char>(text[digits_end]))) {
                ++digits_end;
            }
            const std::size_t colon = skip_white(digits_end);
            if (digits_end > digits && colon < text.size()) {
                const Utf8Step step = utf8_decode_at(text, colon);
                if (is_colon_form(step.scalar)) {
                    out += kStock;
                    out += text.substr(digits, digits_end - digits);
                    out += kFullColon;
                    pos = skip_white(colon + step.length);
                    continue;
                }
            }
        }
        const std::size_t length = utf8_decode_at(text, pos).length;
        out += text.substr(pos, length);
        pos += length;
    }
    return out;
}

}  // namespace

bool starts_with_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    if (ascii_lower(text.substr(0, word.size())) != ascii_lower(word)) return false;
    return text.size() == word.size() || !is_ascii_letter(static_cast<unsigned char>(text[word.size()]));
}

std::string post_edit_translation(std::string_view source, std::string_view translation) {
    // 1. A part or chapter heading: the translator often leaves one character.
    if (is_part_or_chapter_heading(source)) {
        if (!holds_ascii_digit(source)) return std::string(source);
        if (is_single_cjk_char(translation)) return std::string(source);
    }
    // 2. A source made only of prompt tags: the tags get their Chinese names.
    if (is_tags_only(source)) {
        if (std::optional<std::string> tags = localize_prompt_tags(translation)) return std::move(*tags);
    }
    // 3. Everything below edits Chinese text.
    if (!holds_ideograph(translation)) return std::string(translation);

    std::string text = edit_parenthesised_glosses(translation);
    replace_all(text, "（莱格链）", "");
    replace_all(text, "(莱格链)", "");
    replace_all(text, "中篇（Medium）", "Medium");
    replace_all(text, "中篇(Medium)", "Medium");
    if (contains(source, "high-stakes") || contains(source, "high stakes")) {
        replace_all(text, "高 stakes ", "高风险");
        replace_all(text, "高 stakes", "高风险");
        replace_all(text, "高stakes", "高风险");
    }
    text = reorder_figure_reference(text);
    if (contains(ascii_lower(source), "attributes and properties")) replace_all(text, "属性和属性", "属性和特性");
    text = localize_callout_label(source, std::move(text));
    text = rewrite_section_label_line(source, text);
    text = normalize_stock_label(text);

    const std::string_view s = trim_trailing_white_space(source);
    if (s.ends_with("user") && !contains(ascii_lower(source), "request")) replace_all(text, "用户请求", "用户");
    if (s.ends_with(" at")) {
        const std::string_view body = trim_trailing_white_space(text);
        if (body.ends_with(" at")) text.erase(body.size() - 3, 3);
    }
    return text;
}

}  // namespace zvk

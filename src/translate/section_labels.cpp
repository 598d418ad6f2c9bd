#include "translate/section_labels.h"

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translate/comma_lists.h"
#include "translate/glosses.h"
#include "translate/normalize.h"

namespace zvk {
namespace {

constexpr bool is_label_separator(char32_t c) { return c == U' ' || c == U':' || c == 0xFF1A || c == 0xFE55; }

constexpr bool is_english_run_char(char32_t c) {
    if (is_ascii_letter(c) || is_ascii_digit(c) || is_unicode_white_space(c)) return true;
    switch (c) {
    case U'!': case U'\'': case U'(': case U')': case U',': case U'-': case U'.': case U'/':
    case U':': case U';': case U'?': case U'"':
    case 0x2013: case 0x2014: case 0x2018: case 0x2019: case 0x201C: case 0x201D:
        return true;
    default:
        return false;
    }
}

constexpr bool is_hyphen(char32_t c) { return c == U'-' || c == 0x00AD || c == 0x2010; }

constexpr char32_t kOpenQuote = 0x201C;
constexpr char32_t kCloseQuote = 0x201D;

constexpr std::string_view kOutputFormatAliases[] = {"输出格式"};
constexpr std::string_view kInstructionAliases[] = {"说明", "指令"};
constexpr std::string_view kExampleAliases[] = {"示例"};
constexpr std::string_view kPersonaAliases[] = {"角色设定", "人设", "角色"};
constexpr std::string_view kContextAliases[] = {"背景"};
constexpr std::string_view kInputAliases[] = {"输入"};
constexpr std::string_view kOutputAliases[] = {"输出"};
constexpr std::string_view kTextAliases[] = {"文字", "文本"};
constexpr std::string_view kToneAliases[] = {"语调", "语气"};

// In this order: "output format" must be tried before "output".
constexpr SectionLabel kSectionLabels[] = {
    {"output format", "输出格式", kOutputFormatAliases},
    {"instruction", "指令", kInstructionAliases},
    {"example", "示例", kExampleAliases},
    {"persona", "角色", kPersonaAliases},
    {"context", "背景", kContextAliases},
    {"input", "输入", kInputAliases},
    {"output", "输出", kOutputAliases},
    {"text", "文本", kTextAliases},
    {"tone", "语气", kToneAliases},
};

// "输出" followed by an ideograph is the start of a sentence (输出结果为…),
// not the label.
constexpr std::string_view kOutputAlias = "输出";
// The label the text row keeps whatever alias the translator used.
constexpr std::string_view kTextLabel = "文本";

std::string_view skip_label_separators(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Utf8Step step = utf8_decode_at(text, pos);
        if (!is_label_separator(step.scalar)) break;
        pos += step.length;
    }
    return text.substr(pos);
}

std::size_t count_cjk_chars(std::string_view text) {
    std::size_t n = 0;
    for (Utf8Step step : Utf8Range(text)) {
        if (is_cjk_character(step.scalar)) ++n;
    }
    return n;
}

bool alias_matches(std::string_view t, std::string_view alias) {
    if (!t.starts_with(alias)) return false;
    const std::string_view after = t.substr(alias.size());
    if (after.empty()) return true;
    const char32_t c = utf8_decode_at(after, 0).scalar;
    return is_label_separator(c) || (alias != kOutputAlias && is_post_edit_ideograph(c));
}

}  // namespace

bool starts_with_caps_label(std::string_view text, std::string_view key) {
    if (text.size() < key.size()) return false;
    const std::string_view head = text.substr(0, key.size());
    if (ascii_lower(head) != key) return false;
    for (char c : head) {
        if (c >= 'a' && c <= 'z') return false;
    }
    if (text.size() > key.size()) {
        const char next = text[key.size()];
        if (next >= 'a' && next <= 'z') return false;
    }
    return true;
}

const SectionLabel* match_section_label(std::string_view text) {
    for (const SectionLabel& row : kSectionLabels) {
        if (starts_with_caps_label(text, row.key)) return &row;
    }
    return nullptr;
}

std::string rewrite_section_label_line(std::string_view source, std::string_view translation) {
    const std::string_view s = trim_leading_white_space(source);
    const SectionLabel* row = match_section_label(s);
    if (row == nullptr) return std::string(translation);
    std::string_view label = row->label;

    std::string_view t = trim_white_space(translation);
    std::string_view english;
    if (starts_with_caps_label(s, "output format")) {
        english = "output format";
    } else {
        std::size_t n = 0;
        while (n < s.size() && is_ascii_letter(static_cast<unsigned char>(s[n]))) ++n;
        english = s.substr(0, n);
    }
    if (t.size() >= english.size() && ascii_lower(t.substr(0, english.size())) == ascii_lower(english)) {
        t = skip_label_separators(t.substr(english.size()));
    }
    std::string text = tidy_quotes_and_spaces(drop_long_english_runs(t));

    std::string rest = text;
    for (std::string_view alias : row->aliases) {
        if (!alias_matches(text, alias)) continue;
        rest = std::string(skip_label_separators(std::string_view(text).substr(alias.size())));
        if (row->label != kTextLabel) label = alias;
        break;
    }
    const std::string body = tidy_quotes_and_spaces(rest);

    if (body.empty()) return std::string(label);
    const std::string full_colon = std::string(label) + "\uFF1A";
    const std::string ascii_colon = std::string(label) + ":";
    if (body.starts_with(full_colon) || body.starts_with(ascii_colon)) return body;
    return full_colon + body;
}

std::string post_edit_section_label(std::string_view source, std::string_view translation) {
    std::string r = rewrite_section_label_line(source, translation);
    if (match_section_label(trim_leading_white_space(source)) != nullptr) return r;
    return drop_long_english_runs(r);
}

std::string drop_long_english_runs(std::string_view text) {
    if (count_cjk_chars(text) < 2) return std::string(text);
    std::vector<bool> drop(text.size(), false);
    bool any = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Utf8Step first = utf8_decode_at(text, pos);
        if (!is_ascii_letter(first.scalar)) {
            pos += first.length;
            continue;
        }
        // The run: English-run characters from this letter on. Words are the
        // runs of two ASCII letters or more inside it.
        const std::size_t start = pos;
        std::size_t words = 0;
        std::size_t letters = 0;
        while (pos < text.size()) {
            const Utf8Step step = utf8_decode_at(text, pos);
            if (!is_english_run_char(step.scalar)) break;
            if (is_ascii_letter(step.scalar)) {
                ++letters;
            } else {
                if (letters >= 2) ++words;
                letters = 0;
            }
            pos += step.length;
        }
        if (letters >= 2) ++words;
        if (words > 5) {
            for (std::size_t i = start; i < pos; ++i) drop[i] = true;
            any = true;
        }
    }
    if (!any) return std::string(text);
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!drop[i]) kept += text[i];
    }
    std::string r = tidy_quotes_and_spaces(kept);
    if (count_cjk_chars(r) >= 2) return r;
    return std::string(text);
}

std::string tidy_quotes_and_spaces(std::string_view text) {
    std::vector<Utf8Step> chars;
    chars.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step);
    // For each character, whether the next curly quotation mark to its right
    // is an opening one: found for all in one backward pass.
    std::vector<bool> next_curly_opens(chars.size(), false);
    bool opens = false;
    for (std::size_t i = chars.size(); i-- > 0;) {
        next_curly_opens[i] = opens;
        if (chars[i].scalar == kOpenQuote) opens = true;
        if (chars[i].scalar == kCloseQuote) opens = false;
    }
    // The index after the closing mark that ends an empty quotation opened
    // at i (only white space between), or 0.
    auto empty_quotation_end = [&](std::size_t i) -> std::size_t {
        std::size_t j = i + 1;
        while (j < chars.size() && is_unicode_white_space(chars[j].scalar)) ++j;
        if (j < chars.size() && (chars[j].scalar == U'"' || chars[j].scalar == kCloseQuote)) return j + 1;
        return 0;
    };

    std::string quoted;
    quoted.reserve(text.size());
    std::size_t i = 0;
    while (i < chars.size()) {
        const char32_t c = chars[i].scalar;
        if (c == kOpenQuote && next_curly_opens[i]) {
            ++i;
            continue;
        }
        if (c == kOpenQuote || c == U'"') {
            if (const std::size_t end = empty_quotation_end(i); end != 0) {
                i = end;
                continue;
            }
        }
        quoted += text.substr(chars[i].offset, chars[i].length);
        ++i;
    }

    std::string spaced;
    spaced.reserve(quoted.size());
    for (std::size_t k = 0; k < quoted.size(); ++k) {
        if (quoted[k] == ' ' && k > 0 && quoted[k - 1] == ' ') continue;
        spaced += quoted[k];
    }
    return std::string(trim_white_space(spaced));
}

std::string remove_cjk_hyphens(std::string_view text) {
    std::vector<Utf8Step> chars;
    chars.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) chars.push_back(step);
    const std::vector<bool> marked = mark_web_addresses(text, false);

    // The nearest character to the right that is not white space, for every
    // position, from one backward pass.
    constexpr char32_t kNone = 0x110000;  // beyond every scalar value
    std::vector<char32_t> right_of(chars.size(), kNone);
    char32_t right = kNone;
    for (std::size_t i = chars.size(); i-- > 0;) {
        right_of[i] = right;
        if (!is_unicode_white_space(chars[i].scalar)) right = chars[i].scalar;
    }

    std::string out;
    out.reserve(text.size());
    bool has_left = false;
    char32_t left = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const Utf8Step& ch = chars[i];
        const bool drop = is_hyphen(ch.scalar) && !marked[ch.offset] && has_left && is_cjk_character(left) &&
                          (right_of[i] == kNone || is_cjk_character(right_of[i]));
        if (!drop) out += text.substr(ch.offset, ch.length);
        if (!is_unicode_white_space(ch.scalar)) {
            has_left = true;
            left = ch.scalar;
        }
    }
    return out;
}

std::vector<std::pair<std::size_t, std::string>> clean_answer_texts(
    std::vector<std::pair<std::size_t, std::string>> answers) {
    for (auto& answer : answers) answer.second = normalize_translated_text(remove_cjk_hyphens(answer.second));
    return answers;
}

}  // namespace zvk

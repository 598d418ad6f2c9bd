#include "translate/reference_lines.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {
namespace {

// Compared byte for byte with a normalised heading; all lower case, NFC.
constexpr std::array<std::string_view, 47> kReferenceHeadings = {
    "references", "reference", "bibliography", "bibliographies", "works cited", "work cited",
    "literature cited", "cited literature", "cited references", "references and notes",
    "notes and references", "selected references", "selected bibliography", "bibliographic references",
    "bibliographical references", "references cited", "参考文献", "引用文献", "参考资料", "參考文獻",
    "參考資料", "文献", "文献一覧", "literatur", "literaturverzeichnis", "literaturangaben",
    "schriftenverzeichnis", "quellenverzeichnis", "bibliographie", "bibliografie", "références",
    "références bibliographiques", "ouvrages cités", "bibliografía", "referencias",
    "referencias bibliográficas", "obras citadas", "referências", "bibliografia",
    "riferimenti bibliografici", "riferimenti", "литература", "список литературы", "библиография",
    "literatuur", "referenties", "piśmiennictwo",
};

// "online methods" is ours: journals such as Nature Neuroscience print their
// methods after the numbered reference list, and without it a list that
// opened on its entries runs on over the whole methods page.
constexpr std::array<std::string_view, 40> kBackMatterHeadings = {
    "appendix", "appendices", "annex", "annexes", "supplementary", "supplementary material",
    "supplementary materials", "supplemental material", "supplemental materials", "supporting information",
    "acknowledgments", "acknowledgements", "acknowledgment", "acknowledgement", "funding",
    "author contributions", "authors contributions", "conflict of interest", "conflicts of interest",
    "competing interests", "data availability", "code availability", "ethics statement", "附录", "附錄",
    "致谢", "致謝", "謝辭", "补充材料", "補充材料", "anhang", "danksagung", "annexe", "remerciements",
    "agradecimientos", "agradecimentos", "ringraziamenti", "приложение", "приложения", "online methods",
};

constexpr std::array<std::string_view, 7> kNameParticles = {"et", "al", "ed", "jr", "sr", "and", "eds"};

constexpr std::array<std::string_view, 15> kNeverSurnames = {
    "Eq",     "Fig",     "Tab",     "Vol",     "Page",     "Table",    "Lemma",     "Figure",
    "Volume", "Section", "Chapter", "Theorem", "Equation", "Appendix", "Algorithm",
};

constexpr std::array<std::string_view, 19> kProseWords = {
    "is",   "the",  "and",  "are",  "was",  "for",   "may",   "can",   "not",   "were",
    "this", "that", "with", "from", "also", "using", "their", "these", "those",
};

template <std::size_t N>
bool in_table(const std::array<std::string_view, N>& table, std::string_view word) {
    return std::find(table.begin(), table.end(), word) != table.end();
}

// Tab, line feed, form feed, carriage return and space; not vertical tab.
constexpr bool is_ascii_white_space(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr bool is_roman_letter(char c) {
    switch (c) {
    case 'C': case 'D': case 'I': case 'L': case 'M': case 'V': case 'X':
    case 'c': case 'd': case 'i': case 'l': case 'm': case 'v': case 'x':
        return true;
    default:
        return false;
    }
}

bool is_upper_start(char32_t c) {
    return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && u_isUUppercase(static_cast<UChar32>(c)));
}

// The first scalar of a non-empty text and its byte length.
Utf8Step first_scalar(std::string_view text) { return utf8_decode_at(text, 0); }

// Strips '.', ':', '．' and '：' from both ends, repeatedly.
std::string_view strip_heading_punctuation(std::string_view text) {
    auto is_mark = [](char32_t c) { return c == U'.' || c == U':' || c == 0xFF0E || c == 0xFF1A; };
    for (;;) {
        if (text.empty()) return text;
        Utf8Step head = first_scalar(text);
        if (head.valid && is_mark(head.scalar)) {
            text.remove_prefix(head.length);
            continue;
        }
        std::size_t start = text.size() - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        Utf8Step tail = utf8_decode_at(text, start);
        if (tail.valid && start + tail.length == text.size() && is_mark(tail.scalar)) {
            text.remove_suffix(tail.length);
            continue;
        }
        return text;
    }
}

// 1 to 4 ASCII digits followed by ')' or '.': how a numbered entry starts.
bool starts_with_entry_number(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && is_ascii_digit(t[i])) ++i;
    return i >= 1 && i <= 4 && i < t.size() && (t[i] == ')' || t[i] == '.');
}

bool is_lettered_heading(std::string_view t) {
    if (t.size() < 3 || count_scalar_values(t) > 80) return false;
    if (t[0] < 'A' || t[0] > 'Z' || is_ascii_letter(t[1])) return false;
    std::size_t j = 1;
    if (t[1] == '.') {
        j = 2;
        while (j < t.size() && (is_ascii_digit(t[j]) || t[j] == '.')) ++j;
        if (j == 2) return false;
    }
    if (j == t.size() || !is_ascii_white_space(t[j])) return false;
    while (j < t.size() && is_ascii_white_space(t[j])) ++j;
    return j < t.size() && t[j] >= 'A' && t[j] <= 'Z';
}

// After an opening '[' or '［', the rest; nothing when there is no such bracket.
std::optional<std::string_view> after_opening_bracket(std::string_view s) {
    if (s.starts_with("[")) return s.substr(1);
    if (s.starts_with("\uFF3B")) return s.substr(3);
    return std::nullopt;
}

bool is_closing_bracket(char32_t c) { return c == U']' || c == 0xFF3D; }

}  // namespace

std::string collapse_whitespace(std::string_view text) {
    std::string out;
    for (std::string_view word : split_white_space_words(text)) {
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

std::string unicode_lowercase(std::string_view text) {
    // Most texts are ASCII, whose full lower-case mapping is the ASCII one.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return ascii_lower(text);
    }
    std::vector<UChar> source;
    source.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) {
        const auto c = static_cast<UChar32>(step.scalar);
        if (U_IS_BMP(c)) {
            source.push_back(static_cast<UChar>(c));
        } else {
            source.push_back(U16_LEAD(c));
            source.push_back(U16_TRAIL(c));
        }
    }
    // A full mapping can lengthen a text (one unit to three at most); retry
    // once with the size ICU asks for.
    std::vector<UChar> lowered(source.size() + 16);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_strToLower(lowered.data(), static_cast<int32_t>(lowered.size()), source.data(),
                                  static_cast<int32_t>(source.size()), "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        lowered.assign(static_cast<std::size_t>(length) + 1, 0);
        status = U_ZERO_ERROR;
        length = u_strToLower(lowered.data(), static_cast<int32_t>(lowered.size()), source.data(),
                              static_cast<int32_t>(source.size()), "", &status);
    }
    if (U_FAILURE(status)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(lowered.data(), i, length, c);
        append_utf8(out, static_cast<char32_t>(c));
    }
    return out;
}

std::string normalize_heading_text(std::string_view text) {
    std::string_view t = trim_white_space(text);
    if (auto rest = strip_leading_numbering(t)) t = *rest;
    t = strip_heading_punctuation(trim_white_space(t));
    return unicode_lowercase(collapse_whitespace(t));
}

bool is_reference_heading(std::string_view text) {
    return in_table(kReferenceHeadings, normalize_heading_text(text));
}

bool is_back_matter_heading(std::string_view text) {
    if (count_scalar_values(trim_white_space(text)) > 48) return false;
    const std::string n = normalize_heading_text(text);
    for (std::string_view e : kBackMatterHeadings) {
        if (n == e) return true;
        if (n.size() > e.size() && n.starts_with(e) && n[e.size()] == ' ') return true;
    }
    return false;
}

std::optional<std::string_view> strip_leading_numbering(std::string_view t) {
    if (t.empty()) return std::nullopt;
    std::size_t i = 0;
    if (is_ascii_digit(t[0])) {
        while (i < t.size() && is_ascii_digit(t[i])) ++i;
        if (i == t.size()) return std::nullopt;
        if (t[i] == '.') {
            ++i;
            if (i == t.size()) return std::nullopt;
            while (i < t.size() && (is_ascii_digit(t[i]) || t[i] == '.')) ++i;
            if (i == t.size()) return std::nullopt;
        } else if (t[i] == ')') {
            ++i;
        }
    } else if (is_ascii_letter(t[0])) {
        std::size_t n = 0;
        while (n < t.size() && is_ascii_letter(t[n])) ++n;
        const bool closed = n < t.size() && (t[n] == '.' || t[n] == ')');
        if (n == 1 && closed) {
            i = 2;
        } else {
            if (n > 6) return std::nullopt;
            for (std::size_t k = 0; k < n; ++k) {
                if (!is_roman_letter(t[k])) return std::nullopt;
            }
            i = closed ? n + 1 : n;
        }
    } else {
        return std::nullopt;
    }
    if (i >= t.size()) return std::nullopt;
    if (is_ascii_white_space(t[i])) {
        while (i < t.size() && is_ascii_white_space(t[i])) ++i;
        if (i == t.size()) return std::nullopt;
        return t.substr(i);
    }
    Utf8Step step = utf8_decode_at(t, i);
    if (step.valid && is_upper_start(step.scalar)) return t.substr(i);
    return std::nullopt;
}

bool is_numbered_section_title(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    const std::size_t chars = count_scalar_values(t);
    if (chars < 3 || chars > 60) return false;
    if (find_year(t)) return false;
    if (looks_like_bibliography_entry(t)) return false;
    const auto rest = strip_leading_numbering(t);
    if (!rest) return false;
    const auto words = split_white_space_words(*rest);
    if (words.empty() || words.size() > 8) return false;
    const std::string_view first = words.front();
    if ((first[0] >= 'a' && first[0] <= 'z') || first.back() == ',') return false;
    return true;
}

bool ends_reference_section(std::string_view text) {
    if (is_reference_heading(text)) return false;
    if (looks_like_bibliography_entry(text)) return false;
    if (is_back_matter_heading(text)) return true;
    if (is_numbered_section_title(text)) return true;
    return is_lettered_heading(trim_white_space(text));
}

std::optional<std::size_t> find_year(std::string_view text) {
    std::size_t i = 0;
    while (i + 4 <= text.size()) {
        if (is_ascii_digit(text[i]) && (i == 0 || !is_ascii_digit(text[i - 1]))) {
            std::size_t end = i;
            int value = 0;
            while (end < text.size() && is_ascii_digit(text[end])) {
                if (end - i < 4) value = value * 10 + (text[end] - '0');
                ++end;
            }
            if (end - i == 4 && value >= 1900 && value <= 2099) return i;
            i = end;
        } else {
            ++i;
        }
    }
    return std::nullopt;
}

bool is_bracketed_number_entry(std::string_view text) {
    const auto rest = after_opening_bracket(trim_leading_white_space(text));
    if (!rest || rest->empty()) return false;
    std::size_t digits = 0;
    while (digits < rest->size() && is_ascii_digit((*rest)[digits])) ++digits;
    if (digits < 1 || digits > 3 || digits == rest->size()) return false;
    const char32_t next = utf8_decode_at(*rest, digits).scalar;
    return next == U',' || next == U'-' || next == U']' || next == 0x2013 || next == 0xFF3D || next == 0xFF0C;
}

bool is_bracketed_key_entry(std::string_view text) {
    const auto rest = after_opening_bracket(trim_leading_white_space(text));
    if (!rest || rest->empty() || !is_ascii_letter((*rest)[0])) return false;
    const std::string_view k = *rest;
    std::size_t letters = 0, digits = 0, taken = 0, i = 0;
    for (;;) {
        if (i == k.size()) return false;
        const char c = k[i];
        if (is_ascii_letter(c) || is_ascii_digit(c) || c == '+') {
            if (is_ascii_letter(c)) ++letters;
            if (is_ascii_digit(c)) ++digits;
            if (++taken == 13) return false;
            ++i;
            continue;
        }
        if (letters < 2) return false;
        if (c == ' ') {
            if (i + 3 >= k.size() || !is_ascii_digit(k[i + 1]) || !is_ascii_digit(k[i + 2])) return false;
            i += 3;
        } else if (digits == 0) {
            return false;
        }
        return is_closing_bracket(utf8_decode_at(k, i).scalar);
    }
}

bool matches_author_year_entry(std::string_view text) {
    const std::string_view s = trim_leading_white_space(text);
    if (s.empty()) return false;
    const Utf8Step head = first_scalar(s);
    if (!head.valid || !is_upper_start(head.scalar)) return false;
    std::size_t end = head.length, chars = 1;
    while (end < s.size()) {
        const Utf8Step step = utf8_decode_at(s, end);
        const char32_t c = step.scalar;
        const bool part = is_ascii_letter(c) ||
                          (step.valid && c >= 0xAA && u_isUAlphabetic(static_cast<UChar32>(c))) ||
                          c == U'\'' || c == U'-' || c == 0x2019 || c == 0x2010;
        if (!part) break;
        end += step.length;
        ++chars;
    }
    if (chars < 2 || in_table(kNeverSurnames, s.substr(0, end))) return false;
    const std::string_view after = trim_leading_white_space(s.substr(end));
    return after.starts_with(",") || after.starts_with("\uFF0C");
}

bool looks_like_bibliography_entry(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (count_scalar_values(t) < 8) return false;
    if (is_bracketed_number_entry(t) || is_bracketed_key_entry(t)) return true;
    if (starts_with_entry_number(t)) {
        // The year must follow the number: "1995) and by 18-" is the end of
        // a citation broken over two lines, its number no entry's.
        std::size_t number = 0;
        while (is_ascii_digit(t[number])) ++number;
        if (find_year(t.substr(number + 1))) return true;
        const auto rest = strip_leading_numbering(t);
        if (rest && matches_author_year_entry(*rest)) return true;
    }
    return matches_author_year_entry(t) && find_year(t).has_value();
}

bool looks_like_author_list(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    if (count_scalar_values(t) < 8) return false;
    const auto words = split_white_space_words(t);
    if (words.size() < 3) return false;
    std::size_t capitalised = 0;
    for (std::string_view word : words) {
        std::string letters;
        for (char c : word) {
            if (is_ascii_letter(c)) letters += c;
        }
        if (letters.empty() || in_table(kNameParticles, ascii_lower(letters))) continue;
        if (letters[0] >= 'A' && letters[0] <= 'Z') {
            ++capitalised;
        } else {
            return false;
        }
    }
    return capitalised >= 2 &&
           (t.find(',') != std::string_view::npos || t.find("\uFF0C") != std::string_view::npos);
}

bool reads_like_prose(std::string_view text) {
    const auto words = split_white_space_words(text);
    if (words.size() < 6) return false;
    for (std::string_view word : words) {
        std::string letters;
        for (char c : word) {
            if (is_ascii_letter(c)) letters += ascii_lower_char(c);
        }
        if (in_table(kProseWords, letters)) return true;
    }
    return false;
}

}  // namespace zvk

#include "segment/code_lines.h"

#include <cmath>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/font_names.h"

namespace zvk {

namespace {

constexpr std::size_t kProseMinLetters = 25;
constexpr std::size_t kProseMinWords = 5;
constexpr std::size_t kProseLettersPerSymbol = 4;
constexpr std::size_t kProseRunMinLines = 3;
constexpr float kProseLineGap = 2.4f;
constexpr float kProseLeftShift = 3.0f;

bool is_code_symbol(char c) {
    switch (c) {
    case '#': case '$': case '%': case '&': case '(': case ')': case '/': case ';': case '<': case '=':
    case '>': case '[': case '\\': case ']': case '_': case '{': case '|': case '}': case '`':
        return true;
    default:
        return false;
    }
}

std::size_t ascii_letters(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += is_ascii_letter(c) ? 1 : 0;
    return n;
}

std::size_t word_count(std::string_view text) {
    std::size_t words = 0;
    bool in_word = false;
    for (Utf8Step step : Utf8Range(text)) {
        const bool white = step.valid && is_unicode_white_space(step.scalar);
        if (!white && !in_word) ++words;
        in_word = !white;
    }
    return words;
}

// The next line goes on with a prose run ending in `prev`.
bool continues_prose_run(const TextLine& prev, const TextLine& next) {
    if (prev.page_index != next.page_index) return false;
    const float s = pair_size(prev.size, next.size);
    return std::fabs(prev.y - next.y) <= kProseLineGap * s && std::fabs(prev.x0 - next.x0) <= kProseLeftShift * s;
}

}  // namespace

bool is_monospace_line(std::span<const Glyph* const> glyphs) {
    std::size_t mono_letters = 0;
    std::size_t mono_others = 0;
    for (const Glyph* g : glyphs) {
        if (trim_white_space(g->unicode).empty()) continue;
        const std::size_t a = ascii_letters(g->unicode);
        if (is_monospace_font_name(g->font_name)) {
            mono_letters += a;
            mono_others += a == 0 ? 1 : 0;
        } else if (a > 0) {
            return false;
        }
    }
    return mono_letters > 1 || (mono_letters == 0 && mono_others > 0);
}

bool is_prose_monospace_line(const TextLine& line) {
    if (!is_monospace_line(line.glyphs)) return false;
    const std::size_t letters = ascii_letters(line.text);
    std::size_t symbols = 0;
    for (char c : line.text) symbols += is_code_symbol(c) ? 1 : 0;
    return letters >= kProseMinLetters && word_count(line.text) >= kProseMinWords &&
           letters >= kProseLettersPerSymbol * symbols;
}

void code_lines(const std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    std::vector<char> prose(lines.size(), 0);
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!is_prose_monospace_line(lines[i])) {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < lines.size() && is_prose_monospace_line(lines[j]) && continues_prose_run(lines[j - 1], lines[j])) ++j;
        if (j - i >= kProseRunMinLines) {
            for (std::size_t k = i; k < j; ++k) prose[k] = 1;
        }
        i = j;
    }
    std::vector<SkippedGlyph> records;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        if (prose[l] || !is_monospace_line(lines[l].glyphs)) continue;
        for (const Glyph* g : lines[l].glyphs) records.push_back(SkippedGlyph{g->id, "code"});
    }
    skipped.insert(skipped.end(), records.begin(), records.end());
}

}  // namespace zvk

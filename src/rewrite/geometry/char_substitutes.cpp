#include "rewrite/geometry/char_substitutes.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "base/utf8.h"

namespace zvk::rewrite {

namespace {

bool in(char32_t c, char32_t lo, char32_t hi) { return c >= lo && c <= hi; }

// Latin letters of U+00C0..U+017E by code point; 0 for the characters of the
// range that have no ASCII base letter.
constexpr char kLatinFolds[] =
    // U+00C0..U+00FF
    "AAAAAA\0CEEEEIIII\0NOOOOO\0OUUUUY\0\0"
    "aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0y"
    // U+0100..U+017E
    "AaAaAaCcCcCcCc\0\0DdEeEeEeEeEe"  // U+0100..U+011B
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0"    // U+011C..U+0129
    "IiIiIi"                          // U+012A..U+012F
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // U+0130..U+0140
    "LlNnNnNn\0\0\0OoOoOo"            // U+0141..U+0151
    "\0\0\0\0\0\0RrSsSsSsSs"          // U+0152..U+0161
    "\0\0\0\0\0\0\0\0UuUuUuUuUu"      // U+0162..U+0173
    "\0\0YyYZzZzZz";                  // U+0174..U+017E

static_assert(sizeof(kLatinFolds) - 1 == 0x17F - 0xC0, "one entry per character of U+00C0..U+017E");

// Latin letters of U+0391..U+03C9 by code point, capitals and small letters
// alike; 0 where there is none.
constexpr char kGreekToLatin[] =
    "abgdezhtiklmnxopr\0stufcyw"  // U+0391..U+03A9 (U+03A2 unassigned)
    "\0\0\0\0\0\0\0"              // U+03AA..U+03B0
    "abgdezhtiklmnxoprsstufcyw";  // U+03B1..U+03C9 (U+03C2 final sigma)

static_assert(sizeof(kGreekToLatin) - 1 == 0x3CA - 0x391, "one entry per character of U+0391..U+03C9");

// The 58 letters of a mathematical Greek block, by position: the Greek
// letter, or 0 for the gap at 25.
constexpr char32_t math_greek_at(std::size_t i) {
    if (i <= 16) return 0x0391 + static_cast<char32_t>(i);
    if (i == 17) return 0x0398;  // capital theta symbol
    if (i <= 24) return 0x03A3 + static_cast<char32_t>(i - 18);
    if (i == 25) return 0;       // nabla
    if (i <= 50) return 0x03B1 + static_cast<char32_t>(i - 26);
    constexpr std::array<char32_t, 7> kVariants = {U'd', 0x03B5, 0x03B8, 0x03BA, 0x03C6, 0x03C1, 0x03C0};
    return kVariants[i - 51];
}

// The letters of the ligatures U+FB00..U+FB04.
std::u32string_view ligature_expansion(char32_t c) {
    switch (c) {
        case 0xFB00: return U"ff";
        case 0xFB01: return U"fi";
        case 0xFB02: return U"fl";
        case 0xFB03: return U"ffi";
        case 0xFB04: return U"ffl";
        default: return {};
    }
}

char32_t letter_in_block_of_26(char32_t offset) {
    const char32_t at = offset % 52;
    return at < 26 ? U'A' + at : U'a' + (at - 26);
}

}  // namespace

std::vector<char32_t> substitute_chars_for_missing_glyph(char32_t c) {
    switch (c) {
        case 0x00A0: case 0x2002: case 0x2003: case 0x2009: return {U' '};
        case 0x00D7: case 0x2715: case 0x2A2F: return {U'x'};
        case 0x02C6: return {U'^'};
        case 0x0338: return {U'/'};
        case 0x03D5: return {0x03C6, U'f'};
        case 0x2212: return {U'-'};
        case 0x204E: case 0x2217: case 0x22C6: case 0xFE61: case 0xFF0A: return {U'*'};
        case 0x223C: case 0x223D: return {U'~'};
        case 0x2308: case 0x230A: return {U'['};
        case 0x2309: case 0x230B: return {U']'};
        case 0x2705: case 0x2714: return {0x2713, U'*'};
        case 0x274C: case 0x274E: return {0x00D7, U'x'};
        case 0x2794: case 0x279C: case 0x279E: case 0x27A2: case 0x27A4: case 0x27A5: return {0x2192, U'>'};
        case 0x27E8: return {U'<'};
        case 0x27E9: return {U'>'};
        case 0xF8F8: return {};
        default: break;
    }
    if (in(c, 0x2010, 0x2014)) return {U'-'};
    if (in(c, 0x2018, 0x201A)) return {U'\''};
    if (in(c, 0x201C, 0x201E)) return {U'"'};
    if (in(c, 0xE000, 0xF8FF)) return {0x25A0, 0x2022, U'*'};
    if (in(c, 0x1F000, 0x1FAFF) || in(c, 0x2600, 0x27BF) || in(c, 0x2300, 0x23FF)) return {0x2022, U'*'};
    return {};
}

std::optional<char32_t> fold_latin_letter_to_ascii(char32_t c) {
    if (!in(c, 0x00C0, 0x017E)) return std::nullopt;
    const char folded = kLatinFolds[c - 0x00C0];
    if (folded == 0) return std::nullopt;
    return static_cast<char32_t>(folded);
}

std::optional<char32_t> ascii_for_styled_letter(char32_t c) {
    switch (c) {
        case 0x00B9: return U'1';
        case 0x00B2: return U'2';
        case 0x00B3: return U'3';
        case 0x2070: return U'0';
        case 0x2090: return U'a';
        case 0x2091: return U'e';
        case 0x2092: return U'o';
        case 0x2093: return U'x';
        case 0x2095: return U'h';
        case 0x209A: return U'p';
        case 0x209B: return U's';
        case 0x209C: return U't';
        case 0x1D62: return U'i';
        case 0x1D63: return U'r';
        case 0x1D64: return U'u';
        case 0x1D65: return U'v';
        case 0x2032: case 0x2035: return U'\'';
        case 0x2033: return U'"';
        case 0x210E: case 0x210F: return U'h';
        case 0x2113: return U'l';
        case 0x212F: return U'e';
        case 0x2134: return U'o';
        default: break;
    }
    if (in(c, 0x2074, 0x2079)) return U'4' + (c - 0x2074);
    if (in(c, 0x2080, 0x2089)) return U'0' + (c - 0x2080);
    if (in(c, 0x2096, 0x2099)) return U'k' + (c - 0x2096);
    if (in(c, 0x1D400, 0x1D49B)) return letter_in_block_of_26(c - 0x1D400);
    if (in(c, 0x1D5A0, 0x1D6A3)) return letter_in_block_of_26(c - 0x1D5A0);
    if (in(c, 0x1D6A8, 0x1D7C9)) {
        const char32_t greek = math_greek_at((c - 0x1D6A8) % 58);
        if (greek == 0) return std::nullopt;
        return greek;
    }
    return std::nullopt;
}

std::optional<char32_t> greek_letter_to_latin(char32_t c) {
    if (!in(c, 0x0391, 0x03C9)) return std::nullopt;
    const char latin = kGreekToLatin[c - 0x0391];
    if (latin == 0) return std::nullopt;
    return static_cast<char32_t>(latin);
}

std::string substitute_missing_glyphs(std::string_view text, const font::SubsetFont& font) {
    const auto held = [&](char32_t c) { return font.glyphs.contains(static_cast<std::uint32_t>(c)); };
    std::string out;
    out.reserve(text.size());
    for (const Utf8Step step : Utf8Range(text)) {
        const char32_t c = step.scalar;
        if (held(c)) {
            out.append(text.substr(step.offset, step.length));
            continue;
        }
        if (const std::u32string_view letters = ligature_expansion(c);
            !letters.empty() && std::all_of(letters.begin(), letters.end(), held)) {
            for (const char32_t l : letters) append_utf8(out, l);
            continue;
        }
        const std::vector<char32_t> candidates = substitute_chars_for_missing_glyph(c);
        if (const auto it = std::find_if(candidates.begin(), candidates.end(), held); it != candidates.end()) {
            append_utf8(out, *it);
            continue;
        }
        if (const auto folded = fold_latin_letter_to_ascii(c); folded && held(*folded)) {
            append_utf8(out, *folded);
            continue;
        }
        // Only a styled letter reaches the Greek-to-Latin table: its plain
        // Greek letter first, then the Latin one. A plain Greek letter the
        // font lacks stays as it is.
        if (const auto plain = ascii_for_styled_letter(c)) {
            if (held(*plain)) {
                append_utf8(out, *plain);
                continue;
            }
            if (const auto latin = greek_letter_to_latin(*plain); latin && held(*latin)) {
                append_utf8(out, *latin);
                continue;
            }
        }
        // Kept as given (an invalid sequence too, byte for byte).
        out.append(text.substr(step.offset, step.length));
    }
    return out;
}

}  // namespace zvk::rewrite

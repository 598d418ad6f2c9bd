#include "font/font_style.h"

#include <array>
#include <string>

#include "base/ascii.h"

namespace zvk {

namespace {

// Names of TeX's Computer Modern faces (CMR, CMTI, CMBX) say their style only
// through these abbreviations, hence their place in the lists.
constexpr std::array<std::string_view, 15> kSerifMarks = {
    "SERIF", "ROMAN", "TIMES", "NIMBUSROM", "CMR",     "CMTI",      "CMBX",       "SONG",
    "MING",  "STIX",  "TINOS", "GEORGIA",   "PLEXSERIF", "NOTOSERIF", "BASKERVILLE",
};
constexpr std::array<std::string_view, 6> kBoldMarks = {"BOLD", "BLACK", "HEAVY", "SEMIBOLD", "DEMIBOLD", "CMBX"};
constexpr std::array<std::string_view, 3> kItalicMarks = {"ITAL", "OBLIQUE", "CMTI"};

template <std::size_t N>
bool contains_any(std::string_view text, const std::array<std::string_view, N>& marks) {
    for (std::string_view mark : marks) {
        if (text.find(mark) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

FontNameStyle classify_font_name(std::string_view name) {
    // One upper-cased copy, plain substring searches: this runs for many
    // glyphs and lines, so no patterns and no caching.
    const std::string upper = ascii_upper(name);
    FontNameStyle style = 0;
    if (contains_any(upper, kSerifMarks)) style |= kFontStyleSerif;
    if (contains_any(upper, kBoldMarks)) style |= kFontStyleBold;
    if (contains_any(upper, kItalicMarks)) style |= kFontStyleItalic;
    return style;
}

}  // namespace zvk

#include "font/glyph_names.h"

#include <array>
#include <charconv>

#include "base/utf8.h"

namespace zvk::font {

namespace {

#include "font/glyph_list_text.inc"

bool is_hex_digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The whole text as one hexadecimal number that fits in 32 bits.
std::optional<std::uint32_t> parse_hex_u32(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

const std::unordered_map<std::string, std::string>& glyph_list() {
    // Built on first use; the static's initialisation guard makes late
    // arrivals wait for the build, after which reads need no lock.
    static const std::unordered_map<std::string, std::string> list =
        parse_glyph_list(std::string_view(kGlyphListText, sizeof(kGlyphListText) - 1));
    return list;
}

std::optional<std::string> uni_name_text(std::string_view hex) {
    if (hex.empty() || hex.size() % 4 != 0) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        std::string_view group = hex.substr(i, 4);
        for (char c : group) {
            if (!is_hex_digit(c)) return std::nullopt;
        }
        std::uint32_t cp = *parse_hex_u32(group);
        if (!is_scalar_value(cp)) return std::nullopt;
        // U+0000 is a character here, unlike in code_point_to_string.
        append_utf8(text, static_cast<char32_t>(cp));
    }
    return text;
}

std::optional<std::string> u_name_text(std::string_view hex) {
    if (hex.size() < 4) return std::nullopt;
    for (char c : hex) {
        if (!is_hex_digit(c)) return std::nullopt;
    }
    auto cp = parse_hex_u32(hex);
    if (!cp) return std::nullopt;
    return code_point_to_string(*cp);
}

struct TexName {
    std::string_view name;
    char32_t code_point;
};

// Glyph names of the TeX math-extension fonts (cmex and its kin) that the
// glyph list lacks: built-in encodings of embedded Type1 programs use them.
constexpr std::array<TexName, 128> kTexExtensionNames{{
    {"parenleftBig", 0x0028}, {"parenleftbig", 0x0028}, {"parenleftBigg", 0x0028}, {"parenleftbigg", 0x0028},
    {"parenrightBig", 0x0029}, {"parenrightbig", 0x0029}, {"parenrightBigg", 0x0029}, {"parenrightbigg", 0x0029},
    {"slashBig", 0x002F}, {"slashbig", 0x002F}, {"slashBigg", 0x002F}, {"slashbigg", 0x002F},
    {"bracketleftBig", 0x005B}, {"bracketleftbig", 0x005B}, {"bracketleftBigg", 0x005B}, {"bracketleftbigg", 0x005B},
    {"backslashBig", 0x005C}, {"backslashbig", 0x005C}, {"backslashBigg", 0x005C}, {"backslashbigg", 0x005C},
    {"bracketrightBig", 0x005D}, {"bracketrightbig", 0x005D}, {"bracketrightBigg", 0x005D}, {"bracketrightbigg", 0x005D},
    {"braceleftBig", 0x007B}, {"braceleftbig", 0x007B}, {"braceleftBigg", 0x007B}, {"braceleftbigg", 0x007B},
    {"bracerightBig", 0x007D}, {"bracerightbig", 0x007D}, {"bracerightBigg", 0x007D}, {"bracerightbigg", 0x007D},
    {"circumflexWide", 0x02C6}, {"circumflexWider", 0x02C6}, {"circumflexWidest", 0x02C6},
    {"tildeWide", 0x02DC}, {"tildeWider", 0x02DC}, {"tildeWidest", 0x02DC},
    {"linedblvertex", 0x2016}, {"arrowdblvertex", 0x2016},
    {"arrowuptp", 0x2191},
    {"arrowdownbt", 0x2193},
    {"arrowdbluptop", 0x21D1},
    {"arrowdbldownbt", 0x21D3},
    {"producttextstyle", 0x220F}, {"productdisplaystyle", 0x220F},
    {"coproducttextstyle", 0x2210}, {"coproductdisplaystyle", 0x2210},
    {"summationtextstyle", 0x2211}, {"summationdisplaystyle", 0x2211},
    {"radicalBig", 0x221A}, {"radicalbig", 0x221A}, {"radicalBigg", 0x221A}, {"radicalbigg", 0x221A},
    {"radicalExtbt", 0x221A}, {"radicalExttp", 0x221A},
    {"radicalExtmid", 0x2223},
    {"logicalandtextstyle", 0x2227}, {"logicalanddisplaystyle", 0x2227},
    {"logicalortextstyle", 0x2228}, {"logicalordisplaystyle", 0x2228},
    {"intersectiontextstyle", 0x2229}, {"intersectiondisplaystyle", 0x2229},
    {"uniontextstyle", 0x222A}, {"uniondisplaystyle", 0x222A},
    {"integraltextstyle", 0x222B}, {"integraldisplaystyle", 0x222B},
    {"circleintegraltextstyle", 0x222E}, {"circleintegraldisplaystyle", 0x222E},
    {"unionplustextstyle", 0x228E}, {"unionplusdisplaystyle", 0x228E},
    {"squareuniontextstyle", 0x2294}, {"squareuniondisplaystyle", 0x2294},
    {"circleplustextstyle", 0x2295}, {"circleplusdisplaystyle", 0x2295},
    {"circlemultiplytextstyle", 0x2297}, {"circlemultiplydisplaystyle", 0x2297},
    {"circledottextstyle", 0x2299}, {"circledotdisplaystyle", 0x2299},
    {"ceilingleftBig", 0x2308}, {"ceilingleftbig", 0x2308}, {"ceilingleftBigg", 0x2308}, {"ceilingleftbigg", 0x2308},
    {"ceilingrightBig", 0x2309}, {"ceilingrightbig", 0x2309}, {"ceilingrightBigg", 0x2309}, {"ceilingrightbigg", 0x2309},
    {"floorleftBig", 0x230A}, {"floorleftbig", 0x230A}, {"floorleftBigg", 0x230A}, {"floorleftbigg", 0x230A},
    {"floorrightBig", 0x230B}, {"floorrightbig", 0x230B}, {"floorrightBigg", 0x230B}, {"floorrightbigg", 0x230B},
    {"parenlefttp", 0x239B},
    {"parenleftmid", 0x239C},
    {"parenleftbt", 0x239D},
    {"parenrighttp", 0x239E},
    {"parenrightmid", 0x239F},
    {"parenrightbt", 0x23A0},
    {"bracketlefttp", 0x23A1},
    {"bracketleftmid", 0x23A2},
    {"bracketleftbt", 0x23A3},
    {"bracketrighttp", 0x23A4},
    {"bracketrightmid", 0x23A5},
    {"bracketrightbt", 0x23A6},
    {"bracelefttp", 0x23A7}, {"bracehoriztipupleft", 0x23A7},
    {"braceleftmid", 0x23A8},
    {"braceleftbt", 0x23A9}, {"bracehoriztipdownleft", 0x23A9},
    {"braceex", 0x23AA},
    {"bracerighttp", 0x23AB}, {"bracehoriztipupright", 0x23AB},
    {"bracerightmid", 0x23AC},
    {"bracerightbt", 0x23AD}, {"bracehoriztipdownright", 0x23AD},
    {"linevertex", 0x2502}, {"arrowvertex", 0x2502},
    {"angleleftBig", 0x27E8}, {"angleleftbig", 0x27E8}, {"angleleftBigg", 0x27E8}, {"angleleftbigg", 0x27E8},
    {"anglerightBig", 0x27E9}, {"anglerightbig", 0x27E9}, {"anglerightBigg", 0x27E9}, {"anglerightbigg", 0x27E9},
}};

constexpr bool tex_table_is_complete() {
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < kTexExtensionNames.size(); ++i) {
        if (kTexExtensionNames[i].name.empty()) return false;
        bool seen = false;
        for (std::size_t j = 0; j < i; ++j) seen = seen || kTexExtensionNames[j].code_point == kTexExtensionNames[i].code_point;
        if (!seen) ++distinct;
    }
    return distinct == 57;
}
static_assert(tex_table_is_complete(), "128 TeX extension names with 57 distinct texts");

// Name lengths the TeX table uses, so that most names are rejected before
// any comparison.
constexpr std::uint64_t tex_name_lengths() {
    std::uint64_t mask = 0;
    for (const auto& entry : kTexExtensionNames) mask |= std::uint64_t{1} << entry.name.size();
    return mask;
}

}  // namespace

std::unordered_map<std::string, std::string> parse_glyph_list(std::string_view text) {
    std::unordered_map<std::string, std::string> list;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t semi = line.find(';');
        if (semi == std::string_view::npos) continue;
        std::string_view name = line.substr(0, semi);
        std::string_view field = line.substr(semi + 1);
        std::string value;
        std::size_t i = 0;
        auto is_space = [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
        };
        while (i < field.size()) {
            while (i < field.size() && is_space(field[i])) ++i;
            std::size_t start = i;
            while (i < field.size() && !is_space(field[i])) ++i;
            if (start == i) break;
            std::string_view piece = field.substr(start, i - start);
            if (piece.front() == '+') piece.remove_prefix(1);
            auto cp = parse_hex_u32(piece);
            if (!cp || !is_scalar_value(*cp)) continue;
            append_utf8(value, static_cast<char32_t>(*cp));
        }
        if (value.empty()) continue;
        list.insert_or_assign(std::string(name), std::move(value));
    }
    return list;
}

std::optional<std::string> code_point_to_string(std::uint32_t code_point) {
    if (code_point == 0 || !is_scalar_value(code_point)) return std::nullopt;
    std::string text;
    append_utf8(text, static_cast<char32_t>(code_point));
    return text;
}

std::optional<std::string> glyph_name_to_unicode(std::string_view name) {
    if (name.empty() || name == ".notdef") return std::nullopt;
    const auto& list = glyph_list();
    if (auto it = list.find(std::string(name)); it != list.end()) return it->second;
    if (name.starts_with("uni")) return uni_name_text(name.substr(3));
    if (name.starts_with("u")) return u_name_text(name.substr(1));
    return std::nullopt;
}

std::optional<std::string> tex_extension_glyph_unicode(std::string_view name) {
    constexpr std::uint64_t lengths = tex_name_lengths();
    if (name.size() >= 64 || (lengths & (std::uint64_t{1} << name.size())) == 0) return std::nullopt;
    for (const auto& entry : kTexExtensionNames) {
        if (entry.name == name) return code_point_to_string(entry.code_point);
    }
    return std::nullopt;
}

}  // namespace zvk::font

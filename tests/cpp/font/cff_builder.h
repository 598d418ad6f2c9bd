// Builds small bare CFF programs for tests: one font whose charset, encoding
// and Top DICT a case spells out, laid out as header, Name, Top DICT, String
// and Global Subr INDEXes, charset, encoding, then CharStrings.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvk::font::test {

inline std::string cff_card16(std::uint32_t value) {
    return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

inline std::string cff_bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

// A DICT integer in its five-byte form.
inline std::string cff_int(std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    return cff_bytes({29, int(u >> 24) & 0xFF, int(u >> 16) & 0xFF, int(u >> 8) & 0xFF, int(u) & 0xFF});
}

// A DICT integer in a fixed-width form (29, 28 or 247), so that offsets can
// be settled after the DICT's size is known.
inline std::string cff_int_in_form(std::int64_t value, int form) {
    if (form == 29) return cff_int(static_cast<std::int32_t>(value));
    if (form == 28 && value >= -32768 && value <= 32767) {
        return cff_bytes({28, int(value >> 8) & 0xFF, int(value) & 0xFF});
    }
    if (form == 247 && value >= 108 && value <= 1131) {
        return cff_bytes({247 + int((value - 108) >> 8), int((value - 108) & 0xFF)});
    }
    throw std::invalid_argument("offset does not fit the form");
}

// An INDEX with one-byte offsets when they fit, else four-byte ones.
inline std::string cff_index(const std::vector<std::string>& items) {
    if (items.empty()) return cff_card16(0);
    std::size_t total = 1;
    for (const auto& item : items) total += item.size();
    const int off_size = total <= 0xFF ? 1 : 4;
    std::string out = cff_card16(static_cast<std::uint32_t>(items.size())) + static_cast<char>(off_size);
    std::uint32_t offset = 1;
    auto put = [&](std::uint32_t v) {
        for (int i = off_size - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(offset);
    for (const auto& item : items) put(offset += static_cast<std::uint32_t>(item.size()));
    for (const auto& item : items) out += item;
    return out;
}

struct CffFont {
    std::vector<std::string> strings;  // string ids 391 and up
    std::uint32_t glyph_count = 1;     // .notdef included
    // Predefined id, or data (format byte first) placed in the program; with
    // neither the Top DICT has no entry and the default holds.
    std::optional<int> charset_id;
    std::string charset_data;
    std::optional<int> encoding_id;
    std::string encoding_data;
    bool char_strings_entry = true;
    // DICT bytes after the builder's entries: later entries replace earlier
    // ones, so a case can restate an entry in another form.
    std::string top_dict_tail;
    // How the Top DICT writes the offsets: 29 (five bytes), 28 (three
    // bytes) or 247 (two bytes, 108 to 1131).
    int offset_form = 29;
    // Charset and encoding after CharStrings, so that a cut end falls in them.
    bool data_last = false;
};

// Positions in every built program (the Name INDEX holds the one name "T").
inline constexpr std::size_t kCffNameIndexOffSize = 6;
inline constexpr std::size_t kCffNameIndexFirstOffset = 7;

inline std::string build_cff(const CffFont& font) {
    const std::string header = cff_bytes({1, 0, 4, 4});
    const std::string names = cff_index({"T"});
    const std::string strings = cff_index(font.strings);
    const std::string global_subrs = cff_index({});
    std::vector<std::string> glyphs(font.glyph_count, std::string(1, '\x0E'));  // endchar
    const std::string char_strings = cff_index(glyphs);

    auto top_dict = [&](std::size_t charset_at, std::size_t encoding_at, std::size_t char_strings_at,
                        bool settled) {
        // Before the offsets are settled any value of the form's range
        // stands in for them: the size is the same.
        auto offset = [&](std::size_t at) {
            return cff_int_in_form(settled ? static_cast<std::int64_t>(at) : 108, font.offset_form);
        };
        std::string dict;
        if (!font.charset_data.empty()) {
            dict += offset(charset_at) + '\x0F';
        } else if (font.charset_id) {
            dict += cff_int(*font.charset_id) + '\x0F';
        }
        if (!font.encoding_data.empty()) {
            dict += offset(encoding_at) + '\x10';
        } else if (font.encoding_id) {
            dict += cff_int(*font.encoding_id) + '\x10';
        }
        if (font.char_strings_entry) dict += offset(char_strings_at) + '\x11';
        return dict + font.top_dict_tail;
    };
    const std::size_t top_size = cff_index({top_dict(0, 0, 0, false)}).size();
    const std::size_t fixed = header.size() + names.size() + top_size + strings.size() + global_subrs.size();
    const std::string data = font.charset_data + font.encoding_data;
    const std::size_t charset_at = font.data_last ? fixed + char_strings.size() : fixed;
    const std::size_t encoding_at = charset_at + font.charset_data.size();
    const std::size_t char_strings_at = font.data_last ? fixed : fixed + data.size();
    const std::string top = cff_index({top_dict(charset_at, encoding_at, char_strings_at, true)});
    const std::string head = header + names + top + strings + global_subrs;
    return font.data_last ? head + char_strings + data : head + data + char_strings;
}

}  // namespace zvk::font::test

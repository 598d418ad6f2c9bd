// Predefined CJK CMaps named by a Type0 font's Encoding: how their codes are
// cut from a string (by the lead bytes of the character set) and turned into
// text (by decoding them in that character set), and which file holds the
// CMap itself where a system has it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "font/cmap.h"

namespace zvk::font {

enum class LegacyKind : std::uint8_t { Gbk, GbEuc, ShiftJis, Uhc, Big5, EucJp };

struct PredefinedCMap {
    enum class Kind : std::uint8_t { Utf16, Utf32, Legacy };
    Kind kind = Kind::Utf16;
    bool vertical = false;
    LegacyKind legacy_kind = LegacyKind::Gbk;  // Legacy only
    // The name without its writing-mode suffix, and the character collection
    // (Registry-Ordering, e.g. Adobe-Japan1) whose CIDs the CMap selects.
    // Both point into a fixed table of the recognised CMaps, never into the
    // document, so a file name made of them cannot leave its directory.
    std::string_view stem;
    std::string_view collection;

    // The decoder of a Legacy CMap, as an iconv name. Shift_JIS is read as
    // CP932 (glibc's SHIFT_JIS maps 0x5C to the yen sign, not the backslash
    // the fonts draw) and EUC-KR as CP949 (glibc's EUC-KR refuses the UHC
    // codes that KSCms-UHC text uses).
    const char* encoding() const;
    // The CMap's file name: the stem with its -H or -V suffix.
    std::string file_name() const;
};

std::optional<PredefinedCMap> parse_predefined_cmap_name(std::string_view name);
std::vector<CharCode> split_codes_predefined(const PredefinedCMap& cmap, std::string_view bytes);
std::optional<std::string> decode_predefined_code(const PredefinedCMap& cmap, std::string_view code_bytes);

}  // namespace zvk::font

// The output font of the layout tests, built in code: 1000 units per em,
// CJK characters, kana, Hangul and fullwidth forms one em, printable ASCII
// half an em; '~' and everything else missing (measured as one em). And a
// helper for long texts.
#pragma once

#include <string>
#include <string_view>

#include "font/subset_font.h"

namespace zvk {

inline font::SubsetFont make_layout_font() {
    font::SubsetFont subset;
    subset.units_per_em = 1000;
    std::uint16_t id = 1;
    const auto add = [&](std::uint32_t cp, std::uint16_t advance) { subset.glyphs[cp] = {id++, advance}; };
    for (std::uint32_t cp = 0x20; cp < 0x7F; ++cp) {
        if (cp != '~') add(cp, 500);
    }
    for (std::uint32_t cp = 0x3000; cp <= 0x30FF; ++cp) add(cp, 1000);
    for (std::uint32_t cp = 0x4E00; cp <= 0x9FFF; ++cp) add(cp, 1000);
    for (std::uint32_t cp = 0xFF01; cp <= 0xFF5E; ++cp) add(cp, 1000);
    add(0x00B7, 500);
    return subset;
}

// The piece `count` times over: long test texts.
inline std::string repeat(std::string_view piece, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) out.append(piece);
    return out;
}

inline const font::SubsetFont& layout_font() {
    static const font::SubsetFont subset = make_layout_font();
    return subset;
}

}  // namespace zvk

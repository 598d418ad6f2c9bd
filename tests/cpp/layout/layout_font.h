// The output font of the layout tests, built in code: 1000 units per em,
// CJK characters, kana, Hangul and fullwidth forms one em, printable ASCII
// half an em; '~' and everything else missing (measured as one em).
#pragma once

#include "font/subset_font.h"

namespace zvk {

inline SubsetFont make_layout_font() {
    SubsetFont font;
    font.units_per_em = 1000;
    std::uint16_t id = 1;
    const auto add = [&](std::uint32_t cp, std::uint16_t advance) { font.glyphs[cp] = {id++, advance}; };
    for (std::uint32_t cp = 0x20; cp < 0x7F; ++cp) {
        if (cp != '~') add(cp, 500);
    }
    for (std::uint32_t cp = 0x3000; cp <= 0x30FF; ++cp) add(cp, 1000);
    for (std::uint32_t cp = 0x4E00; cp <= 0x9FFF; ++cp) add(cp, 1000);
    for (std::uint32_t cp = 0xFF01; cp <= 0xFF5E; ++cp) add(cp, 1000);
    add(0x00B7, 500);
    return font;
}

inline const SubsetFont& layout_font() {
    static const SubsetFont font = make_layout_font();
    return font;
}

}  // namespace zvk

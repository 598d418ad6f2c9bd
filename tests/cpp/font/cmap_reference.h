// The maps of a cmap table entered one code at a time into ordered maps,
// exactly as the subtable choice and the decoding rules state them, under
// the same work allowance: slow, plainly right, and the oracle for the runs
// the library keeps. Shared by the tests and the sfnt fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

#include "font/sfnt.h"

namespace zvk::font::reference {

struct Maps {
    std::map<std::uint32_t, std::uint32_t> glyph_of;       // code point to glyph id
    std::map<std::uint32_t, std::uint32_t> code_point_of;  // glyph id to the code point of its text

    bool operator==(const Maps&) const = default;
};

inline std::uint32_t u16(std::string_view d, std::uint64_t at) {
    return (std::uint32_t{static_cast<unsigned char>(d[at])} << 8) | static_cast<unsigned char>(d[at + 1]);
}
inline std::uint32_t u32(std::string_view d, std::uint64_t at) { return (u16(d, at) << 16) | u16(d, at + 2); }
inline bool fits(std::string_view d, std::uint64_t at, std::uint64_t n) { return at <= d.size() && n <= d.size() - at; }

inline void fill(Maps& maps, std::uint32_t code_point, std::uint32_t glyph) {
    if (glyph == 0 || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return;
    maps.glyph_of.emplace(code_point, glyph);
    maps.code_point_of.emplace(glyph, code_point);
}

inline Maps decode(std::string_view sub, CmapBudget& budget) {
    Maps maps;
    if (sub.size() < 4) return maps;
    switch (u16(sub, 0)) {
    case 0:
        if (sub.size() < 262) break;
        for (std::uint32_t code = 0; code < 256; ++code) {
            if (!budget.take()) return maps;
            fill(maps, code, static_cast<unsigned char>(sub[6 + code]));
        }
        break;
    case 4: {
        if (sub.size() < 14) break;
        const std::uint64_t n = u16(sub, 6) / 2;
        if (n == 0 || !fits(sub, 0, 16 + 8 * n)) break;
        for (std::uint64_t k = 0; k < n; ++k) {
            if (!budget.take()) return maps;
            const std::uint32_t end = u16(sub, 14 + 2 * k), start = u16(sub, 16 + 2 * n + 2 * k);
            const std::uint32_t delta = u16(sub, 16 + 4 * n + 2 * k);
            const std::uint64_t offset_at = 16 + 6 * n + 2 * k;
            const std::uint32_t offset = u16(sub, offset_at);
            if ((start == 0xFFFF && end == 0xFFFF) || start > end) continue;
            for (std::uint32_t code = start; code <= end; ++code) {
                if (!budget.take()) return maps;
                if (offset == 0) {
                    fill(maps, code, (code + delta) & 0xFFFF);
                    continue;
                }
                const std::uint64_t at = offset_at + offset + 2 * std::uint64_t{code - start};
                if (!fits(sub, at, 2)) break;
                const std::uint32_t index = u16(sub, at);
                fill(maps, code, index == 0 ? 0 : (index + delta) & 0xFFFF);
            }
        }
        break;
    }
    case 6: {
        if (sub.size() < 10) break;
        const std::uint32_t first = u16(sub, 6);
        const std::uint64_t count = u16(sub, 8);
        if (count == 0 || !fits(sub, 0, 10 + 2 * count)) break;
        for (std::uint64_t k = 0; k < count; ++k) {
            if (!budget.take()) return maps;
            fill(maps, first + static_cast<std::uint32_t>(k), u16(sub, 10 + 2 * k));
        }
        break;
    }
    case 12: {
        if (sub.size() < 16) break;
        const std::uint64_t groups = u32(sub, 12);
        for (std::uint64_t g = 0; g < groups && fits(sub, 16 + 12 * g, 12); ++g) {
            if (!budget.take()) return maps;
            const std::uint64_t at = 16 + 12 * g;
            const std::uint64_t start = u32(sub, at), end = u32(sub, at + 4), glyph = u32(sub, at + 8);
            if (start > end) continue;
            const std::uint64_t last = std::min({end, std::uint64_t{0x10FFFF}, start + kMaxCodesPerGroup - 1});
            for (std::uint64_t code = start; code <= last; ++code) {
                if (!budget.take()) return maps;
                fill(maps, static_cast<std::uint32_t>(code),
                     static_cast<std::uint32_t>(std::min<std::uint64_t>(glyph + (code - start), UINT32_MAX)));
            }
        }
        break;
    }
    default: break;
    }
    return maps;
}

inline std::optional<int> priority(std::uint32_t platform, std::uint32_t encoding) {
    if (platform == 3 && encoding == 10) return 4;
    if (platform == 0) return 3;
    if (platform == 3 && encoding == 1) return 2;
    if (platform == 1 && encoding == 0) return 1;
    if (platform == 3 && encoding == 0) return 0;
    return std::nullopt;
}

inline Maps choose(std::string_view table, CmapBudget& budget) {
    Maps result;
    if (table.size() < 4) return result;
    const std::uint64_t count = u16(table, 2);
    std::map<std::uint32_t, Maps> decoded;  // records naming one subtable decode it once
    int best = -1;
    for (std::uint64_t k = 0; k < count && fits(table, 4 + 8 * k, 8); ++k) {
        if (!budget.take()) break;
        auto p = priority(u16(table, 4 + 8 * k), u16(table, 6 + 8 * k));
        const std::uint32_t offset = u32(table, 8 + 8 * k);
        if (!p || offset >= table.size() || *p < best) continue;
        auto it = decoded.find(offset);
        if (it == decoded.end()) it = decoded.emplace(offset, decode(table.substr(offset), budget)).first;
        if (!it->second.glyph_of.empty() || *p > best) {
            result = it->second;
            best = *p;
        }
    }
    return result;
}

// The library's maps in the same form.
inline Maps expand(const CmapMaps& maps) {
    Maps out;
    for (const KeyRun& run : maps.code_point_to_gid.runs()) {
        for (std::uint64_t key = run.first; key <= run.last; ++key) {
            out.glyph_of.emplace(static_cast<std::uint32_t>(key), run.value_at(static_cast<std::uint32_t>(key)));
        }
    }
    for (const KeyRun& run : maps.gid_to_text.runs()) {
        for (std::uint64_t key = run.first; key <= run.last; ++key) {
            out.code_point_of.emplace(static_cast<std::uint32_t>(key), run.value_at(static_cast<std::uint32_t>(key)));
        }
    }
    return out;
}

}  // namespace zvk::font::reference

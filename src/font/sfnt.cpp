#include "font/sfnt.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "base/checked.h"
#include "base/utf8.h"
#include "font/font_streams.h"
#include "pdf/objects.h"

namespace zvk::font {

namespace {

// All offsets and lengths are 64-bit: a 32-bit offset plus a 32-bit length
// must not wrap around and pass a bounds check.
std::uint32_t u16_at(std::string_view data, std::uint64_t at) {
    return (std::uint32_t{static_cast<unsigned char>(data[at])} << 8) | static_cast<unsigned char>(data[at + 1]);
}

std::uint32_t u32_at(std::string_view data, std::uint64_t at) {
    return (u16_at(data, at) << 16) | u16_at(data, at + 2);
}

bool fits(std::string_view data, std::uint64_t at, std::uint64_t length) {
    return at <= data.size() && length <= data.size() - at;
}

using SharedMaps = std::shared_ptr<const CmapMaps>;

void decode_format0(std::string_view sub, CmapMaps& maps, CmapBudget& budget) {
    if (sub.size() < 262) return;
    for (std::uint32_t code = 0; code < 256; ++code) {
        if (!budget.take()) return;
        fill_cmap_maps(maps, code, static_cast<unsigned char>(sub[6 + code]));
    }
}

void decode_format4(std::string_view sub, CmapMaps& maps, CmapBudget& budget) {
    if (sub.size() < 14) return;
    const std::uint64_t seg_count = u16_at(sub, 6) / 2;
    if (seg_count == 0 || !fits(sub, 0, 16 + 8 * seg_count)) return;
    for (std::uint64_t k = 0; k < seg_count; ++k) {
        if (!budget.take()) return;
        const std::uint32_t end = u16_at(sub, 14 + 2 * k);
        const std::uint32_t start = u16_at(sub, 16 + 2 * seg_count + 2 * k);
        const std::uint32_t delta = u16_at(sub, 16 + 4 * seg_count + 2 * k);
        const std::uint64_t range_offset_at = 16 + 6 * seg_count + 2 * k;
        const std::uint32_t range_offset = u16_at(sub, range_offset_at);
        if ((start == 0xFFFF && end == 0xFFFF) || start > end) continue;
        for (std::uint32_t code = start; code <= end; ++code) {
            if (!budget.take()) return;
            if (range_offset == 0) {
                fill_cmap_maps(maps, code, (code + delta) & 0xFFFF);
                continue;
            }
            const std::uint64_t at = range_offset_at + range_offset + 2 * std::uint64_t{code - start};
            if (!fits(sub, at, 2)) break;
            const std::uint32_t index = u16_at(sub, at);
            fill_cmap_maps(maps, code, index == 0 ? 0 : (index + delta) & 0xFFFF);
        }
    }
}

void decode_format6(std::string_view sub, CmapMaps& maps, CmapBudget& budget) {
    if (sub.size() < 10) return;
    const std::uint32_t first = u16_at(sub, 6);
    const std::uint64_t count = u16_at(sub, 8);
    if (count == 0 || !fits(sub, 0, 10 + 2 * count)) return;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!budget.take()) return;
        fill_cmap_maps(maps, first + static_cast<std::uint32_t>(k), u16_at(sub, 10 + 2 * k));
    }
}

void decode_format12(std::string_view sub, CmapMaps& maps, CmapBudget& budget) {
    if (sub.size() < 16) return;
    const std::uint64_t groups = u32_at(sub, 12);
    for (std::uint64_t g = 0; g < groups && fits(sub, 16 + 12 * g, 12); ++g) {
        if (!budget.take()) return;
        const std::uint64_t at = 16 + 12 * g;
        const std::uint32_t start = u32_at(sub, at);
        const std::uint32_t end = u32_at(sub, at + 4);
        const std::uint32_t glyph = u32_at(sub, at + 8);
        if (start > end) continue;
        // Codes past U+10FFFF are never entered, so the group stops there:
        // the same maps for a fraction of the work.
        const std::uint64_t last = std::min({std::uint64_t{end}, std::uint64_t{0x10FFFF}, std::uint64_t{start} + kMaxCodesPerGroup - 1});
        for (std::uint64_t code = start; code <= last; ++code) {
            if (!budget.take()) return;
            const std::uint64_t id = std::uint64_t{glyph} + (code - start);
            fill_cmap_maps(maps, static_cast<std::uint32_t>(code), saturate_cast<std::uint32_t>(id));
        }
    }
}

CmapMaps decode_subtable(std::string_view sub, CmapBudget& budget) {
    CmapMaps maps;
    if (sub.size() < 4) return maps;
    switch (u16_at(sub, 0)) {
    case 0: decode_format0(sub, maps, budget); break;
    case 4: decode_format4(sub, maps, budget); break;
    case 6: decode_format6(sub, maps, budget); break;
    case 12: decode_format12(sub, maps, budget); break;
    default: break;
    }
    return maps;
}

std::optional<int> priority_of(std::uint32_t platform, std::uint32_t encoding) {
    if (platform == 3 && encoding == 10) return 4;
    if (platform == 0) return 3;
    if (platform == 3 && encoding == 1) return 2;
    if (platform == 1 && encoding == 0) return 1;
    if (platform == 3 && encoding == 0) return 0;
    return std::nullopt;
}

SharedMaps choose_shared(std::string_view table, CmapBudget& budget) {
    static const SharedMaps kEmpty = std::make_shared<const CmapMaps>();
    if (table.size() < 4) return kEmpty;
    const std::uint64_t count = u16_at(table, 2);
    if (count == 0) return kEmpty;
    // Encoding records that share a subtable decode it once.
    std::map<std::uint32_t, SharedMaps> decoded;
    SharedMaps result = kEmpty;
    int best = -1;
    for (std::uint64_t k = 0; k < count && fits(table, 4 + 8 * k, 8); ++k) {
        if (!budget.take()) break;
        const std::uint64_t at = 4 + 8 * k;
        auto priority = priority_of(u16_at(table, at), u16_at(table, at + 2));
        const std::uint32_t offset = u32_at(table, at + 4);
        if (!priority || offset >= table.size() || *priority < best) continue;
        SharedMaps& candidate = decoded[offset];
        if (!candidate) candidate = std::make_shared<const CmapMaps>(decode_subtable(table.substr(offset), budget));
        if (!candidate->code_point_to_gid.empty() || *priority > best) {
            result = candidate;
            best = *priority;
        }
    }
    return result;
}

// cmap tables already decoded for this program, by their place in the file,
// so fonts of a collection that share one decode it once.
using TableMemo = std::map<std::pair<std::uint64_t, std::uint64_t>, SharedMaps>;

std::optional<SharedMaps> read_sfnt_shared(std::string_view bytes, std::uint64_t start, CmapBudget& budget,
                                           TableMemo& memo) {
    if (!fits(bytes, start, 12)) return std::nullopt;
    const std::uint64_t count = u16_at(bytes, start + 4);
    if (count == 0 || !fits(bytes, start + 12, 16 * count)) return std::nullopt;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> cmap;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!budget.take()) return std::nullopt;
        const std::uint64_t at = start + 12 + 16 * k;
        if (bytes.substr(at, 4) == "cmap") cmap = {u32_at(bytes, at + 8), u32_at(bytes, at + 12)};
    }
    if (!cmap || cmap->second < 4 || !fits(bytes, cmap->first, cmap->second)) return std::nullopt;
    SharedMaps& maps = memo[*cmap];
    if (!maps) maps = choose_shared(bytes.substr(cmap->first, cmap->second), budget);
    return maps;
}

CmapMaps collection_cmap(std::string_view bytes, CmapBudget& budget) {
    TableMemo memo;
    if (bytes.size() >= 12 && bytes.starts_with("ttcf")) {
        const std::uint64_t fonts = u32_at(bytes, 8);
        std::set<std::uint32_t> tried;
        for (std::uint64_t k = 0; k < fonts && fits(bytes, 12 + 4 * k, 4); ++k) {
            if (!budget.take()) break;
            const std::uint32_t offset = u32_at(bytes, 12 + 4 * k);
            if (offset >= bytes.size() || !tried.insert(offset).second) continue;
            auto maps = read_sfnt_shared(bytes, offset, budget, memo);
            if (maps && !(*maps)->code_point_to_gid.empty()) return **maps;
        }
        return {};
    }
    auto maps = read_sfnt_shared(bytes, 0, budget, memo);
    return maps ? **maps : CmapMaps{};
}

}  // namespace

void fill_cmap_maps(CmapMaps& maps, std::uint32_t code_point, std::uint32_t glyph) {
    if (glyph == 0 || !is_scalar_value(code_point)) return;
    maps.code_point_to_gid.emplace(code_point, glyph);
    if (!maps.gid_to_text.contains(glyph)) {
        std::string text;
        append_utf8(text, static_cast<char32_t>(code_point));
        maps.gid_to_text.emplace(glyph, std::move(text));
    }
}

CmapMaps choose_cmap_subtable(std::string_view table, CmapBudget& budget) {
    return *choose_shared(table, budget);
}

std::optional<CmapMaps> read_sfnt_cmap(std::string_view bytes, std::uint64_t start, CmapBudget& budget) {
    TableMemo memo;
    auto maps = read_sfnt_shared(bytes, start, budget, memo);
    if (!maps) return std::nullopt;
    return **maps;
}

CmapMaps read_collection_cmap(std::string_view bytes, CmapBudget& budget) { return collection_cmap(bytes, budget); }

CmapMaps find_embedded_font_program(const pdf::Document& doc, const pdf::Object& font_descriptor) {
    ProgramMaps maps = find_embedded_program_maps(doc, font_descriptor, nullptr);
    return {*maps.code_point_to_gid, *maps.gid_to_text};
}

}  // namespace zvk::font

#include "font/sfnt.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/checked.h"
#include "base/utf8.h"
#include "pdf/objects.h"
#include "font/font_streams.h"
#include "font/sfnt_bytes.h"

namespace zvk::font {

namespace {

constexpr std::uint32_t kLastScalar = 0x10FFFF;

void decode_format0(std::string_view sub, CmapMapsBuilder& maps, CmapBudget& budget) {
    if (sub.size() < 262) return;
    for (std::uint32_t code = 0; code < 256; ++code) {
        if (!budget.take()) return;
        fill_cmap_maps(maps, code, static_cast<unsigned char>(sub[6 + code]));
    }
}

// Codes first to last, each mapped to (code + delta) mod 65536: one run up to
// glyph 0xFFFF, one from glyph 0 (which maps nothing) on.
void fill_delta_segment(CmapMapsBuilder& maps, std::uint32_t first, std::uint32_t last, std::uint32_t delta) {
    const std::uint32_t glyph = (first + delta) & 0xFFFF;
    const std::uint64_t before_wrap = std::uint64_t{first} + (0xFFFF - glyph);
    maps.fill_run(first, static_cast<std::uint32_t>(std::min<std::uint64_t>(last, before_wrap)), glyph);
    if (before_wrap < last) maps.fill_run(static_cast<std::uint32_t>(before_wrap + 1), last, 0);
}

void decode_format4(std::string_view sub, CmapMapsBuilder& maps, CmapBudget& budget) {
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
        if (range_offset == 0) {
            // Each code costs its unit as in a walk code by code; the
            // segment is entered as runs.
            const std::uint64_t codes = end - start + 1;
            const std::uint64_t taken = budget.take_up_to(codes);
            if (taken > 0) fill_delta_segment(maps, start, start + static_cast<std::uint32_t>(taken) - 1, delta);
            if (taken < codes) return;
            continue;
        }
        for (std::uint32_t code = start; code <= end; ++code) {
            if (!budget.take()) return;
            const std::uint64_t at = range_offset_at + range_offset + 2 * std::uint64_t{code - start};
            if (!fits(sub, at, 2)) break;
            const std::uint32_t index = u16_at(sub, at);
            fill_cmap_maps(maps, code, index == 0 ? 0 : (index + delta) & 0xFFFF);
        }
    }
}

void decode_format6(std::string_view sub, CmapMapsBuilder& maps, CmapBudget& budget) {
    if (sub.size() < 10) return;
    const std::uint32_t first = u16_at(sub, 6);
    const std::uint64_t count = u16_at(sub, 8);
    if (count == 0 || !fits(sub, 0, 10 + 2 * count)) return;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!budget.take()) return;
        fill_cmap_maps(maps, first + static_cast<std::uint32_t>(k), u16_at(sub, 10 + 2 * k));
    }
}

void decode_format12(std::string_view sub, CmapMapsBuilder& maps, CmapBudget& budget) {
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
        const std::uint64_t last = std::min({std::uint64_t{end}, std::uint64_t{kLastScalar},
                                             std::uint64_t{start} + kMaxCodesPerGroup - 1});
        if (last < start) continue;
        // Each code costs its unit as in a walk code by code; the group is
        // entered as one run.
        const std::uint64_t codes = last - start + 1;
        const std::uint64_t taken = budget.take_up_to(codes);
        if (taken > 0) maps.fill_run(start, static_cast<std::uint32_t>(start + taken - 1), glyph);
        if (taken < codes) return;
    }
}

CmapMaps decode_subtable(std::string_view sub, CmapBudget& budget) {
    CmapMapsBuilder maps;
    if (sub.size() < 4) return {};
    switch (u16_at(sub, 0)) {
    case 0: decode_format0(sub, maps, budget); break;
    case 4: decode_format4(sub, maps, budget); break;
    case 6: decode_format6(sub, maps, budget); break;
    case 12: decode_format12(sub, maps, budget); break;
    default: break;
    }
    return maps.build();
}

std::optional<int> priority_of(std::uint32_t platform, std::uint32_t encoding) {
    if (platform == 3 && encoding == 10) return 4;
    if (platform == 0) return 3;
    if (platform == 3 && encoding == 1) return 2;
    if (platform == 1 && encoding == 0) return 1;
    if (platform == 3 && encoding == 0) return 0;
    return std::nullopt;
}

SharedCmapMaps no_maps() {
    static const SharedCmapMaps empty = std::make_shared<const CmapMaps>();
    return empty;
}

SharedCmapMaps choose_shared(std::string_view table, CmapBudget& budget) {
    if (table.size() < 4) return no_maps();
    const std::uint64_t count = u16_at(table, 2);
    if (count == 0) return no_maps();
    // Encoding records that share a subtable decode it once.
    std::map<std::uint32_t, SharedCmapMaps> decoded;
    SharedCmapMaps result = no_maps();
    int best = -1;
    for (std::uint64_t k = 0; k < count && fits(table, 4 + 8 * k, 8); ++k) {
        if (!budget.take()) break;
        const std::uint64_t at = 4 + 8 * k;
        auto priority = priority_of(u16_at(table, at), u16_at(table, at + 2));
        const std::uint32_t offset = u32_at(table, at + 4);
        if (!priority || offset >= table.size() || *priority < best) continue;
        SharedCmapMaps& candidate = decoded[offset];
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
using TableMemo = std::map<std::pair<std::uint64_t, std::uint64_t>, SharedCmapMaps>;

SharedCmapMaps read_sfnt_shared(std::string_view bytes, std::uint64_t start, CmapBudget& budget, TableMemo& memo) {
    if (!fits(bytes, start, 12)) return nullptr;
    const std::uint64_t count = u16_at(bytes, start + 4);
    if (count == 0 || !fits(bytes, start + 12, 16 * count)) return nullptr;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> cmap;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (!budget.take()) return nullptr;
        const std::uint64_t at = start + 12 + 16 * k;
        if (bytes.substr(at, 4) == "cmap") cmap = {u32_at(bytes, at + 8), u32_at(bytes, at + 12)};
    }
    if (!cmap || cmap->second < 4 || !fits(bytes, cmap->first, cmap->second)) return nullptr;
    SharedCmapMaps& maps = memo[*cmap];
    if (!maps) maps = choose_shared(bytes.substr(cmap->first, cmap->second), budget);
    return maps;
}

}  // namespace

void CmapMapsBuilder::append(KeyRun run) {
    if (run.first == run.last) run.same_value = false;
    // Codes listed one by one with consecutive glyphs (format 4 glyph
    // arrays, formats 0 and 6) join the run before them.
    if (listed_.empty() || !listed_.back().join(run)) listed_.push_back(run);
}

void CmapMapsBuilder::fill_run(std::uint32_t first, std::uint32_t last, std::uint32_t glyph) {
    auto glyph_at = [&](std::uint64_t code) {
        return saturate_cast<std::uint32_t>(std::uint64_t{glyph} + (code - first));
    };
    // Codes from..to, none of them a surrogate: glyph ids step by one up to
    // the largest u32 value and stay there.
    auto fill_scalars = [&](std::uint64_t from, std::uint64_t to) {
        if (from > to) return;
        std::uint32_t id = glyph_at(from);
        if (id == 0) {  // only the run's first code can meet glyph 0: the ids never wrap
            if (++from > to) return;
            id = 1;
        }
        const std::uint64_t stepping_to = std::min(to, from + (UINT32_MAX - id));
        append({static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(stepping_to), id, false});
        if (stepping_to < to) {
            append({static_cast<std::uint32_t>(stepping_to + 1), static_cast<std::uint32_t>(to), UINT32_MAX, true});
        }
    };
    const std::uint64_t stop = std::min(last, kLastScalar);
    if (first > stop) return;
    fill_scalars(first, std::min<std::uint64_t>(stop, 0xD7FF));
    fill_scalars(std::max<std::uint64_t>(first, 0xE000), stop);
}

CmapMaps CmapMapsBuilder::build() const {
    CmapMaps maps;
    maps.code_point_to_gid = RunMap::first_wins(listed_);
    // A glyph's text is the first code point listed for it, whether or not
    // that code point kept an earlier glyph.
    std::vector<KeyRun> by_glyph;
    by_glyph.reserve(listed_.size());
    for (const KeyRun& run : listed_) {
        if (run.same_value) {  // glyph ids saturated at the largest value: one glyph
            by_glyph.push_back({run.value, run.value, run.first, false});
        } else {
            by_glyph.push_back({run.value, run.value + (run.last - run.first), run.first, false});
        }
    }
    maps.gid_to_text = RunMap::first_wins(by_glyph);
    return maps;
}

void fill_cmap_maps(CmapMapsBuilder& maps, std::uint32_t code_point, std::uint32_t glyph) {
    maps.fill_run(code_point, code_point, glyph);
}

SharedCmapMaps choose_cmap_subtable(std::string_view table, CmapBudget& budget) {
    return choose_shared(table, budget);
}

SharedCmapMaps read_sfnt_cmap(std::string_view bytes, std::uint64_t start, CmapBudget& budget) {
    TableMemo memo;
    return read_sfnt_shared(bytes, start, budget, memo);
}

SharedCmapMaps read_collection_cmap(std::string_view bytes, CmapBudget& budget) {
    TableMemo memo;
    if (bytes.size() >= 12 && bytes.starts_with("ttcf")) {
        const std::uint64_t fonts = u32_at(bytes, 8);
        std::set<std::uint32_t> tried;
        for (std::uint64_t k = 0; k < fonts && fits(bytes, 12 + 4 * k, 4); ++k) {
            if (!budget.take()) break;
            const std::uint32_t offset = u32_at(bytes, 12 + 4 * k);
            if (offset >= bytes.size() || !tried.insert(offset).second) continue;
            SharedCmapMaps maps = read_sfnt_shared(bytes, offset, budget, memo);
            if (maps && !maps->code_point_to_gid.empty()) return maps;
        }
        return no_maps();
    }
    SharedCmapMaps maps = read_sfnt_shared(bytes, 0, budget, memo);
    return maps ? maps : no_maps();
}

CmapMaps find_embedded_font_program(const pdf::Document& doc, const pdf::Object& font_descriptor) {
    ProgramMaps maps = find_embedded_program_maps(doc, font_descriptor, nullptr);
    return {*maps.code_point_to_gid, *maps.gid_to_text};
}

}  // namespace zvk::font

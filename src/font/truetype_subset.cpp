#include "font/truetype_subset.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "font/sfnt.h"
#include "font/sfnt_bytes.h"

namespace zvk::font {

namespace {

constexpr std::uint32_t kArgsAreWords = 0x0001;
constexpr std::uint32_t kHaveScale = 0x0008;
constexpr std::uint32_t kMoreComponents = 0x0020;
constexpr std::uint32_t kHaveXYScale = 0x0040;
constexpr std::uint32_t kHaveTwoByTwo = 0x0080;
constexpr std::uint32_t kHaveInstructions = 0x0100;

constexpr std::uint16_t kFallbackAdvance = 600;
constexpr std::uint32_t kMaxGlyphs = 0xFFFF;  // numGlyphs is 16 bits wide

std::int32_t i16_at(std::string_view data, std::uint64_t at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(u16_at(data, at)));
}

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

void set16(std::string& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<char>((v >> 8) & 0xFF);
    out[at + 1] = static_cast<char>(v & 0xFF);
}

void set32(std::string& out, std::size_t at, std::uint32_t v) {
    set16(out, at, v >> 16);
    set16(out, at + 2, v & 0xFFFF);
}

bool is_composite(std::string_view glyph) { return glyph.size() >= 10 && i16_at(glyph, 0) < 0; }

// Bytes from a component's start to the next component's start.
std::uint64_t component_size(std::uint32_t flags) {
    std::uint64_t size = 6;
    if (flags & kArgsAreWords) size += 2;
    if (flags & kHaveScale) size += 2;
    else if (flags & kHaveXYScale) size += 4;
    else if (flags & kHaveTwoByTwo) size += 8;
    return size;
}

// Calls visit(offset of the component, flags) for each component of a
// composite glyph whose 4-byte head lies within the glyph; the offset just
// past the last component walked.
template <typename Visit>
std::uint64_t walk_components(std::string_view glyph, Visit&& visit) {
    std::uint64_t at = 10;
    while (fits(glyph, at, 4)) {
        const std::uint32_t flags = u16_at(glyph, at);
        visit(at, flags);
        at += component_size(flags);
        if (!(flags & kMoreComponents)) break;
    }
    return at;
}

// Sorted, deduplicated BMP entries of a cmap (the first pair of a code point
// wins): the common content of both subtables.
std::vector<CodeGlyphPair> cmap_entries(const std::vector<CodeGlyphPair>& pairs) {
    std::vector<CodeGlyphPair> entries;
    entries.reserve(pairs.size());
    for (const auto& p : pairs)
        if (p.first < 0x10000) entries.push_back(p);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CodeGlyphPair& a, const CodeGlyphPair& b) { return a.first < b.first; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const CodeGlyphPair& a, const CodeGlyphPair& b) { return a.first == b.first; }),
                  entries.end());
    return entries;
}

std::string build_cmap_table(const std::vector<CodeGlyphPair>& pairs) {
    const std::string format4 = build_cmap_format4(pairs);
    std::string table;
    if (cmap_entries(pairs).size() <= kMaxFormat4CodePoints) {
        put16(table, 0);
        put16(table, 1);
        put16(table, 3);
        put16(table, 1);
        put32(table, 12);
        return table + format4;
    }
    put16(table, 0);
    put16(table, 2);
    put16(table, 3);
    put16(table, 1);
    put32(table, 20);
    put16(table, 3);
    put16(table, 10);
    put32(table, 20 + static_cast<std::uint32_t>(format4.size()));
    return table + format4 + build_cmap_format12(pairs);
}

// The maxp values a rasteriser allocates by, computed from the glyphs kept.
struct MaxpValues {
    std::uint32_t points = 0;
    std::uint32_t contours = 0;
    std::uint32_t composite_points = 0;
    std::uint32_t composite_contours = 0;
    std::uint32_t component_elements = 0;
    std::uint32_t component_depth = 0;
};

struct Flattened {
    std::uint64_t points = 0;
    std::uint64_t contours = 0;
    std::uint32_t depth = 0;  // 1 for a composite of simple glyphs; 0 for a simple glyph
};

// Points and contours of a simple glyph; none when it is not a simple glyph
// with a readable last end point.
std::optional<Flattened> simple_values(std::string_view glyph) {
    if (glyph.size() < 10) return std::nullopt;
    const std::int32_t contours = i16_at(glyph, 0);
    if (contours <= 0 || !fits(glyph, 10, 2 * static_cast<std::uint64_t>(contours))) return std::nullopt;
    const std::uint64_t last_end = u16_at(glyph, 10 + 2 * (static_cast<std::uint64_t>(contours) - 1));
    return Flattened{last_end + 1, static_cast<std::uint64_t>(contours), 0};
}

// Components of a composite glyph, in order.
std::vector<std::uint32_t> component_ids(std::string_view glyph) {
    std::vector<std::uint32_t> ids;
    walk_components(glyph, [&](std::uint64_t at, std::uint32_t) { ids.push_back(u16_at(glyph, at + 2)); });
    return ids;
}

// Flattens composites bottom up without recursion (a hostile chain of
// composites may be tens of thousands deep); a component that leads back to a
// glyph being flattened, or lies beyond the glyphs, counts for nothing.
MaxpValues compute_maxp_values(const std::vector<std::string>& glyphs) {
    enum class State : std::uint8_t { Fresh, Open, Done };
    std::vector<State> state(glyphs.size(), State::Fresh);
    std::vector<Flattened> flat(glyphs.size());
    MaxpValues values;
    for (std::size_t root = 0; root < glyphs.size(); ++root) {
        if (auto simple = simple_values(glyphs[root])) {
            values.points = std::max<std::uint64_t>(values.points, simple->points);
            values.contours = std::max<std::uint64_t>(values.contours, simple->contours);
            continue;
        }
        if (!is_composite(glyphs[root])) continue;
        std::vector<std::size_t> stack{root};
        while (!stack.empty()) {
            const std::size_t g = stack.back();
            if (state[g] == State::Done) {
                stack.pop_back();
                continue;
            }
            const auto ids = component_ids(glyphs[g]);
            if (state[g] == State::Fresh) {
                state[g] = State::Open;
                for (std::uint32_t c : ids)
                    if (c < glyphs.size() && state[c] == State::Fresh && is_composite(glyphs[c])) stack.push_back(c);
                continue;
            }
            Flattened total{0, 0, 1};
            for (std::uint32_t c : ids) {
                if (c >= glyphs.size()) continue;
                if (auto simple = simple_values(glyphs[c])) {
                    total.points += simple->points;
                    total.contours += simple->contours;
                } else if (is_composite(glyphs[c]) && state[c] == State::Done) {
                    total.points += flat[c].points;
                    total.contours += flat[c].contours;
                    total.depth = std::max(total.depth, flat[c].depth + 1);
                }
            }
            flat[g] = total;
            state[g] = State::Done;
            stack.pop_back();
        }
        values.composite_points = std::max<std::uint64_t>(values.composite_points, flat[root].points);
        values.composite_contours = std::max<std::uint64_t>(values.composite_contours, flat[root].contours);
        values.component_elements =
            std::max<std::uint64_t>(values.component_elements, component_ids(glyphs[root]).size());
        values.component_depth = std::max(values.component_depth, flat[root].depth);
    }
    return values;
}

std::uint32_t clamp16(std::uint64_t v) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFF)); }

std::uint32_t table_checksum(std::string_view table) {
    std::uint32_t sum = 0;
    std::uint64_t at = 0;
    for (; at + 4 <= table.size(); at += 4) sum += u32_at(table, at);
    if (at < table.size()) {
        std::array<char, 4> last{};
        std::copy(table.begin() + static_cast<std::ptrdiff_t>(at), table.end(), last.begin());
        sum += u32_at(std::string_view(last.data(), 4), 0);
    }
    return sum;
}

struct Face {
    std::string_view head, maxp, hhea, hmtx, loca, glyf, cmap;
};

// The tables the subsetter needs, or none when the face lacks one of them or
// its directory points outside the file.
std::optional<Face> read_face_tables(std::string_view bytes, std::uint64_t start) {
    if (!fits(bytes, start, 12) || bytes.substr(start, 4) == "OTTO") return std::nullopt;
    const std::uint64_t count = u16_at(bytes, start + 4);
    std::map<std::string_view, std::string_view> tables;
    for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint64_t at = start + 12 + 16 * k;
        if (!fits(bytes, at, 16)) return std::nullopt;
        const std::uint64_t offset = u32_at(bytes, at + 8);
        const std::uint64_t length = u32_at(bytes, at + 12);
        if (!fits(bytes, offset, length)) return std::nullopt;
        tables[bytes.substr(at, 4)] = bytes.substr(offset, length);
    }
    auto table = [&](std::string_view tag, std::size_t min_size) -> std::optional<std::string_view> {
        auto it = tables.find(tag);
        if (it == tables.end() || it->second.size() < min_size) return std::nullopt;
        return it->second;
    };
    auto head = table("head", 54), maxp = table("maxp", 6), hhea = table("hhea", 36), hmtx = table("hmtx", 0),
         loca = table("loca", 0), glyf = table("glyf", 0), cmap = table("cmap", 0);
    if (!head || !maxp || !hhea || !hmtx || !loca || !glyf || !cmap) return std::nullopt;
    return Face{*head, *maxp, *hhea, *hmtx, *loca, *glyf, *cmap};
}

// The glyph's bytes in glyf; none when its loca range is missing, reversed or
// outside the table.
std::optional<std::string_view> glyph_bytes(const Face& face, const std::vector<std::uint32_t>& offsets,
                                            std::uint32_t glyph) {
    if (std::uint64_t{glyph} + 1 >= offsets.size()) return std::nullopt;
    const std::uint64_t begin = offsets[glyph], end = offsets[glyph + 1];
    if (end < begin || end > face.glyf.size()) return std::nullopt;
    return face.glyf.substr(begin, end - begin);
}

std::optional<SubsetFont> subset_face(std::string_view bytes, std::uint64_t start,
                                      std::span<const std::uint32_t> code_points) {
    const auto face = read_face_tables(bytes, start);
    if (!face) return std::nullopt;
    const std::uint32_t units_per_em = std::max<std::uint32_t>(u16_at(face->head, 18), 1);
    const bool long_loca = u16_at(face->head, 50) != 0;
    const std::uint32_t glyph_count = u16_at(face->maxp, 4);
    const std::uint32_t h_metrics = u16_at(face->hhea, 34);
    const auto ascender = static_cast<std::int16_t>(u16_at(face->hhea, 4));
    const auto descender = static_cast<std::int16_t>(u16_at(face->hhea, 6));
    const auto offsets = read_loca_offsets(face->loca, glyph_count, long_loca);
    if (!offsets) return std::nullopt;

    CmapBudget budget;
    const SharedCmapMaps maps = choose_cmap_subtable(face->cmap, budget);
    const auto& to_glyph = maps->code_point_to_gid;

    std::vector<bool> kept(0x10000, false);
    kept[0] = true;
    std::vector<CodeGlyphPair> pairs;
    bool space_requested = false;
    for (std::uint32_t cp : code_points) {
        if (cp == 0x20) space_requested = true;
        if (cp < 1 || cp > 0xFFFF || to_glyph.empty()) continue;
        const auto glyph = to_glyph.find(cp);
        if (!glyph || *glyph > 0xFFFF) continue;
        kept[*glyph] = true;
        pairs.emplace_back(cp, *glyph);
    }

    // Composite closure, breadth first; `kept` guards the queue.
    std::vector<std::uint32_t> queue;
    for (std::uint32_t g = 0; g < kept.size(); ++g)
        if (kept[g]) queue.push_back(g);
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const auto glyph = glyph_bytes(*face, *offsets, queue[next]);
        if (!glyph) return std::nullopt;
        if (!is_composite(*glyph)) continue;
        walk_components(*glyph, [&](std::uint64_t at, std::uint32_t) {
            const std::uint32_t component = u16_at(*glyph, at + 2);
            if (!kept[component]) {
                kept[component] = true;
                queue.push_back(component);
            }
        });
    }

    GlyphRenumbering renumbering;
    std::vector<std::uint32_t> old_ids;
    for (std::uint32_t g = 0; g < kept.size(); ++g) {
        if (!kept[g]) continue;
        renumbering.set(g, static_cast<std::uint32_t>(old_ids.size()));
        old_ids.push_back(g);
    }

    std::vector<std::string> glyphs;
    glyphs.reserve(old_ids.size() + 1);
    std::vector<std::uint16_t> advances;
    std::string hmtx;
    for (std::uint32_t old_id : old_ids) {
        const auto source = glyph_bytes(*face, *offsets, old_id);
        if (!source) return std::nullopt;
        std::string glyph(*source);
        strip_glyph_instructions(glyph);
        remap_composite_glyph_ids(glyph, renumbering);
        std::uint16_t advance = kFallbackAdvance;
        if (h_metrics > 0) {
            const std::uint64_t index = std::min(h_metrics - 1, old_id);
            if (fits(face->hmtx, 4 * index, 2)) advance = static_cast<std::uint16_t>(u16_at(face->hmtx, 4 * index));
        }
        push_hmtx_metric(hmtx, advance, glyph_x_min(glyph));
        advances.push_back(advance);
        glyphs.push_back(std::move(glyph));
    }

    pairs = remap_code_glyph_pairs(pairs, renumbering);

    const bool space_mapped =
        std::any_of(pairs.begin(), pairs.end(), [](const CodeGlyphPair& p) { return p.first == 0x20; });
    // Past 65535 glyphs the count no longer fits numGlyphs; the space then
    // stays unmapped rather than corrupting the file.
    if (space_requested && !space_mapped && glyphs.size() < kMaxGlyphs) {
        const auto advance = static_cast<std::uint16_t>(units_per_em / 4);
        pairs.emplace_back(0x20, static_cast<std::uint32_t>(glyphs.size()));
        glyphs.emplace_back(10, '\0');
        push_hmtx_metric(hmtx, advance, 0);
        advances.push_back(advance);
    }

    SubsetFont font;
    font.units_per_em = static_cast<std::uint16_t>(units_per_em);
    for (const auto& [cp, glyph] : pairs) {
        const std::size_t index = std::min<std::size_t>(glyph, advances.size() - 1);
        font.glyphs[cp] = SubsetGlyph{static_cast<std::uint16_t>(glyph), advances[index]};
    }
    if (font.glyphs.empty()) return std::nullopt;
    font.font_bytes =
        write_truetype_subset(font.units_per_em, glyphs, hmtx, pairs, ascender, descender);
    return font;
}

}  // namespace

void GlyphRenumbering::set(std::uint32_t old_id, std::uint32_t new_id) {
    if (old_id >= new_of_old_.size()) new_of_old_.resize(std::uint64_t{old_id} + 1, kAbsent);
    new_of_old_[old_id] = new_id;
}

std::optional<std::uint32_t> GlyphRenumbering::find(std::uint32_t old_id) const {
    if (old_id >= new_of_old_.size() || new_of_old_[old_id] == kAbsent) return std::nullopt;
    return new_of_old_[old_id];
}

std::optional<std::vector<std::uint32_t>> read_loca_offsets(std::string_view loca, std::uint32_t glyph_count,
                                                            bool long_format) {
    const std::uint64_t count = std::uint64_t{glyph_count} + 1;
    if (!fits(loca, 0, count * (long_format ? 4 : 2))) return std::nullopt;
    std::vector<std::uint32_t> offsets(count);
    for (std::uint64_t k = 0; k < count; ++k)
        offsets[k] = long_format ? u32_at(loca, 4 * k) : 2 * u16_at(loca, 2 * k);
    return offsets;
}

void remap_composite_glyph_ids(std::string& glyph, const GlyphRenumbering& renumbering) {
    if (glyph.size() < 14 || i16_at(glyph, 0) >= 0) return;
    walk_components(glyph, [&](std::uint64_t at, std::uint32_t) {
        set16(glyph, at + 2, renumbering.find(u16_at(glyph, at + 2)).value_or(0));
    });
}

void strip_glyph_instructions(std::string& glyph) {
    if (glyph.size() < 10) return;
    const std::int32_t contours = i16_at(glyph, 0);
    if (contours > 0) {
        const std::uint64_t length_at = 10 + 2 * static_cast<std::uint64_t>(contours);
        if (!fits(glyph, length_at, 2)) return;
        const std::uint64_t length = u16_at(glyph, length_at);
        if (length == 0 || !fits(glyph, length_at + 2, length)) return;
        glyph.erase(length_at + 2, length);
        set16(glyph, length_at, 0);
        return;
    }
    if (contours == 0) return;
    bool had_instructions = false;
    const std::uint64_t end = walk_components(glyph, [&](std::uint64_t at, std::uint32_t flags) {
        if (flags & kHaveInstructions) {
            had_instructions = true;
            set16(glyph, at, flags & ~kHaveInstructions);
        }
    });
    // The instructions follow the last component; nothing else does.
    if (had_instructions && end < glyph.size()) glyph.resize(end);
}

void push_hmtx_metric(std::string& hmtx, std::uint16_t advance, std::int16_t left_side_bearing) {
    put16(hmtx, advance);
    put16(hmtx, static_cast<std::uint16_t>(left_side_bearing));
}

std::int16_t glyph_x_min(std::string_view glyph) {
    if (glyph.size() < 10 || i16_at(glyph, 0) == 0) return 0;
    return static_cast<std::int16_t>(i16_at(glyph, 2));
}

std::vector<CodeGlyphPair> remap_code_glyph_pairs(const std::vector<CodeGlyphPair>& pairs,
                                                  const GlyphRenumbering& renumbering) {
    std::vector<CodeGlyphPair> out;
    out.reserve(pairs.size());
    for (const auto& [cp, glyph] : pairs) out.emplace_back(cp, renumbering.find(glyph).value_or(0));
    return out;
}

std::string build_cmap_format4(const std::vector<CodeGlyphPair>& pairs) {
    auto entries = cmap_entries(pairs);
    if (entries.size() > kMaxFormat4CodePoints) entries.resize(kMaxFormat4CodePoints);
    const std::uint32_t seg_count = static_cast<std::uint32_t>(entries.size()) + 1;
    std::uint32_t floor_log2 = 0;
    while ((2u << floor_log2) <= seg_count) ++floor_log2;
    const std::uint32_t search_range = 2u << floor_log2;
    std::string sub;
    sub.reserve(16 + 8 * seg_count);
    put16(sub, 4);
    put16(sub, 16 + 8 * seg_count);
    put16(sub, 0);
    put16(sub, 2 * seg_count);
    put16(sub, search_range);
    put16(sub, floor_log2);
    put16(sub, 2 * seg_count - search_range);
    for (const auto& e : entries) put16(sub, e.first);
    put16(sub, 0xFFFF);
    put16(sub, 0);
    for (const auto& e : entries) put16(sub, e.first);
    put16(sub, 0xFFFF);
    for (const auto& e : entries) put16(sub, (e.second - e.first) & 0xFFFF);
    put16(sub, 1);
    for (std::uint32_t k = 0; k < seg_count; ++k) put16(sub, 0);
    return sub;
}

std::string build_cmap_format12(const std::vector<CodeGlyphPair>& pairs) {
    const auto entries = cmap_entries(pairs);
    std::string sub;
    put16(sub, 12);
    put16(sub, 0);
    put32(sub, 16 + 12 * static_cast<std::uint32_t>(entries.size()));
    put32(sub, 0);
    put32(sub, static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries) {
        put32(sub, e.first);
        put32(sub, e.first);
        put32(sub, e.second);
    }
    return sub;
}

std::string write_truetype_subset(std::uint16_t units_per_em, const std::vector<std::string>& glyphs,
                                  std::string_view hmtx, const std::vector<CodeGlyphPair>& pairs,
                                  std::int16_t ascender, std::int16_t descender) {
    const std::uint32_t glyph_count = static_cast<std::uint32_t>(glyphs.size());

    std::string glyf, loca;
    for (const auto& g : glyphs) {
        put32(loca, static_cast<std::uint32_t>(glyf.size()));
        glyf += g;
        glyf.append((4 - glyf.size() % 4) % 4, '\0');
    }
    put32(loca, static_cast<std::uint32_t>(glyf.size()));

    std::string head;
    put32(head, 0x00010000);
    put32(head, 0);
    put32(head, 0);  // checkSumAdjustment, set last
    put32(head, 0x5F0F3CF5);
    put16(head, 0x000B);
    put16(head, units_per_em);
    head.append(16, '\0');  // created, modified
    put16(head, 0);
    put16(head, static_cast<std::uint16_t>(descender));
    put16(head, 600);
    put16(head, static_cast<std::uint16_t>(ascender));
    put16(head, 0);   // macStyle
    put16(head, 8);   // lowestRecPPEM
    put16(head, 2);   // fontDirectionHint
    put16(head, 1);   // indexToLocFormat: long
    put16(head, 0);   // glyphDataFormat

    std::string hhea;
    put32(hhea, 0x00010000);
    put16(hhea, static_cast<std::uint16_t>(ascender));
    put16(hhea, static_cast<std::uint16_t>(descender));
    put16(hhea, 0);    // lineGap
    put16(hhea, 600);  // advanceWidthMax
    hhea.append(6, '\0');  // minLeftSideBearing, minRightSideBearing, xMaxExtent
    put16(hhea, 1);    // caretSlopeRise
    hhea.append(4 + 8 + 2, '\0');  // caretSlopeRun, caretOffset, reserved, metricDataFormat
    put16(hhea, glyph_count);

    // Glyph instructions are stripped, so the hinting limits stay 0.
    const MaxpValues values = compute_maxp_values(glyphs);
    std::string maxp;
    put32(maxp, 0x00010000);
    put16(maxp, glyph_count);
    put16(maxp, clamp16(values.points));
    put16(maxp, clamp16(values.contours));
    put16(maxp, clamp16(values.composite_points));
    put16(maxp, clamp16(values.composite_contours));
    put16(maxp, 2);  // maxZones
    maxp.append(12, '\0');  // twilight points, storage, function and instruction defs, stack, instruction size
    put16(maxp, clamp16(values.component_elements));
    put16(maxp, clamp16(values.component_depth));

    std::string name;
    put16(name, 0);
    put16(name, 1);
    put16(name, 18);
    put16(name, 1);
    put16(name, 0);
    put16(name, 0);
    put16(name, 6);
    put16(name, 6);
    put16(name, 0);
    name += "ZVKCJK";

    std::string post;
    put32(post, 0x00030000);
    post.append(28, '\0');

    const std::array<std::pair<std::string_view, std::string>, 9> tables{{
        {"cmap", build_cmap_table(pairs)},
        {"glyf", std::move(glyf)},
        {"head", std::move(head)},
        {"hhea", std::move(hhea)},
        {"hmtx", std::string(hmtx)},
        {"loca", std::move(loca)},
        {"maxp", std::move(maxp)},
        {"name", std::move(name)},
        {"post", std::move(post)},
    }};

    std::string out;
    put32(out, 0x00010000);
    put16(out, 9);
    put16(out, 128);
    put16(out, 3);
    put16(out, 16);
    std::uint32_t offset = 12 + 16 * 9;
    std::size_t head_at = 0;
    for (const auto& [tag, data] : tables) {
        out += tag;
        put32(out, table_checksum(data));
        put32(out, offset);
        put32(out, static_cast<std::uint32_t>(data.size()));
        if (tag == "head") head_at = offset;
        offset += static_cast<std::uint32_t>((data.size() + 3) / 4 * 4);
    }
    for (const auto& [tag, data] : tables) {
        out += data;
        out.append((4 - out.size() % 4) % 4, '\0');
    }
    set32(out, head_at + 8, 0xB1B0AFBA - table_checksum(out));
    return out;
}

std::optional<SubsetFont> subset_truetype_font(std::string_view font_bytes,
                                               std::span<const std::uint32_t> code_points) {
    std::vector<std::uint64_t> starts;
    if (font_bytes.size() >= 12 && font_bytes.substr(0, 4) == "ttcf") {
        const std::uint64_t count = u32_at(font_bytes, 8);
        for (std::uint64_t k = 0; k < count && fits(font_bytes, 12 + 4 * k, 4); ++k)
            starts.push_back(u32_at(font_bytes, 12 + 4 * k));
    } else {
        starts.push_back(0);
    }
    std::optional<SubsetFont> best;
    // A face listed twice gives the same subset and cannot beat its first
    // listing; a hostile collection naming one face a million times stops here.
    std::set<std::uint64_t> tried;
    for (std::uint64_t start : starts) {
        if (!tried.insert(start).second) continue;
        auto candidate = subset_face(font_bytes, start, code_points);
        if (candidate && (!best || candidate->glyphs.size() > best->glyphs.size())) best = std::move(candidate);
    }
    return best;
}

}  // namespace zvk::font

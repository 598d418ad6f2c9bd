// Small TrueType fonts built in the tests: simple triangle glyphs (with or
// without instructions), composite glyphs, a format 4 cmap of single code
// points, and collections of such faces.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zvk::font::test {

struct Be {
    std::string data;
    Be& u16(std::uint32_t v) {
        data += static_cast<char>((v >> 8) & 0xFF);
        data += static_cast<char>(v & 0xFF);
        return *this;
    }
    Be& i16(std::int32_t v) { return u16(static_cast<std::uint16_t>(v)); }
    Be& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    Be& raw(std::string_view s) {
        data += s;
        return *this;
    }
};

inline std::uint32_t read_u16(std::string_view d, std::size_t at) {
    return (std::uint32_t{static_cast<unsigned char>(d[at])} << 8) | static_cast<unsigned char>(d[at + 1]);
}
inline std::uint32_t read_u32(std::string_view d, std::size_t at) { return (read_u16(d, at) << 16) | read_u16(d, at + 2); }
inline std::int32_t read_i16(std::string_view d, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(read_u16(d, at)));
}

// One contour of three on-curve points: (x_min, 0), (x_max, 0), (x_min, y_max).
inline std::string triangle_glyph(std::int32_t x_min, std::int32_t x_max, std::int32_t y_max,
                                  std::string_view instructions = {}) {
    Be b;
    b.i16(1).i16(x_min).i16(0).i16(x_max).i16(y_max);
    b.u16(2);  // end point of the contour
    b.u16(static_cast<std::uint32_t>(instructions.size())).raw(instructions);
    b.raw(std::string(3, '\x01'));  // on curve, 16-bit deltas
    b.i16(x_min).i16(x_max - x_min).i16(x_min - x_max);
    b.i16(0).i16(0).i16(y_max);
    return b.data;
}

struct Component {
    std::uint32_t glyph;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::uint32_t extra_flags = 0;  // e.g. 0x08 with a scale appended
    std::string scale_bytes;
};

// Components with 16-bit x/y offsets; instructions after the last one when given.
inline std::string composite_glyph(const std::vector<Component>& components, std::int32_t x_min,
                                   std::string_view instructions = {}) {
    Be b;
    b.i16(-1).i16(x_min).i16(0).i16(x_min + 500).i16(500);
    for (std::size_t k = 0; k < components.size(); ++k) {
        std::uint32_t flags = 0x0001 | 0x0002 | components[k].extra_flags;
        if (k + 1 < components.size()) flags |= 0x0020;
        else if (!instructions.empty()) flags |= 0x0100;
        b.u16(flags).u16(components[k].glyph).i16(components[k].dx).i16(components[k].dy);
        b.raw(components[k].scale_bytes);
    }
    if (!instructions.empty()) b.u16(static_cast<std::uint32_t>(instructions.size())).raw(instructions);
    return b.data;
}

struct FontSpec {
    std::vector<std::string> glyphs;             // glyph 0 first
    std::map<std::uint32_t, std::uint32_t> cmap;  // code point to glyph
    std::vector<std::uint16_t> advances;         // numberOfHMetrics of them
    std::uint16_t units_per_em = 1000;
    std::int16_t ascender = 880;
    std::int16_t descender = -120;
    bool long_loca = true;
    bool with_cmap = true;
};

inline std::string format4_of(const std::map<std::uint32_t, std::uint32_t>& cmap) {
    Be b;
    const std::uint32_t n = static_cast<std::uint32_t>(cmap.size()) + 1;
    b.u16(4).u16(16 + 8 * n).u16(0).u16(2 * n).u16(0).u16(0).u16(0);
    for (const auto& [cp, g] : cmap) b.u16(cp);
    b.u16(0xFFFF).u16(0);
    for (const auto& [cp, g] : cmap) b.u16(cp);
    b.u16(0xFFFF);
    for (const auto& [cp, g] : cmap) b.u16((g - cp) & 0xFFFF);
    b.u16(1);
    for (std::uint32_t k = 0; k < n; ++k) b.u16(0);
    return b.data;
}

// The tables of one face, by tag (sorted), offsets not yet known.
inline std::map<std::string, std::string> face_tables(const FontSpec& spec) {
    std::map<std::string, std::string> t;
    Be glyf, loca;
    for (const auto& g : spec.glyphs) {
        if (spec.long_loca) loca.u32(static_cast<std::uint32_t>(glyf.data.size()));
        else loca.u16(static_cast<std::uint32_t>(glyf.data.size() / 2));
        glyf.raw(g);
        if (glyf.data.size() % 2) glyf.data += '\0';
    }
    if (spec.long_loca) loca.u32(static_cast<std::uint32_t>(glyf.data.size()));
    else loca.u16(static_cast<std::uint32_t>(glyf.data.size() / 2));
    t["glyf"] = glyf.data;
    t["loca"] = loca.data;
    Be head;
    head.u32(0x00010000).u32(0).u32(0).u32(0x5F0F3CF5).u16(0).u16(spec.units_per_em);
    head.raw(std::string(16, '\0')).u16(0).u16(0).u16(0).u16(0).u16(0).u16(8).u16(2);
    head.u16(spec.long_loca ? 1 : 0).u16(0);
    t["head"] = head.data;
    Be hhea;
    hhea.u32(0x00010000).i16(spec.ascender).i16(spec.descender).raw(std::string(26, '\0'));
    hhea.u16(static_cast<std::uint32_t>(spec.advances.size()));
    t["hhea"] = hhea.data;
    Be hmtx;
    for (auto a : spec.advances) hmtx.u16(a).u16(0);
    t["hmtx"] = hmtx.data;
    Be maxp;
    maxp.u32(0x00005000).u16(static_cast<std::uint32_t>(spec.glyphs.size()));
    t["maxp"] = maxp.data;
    if (spec.with_cmap) {
        Be cmap;
        cmap.u16(0).u16(1).u16(3).u16(1).u32(12).raw(format4_of(spec.cmap));
        t["cmap"] = cmap.data;
    }
    return t;
}

// Faces laid out one after another, each directory pointing at its own tables;
// a face given as "OTTO" is a bare CFF header with no tables.
inline std::string collection(const std::vector<std::string>& kinds, const std::vector<FontSpec>& specs) {
    const bool ttc = kinds.size() > 1 || (kinds.size() == 1 && kinds[0] == "ttc");
    std::vector<std::map<std::string, std::string>> faces;
    for (const auto& s : specs) faces.push_back(face_tables(s));
    std::string out;
    const std::size_t face_count = ttc ? kinds.size() : 1;
    std::size_t header = ttc ? 12 + 4 * face_count : 0;
    // Directories first, then the data of every table.
    std::vector<std::size_t> dir_at;
    std::size_t at = header;
    for (std::size_t f = 0; f < face_count; ++f) {
        dir_at.push_back(at);
        const bool otto = kinds[f] == "OTTO";
        at += 12 + (otto ? 0 : 16 * faces[f].size());
    }
    out.assign(at, '\0');
    auto put = [&](std::size_t pos, std::string_view s) { out.replace(pos, s.size(), s); };
    if (ttc) {
        Be h;
        h.raw("ttcf").u32(0x00010000).u32(static_cast<std::uint32_t>(face_count));
        for (auto d : dir_at) h.u32(static_cast<std::uint32_t>(d));
        put(0, h.data);
    }
    for (std::size_t f = 0; f < face_count; ++f) {
        Be dir;
        if (kinds[f] == "OTTO") {
            dir.raw("OTTO").u16(0).u16(0).u16(0).u16(0);
            put(dir_at[f], dir.data);
            continue;
        }
        dir.u32(0x00010000).u16(static_cast<std::uint32_t>(faces[f].size())).u16(0).u16(0).u16(0);
        for (const auto& [tag, data] : faces[f]) {
            while (out.size() % 4) out += '\0';
            dir.raw(tag).u32(0).u32(static_cast<std::uint32_t>(out.size())).u32(static_cast<std::uint32_t>(data.size()));
            out += data;
        }
        put(dir_at[f], dir.data);
    }
    return out;
}

inline std::string truetype_font(const FontSpec& spec) { return collection({"ttf"}, {spec}); }

// The table of a written sfnt, by tag; empty when absent.
inline std::string_view sfnt_table(std::string_view font, std::string_view tag) {
    const std::uint32_t count = read_u16(font, 4);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::size_t at = 12 + 16 * k;
        if (font.substr(at, 4) == tag) return font.substr(read_u32(font, at + 8), read_u32(font, at + 12));
    }
    return {};
}

}  // namespace zvk::font::test

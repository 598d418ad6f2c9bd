// The cmap tables of embedded TrueType and OpenType programs (single fonts
// and collections): code point to glyph id and glyph id to text, with all
// the work of one program bounded by a budget.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "font/font.h"
#include "pdf/document.h"

namespace zvk::font {

// Units of work allowed for one font program: each code mapped, each
// segment, group, table record, encoding record and collection entry visited
// costs one. A full-repertoire font maps about 1.1 million code points, so
// real fonts stay far below; a hostile table (millions of format 12 groups,
// a collection listing one font a million times) stops here, keeping what
// was mapped so far.
inline constexpr std::uint64_t kMaxCmapWork = 4194304;

// Format 12 groups map at most this many codes each.
inline constexpr std::uint32_t kMaxCodesPerGroup = 100001;

struct CmapMaps {
    CodePointToGid code_point_to_gid;
    GidToText gid_to_text;

    bool empty() const { return code_point_to_gid.empty() && gid_to_text.empty(); }
};

// What remains of a program's work allowance; shared by every table and
// subtable read for that program.
struct CmapBudget {
    std::uint64_t remaining = kMaxCmapWork;

    // Takes one unit; false once the allowance is spent.
    bool take() {
        if (remaining == 0) return false;
        --remaining;
        return true;
    }
};

// FontFile2, FontFile3, then FontFile of the descriptor: the first whose
// program yields a mapping.
CmapMaps find_embedded_font_program(const pdf::Document& doc, const pdf::Object& font_descriptor);

CmapMaps read_collection_cmap(std::string_view bytes, CmapBudget& budget);
std::optional<CmapMaps> read_sfnt_cmap(std::string_view bytes, std::uint64_t start, CmapBudget& budget);
CmapMaps choose_cmap_subtable(std::string_view table, CmapBudget& budget);
void fill_cmap_maps(CmapMaps& maps, std::uint32_t code_point, std::uint32_t glyph);

}  // namespace zvk::font

// The cmap tables of embedded TrueType and OpenType programs (single fonts
// and collections): code point to glyph id and glyph id to text, kept as
// runs, with all the work of one document's programs bounded by one budget.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "font/font.h"
#include "pdf/document.h"

namespace zvk::font {

// Units of work allowed for the embedded programs of one document: each code
// mapped, each segment, group, table record, encoding record and collection
// entry visited costs one. Real programs map some tens of thousands of code
// points (one covering all of Unicode, about 1.1 million), so real documents
// stay far below; a hostile table (millions of format 12 groups, a collection
// listing one font a million times) or many programs each mapping millions
// of codes stop here. The program being read when the allowance runs out
// keeps what it mapped so far; programs read after it map nothing.
inline constexpr std::uint64_t kMaxCmapWork = 4194304;

// Format 12 groups map at most this many codes each.
inline constexpr std::uint32_t kMaxCodesPerGroup = 100001;

struct CmapMaps {
    CodePointToGid code_point_to_gid;
    GidToText gid_to_text;

    bool empty() const { return code_point_to_gid.empty() && gid_to_text.empty(); }
};

// Maps are shared: a subtable named by several records, or a cmap table by
// several fonts of a collection, is decoded once.
using SharedCmapMaps = std::shared_ptr<const CmapMaps>;

// What remains of a work allowance; shared by every table and subtable read
// under it (one document's programs, or one call of the readers below).
struct CmapBudget {
    std::uint64_t remaining = kMaxCmapWork;

    // Takes one unit; false once the allowance is spent.
    bool take() {
        if (remaining == 0) return false;
        --remaining;
        return true;
    }

    // Takes up to `units` units at once (a run of codes, one unit each, as a
    // walk code by code would); the number taken.
    std::uint64_t take_up_to(std::uint64_t units) {
        const std::uint64_t taken = units < remaining ? units : remaining;
        remaining -= taken;
        return taken;
    }
};

// The mappings of one subtable gathered in the order it lists them; `build`
// gives the maps, where the first mapping met for a code point and the first
// code point met for a glyph stay.
class CmapMapsBuilder {
public:
    // Codes first to last mapped to glyph, glyph + 1, ... (saturating at the
    // largest u32 value), each under the rules of fill_cmap_maps.
    void fill_run(std::uint32_t first, std::uint32_t last, std::uint32_t glyph);
    CmapMaps build() const;

private:
    void append(KeyRun run);

    std::vector<KeyRun> listed_;  // code point runs, never holding glyph 0 or a non-scalar code
};

// FontFile2, FontFile3, then FontFile of the descriptor: the first whose
// program yields a mapping (each program with an allowance of its own).
CmapMaps find_embedded_font_program(const pdf::Document& doc, const pdf::Object& font_descriptor);

// Never null.
SharedCmapMaps read_collection_cmap(std::string_view bytes, CmapBudget& budget);
// Null when the sfnt has no usable cmap table.
SharedCmapMaps read_sfnt_cmap(std::string_view bytes, std::uint64_t start, CmapBudget& budget);
// Never null.
SharedCmapMaps choose_cmap_subtable(std::string_view table, CmapBudget& budget);
// Ignored for glyph 0 and for a code point that is not a Unicode scalar value.
void fill_cmap_maps(CmapMapsBuilder& maps, std::uint32_t code_point, std::uint32_t glyph);

}  // namespace zvk::font

// The output CJK fonts in the document: each subset font becomes a Type0
// font (Identity-H) over one CIDFont with its widths, descriptor, font file
// and ToUnicode CMap; and the closing pass that stores CFF font files found
// wrapped in OpenType as bare CFF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/core_error.h"
#include "font/subset_font.h"
#include "pdf/document.h"

namespace zvk::rewrite {

// One output font of the rewrite: its /Font resource name ("ZVK{n}") and the
// subset it draws with. Listed in load order, which is also embedding order.
struct FontEntry {
    std::string resource_name;
    font::SubsetFont font;
};

enum class FontFileForm : std::uint8_t {
    TrueType,  // FontFile2 under a CIDFontType2
    Cff,       // bare CFF: FontFile3 /CIDFontType0C under a CIDFontType0
    // An OpenType file whose CFF table cannot be cut out (CFF2 outlines, a
    // damaged table): embedded whole as FontFile3 /OpenType under a
    // CIDFontType0, never passed off as TrueType.
    OpenType,
};

struct FontFile {
    FontFileForm form = FontFileForm::TrueType;
    std::string_view bytes;  // a view into the given bytes
};

// The "CFF " table of an OpenType ("OTTO") file when it is a CFF version 1
// program that lies inside the file; none otherwise.
std::optional<std::string_view> opentype_cff_table(std::string_view bytes);
FontFile font_file_form(std::string_view bytes);

// (glyph id, width in thousandths of an em) for every mapped glyph, sorted,
// duplicates removed; a width beyond 16 bits saturates at 65535.
std::vector<std::pair<std::uint16_t, std::uint16_t>> glyph_widths(const font::SubsetFont& font);
std::string to_unicode_cmap(const font::SubsetFont& font);

// Adds the font file, descriptor, CIDFont, ToUnicode and Type0 objects, in
// that order, and gives the Type0 font's id.
Result<pdf::ObjectId> embed_cjk_type0_font(pdf::Document& doc, const FontEntry& entry);

// Every /CIDFontType0C stream whose decoded data is an OpenType CFF font gets
// the bare CFF table as plain content. Reports nothing.
void unwrap_opentype_cff_font_files(pdf::Document& doc);

}  // namespace zvk::rewrite

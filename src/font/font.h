// The font records: PdfFont, the one record that holds what the system
// knows about a font of a PDF page, its widths, vertical metrics and glyph
// mappings, and DecodedChar, the result of decoding one character code.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/geometry.h"
#include "font/cmap.h"
#include "font/encodings.h"
#include "font/key_runs.h"
#include "font/predefined.h"
#include "font/range_index.h"
#include "pdf/object.h"
#include "pdf/objects.h"

namespace zvk::font {

using pdf::ObjectId;

class PredefinedCids;

enum class FontKind : std::uint8_t {
    Type1 = 0,     // "Type1", "MMType1"
    TrueType = 1,  // "TrueType"
    Type0 = 2,     // "Type0"
    Type3 = 3,     // "Type3"
    Unknown = 4,   // anything else, a missing Subtype, and the fallback font
};

// Font streams (ToUnicode, encoding CMaps, CIDToGIDMap, font programs, Type3
// glyph procedures) are decoded up to this many bytes each: far above any
// real font, and independent of the content-stream limit.
inline constexpr std::uint64_t kMaxFontStreamBytes = 33554432;  // 32 MiB

// The font matrix of every font but a Type3 font with its own.
inline constexpr Matrix kDefaultFontMatrix{0.001f, 0.0f, 0.0f, 0.001f, 0.0f, 0.0f};

struct WidthRange {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    float width = 0.0f;
};

// Horizontal widths in glyph space: keyed by code for simple fonts, by CID
// for Type0 fonts.
struct GlyphWidths {
    std::vector<WidthRange> ranges;           // in array order
    std::unordered_map<std::uint32_t, float> map;
    float default_width = 0.0f;

    // `map`, then the first range holding the key, then `default_width`.
    float width_of(std::uint32_t key) const;
    // Indexes `ranges`; called once when the record is complete.
    void build_index();

private:
    RangeIndex index_;
};

struct VerticalMetric {
    float w1y = 0.0f;
    float vx = 0.0f;
    float vy = 0.0f;
};

struct VerticalRange {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    float w1y = 0.0f;
    float vx = 0.0f;
    float vy = 0.0f;
};

struct VerticalMetrics {
    std::vector<VerticalRange> ranges;  // in array order
    std::unordered_map<std::uint32_t, VerticalMetric> map;
    // DW2 in array order: the position vector's vy, then the displacement w1y.
    std::array<float, 2> dw2{880.0f, -1000.0f};

    // `map`, then the first range holding the CID; none when neither does.
    std::optional<VerticalMetric> explicit_metric(std::uint32_t cid) const;
    void build_index();

private:
    RangeIndex index_;
};

struct CidToGid {
    enum class Kind : std::uint8_t { None, Identity, Table };
    Kind kind = Kind::None;
    // Glyph ids indexed by CID (Table only).
    std::shared_ptr<const std::vector<std::uint16_t>> table;
};

// Glyph procedure bytes are shared: one decoded stream serves every code
// that uses it, and procedures are told apart by identity.
using ProcedureBytes = std::shared_ptr<const std::string>;

struct Type3Data {
    std::map<std::uint32_t, ProcedureBytes> char_procs;  // code to procedure
    ResourceMaps resources;
    Matrix font_matrix = kDefaultFontMatrix;
};

// An embedded program's cmap maps, as runs (see font/sfnt.h): code point to
// glyph id, and glyph id to the code point whose character is the glyph's text.
using CodePointToGid = RunMap;
using GidToText = RunMap;

// A loaded font. Never changed after loading; the large parts are shared so
// that the same font selected under another resource name costs a few small
// copies. Pointers documented "never null" always point at a record.
struct PdfFont {
    std::string resource_name;  // the name under which the font was selected
    std::string base_font;      // BaseFont (descendant's for Type0), else the resource name
    std::shared_ptr<const GlyphWidths> widths;                 // never null
    std::shared_ptr<const VerticalMetrics> vertical_metrics;   // never null
    std::shared_ptr<const ParsedCMap> to_unicode;              // null: none
    std::shared_ptr<const ParsedCMap> encoding_cmap;           // null: none
    std::shared_ptr<const SimpleEncoding> simple_encoding;     // null: none
    CidToGid cid_to_gid;
    std::optional<PredefinedCMap> predefined_cmap;
    // The CIDs of the predefined CMap's codes, from its file; null when the
    // system has no usable file (the code then serves as the CID).
    std::shared_ptr<const PredefinedCids> predefined_cids;
    std::shared_ptr<const CodePointToGid> code_point_to_gid;   // never null
    std::shared_ptr<const GidToText> gid_to_text;              // never null
    Matrix font_matrix = kDefaultFontMatrix;
    std::shared_ptr<const Type3Data> type3;                    // null: none
    std::optional<ObjectId> object_id;
    bool vertical = false;
    bool identity = false;
    bool cid_keyed = false;
    FontKind kind = FontKind::Unknown;

    PdfFont();
};

// The font kind of a Subtype name.
FontKind font_kind_from_subtype(const std::optional<std::string>& subtype);

struct VerticalDisplacement {
    float w1 = 0.0f;  // vertical displacement, text space
    float vx = 0.0f;  // position vector from the horizontal to the vertical origin
    float vy = 0.0f;
};

struct DecodedChar {
    std::string code_bytes;
    std::optional<std::string> unicode;
    std::optional<std::uint32_t> gid;
    std::optional<VerticalDisplacement> vertical;  // present exactly for a vertical font
    std::uint32_t code = 0;
    float advance = 0.0f;  // horizontal displacement in text space for size 1
};

}  // namespace zvk::font

#include "rewrite/output/cjk_font.h"

#include <algorithm>
#include <cstdio>

#include "pdf/edit.h"
#include "pdf/object.h"

namespace zvk::rewrite {

namespace {

using pdf::Object;

std::uint32_t read_u32(std::string_view b, std::size_t at) {
    return (std::uint32_t{static_cast<unsigned char>(b[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(b[at + 3])};
}

std::uint16_t read_u16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(b[at]) << 8) | static_cast<unsigned char>(b[at + 1]));
}

bool is_opentype(std::string_view bytes) { return bytes.size() >= 4 && bytes.substr(0, 4) == "OTTO"; }

void append_hex4(std::string& out, std::uint32_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(value));
    out += buffer;
}

// Stops at the first failure; the objects added so far stay, as with every
// failed write of the rewrite.
#define ZVK_TRY(expr)                                  \
    do {                                               \
        auto zvk_result_ = (expr);                     \
        if (!zvk_result_) return fail(zvk_result_.error()); \
    } while (false)

}  // namespace

std::optional<std::string_view> opentype_cff_table(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "OTTO") return std::nullopt;
    const std::size_t count = std::min<std::size_t>(read_u16(bytes, 4), (bytes.size() - 12) / 16);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t record = 12 + 16 * i;
        if (bytes.substr(record, 4) != "CFF ") continue;
        const std::uint64_t offset = read_u32(bytes, record + 8);
        const std::uint64_t length = read_u32(bytes, record + 12);
        if (offset + length > bytes.size() || length < 4) return std::nullopt;
        if (static_cast<unsigned char>(bytes[offset]) != 1) return std::nullopt;
        return bytes.substr(offset, length);
    }
    return std::nullopt;
}

FontFile font_file_form(std::string_view bytes) {
    if (auto table = opentype_cff_table(bytes)) return {FontFileForm::Cff, *table};
    // An OpenType file whose CFF program cannot be cut out still holds CFF
    // (or CFF2) outlines: a TrueType slot would make viewers drop its glyphs.
    if (is_opentype(bytes)) return {FontFileForm::OpenType, bytes};
    if (bytes.size() >= 4 && bytes[0] == '\x01' && bytes[1] == '\x00') return {FontFileForm::Cff, bytes};
    return {FontFileForm::TrueType, bytes};
}

std::vector<std::pair<std::uint16_t, std::uint16_t>> glyph_widths(const font::SubsetFont& font) {
    const std::uint64_t units_per_em = std::max<std::uint64_t>(font.units_per_em, 1);
    std::vector<std::pair<std::uint16_t, std::uint16_t>> widths;
    widths.reserve(font.glyphs.size());
    for (const auto& [code_point, glyph] : font.glyphs) {
        const std::uint64_t width = std::uint64_t{glyph.advance} * 1000 / units_per_em;
        widths.emplace_back(glyph.glyph_id, static_cast<std::uint16_t>(std::min<std::uint64_t>(width, 65535)));
    }
    std::sort(widths.begin(), widths.end());
    widths.erase(std::unique(widths.begin(), widths.end()), widths.end());
    return widths;
}

std::string to_unicode_cmap(const font::SubsetFont& font) {
    std::vector<std::pair<std::uint16_t, std::uint32_t>> pairs;
    pairs.reserve(font.glyphs.size());
    for (const auto& [code_point, glyph] : font.glyphs) pairs.emplace_back(glyph.glyph_id, code_point);
    std::sort(pairs.begin(), pairs.end());
    std::string out =
        "/CIDInit /ProcSet findresource begin\n"
        "12 dict begin\n"
        "begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> def\n"
        "/CMapName /ZVKCJK def\n"
        "/CMapType 2 def\n"
        "1 begincodespacerange\n"
        "<0000> <FFFF>\n"
        "endcodespacerange\n";
    constexpr std::size_t kBlock = 100;
    for (std::size_t start = 0; start < pairs.size(); start += kBlock) {
        const std::size_t end = std::min(start + kBlock, pairs.size());
        out += std::to_string(end - start) + " beginbfchar\n";
        for (std::size_t i = start; i < end; ++i) {
            out += '<';
            append_hex4(out, pairs[i].first);
            out += "> <";
            append_hex4(out, pairs[i].second);
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    out +=
        "endcmap\n"
        "CMapName currentdict /CMap defineresource pop\n"
        "end\n"
        "end\n";
    return out;
}

Result<pdf::ObjectId> embed_cjk_type0_font(pdf::Document& doc, const FontEntry& entry) {
    const FontFile file = font_file_form(entry.font.font_bytes);
    const bool truetype = file.form == FontFileForm::TrueType;

    Object file_dict = pdf::make_dictionary();
    if (file.form == FontFileForm::Cff) ZVK_TRY(pdf::set_entry(file_dict, "Subtype", pdf::make_name("CIDFontType0C")));
    if (file.form == FontFileForm::OpenType) {
        ZVK_TRY(pdf::set_entry(file_dict, "Subtype", pdf::make_name("OpenType")));
        // FontFile3 /OpenType came with PDF 1.6.
        ZVK_TRY(pdf::require_minimum_version(doc, "1.6"));
    }
    auto file_id = pdf::add_stream(doc, std::string(file.bytes), file_dict);
    if (!file_id) return fail(file_id.error());

    Object descriptor = pdf::make_dictionary();
    ZVK_TRY(pdf::set_entry(descriptor, "Type", pdf::make_name("FontDescriptor")));
    ZVK_TRY(pdf::set_entry(descriptor, "FontName", pdf::make_name("ZVKCJK")));
    ZVK_TRY(pdf::set_entry(descriptor, "Flags", pdf::make_integer(4)));
    ZVK_TRY(pdf::set_entry(descriptor, "FontBBox",
                           pdf::make_array({pdf::make_integer(0), pdf::make_integer(-200), pdf::make_integer(1000),
                                            pdf::make_integer(800)})));
    ZVK_TRY(pdf::set_entry(descriptor, "ItalicAngle", pdf::make_integer(0)));
    ZVK_TRY(pdf::set_entry(descriptor, "Ascent", pdf::make_integer(800)));
    ZVK_TRY(pdf::set_entry(descriptor, "Descent", pdf::make_integer(-200)));
    ZVK_TRY(pdf::set_entry(descriptor, "CapHeight", pdf::make_integer(700)));
    ZVK_TRY(pdf::set_entry(descriptor, "StemV", pdf::make_integer(80)));
    ZVK_TRY(pdf::set_entry(descriptor, truetype ? "FontFile2" : "FontFile3", doc.object(*file_id)));
    auto descriptor_id = pdf::add_object(doc, descriptor);
    if (!descriptor_id) return fail(descriptor_id.error());

    std::vector<Object> widths;
    for (const auto& [glyph_id, width] : glyph_widths(entry.font)) {
        widths.push_back(pdf::make_integer(glyph_id));
        widths.push_back(pdf::make_array({pdf::make_integer(width)}));
    }
    Object system_info = pdf::make_dictionary();
    ZVK_TRY(pdf::set_entry(system_info, "Registry", pdf::make_string("Adobe")));
    ZVK_TRY(pdf::set_entry(system_info, "Ordering", pdf::make_string("Identity")));
    ZVK_TRY(pdf::set_entry(system_info, "Supplement", pdf::make_integer(0)));
    Object cid_font = pdf::make_dictionary();
    ZVK_TRY(pdf::set_entry(cid_font, "Type", pdf::make_name("Font")));
    ZVK_TRY(pdf::set_entry(cid_font, "Subtype", pdf::make_name(truetype ? "CIDFontType2" : "CIDFontType0")));
    ZVK_TRY(pdf::set_entry(cid_font, "BaseFont", pdf::make_name("ZVKCJK")));
    ZVK_TRY(pdf::set_entry(cid_font, "CIDSystemInfo", system_info));
    ZVK_TRY(pdf::set_entry(cid_font, "FontDescriptor", doc.object(*descriptor_id)));
    ZVK_TRY(pdf::set_entry(cid_font, "DW", pdf::make_integer(1000)));
    ZVK_TRY(pdf::set_entry(cid_font, "W", pdf::make_array(widths)));
    if (truetype) ZVK_TRY(pdf::set_entry(cid_font, "CIDToGIDMap", pdf::make_name("Identity")));
    auto cid_font_id = pdf::add_object(doc, cid_font);
    if (!cid_font_id) return fail(cid_font_id.error());

    auto cmap_id = pdf::add_stream(doc, to_unicode_cmap(entry.font), Object());
    if (!cmap_id) return fail(cmap_id.error());

    Object type0 = pdf::make_dictionary();
    ZVK_TRY(pdf::set_entry(type0, "Type", pdf::make_name("Font")));
    ZVK_TRY(pdf::set_entry(type0, "Subtype", pdf::make_name("Type0")));
    ZVK_TRY(pdf::set_entry(type0, "BaseFont", pdf::make_name("ZVKCJK")));
    ZVK_TRY(pdf::set_entry(type0, "Encoding", pdf::make_name("Identity-H")));
    ZVK_TRY(pdf::set_entry(type0, "DescendantFonts", pdf::make_array({doc.object(*cid_font_id)})));
    ZVK_TRY(pdf::set_entry(type0, "ToUnicode", doc.object(*cmap_id)));
    return pdf::add_object(doc, type0);
}

void unwrap_opentype_cff_font_files(pdf::Document& doc) {
    for (const pdf::ObjectId id : pdf::all_object_ids(doc)) {
        Object stream = doc.object(id);
        if (!stream.is_stream()) continue;
        const Object subtype = stream.stream_dict().get("Subtype");
        if (!subtype.is_name() || subtype.name_bytes() != "CIDFontType0C") continue;
        std::optional<std::string> data = doc.decode_stream(stream, doc.max_decompressed_size());
        // Bytes a filter failed to decode are no font program: only a stream
        // without filters is read as stored.
        if (!data && !stream.stream_has_filter()) data = stream.stream_raw_data();
        if (!data) continue;
        const auto table = opentype_cff_table(*data);
        if (!table) continue;
        // A failed replacement leaves the stream as it was: nothing to report.
        (void)pdf::replace_stream_data(stream, std::string(*table));
    }
}

}  // namespace zvk::rewrite

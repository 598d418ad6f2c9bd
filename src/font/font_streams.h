// Font parts read from streams (ToUnicode and encoding CMaps, CIDToGIDMap
// tables, the cmap maps of embedded programs, Type1 and bare CFF built-in
// encodings and Type3 glyph procedures), kept per document by the stream's
// object id.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "font/font.h"
#include "font/sfnt.h"
#include "pdf/document.h"

namespace zvk::font {

// A CMap stream as both of its uses (ToUnicode, Type0 encoding) read it.
struct CMapStream {
    bool readable = false;  // it decoded within the font-stream bound
    bool vertical = false;  // its text names /WMode 1
    std::shared_ptr<const ParsedCMap> cmap;  // null when unreadable or empty
};

// The mappings of an embedded font program's cmap table.
struct ProgramMaps {
    std::shared_ptr<const CodePointToGid> code_point_to_gid;  // never null
    std::shared_ptr<const GidToText> gid_to_text;             // never null

    bool empty() const { return code_point_to_gid->empty() && gid_to_text->empty(); }
};

// Many font dictionaries may name one stream (a file can give ten thousand
// fonts one ToUnicode CMap that inflates to 32 MiB): each stream is decoded
// and parsed once per document, and every font that names it shares the
// result. One thread at a time; it must not outlive its document.
class FontStreamParts {
public:
    std::map<ObjectId, CMapStream> cmaps;
    std::map<ObjectId, std::shared_ptr<const std::vector<std::uint16_t>>> cid_to_gid_tables;
    std::map<ObjectId, ProgramMaps> programs;
    // One work allowance for every embedded program of the document, so that
    // many programs cannot each map millions of codes. Each program is read
    // once, when a font naming it is first selected (pages in order, each
    // page's content, forms and appearances as they are painted; FontFile2,
    // FontFile3, FontFile within a descriptor): which one the allowance runs
    // out in follows from the document alone.
    CmapBudget cmap_work;
    std::map<ObjectId, std::shared_ptr<const SimpleEncoding>> type1_encodings;
    std::map<ObjectId, std::shared_ptr<const SimpleEncoding>> cff_encodings;
    // Procedures that decoded, and those that did not at the full bound.
    std::map<ObjectId, ProcedureBytes> procedures;
};

// Each reader decodes the stream the entry leads to, or takes the result
// from `parts` (which may be null: then nothing is kept).

CMapStream read_cmap_stream(const pdf::Document& doc, const pdf::Object& entry, FontStreamParts* parts);
// The table of glyph ids indexed by CID; null when the stream is unreadable.
std::shared_ptr<const std::vector<std::uint16_t>> read_cid_to_gid_table(const pdf::Document& doc,
                                                                        const pdf::Object& entry,
                                                                        FontStreamParts* parts);
// The maps of the program's cmap table; empty maps when the stream is
// unreadable or maps nothing. With `parts`, the program's work comes out of
// the document's allowance; without, it has an allowance of its own.
ProgramMaps read_program_maps(const pdf::Document& doc, const pdf::Object& entry, FontStreamParts* parts);
// What an embedded Type1 program's built-in encoding gives each code (the
// entries a table's empty entries are filled from); null when unreadable.
std::shared_ptr<const SimpleEncoding> read_type1_builtin_encoding(const pdf::Document& doc,
                                                                  const pdf::Object& entry,
                                                                  FontStreamParts* parts);
// What a bare CFF program's built-in encoding gives each code; null when the
// stream is not of subtype Type1C or does not load. A program the reader
// cannot follow gives an empty table.
std::shared_ptr<const SimpleEncoding> read_cff_builtin_encoding(const pdf::Document& doc,
                                                                const pdf::Object& entry,
                                                                FontStreamParts* parts);
// FontFile2, FontFile3, then FontFile of the descriptor: the maps of the
// first program that maps anything (empty maps when none does).
ProgramMaps find_embedded_program_maps(const pdf::Document& doc, const pdf::Object& font_descriptor,
                                       FontStreamParts* parts);
// The glyph procedure decoded within max_bytes (at most the font-stream
// bound); null when it does not decode within it.
ProcedureBytes read_type3_procedure(const pdf::Document& doc, const pdf::Object& entry, std::uint64_t max_bytes,
                                    FontStreamParts* parts);

}  // namespace zvk::font

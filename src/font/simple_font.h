// Simple fonts (Type1, MMType1, TrueType, Type3 and unknown subtypes): the
// code-to-text table from a base encoding, Differences and the built-in
// encoding of an embedded Type1 or bare CFF program; widths; and Type3 glyph
// procedures.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "font/font.h"
#include "pdf/document.h"

namespace zvk::font {

// The clear-text part of a Type1 program that is scanned for its built-in
// encoding: at most this much after the cut at "eexec".
inline constexpr std::size_t kMaxType1ClearTextBytes = 524288;  // 512 KiB

// All glyph procedures of one Type3 font together decode to at most this
// many bytes; a procedure that would pass it counts as unloadable. Real
// procedures are a few kilobytes each; the bound keeps a font of many small
// deflate bombs from costing gigabytes.
inline constexpr std::uint64_t kMaxType3ProcedureBytes = 67108864;  // 64 MiB

class FontStreamParts;

// `parts` keeps what is read from streams for other fonts of the document
// (null: nothing kept).
PdfFont load_simple_font(const pdf::Document& doc, const std::string& resource_name,
                         std::optional<ObjectId> object_id, const pdf::Object& font_dictionary,
                         FontKind kind, const std::string& base_font, FontStreamParts* parts = nullptr);

// Entry `code` (its low 8 bits) becomes the name's text, or empty for an
// unknown name.
void set_encoding_difference(SimpleEncoding& table, std::uint32_t code, std::string_view glyph_name);

// One entry per element of a Widths array, resolved: a number gives its
// value, anything else an empty entry, so every width keeps its own code.
std::vector<std::optional<float>> collect_numeric_widths(const pdf::Document& doc,
                                                         const std::vector<pdf::Object>& array);

std::string_view trim_leading_line_whitespace(std::string_view text);

// The clear text of a Type1 program (first PFB segment, cut at "eexec",
// bounded), as valid UTF-8.
std::string type1_clear_text(std::string_view program);

// The (code, glyph name) pairs of "dup <code> /<name> put" in the clear text,
// in the order found.
std::vector<std::pair<std::uint8_t, std::string>> find_builtin_encoding_entries(std::string_view text);

// Fills the empty entries of the table from a program's built-in encoding
// entries, in order: the glyph list's text of each name, or else its text as
// a TeX math-extension glyph; a filled entry or a name neither knows changes
// nothing. Type1 and bare CFF programs both fill through it.
void apply_builtin_encoding_entries(SimpleEncoding& table,
                                    const std::vector<std::pair<std::uint8_t, std::string>>& entries);

// Fills the empty entries of the table from an embedded Type1 program's
// built-in encoding (or from StandardEncoding when the program says so).
void apply_type1_builtin_encoding(SimpleEncoding& table, std::string_view program);

// The Type3 part of a font: matrix, resources and procedures attached to
// codes through the Differences names and the final table.
std::shared_ptr<const Type3Data> load_type3_data(const pdf::Document& doc,
                                                 const pdf::Object& font_dictionary,
                                                 const std::map<std::uint32_t, std::string>& differences_names,
                                                 const SimpleEncoding& table,
                                                 FontStreamParts* parts = nullptr);

}  // namespace zvk::font

// Font parts read from streams are read once per document and shared by
// every font that names the stream, with the same result as a fresh read.
#include <gtest/gtest.h>

#include <functional>

#include "font/cff_builder.h"
#include "font/font_fixture.h"
#include "font/font_streams.h"

namespace zvk::font {
namespace {

using test::FixtureObject;
using test::load_pdf;
using test::stored_entry;

// A TrueType program holding only a cmap table: format 6, code 0x41 to glyph 5.
std::string one_glyph_sfnt() {
    std::string subtable = std::string("\0\x06\0\x0C\0\0\0\x41\0\x01\0\x05", 12);
    std::string cmap = std::string("\0\0\0\x01\0\x03\0\x01\0\0\0\x0C", 12) + subtable;
    std::string out = std::string("\0\x01\0\0\0\x01\0\0\0\0\0\0", 12);
    out += "cmap";
    out += std::string("\0\0\0\0\0\0\0\x1C\0\0\0", 11) + static_cast<char>(cmap.size());
    return out + cmap;
}

// Object 3 holds two references to the stream, object 20.
pdf::Document two_references_to(const FixtureObject& stream) {
    return load_pdf({{3, {"<< /A 20 0 R /B 20 0 R >>", std::nullopt}}, {20, stream}});
}

struct Reader {
    const char* name;
    FixtureObject stream;
    // The shared part the reader gives for the entry, as a pointer; null
    // when it gives nothing.
    std::function<const void*(const pdf::Document&, const pdf::Object&, FontStreamParts*)> read;
};

TEST(FontStreamParts, EachStreamIsReadOncePerDocument) {
    const Reader readers[] = {
        {"CMap", {"<< >>", "begincodespacerange <00> <FF> endcodespacerange /WMode 1"},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             CMapStream s = read_cmap_stream(doc, entry, parts);
             EXPECT_TRUE(s.readable && s.vertical);
             return s.cmap.get();
         }},
        {"CIDToGIDMap", {"<< >>", std::string("\0\x07\0\x09", 4)},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             auto table = read_cid_to_gid_table(doc, entry, parts);
             EXPECT_EQ(table ? *table : std::vector<std::uint16_t>{}, (std::vector<std::uint16_t>{7, 9}));
             return table.get();
         }},
        {"font program", {"<< >>", one_glyph_sfnt()},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             ProgramMaps maps = read_program_maps(doc, entry, parts);
             EXPECT_EQ(maps.code_point_to_gid->size(), 1u);
             EXPECT_EQ(maps.gid_to_text->find(5), 0x41u);
             return maps.code_point_to_gid.get();
         }},
        {"Type1 program", {"<< >>", "/Encoding 256 array\ndup 65 /Alpha put\nreadonly def\neexec"},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             auto fills = read_type1_builtin_encoding(doc, entry, parts);
             EXPECT_EQ(fills ? (*fills)[65] : std::nullopt, std::optional<std::string>("\u0391"));
             return fills.get();
         }},
        {"CFF program",
         {"<< /Subtype /Type1C >>", [] {
              test::CffFont font;
              font.glyph_count = 2;
              font.charset_data = std::string(1, '\0') + test::cff_card16(34);  // A
              font.encoding_data = test::cff_bytes({0, 1, 65});
              return test::build_cff(font);
          }()},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             auto fills = read_cff_builtin_encoding(doc, entry, parts);
             EXPECT_EQ(fills ? (*fills)[65] : std::nullopt, std::optional<std::string>("A"));
             return fills.get();
         }},
        {"glyph procedure", {"<< >>", "0 0 1 1 re f"},
         [](auto& doc, auto& entry, auto* parts) -> const void* {
             auto bytes = read_type3_procedure(doc, entry, kMaxFontStreamBytes, parts);
             EXPECT_EQ(bytes ? *bytes : "", "0 0 1 1 re f");
             return bytes.get();
         }},
    };
    for (const auto& r : readers) {
        SCOPED_TRACE(r.name);
        auto doc = two_references_to(r.stream);
        FontStreamParts parts;
        const void* first = r.read(doc, stored_entry(doc, 3, "A"), &parts);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(r.read(doc, stored_entry(doc, 3, "B"), &parts), first);
        // Without a store every read is a fresh one.
        EXPECT_NE(r.read(doc, stored_entry(doc, 3, "B"), nullptr), first);
    }
}

TEST(FontStreamParts, GlyphProcedureBoundsGiveWhatAFreshReadGives) {
    auto doc = two_references_to({"<< >>", std::string(100, ' ')});
    const pdf::Object entry = stored_entry(doc, 3, "A");
    FontStreamParts parts;
    // Each read in turn: the bound, and whether the procedure decodes within it.
    const struct {
        std::uint64_t max_bytes;
        bool decodes;
    } reads[] = {{99, false}, {100, true}, {99, false}, {1000, true}, {kMaxFontStreamBytes, true}, {10, false}};
    for (const auto& r : reads) {
        SCOPED_TRACE(r.max_bytes);
        EXPECT_EQ(read_type3_procedure(doc, entry, r.max_bytes, &parts) != nullptr, r.decodes);
        EXPECT_EQ(read_type3_procedure(doc, entry, r.max_bytes, nullptr) != nullptr, r.decodes);
    }
}

}  // namespace
}  // namespace zvk::font

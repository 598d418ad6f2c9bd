// Glyphs of Type0 fonts over predefined CMaps are placed by the widths of
// their real CIDs when the CMap file can be read, and as before when it
// cannot. The CMap files are small hand-written ones in a temporary
// directory named by ZVK_CMAP_DIR, so the cases do not depend on what the
// machine has installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "content/document_fixture.h"
#include "support/temp_dir.h"

namespace zvk {
namespace {

using test::extract_objects;
using test::one_page;

// Points ZVK_CMAP_DIR at a directory for the life of the guard.
class CMapDirGuard {
public:
    explicit CMapDirGuard(const std::string& directory) {
        if (const char* old = std::getenv("ZVK_CMAP_DIR")) previous_ = old;
        ::setenv("ZVK_CMAP_DIR", directory.c_str(), 1);
    }
    ~CMapDirGuard() {
        if (previous_) {
            ::setenv("ZVK_CMAP_DIR", previous_->c_str(), 1);
        } else {
            ::unsetenv("ZVK_CMAP_DIR");
        }
    }

private:
    std::optional<std::string> previous_;
};

std::string cmap_program(const std::string& name, const std::string& body) {
    return "%!PS-Adobe-3.0 Resource-CMap\n/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
           "/CIDSystemInfo 3 dict dup begin /Registry (Adobe) def /Ordering (Japan1) def /Supplement 6 def "
           "end def\n/CMapName /" + name + " def\n" + body +
           "\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// The mappings the cases need, with the CIDs the real Adobe-Japan1 CMaps
// give: A and B are CIDs 34 and 35, hiragana a (U+3042) is 843, the
// ideographic comma (U+3001) is 634, and 7887 in vertical writing.
const std::string kHorizontalBody =
    "2 begincodespacerange\n<0000> <D7FF>\n<E000> <FFFF>\nendcodespacerange\n"
    "1 beginnotdefrange\n<0000> <001f> 1\nendnotdefrange\n"
    "3 begincidrange\n<0020> <005b> 1\n<3000> <3002> 633\n<3041> <3093> 842\nendcidrange\n";
const std::string kVerticalBody = "1 begincidrange\n<3001> <3002> 7887\nendcidrange\n";

std::string horizontal_cmap(const std::string& extra = "") {
    return cmap_program("UniJIS-UTF16-H", kHorizontalBody + extra);
}
std::string vertical_cmap(const std::string& used) {
    return cmap_program("UniJIS-UTF16-V", "/" + used + " usecmap\n" + kVerticalBody);
}

// W gives the real CIDs of A, B and hiragana a one set of widths and the
// CIDs equal to their codes (65, 66, 12354) another, so each glyph's place
// tells which CID it was measured by. The descendant has no CIDToGIDMap, so
// its glyph ids are the CIDs.
std::vector<std::string> japanese_page(const std::string& encoding, const std::string& content,
                                       const std::string& descendant_extra = "") {
    return one_page(content, "<< /Font << /J 6 0 R >> >>",
                    {"<< /Type /Font /Subtype /Type0 /BaseFont /KozMinPr6N-Regular /Encoding /" + encoding +
                         " /DescendantFonts [7 0 R] >>",
                     "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /KozMinPr6N-Regular "
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 6 >> /DW 1000 "
                     "/W [34 [250 600] 65 [900 900] 843 [400] 12354 [700]] " +
                         descendant_extra + " >>"});
}

constexpr const char* kShowABaA = "BT /J 10 Tf 100 500 Td <0041004230420041> Tj ET";

struct Placement {
    std::vector<float> x;
    std::vector<float> y;
    std::vector<std::uint32_t> gids;
};
// Measured by the real CIDs 34, 35, 843, 34 (widths 250, 600, 400, 250).
const Placement kByRealCids{{100.0f, 102.5f, 108.5f, 112.5f}, {500, 500, 500, 500}, {34, 35, 843, 34}};
// Measured by the codes taken as CIDs (widths 900, 900, 700, 900), as
// without the CMap file.
const Placement kByCodes{{100.0f, 109.0f, 118.0f, 125.0f}, {500, 500, 500, 500}, {65, 66, 12354, 65}};
// In vertical writing each glyph moves down one em and its origin lies half
// its width to the left of the pen.
const Placement kVerticalByRealCids{
    {98.75f, 97.0f, 98.0f, 98.75f}, {491.2f, 481.2f, 471.2f, 461.2f}, {34, 35, 843, 34}};
const Placement kVerticalByCodes{
    {95.5f, 95.5f, 96.5f, 95.5f}, {491.2f, 481.2f, 471.2f, 461.2f}, {65, 66, 12354, 65}};

void expect_placement(const ExtractedDocument& doc, const Placement& expected, const std::string& label) {
    ASSERT_EQ(doc.glyphs.size(), 4u) << label;
    const std::vector<std::string> text{"A", "B", "\u3042", "A"};
    for (std::size_t i = 0; i < 4; ++i) {
        const Glyph& g = doc.glyphs[i];
        // The text never depends on the CMap file.
        EXPECT_EQ(g.unicode, text[i]) << label << " glyph " << i;
        EXPECT_FLOAT_EQ(g.matrix[4], expected.x[i]) << label << " glyph " << i;
        EXPECT_FLOAT_EQ(g.matrix[5], expected.y[i]) << label << " glyph " << i;
        EXPECT_EQ(g.gid, expected.gids[i]) << label << " glyph " << i;
    }
}

TEST(PredefinedCMapWidths, GlyphsArePlacedByTheRealCidWhereTheFileIsRead) {
    struct Case {
        const char* label;
        const char* encoding;
        std::map<std::string, std::string> files;  // path in the directory to contents
        const Placement* expected;
    } cases[] = {
        {"collection_layout", "UniJIS-UTF16-H", {{"Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap()}}, &kByRealCids},
        {"flat_layout", "UniJIS-UTF16-H", {{"UniJIS-UTF16-H", horizontal_cmap()}}, &kByRealCids},
        {"vertical_cmap_uses_horizontal", "UniJIS-UTF16-V",
         {{"Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap()},
          {"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniJIS-UTF16-H")}},
         &kVerticalByRealCids},
        {"missing_file", "UniJIS-UTF16-H", {{"Adobe-Japan1/UniJIS-UCS2-H", horizontal_cmap()}}, &kByCodes},
        {"used_cmap_missing", "UniJIS-UTF16-V",
         {{"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniJIS-UTF16-H")}}, &kVerticalByCodes},
        // Only the directory of the file that names it is searched for a used CMap.
        {"used_cmap_in_other_layout", "UniJIS-UTF16-V",
         {{"UniJIS-UTF16-H", horizontal_cmap()},
          {"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniJIS-UTF16-H")}},
         &kVerticalByCodes},
        {"usecmap_cycle", "UniJIS-UTF16-V",
         {{"Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap("/UniJIS-UTF16-V usecmap\n")},
          {"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniJIS-UTF16-H")}},
         &kVerticalByCodes},
        {"usecmap_of_itself", "UniJIS-UTF16-H",
         {{"Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap("/UniJIS-UTF16-H usecmap\n")}}, &kByCodes},
        // Only recognised names are followed, even where the named file exists.
        {"usecmap_unrecognised_name", "UniJIS-UTF16-V",
         {{"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("H")}, {"Adobe-Japan1/H", horizontal_cmap()}},
         &kVerticalByCodes},
        {"usecmap_of_another_collection", "UniJIS-UTF16-V",
         {{"Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniGB-UTF16-H")},
          {"Adobe-Japan1/UniGB-UTF16-H", horizontal_cmap()}},
         &kVerticalByCodes},
        {"file_is_a_directory", "UniJIS-UTF16-H", {{"Adobe-Japan1/UniJIS-UTF16-H/x", horizontal_cmap()}}, &kByCodes},
        {"file_maps_no_cid", "UniJIS-UTF16-H",
         {{"Adobe-Japan1/UniJIS-UTF16-H", cmap_program("UniJIS-UTF16-H", "1 begincodespacerange\n<0000> <FFFF>\n"
                                                                       "endcodespacerange\n")}},
         &kByCodes},
        {"file_too_large", "UniJIS-UTF16-H",
         {{"Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap(std::string(4u << 20, ' '))}}, &kByCodes},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        for (const auto& [path, contents] : c.files) {
            std::filesystem::create_directories((dir.path() / path).parent_path());
            dir.write(path, contents);
        }
        CMapDirGuard guard((dir.path() / "").string());
        auto doc = extract_objects(japanese_page(c.encoding, kShowABaA));
        expect_placement(doc, *c.expected, c.label);
    }
}

// The vertical CMap's own mapping wins over the one it uses, and W2 is read
// by the real CID too.
TEST(PredefinedCMapWidths, VerticalMetricsAreReadByTheRealCid) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Adobe-Japan1");
    dir.write("Adobe-Japan1/UniJIS-UTF16-H", horizontal_cmap());
    dir.write("Adobe-Japan1/UniJIS-UTF16-V", vertical_cmap("UniJIS-UTF16-H"));
    CMapDirGuard guard(dir.path().string());
    auto doc = extract_objects(japanese_page("UniJIS-UTF16-V", "BT /J 10 Tf 100 500 Td <30010041> Tj ET",
                                             "/W2 [634 [-900 0 0] 7887 [-500 100 800]]"));
    ASSERT_EQ(doc.glyphs.size(), 2u);
    const Glyph& comma = doc.glyphs[0];
    const Glyph& a = doc.glyphs[1];
    EXPECT_EQ(comma.unicode, "\u3001");
    EXPECT_EQ(comma.gid, 7887u);
    // CID 7887: position vector (100, 800), displacement -500.
    EXPECT_FLOAT_EQ(comma.matrix[4], 99.0f);
    EXPECT_FLOAT_EQ(comma.matrix[5], 492.0f);
    EXPECT_FLOAT_EQ(comma.advance[1], -5.0f);
    // CID 34 through the horizontal CMap: no W2 entry, so the defaults with
    // half of its width 250.
    EXPECT_EQ(a.gid, 34u);
    EXPECT_FLOAT_EQ(a.matrix[4], 98.75f);
    EXPECT_FLOAT_EQ(a.matrix[5], 486.2f);
}

// An Encoding that is a path is no predefined CMap at all: the font is an
// Identity font (two-byte codes, no text without a ToUnicode) and no file is
// looked for, not even the good one the path leads to.
TEST(PredefinedCMapWidths, AnEncodingNamedByAPathReadsNoFile) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "cmaps");
    dir.write("UniJIS-UTF16-H", horizontal_cmap());
    CMapDirGuard guard((dir.path() / "cmaps").string());
    auto doc = extract_objects(japanese_page("..#2FUniJIS-UTF16-H", kShowABaA));
    ASSERT_EQ(doc.glyphs.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(doc.glyphs[i].unmapped) << i;
        EXPECT_FLOAT_EQ(doc.glyphs[i].matrix[4], kByCodes.x[i]) << i;
    }
}

// Without any readable file the system's directory is not consulted when the
// variable names another one, so the fixture behaves as before on any machine.
TEST(PredefinedCMapWidths, AnEmptyChosenDirectoryKeepsTheCodesAsCids) {
    test::TempDir dir;
    CMapDirGuard guard(dir.path().string());
    expect_placement(extract_objects(japanese_page("UniJIS-UTF16-H", kShowABaA)), kByCodes, "empty_directory");
}

}  // namespace
}  // namespace zvk

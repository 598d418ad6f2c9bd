// The font names that extraction reports for the corpus papers, and what the
// font-name tests make of them: which of a paper's fonts share a family.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "api/options.h"
#include "api/pdf_files.h"
#include "segment/font_names.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

struct FontRow {
    const char* file;       // under papers/
    const char* font_name;  // as pdffonts lists it
    const char* family;
};

constexpr FontRow kRows[] = {
    {"glia-calcium-waves.pdf", "NewCenturySchlbk-Roman", "newcenturyschlbk"},
    {"glia-calcium-waves.pdf", "NewCenturySchlbk-Bold", "newcenturyschlbk"},
    {"glia-calcium-waves.pdf", "NewCenturySchlbk-Italic", "newcenturyschlbk"},
    {"pdkids.pdf", "EAAAAA+CenturyGothic", "centurygothic"},
    {"pdkids.pdf", "DAAAAA+CenturyGothic-Bold", "centurygothic"},
    {"pdkids.pdf", "FAAAAA+CenturyGothic-Italic", "centurygothic"},
    {"ephaptic-coupling.pdf", "XBTCAZ+MinionPro-Regular", "minionpro"},
    {"ephaptic-coupling.pdf", "CBHBSP+MinionPro-Bold", "minionpro"},
    {"ephaptic-coupling.pdf", "CBHBSP+MinionPro-Semibold", "minionpro"},
    {"ephaptic-coupling.pdf", "HDRKKF+MinionPro-It", "minionpro-it"},
    {"bug886717.pdf", "IKVZVQ+NimbusRomNo9L-Regu", "nimbusromno9l"},
};

TEST(CorpusFontNames, ExtractedNamesAndTheirFamilies) {
    const fs::path papers = fs::path(ZVK_CORPUS_DIR) / "papers";
    if (!fs::is_directory(papers)) GTEST_SKIP() << "no corpus at " << papers;
    std::string loaded;
    std::set<std::string> names;
    for (const FontRow& row : kRows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.font_name);
        if (loaded != row.file) {
            auto doc = load_pdf_document((papers / row.file).string(), LoadOptions{});
            ASSERT_TRUE(doc) << doc.error().display();
            auto extraction = extract_document_default_limits(*doc);
            ASSERT_TRUE(extraction) << extraction.error().display();
            names.clear();
            for (const Glyph& g : extraction->glyphs) names.insert(g.font_name);
            loaded = row.file;
        }
        EXPECT_TRUE(names.contains(row.font_name));  // the glyphs carry the name as pdffonts shows it
        EXPECT_EQ(font_family_key(row.font_name), row.family);
    }
}

}  // namespace
}  // namespace zvk

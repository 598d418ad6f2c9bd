// CID fonts of the corpus decode to the characters pdftotext finds, checked
// as multisets of non-whitespace characters (the two extractors order text
// differently).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/utf8.h"
#include "font/shown_text.h"
#include "support/pdftotext.h"

namespace zvk::font {
namespace {

std::map<char32_t, long> letters(const std::string& text) {
    std::map<char32_t, long> counts;
    for (auto step : Utf8Range(text)) {
        if (step.scalar == ' ' || step.scalar == '\n' || step.scalar == '\r' || step.scalar == '\t' ||
            step.scalar == '\f') {
            continue;
        }
        ++counts[step.scalar];
    }
    return counts;
}

TEST(CorpusCidFonts, DecodeTheCharactersPdftotextFinds) {
    struct Case {
        const char* file;
        long allowed_difference;  // characters present in one text only
    } cases[] = {
        {"pdfjs/90ms_rksj_h_sample.pdf", 0},
        {"pdfminer/contrib_issue-1059-cmap-decode.pdf", 0},
        {"pdfminer/contrib_issue-625-identity-cmap.pdf", 0},
        {"pdfminer/sampleOneByteIdentityEncode.pdf", 0},
        // pdftotext finds one glyph whose embedded subset font has an empty
        // cmap.
        {"pdfminer/contrib_issue-598-cmap-other-fonts.pdf", 1},
    };
    if (!test::corpus_available()) GTEST_SKIP() << "no corpus at " << ZVK_CORPUS_DIR;
    for (const auto& c : cases) {
        const std::string path = std::string(ZVK_CORPUS_DIR) + "/" + c.file;
        // Raw mode keeps the hyphens that its reading order drops at line ends.
        auto expected = zvk::test::pdftotext(path, zvk::test::PdftotextMode::raw);
        if (!expected) GTEST_SKIP() << "pdftotext is not available";
        auto doc = test::load_corpus_pdf(c.file);
        auto ours = letters(test::decoded_document_text(doc));
        auto theirs = letters(*expected);
        long total = 0, difference = 0;
        for (const auto& [ch, n] : theirs) total += n;
        std::map<char32_t, long> all = ours;
        for (const auto& [ch, n] : theirs) all.emplace(ch, 0);
        for (const auto& [ch, n] : all) {
            long a = ours.contains(ch) ? ours.at(ch) : 0;
            long b = theirs.contains(ch) ? theirs.at(ch) : 0;
            difference += a > b ? a - b : b - a;
        }
        EXPECT_GT(total, 0) << c.file;
        EXPECT_LE(difference, c.allowed_difference) << c.file << " of " << total;
    }
}

}  // namespace
}  // namespace zvk::font

// Whole extractions of a few corpus files in this process, from file to JSON,
// the way the module's extract runs them. In the sanitizer build (which
// checks for leaks at exit) this is the leak check of extraction: loading,
// fonts of every kind, forms, annotations, decryption and the JSON writer.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

struct CorpusFile {
    const char* path;      // under the corpus folder
    const char* password;  // or null
    std::size_t pages;     // as pdfinfo counts them
};

// Text in simple, CID, vertical and Type3 fonts, forms, annotations, a
// damaged file and an AES-256 encrypted one.
constexpr CorpusFile kFiles[] = {
    {"papers/bug886717.pdf", nullptr, 1},
    {"papers/ephaptic-coupling.pdf", nullptr, 8},
    {"pdfminer/contrib_issue-625-identity-cmap.pdf", nullptr, 2},
    {"pdfminer/contrib_issue-449-vertical.pdf", nullptr, 1},
    {"pdfminer/contrib_issue-1082-annotations.pdf", nullptr, 1},
    {"pdfminer/contrib_issue-1113-evil-xobjects.pdf", nullptr, 1},
    {"pdfminer/zen_of_python_corrupted.pdf", nullptr, 1},
    {"pdfminer/encryption_aes-256-r6.pdf", "usersecret", 1},
    {"pdfjs/ContentStreamNoCycleType3insideType3.pdf", nullptr, 1},
    {"pdfjs/ContentStreamCycleType3insideType3.pdf", nullptr, 1},
};

TEST(ExtractCorpus, FilesExtractToJsonWithEveryPage) {
    const fs::path corpus(ZVK_CORPUS_DIR);
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    for (const auto& file : kFiles) {
        SCOPED_TRACE(file.path);
        LoadOptions options;
        if (file.password) options.password = file.password;
        auto doc = load_pdf_document((corpus / file.path).string(), options);
        ASSERT_TRUE(doc) << doc.error().display();
        auto extracted = extract_document(*doc, ExtractLimits{});
        ASSERT_TRUE(extracted) << extracted.error().display();
        const ExtractedDocument& extraction = *extracted;
        auto text = extracted_document_to_pretty_json(extraction);
        ASSERT_TRUE(text);
        auto json = nlohmann::json::parse(*text, nullptr, false);
        ASSERT_FALSE(json.is_discarded());
        EXPECT_EQ(json["pages"].size(), file.pages);
        EXPECT_EQ(json["glyphs"].size(), extraction.glyphs.size());
    }
}

}  // namespace
}  // namespace zvk

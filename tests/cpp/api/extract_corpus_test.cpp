// Whole extractions of a few corpus files in this process, from file to JSON,
// the way the module's extract runs them. In the sanitizer build (which
// checks for leaks at exit) this is the leak check of extraction: loading,
// fonts of every kind, forms, annotations, decryption and the JSON writer.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"
#include "base/utf8.h"

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

// The core holds no state shared between documents: files extracted on
// several threads at once (as a caller's Python threads do, each with its own
// workers for the JSON) give the text they give one at a time.
TEST(ExtractCorpus, ThreadsExtractFilesAtOnceAsOneAtATime) {
    const fs::path corpus(ZVK_CORPUS_DIR);
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    const std::vector<std::string> files = {"papers/P07-1088.pdf", "papers/bug886717.pdf",
                                            "papers/gadr.pdf", "pdfjs/90ms_rksj_h_sample.pdf"};
    auto text_of = [&](const std::string& file) -> std::string {
        auto doc = load_pdf_document((corpus / file).string(), LoadOptions{});
        if (!doc) return "error: " + doc.error().display();
        ExtractionText text;
        if (!text.extract_and_write(*doc, ExtractLimits{}, 3)) return "error: write";
        std::u32string units(text.length(), U'\0');
        auto room = std::span(reinterpret_cast<std::uint32_t*>(units.data()), units.size());
        if (!text.fill(room, 3)) return "error: fill";
        std::string out;
        for (char32_t c : units) append_utf8(out, c);
        return out;
    };
    std::vector<std::string> expected;
    for (const auto& file : files) {
        auto doc = load_pdf_document((corpus / file).string(), LoadOptions{});
        ASSERT_TRUE(doc) << file;
        auto extraction = extract_document(*doc, ExtractLimits{});
        ASSERT_TRUE(extraction) << file;
        auto text = extracted_document_to_pretty_json(*extraction);
        ASSERT_TRUE(text);
        expected.push_back(*text);
    }
    // Each thread takes every file, from a different one first.
    constexpr std::size_t kThreads = 4;
    std::vector<std::vector<std::string>> got(kThreads, std::vector<std::string>(files.size()));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t k = 0; k < files.size(); ++k) {
                const std::size_t f = (t + k) % files.size();
                got[t][f] = text_of(files[f]);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (std::size_t t = 0; t < kThreads; ++t) {
        for (std::size_t f = 0; f < files.size(); ++f) {
            EXPECT_TRUE(got[t][f] == expected[f]) << files[f] << " on thread " << t;
        }
    }
}

}  // namespace
}  // namespace zvk

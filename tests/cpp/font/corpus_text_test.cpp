// CID fonts of the corpus decode to the characters pdftotext finds, checked
// as multisets of non-whitespace characters (the two extractors order text
// differently).
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/utf8.h"
#include "font/shown_text.h"

extern char** environ;

namespace zvk::font {
namespace {

std::optional<std::string> pdftotext(const std::string& pdf) {
    char path[] = "/tmp/zvk-pdftotext-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return std::nullopt;
    close(fd);
    std::vector<std::string> args{"pdftotext", "-q", "-enc", "UTF-8", pdf, path};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    std::optional<std::string> text;
    if (posix_spawnp(&pid, "pdftotext", nullptr, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream out;
            out << in.rdbuf();
            text = out.str();
        }
    }
    std::filesystem::remove(path);
    return text;
}

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
        // pdftotext drops five hyphens it takes for line-end hyphenation and
        // finds one glyph whose embedded subset font has an empty cmap.
        {"pdfminer/contrib_issue-598-cmap-other-fonts.pdf", 6},
    };
    if (!test::corpus_available()) GTEST_SKIP() << "no corpus at " << ZVK_CORPUS_DIR;
    for (const auto& c : cases) {
        const std::string path = std::string(ZVK_CORPUS_DIR) + "/" + c.file;
        auto expected = pdftotext(path);
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

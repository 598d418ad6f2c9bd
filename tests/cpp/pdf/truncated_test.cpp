// Files that lost their end, as an interrupted download leaves them: the
// trailer and `startxref` are gone, and sometimes part of the last object.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "support/pdf_builder.h"
#include "support/temp_dir.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;
using test::build_pdf;
using test::deflate;
using test::pdf_stream;

const std::string kPage1 = "BT /F1 12 Tf 72 700 Td (First page) Tj ET";
const std::string kPage2 = "BT /F1 12 Tf 72 700 Td (Second page) Tj ET";

// Two pages with compressed content and an information dictionary written
// last, as most writers do.
std::string two_page_pdf() {
    return build_pdf(
        {
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 612 792] >>",
            "<< /Type /Page /Parent 2 0 R /Contents 5 0 R /Resources << /Font << /F1 7 0 R >> >> >>",
            "<< /Type /Page /Parent 2 0 R /Contents 6 0 R /Resources << /Font << /F1 7 0 R >> >> >>",
            pdf_stream("/Filter /FlateDecode", deflate(kPage1)),
            pdf_stream("/Filter /FlateDecode", deflate(kPage2)),
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
            "<< /Producer (hand) /CreationDate (D:20240101000000Z) >>",
        },
        "/Root 1 0 R /Info 8 0 R");
}

std::string cut(const std::string& bytes, std::size_t n) { return bytes.substr(0, bytes.size() - n); }

struct Loaded {
    std::size_t pages = 0;
    std::vector<std::string> contents;  // each page's decoded /Contents
    std::string error;
};

Loaded load(const std::string& bytes, const pdf::LoadSettings& settings = {}) {
    Loaded out;
    auto doc = pdf::Document::from_bytes(bytes, settings);
    if (!doc) {
        out.error = doc.error().display();
        return out;
    }
    auto pages = doc->page_ids();
    out.pages = pages.size();
    for (const auto& id : pages) {
        auto page = doc->object(id);
        auto decoded = doc->decode_stream(page.get("Contents").follow(), 1 << 20);
        out.contents.push_back(decoded.value_or("<unreadable>"));
    }
    return out;
}

// Captures what is written to stderr while it lives, and ends the capture
// even when an assertion leaves the test early.
class StderrCapture {
public:
    StderrCapture() { testing::internal::CaptureStderr(); }
    ~StderrCapture() {
        if (!done_) testing::internal::GetCapturedStderr();
    }
    std::string text() {
        done_ = true;
        return testing::internal::GetCapturedStderr();
    }

private:
    bool done_ = false;
};

pdf::LoadSettings strict() {
    pdf::LoadSettings s;
    s.strict = true;
    return s;
}

// Runs a command of the qpdf tool, which writes the fixtures no hand-made
// file can stand for (object streams, encryption, linearization).
std::string qpdf_tool(const test::TempDir& dir, const std::string& input, const std::string& args) {
    std::string in = dir.write("in.pdf", input);
    std::string out = dir.file("out.pdf");
    std::string cmd = "qpdf " + args + " '" + in + "' '" + out + "' >/dev/null 2>&1";
    int status = std::system(cmd.c_str());
    // 0: written; 3: written with warnings.
    EXPECT_TRUE(status == 0 || WEXITSTATUS(status) == 3) << cmd;
    return test::read_file(out);
}

TEST(TruncatedFile, EveryCutThroughTheTrailerAndTheLastObjectKeepsThePages) {
    const std::string pdf = two_page_pdf();
    const std::size_t trailer_at = pdf.rfind("trailer");
    const std::size_t info_at = pdf.find("8 0 obj");
    ASSERT_NE(info_at, std::string::npos);
    StderrCapture stderr_text;
    // From one byte to everything after the information dictionary's header.
    for (std::size_t n = 1; n <= pdf.size() - info_at - 7; ++n) {
        Loaded got = load(cut(pdf, n));
        ASSERT_EQ(got.error, "") << "cut " << n;
        ASSERT_EQ(got.pages, 2u) << "cut " << n;
        EXPECT_EQ(got.contents, (std::vector<std::string>{kPage1, kPage2})) << "cut " << n;
        // Strict loading recovers nothing, as before.
        if (n > pdf.size() - trailer_at) {
            EXPECT_NE(load(cut(pdf, n), strict()).error, "") << "cut " << n;
        }
    }
    EXPECT_EQ(stderr_text.text(), "");
}

TEST(TruncatedFile, LostCatalogOrPagesStayAFailure) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"catalog cut short",
         "%PDF-1.4\n2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R >> endobj\n1 0 obj << /Type /Catalog /Pag"},
        {"no catalog at all",
         "%PDF-1.4\n2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R >> endobj\n"},
        {"catalog whose page tree is gone", "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"},
        {"not a PDF", "%PDF-1.4\nnothing here"},
    };
    StderrCapture stderr_text;
    for (const auto& c : cases) {
        Loaded got = load(c.bytes);
        EXPECT_EQ(got.error, "failed to open PDF: input: unable to find trailer dictionary while "
                             "recovering damaged file")
            << c.name;
    }
    EXPECT_EQ(stderr_text.text(), "");
}

// An encryption dictionary written inside the trailer is lost with it; the
// rest would then read as unencrypted noise. Such a file must stay an error,
// not become pages with nothing on them.
TEST(TruncatedFile, EncryptionLostWithTheTrailerIsAnError) {
    const std::string noise = "\x93\x1f\xc4\x07\x88\xaa\x01\x5e\xd0\x33\x9b\x11\x7c\xe2\x46\x0d";
    struct Case {
        const char* name;
        std::string content_entries;
        std::string content_data;
        bool loads;
    };
    const Case cases[] = {
        {"content that decodes", "/Filter /FlateDecode", deflate(kPage1), true},
        {"content that is noise", "/Filter /FlateDecode", noise, false},
        // Unfiltered content proves nothing either way.
        {"unfiltered content", "", kPage1, true},
    };
    for (const auto& c : cases) {
        std::string pdf = build_pdf(
            {
                "<< /Type /Catalog /Pages 2 0 R >>",
                "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
                pdf_stream(c.content_entries, c.content_data),
            },
            "/Root 1 0 R /Encrypt << /Filter /Standard /V 2 /R 3 /Length 128 /P -4 "
            "/O <00> /U <00> >>");
        std::string truncated = pdf.substr(0, pdf.rfind("\nxref\n"));
        Loaded got = load(truncated);
        EXPECT_EQ(got.error.empty(), c.loads) << c.name << ": " << got.error;
    }
}

// Object streams hide their objects from a scan of the bytes: qpdf's writer
// puts the catalog, the page tree and the pages in them, and the only
// cross-reference stream is at the end, where the cut falls.
TEST(TruncatedFile, ObjectsInObjectStreamsAreFound) {
    test::TempDir dir;
    const std::string pdf = qpdf_tool(dir, two_page_pdf(), "--object-streams=generate");
    ASSERT_NE(pdf.find("/ObjStm"), std::string::npos);
    ASSERT_EQ(pdf.find("/Catalog"), std::string::npos) << "the catalog is compressed";
    const std::size_t xref_at = pdf.rfind("/XRef");
    ASSERT_NE(xref_at, std::string::npos);
    const std::size_t startxref_at = pdf.rfind("startxref");
    StderrCapture stderr_text;
    for (std::size_t n : {1, 10, 20, 30, 40, 60, 100}) {
        if (n > pdf.size() - xref_at + 20) break;
        Loaded got = load(cut(pdf, n));
        ASSERT_EQ(got.error, "") << "cut " << n;
        EXPECT_EQ(got.pages, 2u) << "cut " << n;
        EXPECT_EQ(got.contents, (std::vector<std::string>{kPage1, kPage2})) << "cut " << n;
        if (n > pdf.size() - startxref_at) {
            EXPECT_NE(load(cut(pdf, n), strict()).error, "") << "cut " << n;
        }
    }
    EXPECT_EQ(stderr_text.text(), "");
}

TEST(TruncatedFile, EncryptedAndLinearizedFiles) {
    struct Case {
        const char* name;
        const char* qpdf_args;
        std::optional<std::string> password;
        bool loads;
    };
    const Case cases[] = {
        // AES-256 keys do not depend on the file identifier the trailer held.
        {"aes-256 with the user password", "--encrypt user owner 256 --", "user", true},
        {"aes-256 with the owner password", "--encrypt user owner 256 --", "owner", true},
        {"aes-256 without a password", "--encrypt user owner 256 --", std::nullopt, false},
        {"aes-256 in object streams", "--object-streams=generate --encrypt user owner 256 --", "user",
         true},
        // Older keys are derived from the identifier: lost with the trailer,
        // no password can open the file.
        {"aes-128 with the user password", "--encrypt user owner 128 --use-aes=y --", "user", false},
        {"rc4-128 with the user password", "--allow-weak-crypto --encrypt user owner 128 --use-aes=n --",
         "user", false},
        // The first-page trailer of a linearized file survives the cut.
        {"linearized", "--linearize", std::nullopt, true},
        {"linearized with object streams", "--linearize --object-streams=generate", std::nullopt, true},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const std::string pdf = qpdf_tool(dir, two_page_pdf(), c.qpdf_args);
        pdf::LoadSettings settings;
        settings.password = c.password;
        Loaded intact = load(pdf, settings);
        ASSERT_EQ(intact.error.empty(), c.password.has_value() || c.loads) << c.name;
        for (std::size_t n : {30, 60, 120}) {
            StderrCapture stderr_text;
            Loaded got = load(cut(pdf, n), settings);
            EXPECT_EQ(stderr_text.text(), "") << c.name;
            EXPECT_EQ(got.error.empty(), c.loads) << c.name << ", cut " << n << ": " << got.error;
            if (c.loads) {
                EXPECT_EQ(got.contents, (std::vector<std::string>{kPage1, kPage2}))
                    << c.name << ", cut " << n;
            }
        }
    }
}

// Where the last object of the file begins and its header ends; none when
// the file's end holds no header.
std::optional<std::pair<std::size_t, std::size_t>> last_object(const std::string& pdf) {
    const std::size_t from = pdf.size() > 65536 ? pdf.size() - 65536 : 0;
    const std::regex header(R"((\d+)\s+(\d+)\s+obj\b)");
    std::optional<std::pair<std::size_t, std::size_t>> last;
    for (auto it = std::sregex_iterator(pdf.begin() + static_cast<std::ptrdiff_t>(from), pdf.end(), header);
         it != std::sregex_iterator(); ++it) {
        std::size_t start = from + static_cast<std::size_t>(it->position());
        last = {start, start + static_cast<std::size_t>(it->length())};
    }
    return last;
}

// Cuts of 1 to 300 bytes from the end of each corpus paper, and cuts into
// its last object (an information dictionary or a font in every paper,
// never the catalog or the page tree): every page that the whole file has,
// the truncated file has.
TEST(TruncatedFile, CorpusPapers) {
    const fs::path papers = fs::path(ZVK_CORPUS_DIR) / "papers";
    if (!fs::is_directory(papers)) GTEST_SKIP() << "no corpus at " << papers;
    std::vector<std::size_t> cuts;
    for (std::size_t n = 1; n <= 40; ++n) cuts.push_back(n);
    for (std::size_t n = 47; n <= 300; n += 9) cuts.push_back(n);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(papers)) {
        if (entry.path().extension() != ".pdf") continue;
        ++files;
        const std::string pdf = test::read_file(entry.path().string());
        const std::string name = entry.path().filename().string();
        auto whole = pdf::Document::from_bytes(pdf, {});
        ASSERT_TRUE(whole.has_value()) << name;
        const std::size_t pages = whole->page_ids().size();
        auto last = last_object(pdf);
        ASSERT_TRUE(last.has_value()) << name;
        const std::string last_text = pdf.substr(last->second, 400);
        ASSERT_EQ(last_text.find("/Catalog"), std::string::npos) << name;
        ASSERT_FALSE(std::regex_search(last_text, std::regex(R"(/Type\s*/Pages?\b)"))) << name;
        std::vector<std::size_t> all_cuts = cuts;
        // Ending 2 bytes after the last object's header, halfway through
        // its body, and just before its `endobj`.
        const std::size_t body = last->second;
        const std::size_t end = pdf.find("endobj", body);
        ASSERT_NE(end, std::string::npos) << name;
        for (std::size_t at : {body + 2, (body + end) / 2, end}) all_cuts.push_back(pdf.size() - at);
        StderrCapture stderr_text;
        for (std::size_t n : all_cuts) {
            auto doc = pdf::Document::from_bytes(cut(pdf, n), {});
            ASSERT_TRUE(doc.has_value()) << name << ", cut " << n << ": " << doc.error().display();
            EXPECT_EQ(doc->page_ids().size(), pages) << name << ", cut " << n;
        }
        EXPECT_EQ(stderr_text.text(), "") << name;
    }
    EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace zvk

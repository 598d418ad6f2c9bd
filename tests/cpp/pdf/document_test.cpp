#include "pdf/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <zlib.h>

#include "api/options.h"
#include "api/pdf_files.h"
#include "support/pdf_builder.h"
#include "support/temp_dir.h"

namespace zvk {
namespace {

using test::deflate;
using test::build_pdf;
using test::pdf_stream;

std::string corpus(const std::string& name) { return std::string(ZVK_CORPUS_DIR) + "/" + name; }

bool corpus_available() { return std::filesystem::is_directory(ZVK_CORPUS_DIR); }


// Object 4 holds the stream under test.
std::string doc_with_stream(const std::string& dict_entries, const std::string& data) {
    return build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
        pdf_stream(dict_entries, data),
    });
}

TEST(PdfDocument, PagesAndObjects) {
    auto doc = pdf::Document::from_bytes(
        build_pdf({
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /Rotate 90 >>",
            "<< /Type /Page /Parent 2 0 R /Foo [1 2.5 /N (s) 3 0 R] >>",
            "<< /Type /Page /Parent 2 0 R >>",
        }),
        {});
    ASSERT_TRUE(doc.has_value()) << doc.error().display();
    auto pages = doc->page_ids();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].text(), "3 0");
    EXPECT_EQ(pages[1].text(), "4 0");

    pdf::Object page = doc->object(pages[0]);
    ASSERT_TRUE(page.is_dictionary());
    EXPECT_EQ(page.object_id()->number, 3u);
    pdf::Object foo = page.get("Foo");
    ASSERT_EQ(foo.array_size(), 5u);
    EXPECT_EQ(foo.array_at(0).as_integer(), 1);
    EXPECT_FLOAT_EQ(foo.array_at(1).as_real(), 2.5f);
    EXPECT_EQ(foo.array_at(2).name_bytes(), "N");
    EXPECT_EQ(foo.array_at(3).string_bytes(), "s");
    // An entry stored as a reference stays a reference until followed.
    pdf::Object ref = foo.array_at(4);
    EXPECT_EQ(ref.kind(), pdf::Object::Kind::Reference);
    EXPECT_EQ(ref.follow().kind(), pdf::Object::Kind::Dictionary);
    EXPECT_EQ(ref.as_f32(), 0.0f);
    EXPECT_FALSE(page.has_key("Missing"));
    EXPECT_TRUE(page.get("Missing").is_null());
    // A reference to an object that does not exist follows to null.
    EXPECT_TRUE(doc->object({99, 0}).is_null());
    EXPECT_FALSE(doc->dictionary({99, 0}).has_value());
}

TEST(PdfDocument, DecodeStreamIsBounded) {
    const std::string content = std::string(1000, 'x');
    struct Case {
        const char* name;
        std::string dict;
        std::string data;
        std::uint64_t max_bytes;
        std::uint64_t document_limit;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"unfiltered", "", content, 5000, 67108864, content},
        {"flate", "/Filter /FlateDecode", deflate(content), 5000, 67108864, content},
        {"flate exactly at the bound", "/Filter /FlateDecode", deflate(content), 1000, 67108864, content},
        {"flate one byte over the bound", "/Filter /FlateDecode", deflate(content), 999, 67108864, std::nullopt},
        {"unfiltered over the bound", "", content, 999, 67108864, std::nullopt},
        {"document limit caps the call's bound", "/Filter /FlateDecode", deflate(content), 5000, 500, std::nullopt},
        {"corrupt flate data", "/Filter /FlateDecode", "not deflate at all", 5000, 67108864, std::nullopt},
        {"filter the reader does not decode", "/Filter /DCTDecode", "\xFF\xD8\xFF", 5000, 67108864, std::nullopt},
        {"unknown filter name", "/Filter /NoSuchDecode", "abc", 5000, 67108864, std::nullopt},
    };
    for (const auto& c : cases) {
        pdf::LoadSettings settings;
        settings.max_decompressed_size = c.document_limit;
        auto doc = pdf::Document::from_bytes(doc_with_stream(c.dict, c.data), settings);
        ASSERT_TRUE(doc.has_value()) << c.name;
        auto decoded = doc->decode_stream(doc->object({4, 0}), c.max_bytes);
        EXPECT_EQ(decoded, c.expected) << c.name;
    }
}

TEST(PdfDocument, LoadFailuresCarryTheReadersText) {
    auto garbage = pdf::Document::from_bytes("this is not a PDF", {});
    ASSERT_FALSE(garbage.has_value());
    EXPECT_EQ(garbage.error().kind(), CoreError::Kind::Pdf);
    EXPECT_EQ(garbage.error().display().rfind("failed to open PDF: ", 0), 0u);
}

TEST(PdfDocument, StrictRefusesDamagedCrossReference) {
    std::string pdf = doc_with_stream("", "q Q");
    // Point startxref at nonsense: recovery rebuilds the table by scanning.
    auto pos = pdf.rfind("startxref\n");
    pdf = pdf.substr(0, pos) + "startxref\n12\n%%EOF\n";
    pdf::LoadSettings lenient;
    EXPECT_TRUE(pdf::Document::from_bytes(pdf, lenient).has_value());
    pdf::LoadSettings strict;
    strict.strict = true;
    EXPECT_FALSE(pdf::Document::from_bytes(pdf, strict).has_value());
}

TEST(PdfFiles, Passwords) {
    if (!corpus_available()) GTEST_SKIP() << "no corpus at " << ZVK_CORPUS_DIR;
    struct Case {
        const char* name;
        const char* file;
        std::optional<std::string> password;
        bool loads;
    };
    const Case cases[] = {
        {"rc4 with the user password", "pdfminer/encryption_rc4-128.pdf", "foo", true},
        {"aes-128 with the user password", "pdfminer/encryption_aes-128.pdf", "foo", true},
        {"aes-256 r6 user password", "pdfminer/encryption_aes-256-r6.pdf", "usersecret", true},
        {"aes-256 r6 owner password", "pdfminer/encryption_aes-256-r6.pdf", "ownersecret", true},
        {"wrong password", "pdfminer/encryption_rc4-128.pdf", "bar", false},
        {"no password", "pdfminer/encryption_aes-256-r6.pdf", std::nullopt, false},
        {"unencrypted with a password given", "pdfminer/encryption_base.pdf", "foo", true},
    };
    for (const auto& c : cases) {
        LoadOptions options;
        options.password = c.password;
        auto doc = load_pdf_document(corpus(c.file), options);
        EXPECT_EQ(doc.has_value(), c.loads) << c.name;
        if (doc) {
            EXPECT_FALSE(doc->page_ids().empty()) << c.name;
        } else {
            EXPECT_EQ(doc.error().kind(), CoreError::Kind::Pdf) << c.name;
        }
    }
}

// The reader cannot tell an empty password from none: both try the empty
// user password, so a file whose user password is empty opens either way and
// one that needs a real password fails either way.
TEST(PdfFiles, EmptyPasswordBehavesAsNoPassword) {
    if (!corpus_available()) GTEST_SKIP() << "no corpus at " << ZVK_CORPUS_DIR;
    for (const char* file : {"pdfminer/encryption_rc4-128.pdf", "pdfminer/encryption_base.pdf"}) {
        LoadOptions none;
        LoadOptions empty;
        empty.password = "";
        auto a = load_pdf_document(corpus(file), none);
        auto b = load_pdf_document(corpus(file), empty);
        EXPECT_EQ(a.has_value(), b.has_value()) << file;
    }
}

// Only a regular file is read: a FIFO without a writer would block for ever
// and /dev/zero never ends; each is refused at once with its reason.
TEST(PdfFiles, UnreadableInputIsAnIoError) {
    test::TempDir dir;
    const std::string fifo = dir.file("fifo.pdf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {dir.file("missing.pdf"), "failed to open PDF: IO error"},
        {dir.path().string(), "failed to open PDF: IO error (not a regular file: a directory)"},
        {fifo, "failed to open PDF: IO error (not a regular file: a FIFO)"},
        {"/dev/zero", "failed to open PDF: IO error (not a regular file: a character device)"},
    };
    for (const auto& c : cases) {
        auto doc = load_pdf_document(c.path, LoadOptions{});
        ASSERT_FALSE(doc.has_value()) << c.path;
        EXPECT_EQ(doc.error().display(), c.error) << c.path;
    }
}

// A file that says it is longer than what it gives (sysfs files report a
// page): what fstat promised must come, or the read fails.
TEST(PdfFiles, FileShorterThanItsSizeIsAnIoError) {
    std::string path;
    for (const char* candidate : {"/sys/kernel/profiling", "/sys/kernel/mm/transparent_hugepage/enabled",
                                  "/sys/power/state"}) {
        struct stat st {};
        if (::stat(candidate, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::uint64_t>(st.st_size) > test::read_file(candidate).size()) {
            path = candidate;
            break;
        }
    }
    if (path.empty()) GTEST_SKIP() << "no sysfs file shorter than its size here";
    auto doc = load_pdf_document(path, LoadOptions{});
    ASSERT_FALSE(doc.has_value());
    EXPECT_EQ(doc.error().display(), "failed to open PDF: IO error (the file ended before its size)");
}

bool qpdf_check(const std::string& path) {
    std::string cmd = "qpdf --check '" + path + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

TEST(PdfFiles, SaveWritesACheckedFileWithClassicXref) {
    test::TempDir dir;
    std::string input = dir.write("in.pdf", doc_with_stream("/Filter /FlateDecode", deflate("BT ET")));
    auto doc = load_pdf_document(input, LoadOptions{});
    ASSERT_TRUE(doc.has_value());
    std::string output = dir.file("out.pdf");
    auto saved = save_pdf_document(*doc, output);
    ASSERT_TRUE(saved.has_value()) << saved.error().display();
    EXPECT_TRUE(qpdf_check(output));
    std::string bytes = test::read_file(output);
    EXPECT_NE(bytes.find("\nxref\n"), std::string::npos) << "classic cross-reference table";
    EXPECT_EQ(bytes.find("/ObjStm"), std::string::npos) << "no object streams";
    EXPECT_NE(bytes.find("/FlateDecode"), std::string::npos) << "input stream kept as stored";
    // Nothing but the output is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(PdfFiles, SaveOverTheInputPath) {
    test::TempDir dir;
    std::string path = dir.write("same.pdf", doc_with_stream("", "q Q"));
    auto doc = load_pdf_document(path, LoadOptions{});
    ASSERT_TRUE(doc.has_value());
    ASSERT_TRUE(save_pdf_document(*doc, path).has_value());
    EXPECT_TRUE(qpdf_check(path));
    auto again = load_pdf_document(path, LoadOptions{});
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->page_ids().size(), 1u);
}

TEST(PdfFiles, SaveFailuresLeaveNothingBehind) {
    test::TempDir dir;
    std::string input = dir.write("in.pdf", doc_with_stream("", "q Q"));
    auto doc = load_pdf_document(input, LoadOptions{});
    ASSERT_TRUE(doc.has_value());

    auto missing_dir = save_pdf_document(*doc, dir.file("no/such/dir/out.pdf"));
    ASSERT_FALSE(missing_dir.has_value());
    EXPECT_EQ(missing_dir.error().display(),
              "failed to open PDF: No such file or directory (os error 2)");

    std::filesystem::create_directory(dir.file("adir"));
    auto is_dir = save_pdf_document(*doc, dir.file("adir"));
    ASSERT_FALSE(is_dir.has_value());
    EXPECT_EQ(is_dir.error().display(), "failed to open PDF: Is a directory (os error 21)");

    // Only the input and the directory remain: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(PdfFiles, SaveGivesNewFilesTheUsualMode) {
    test::TempDir dir;
    std::string input = dir.write("in.pdf", doc_with_stream("", "q Q"));
    auto doc = load_pdf_document(input, LoadOptions{});
    ASSERT_TRUE(doc.has_value());
    mode_t old = ::umask(027);
    auto saved = save_pdf_document(*doc, dir.file("new.pdf"));
    ::umask(old);
    ASSERT_TRUE(saved.has_value());
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("new.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // An existing file keeps its mode.
    ::chmod(dir.file("new.pdf").c_str(), 0604);
    ASSERT_TRUE(save_pdf_document(*doc, dir.file("new.pdf")).has_value());
    ASSERT_EQ(::stat(dir.file("new.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
}

// Root may write any file, so as root the attempt runs in a child process
// that has given up its privileges.
TEST(PdfFiles, SaveRefusesAReadOnlyOutput) {
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    std::string input = dir.write("in.pdf", doc_with_stream("", "q Q"));
    std::string output = dir.write("ro.pdf", "keep me");
    ::chmod(output.c_str(), 0444);
    auto doc = load_pdf_document(input, LoadOptions{});
    ASSERT_TRUE(doc.has_value());
    auto attempt = [&]() -> std::string {
        auto saved = save_pdf_document(*doc, output);
        return saved.has_value() ? "saved" : saved.error().display();
    };
    const std::string expected = "failed to open PDF: Permission denied (os error 13)";
    if (::geteuid() != 0) {
        EXPECT_EQ(attempt(), expected);
    } else {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(dropped && attempt() == expected ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(test::read_file(output), "keep me");
}

}  // namespace
}  // namespace zvk

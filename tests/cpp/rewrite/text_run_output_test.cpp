// Runs written in real CJK subsets, checked by independent readers of the
// written file: qpdf --check, pdffonts and pdftotext (poppler). Skips when
// the tools, reportlab, fontTools or the fonts are missing.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "content/pdf_fixture.h"
#include "font/cff_subset.h"
#include "font/cjk_fonts.h"
#include "font/truetype_subset.h"
#include "pdf/edit.h"
#include "rewrite/output/text_run_content.h"
#include "rewrite/placement/text_run.h"
#include "support/pdf_builder.h"

namespace zvk::rewrite {
namespace {

const char* const kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
const char* const kNotoSans = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";

struct Ran {
    int status = -1;
    std::string output;
};

// Runs a command line of this test's own making (no input from outside).
Ran run(const std::string& command) {
    Ran ran;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return ran;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) ran.output.append(buffer, n);
    const int status = ::pclose(pipe);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

bool have(const std::string& tool) { return run("command -v " + tool).status == 0; }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempDir {
    std::string path;
    TempDir() {
        char pattern[] = "/tmp/zvk-runs-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { run("rm -rf " + path); }
};

std::vector<std::uint32_t> code_points_of(const std::string& text) {
    std::vector<std::uint32_t> cps;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::uint32_t cp;
        int len;
        if (b < 0x80) { cp = b; len = 1; }
        else if (b < 0xE0) { cp = b & 0x1F; len = 2; }
        else if (b < 0xF0) { cp = b & 0x0F; len = 3; }
        else { cp = b & 0x07; len = 4; }
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        cps.push_back(cp);
        i += static_cast<std::size_t>(len);
    }
    return cps;
}

const std::string kTrueTypeText = "\u8FD9\u662F\u4E2D\u6587\u6587\u672C";  // 这是中文文本
const std::string kCffText = "\u7FFB\u8BD1\u7ED3\u679C";                    // 翻译结果

struct Fonts {
    std::vector<FontEntry> entries;
};

// Two output fonts: a TrueType subset of WenQuanYi Zen Hei and a CFF subset
// of Noto Sans CJK SC, named from `first` on.
std::optional<Fonts> make_fonts(std::uint32_t first) {
    const auto zen = font::read_font_file_cached(kZenHei);
    if (!zen) return std::nullopt;
    auto truetype = font::subset_truetype_font(*zen, code_points_of(kTrueTypeText));
    auto cff = font::subset_cff_font_external(kNotoSans, font::kNotoCjkScFace, code_points_of(kCffText));
    if (!truetype || !cff) return std::nullopt;
    Fonts fonts;
    fonts.entries.push_back({"ZVK" + std::to_string(first), std::move(*truetype)});
    fonts.entries.push_back({"ZVK" + std::to_string(first + 1), std::move(*cff)});
    return fonts;
}

struct Checked {
    std::string text;
    std::string fonts;
};

// Writes two runs (one per font) onto page 0 of `input`, saves, and reads the
// result back with the independent tools.
Checked write_and_check(const std::string& input, const std::string& dir, const std::string& name) {
    Checked checked;
    auto doc = test::load_pdf(input);
    if (!doc) return checked;
    const std::vector<pdf::ObjectId> page_ids = doc->page_ids();
    std::vector<PageInfo> pages;
    for (std::uint32_t i = 0; i < page_ids.size(); ++i) pages.push_back({i, page_ids[i]});
    const std::uint32_t first = first_free_font_number(*doc, pages);
    auto fonts = make_fonts(first);
    if (!fonts) {
        ADD_FAILURE() << "no font subsets";
        return checked;
    }
    const auto& entries = fonts->entries;
    std::vector<TextRun> runs = {
        build_text_run(0, make_rgb_color(0.8f, 0, 0), kTrueTypeText, entries[0].font, 72, 500, 24, 0,
                       entries[0].resource_name, {}),
        build_text_run(0, make_gray_color(0), kCffText, entries[1].font, 72, 440, 20, 0.25f,
                       entries[1].resource_name, {}),
    };
    auto written = write_text_runs_and_cjk_font(*doc, pages, runs, entries);
    EXPECT_TRUE(written) << name << ": " << (written ? "" : written.error().display());
    const std::string path = dir + "/" + name + ".pdf";
    auto saved = doc->save(path);
    EXPECT_TRUE(saved) << name;
    const Ran check = run("qpdf --check " + path);
    EXPECT_EQ(check.status, 0) << name << ": " << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << name << ": " << check.output;
    checked.fonts = run("pdffonts " + path).output;
    checked.text = run("pdftotext -layout " + path + " -").output;
    // For looking at: a rendering beside the file, kept when ZVK_KEEP_RENDERINGS is set.
    if (const char* keep = std::getenv("ZVK_KEEP_RENDERINGS")) {
        run("pdftoppm -r 60 -png " + path + " " + std::string(keep) + "/" + name);
    }
    return checked;
}

// pdffonts lines of the fonts named ZVKCJK: "type ... emb sub uni".
std::vector<std::string> zvk_font_lines(const std::string& listing) {
    std::vector<std::string> lines;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("ZVKCJK", 0) == 0) lines.push_back(line);
    }
    return lines;
}

class TextRunOutput : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"qpdf", "pdffonts", "pdftotext"}) {
            if (!have(tool)) GTEST_SKIP() << tool << " is not installed";
        }
        if (::access(kZenHei, R_OK) != 0 || ::access(kNotoSans, R_OK) != 0) GTEST_SKIP() << "CJK fonts missing";
        if (run("python3 -c 'import fontTools, reportlab'").status != 0) GTEST_SKIP() << "fontTools/reportlab missing";
    }
    TempDir dir;
};

void expect_fonts_and_text(const Checked& c, const std::string& english, const std::string& name) {
    const auto lines = zvk_font_lines(c.fonts);
    ASSERT_EQ(lines.size(), 2u) << name << ":\n" << c.fonts;
    // Name, type, encoding, then emb sub uni; the CID TrueType and CFF forms.
    EXPECT_NE(lines[0].find("CID TrueType"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("CID Type 0C"), std::string::npos) << lines[1];
    for (const std::string& line : lines) {
        EXPECT_NE(line.find("Identity-H"), std::string::npos) << line;
        std::istringstream fields(line.substr(line.find("Identity-H") + 10));
        std::string emb, sub, uni;
        fields >> emb >> sub >> uni;
        EXPECT_EQ(emb, "yes") << line;
        EXPECT_EQ(uni, "yes") << line;
    }
    EXPECT_NE(c.text.find(kTrueTypeText), std::string::npos) << name << ":\n" << c.text;
    EXPECT_NE(c.text.find(kCffText), std::string::npos) << name << ":\n" << c.text;
    EXPECT_NE(c.text.find(english), std::string::npos) << name << ":\n" << c.text;
}

TEST_F(TextRunOutput, ReportlabPage) {
    const std::string source = dir.path + "/source.pdf";
    const Ran made = run("python3 -c \"from reportlab.pdfgen import canvas; c = canvas.Canvas('" + source +
                         "'); c.setFont('Helvetica', 14); c.drawString(72, 700, 'Plain English line'); "
                         "c.showPage(); c.save()\"");
    ASSERT_EQ(made.status, 0) << made.output;
    const Checked c = write_and_check(read_file(source), dir.path, "reportlab");
    expect_fonts_and_text(c, "Plain English line", "reportlab");
}

std::string helvetica_page(const std::string& pages_resources, const std::string& page_resources,
                           const std::string& content, std::vector<std::string> more = {}) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 612 792] " + pages_resources + " >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + page_resources + " >>",
        test::pdf_stream("", content),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    };
    for (std::string& o : more) objects.push_back(std::move(o));
    return test::build_pdf(objects);
}

TEST_F(TextRunOutput, IndirectInheritedAndAlreadyZvkFonts) {
    struct Case {
        const char* name;
        std::string pdf;
        std::string english;
    };
    const std::vector<Case> cases = {
        {"indirect_font_dict", helvetica_page("", "/Resources << /Font 6 0 R >>",
                                              "BT /F1 14 Tf 72 700 Td (Indirect fonts here) Tj ET",
                                              {"<< /F1 5 0 R >>"}),
         "Indirect fonts here"},
        {"inherited_resources", helvetica_page("/Resources << /Font << /F1 5 0 R >> >>", "",
                                               "BT /F1 14 Tf 72 700 Td (Inherited resources) Tj ET"),
         "Inherited resources"},
        // A file this module wrote, translated again: its own ZVK0 must keep
        // drawing its own text.
        {"already_zvk0", helvetica_page("", "/Resources << /Font << /ZVK0 5 0 R >> >>",
                                        "BT /ZVK0 14 Tf 72 700 Td (Earlier output) Tj ET"),
         "Earlier output"},
    };
    for (const Case& c : cases) {
        const Checked checked = write_and_check(c.pdf, dir.path, c.name);
        expect_fonts_and_text(checked, c.english, c.name);
        // The page's own font is still listed, once, as it was.
        EXPECT_NE(checked.fonts.find("Helvetica"), std::string::npos) << c.name << ":\n" << checked.fonts;
    }
}

}  // namespace
}  // namespace zvk::rewrite

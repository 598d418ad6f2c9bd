#include "font/cff_subset.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "font/subset_check.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zvk::font {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotoSans = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";

TEST(CffSubset, CodePointText) {
    const std::vector<std::uint32_t> request = {0, 0x20, 0x4E2D, 0xFFFF, 0x10000, 0x1F600, 0x7, 0x4E2D};
    EXPECT_EQ(filter_subset_code_points(request), (std::vector<std::uint32_t>{0x20, 0x4E2D, 0xFFFF, 0x7, 0x4E2D}));
    const std::vector<std::uint32_t> hex_in = {0x20, 0x4E2D, 0x6587, 0xABCD, 0x7, 0x10FFFF};
    EXPECT_EQ(format_code_points_hex(hex_in),
              (std::vector<std::string>{"20", "4E2D", "6587", "ABCD", "7", "10FFFF"}));
}

struct AnswerCase {
    const char* name;
    const char* json;
    std::optional<std::map<std::uint32_t, SubsetGlyph>> glyphs;
    std::uint16_t units_per_em = 0;
};

TEST(CffSubset, ReadsTheChildsAnswer) {
    using Map = std::map<std::uint32_t, SubsetGlyph>;
    const std::vector<AnswerCase> cases = {
        {"plain", R"({"upem":1000,"glyphs":[{"cp":32,"cid":1,"adv":224},{"cp":20013,"cid":1234,"adv":1000}]})",
         Map{{32, {1, 224}}, {20013, {1234, 1000}}}, 1000},
        {"upem 0 gives 1", R"({"upem":0,"glyphs":[{"cp":32,"cid":1,"adv":5}]})", Map{{32, {1, 5}}}, 1},
        {"later entry for a code point wins",
         R"({"upem":2048,"glyphs":[{"cp":32,"cid":1,"adv":5},{"cp":32,"cid":2,"adv":6}]})", Map{{32, {2, 6}}}, 2048},
        {"low bits are taken", R"({"upem":65537,"glyphs":[{"cp":32,"cid":65537,"adv":65538}]})",
         Map{{32, {1, 2}}}, 1},
        {"extra keys are ignored", R"({"upem":1000,"x":1,"glyphs":[{"cp":32,"cid":1,"adv":5,"y":null}]})",
         Map{{32, {1, 5}}}, 1000},
        {"negative advance", R"({"upem":1000,"glyphs":[{"cp":32,"cid":1,"adv":5},{"cp":33,"cid":2,"adv":-1}]})",
         std::nullopt},
        {"fractional advance", R"({"upem":1000,"glyphs":[{"cp":32,"cid":1,"adv":5.5}]})", std::nullopt},
        {"advance as text", R"({"upem":1000,"glyphs":[{"cp":32,"cid":1,"adv":"5"}]})", std::nullopt},
        {"missing cid", R"({"upem":1000,"glyphs":[{"cp":32,"adv":5}]})", std::nullopt},
        {"negative upem", R"({"upem":-1,"glyphs":[{"cp":32,"cid":1,"adv":5}]})", std::nullopt},
        {"glyphs not an array", R"({"upem":1000,"glyphs":{"cp":32,"cid":1,"adv":5}})", std::nullopt},
        {"element not an object", R"({"upem":1000,"glyphs":[7]})", std::nullopt},
        {"no glyphs", R"({"upem":1000,"glyphs":[]})", std::nullopt},
        {"not JSON", R"({"upem":1000,"glyphs":[)", std::nullopt},
        {"not an object", R"([1,2])", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto font = read_cff_subset_answer("FONT", c.json);
        ASSERT_EQ(font.has_value(), c.glyphs.has_value());
        if (!font) continue;
        EXPECT_EQ(font->glyphs, *c.glyphs);
        EXPECT_EQ(font->units_per_em, c.units_per_em);
        EXPECT_EQ(font->font_bytes, "FONT");
    }
}

// A stand-in python3 first on the search path, and TMPDIR pointing into a
// directory of the test, so what the child leaves behind can be seen.
class StubPython {
public:
    explicit StubPython(const std::string& script)
        : path_("PATH", (bin_.path().string() + ":" + std::getenv("PATH")).c_str()),
          tmpdir_("TMPDIR", tmp_.path().c_str()) {
        const std::string stub = bin_.write("python3", "#!/bin/sh\n" + script);
        ::chmod(stub.c_str(), 0755);
    }
    const zvk::test::TempDir& tmp() const { return tmp_; }
    bool tmp_empty() const { return fs::is_empty(tmp_.path()); }

private:
    zvk::test::TempDir bin_, tmp_;
    zvk::test::ScopedEnv path_, tmpdir_;
};

// Everything written to fd 2 while it lives.
class CapturedStderr {
public:
    CapturedStderr() : saved_(::dup(2)) {
        const std::string file = dir_.file("stderr");
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    std::string release() {
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
        return zvk::test::read_file(dir_.file("stderr"));
    }
    ~CapturedStderr() {
        if (saved_ >= 0) release();
    }

private:
    zvk::test::TempDir dir_;
    int saved_;
};

TEST(CffSubset, ChildRunsInAPrivateDirectoryWithAnAbsoluteFontPath) {
    // Made before TMPDIR moves, so only the child's directory lands there.
    zvk::test::TempDir record_dir, work;
    const std::string record = record_dir.file("record");
    CapturedStderr captured;
    StubPython stub("{ pwd; stat -c %a .; printf '%s\\n' \"$1\" \"$3\" \"$4\" \"$5\" \"$6\"; "
                    "echo \"$PYTHONSAFEPATH\"; } > '" + record + "'\n"
                    "echo noise >&2; echo more; touch \"$6\" \"$7\"; exit 1\n");
    const fs::path old_cwd = fs::current_path();
    fs::current_path(work.path());
    const std::vector<std::uint32_t> request = {0x4E2D, 0x1F600};
    const auto font = subset_cff_font_external("fonts/some.otf", 2, request);
    const std::string err = captured.release();
    fs::current_path(old_cwd);
    EXPECT_FALSE(font);
    EXPECT_EQ(err, "") << "the child wrote to the host's stderr";

    std::istringstream lines(zvk::test::read_file(record));
    std::string cwd, mode, dash_c, font_path, face, codes, out_font, safe;
    std::getline(lines, cwd);
    std::getline(lines, mode);
    std::getline(lines, dash_c);
    std::getline(lines, font_path);
    std::getline(lines, face);
    std::getline(lines, codes);
    std::getline(lines, out_font);
    std::getline(lines, safe);
    EXPECT_EQ(fs::path(cwd).parent_path(), fs::canonical(stub.tmp().path()));
    EXPECT_EQ(mode, "700");
    EXPECT_EQ(dash_c, "-c");
    EXPECT_EQ(font_path, (fs::canonical(work.path()) / "fonts/some.otf").string());
    EXPECT_EQ(face, "2");
    EXPECT_EQ(codes, "20,4E2D");
    EXPECT_EQ(fs::path(out_font).parent_path(), fs::path(cwd));
    EXPECT_TRUE(fs::path(out_font).filename().string().starts_with("zvk-cff-" + std::to_string(::getpid()) + "-"));
    EXPECT_EQ(safe, "1");
    // The failed child's files went with its directory.
    EXPECT_TRUE(stub.tmp_empty());
}

TEST(CffSubset, PrivateDirectoryIsGoneAfterEveryEnding) {
    struct Case {
        const char* name;
        const char* script;
        std::chrono::milliseconds limit;
    };
    const std::vector<Case> cases = {
        {"exit 1 after writing both files", "touch \"$6\" \"$7\"; exit 1\n", std::chrono::seconds(30)},
        {"exit 0 with a malformed answer", "echo x > \"$6\"; echo '{' > \"$7\"; exit 0\n", std::chrono::seconds(30)},
        {"exit 0 with no answer at all", "exit 0\n", std::chrono::seconds(30)},
        {"killed by a signal", "kill -9 $$\n", std::chrono::seconds(30)},
        {"hangs past the time limit", "touch \"$6\"; exec sleep 30\n", std::chrono::milliseconds(300)},
        {"answer that is a FIFO", "mkfifo \"$7\"; echo x > \"$6\"; exit 0\n", std::chrono::seconds(30)},
    };
    const std::vector<std::uint32_t> request = {0x4E2D};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StubPython stub(c.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(subset_cff_font_external("/nonexistent.otf", 0, request, c.limit));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_TRUE(stub.tmp_empty());
    }
}

TEST(CffSubset, StubAnswerIsReadBack) {
    StubPython stub("printf 'OTTOfont' > \"$6\"; "
                    "echo '{\"upem\":1000,\"glyphs\":[{\"cp\":20013,\"cid\":7,\"adv\":1000}]}' > \"$7\"\n");
    const std::vector<std::uint32_t> request = {0x4E2D};
    const auto font = subset_cff_font_external("/x.otf", 0, request);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->font_bytes, "OTTOfont");
    EXPECT_EQ(font->glyphs, (std::map<std::uint32_t, SubsetGlyph>{{0x4E2D, {7, 1000}}}));
    EXPECT_TRUE(stub.tmp_empty());
}

TEST(CffSubset, SuccessiveCallsTakeSuccessiveSequenceNumbers) {
    zvk::test::TempDir log_dir;
    const std::string log = log_dir.file("names");
    StubPython stub("basename \"$6\" >> '" + log + "'; basename \"$7\" >> '" + log + "'; exit 1\n");
    const std::vector<std::uint32_t> request = {0x4E2D};
    EXPECT_FALSE(subset_cff_font_external("/x.otf", 0, request));
    EXPECT_FALSE(subset_cff_font_external("/x.otf", 0, request));
    std::istringstream names(zvk::test::read_file(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(names, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    const std::string prefix = "zvk-cff-" + std::to_string(::getpid()) + "-";
    ASSERT_TRUE(lines[0].starts_with(prefix));
    const std::string n = lines[0].substr(prefix.size(), lines[0].size() - prefix.size() - 4);
    EXPECT_EQ(lines[0], prefix + n + ".otf");
    EXPECT_EQ(lines[1], prefix + n + ".json");
    EXPECT_EQ(lines[2], prefix + std::to_string(std::stoull(n) + 1) + ".otf");
    EXPECT_EQ(lines[3], prefix + std::to_string(std::stoull(n) + 1) + ".json");
}

// Face 2 of Noto Sans CJK (Simplified Chinese) through the real fontTools.
class NotoCff : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kNotoSans)) GTEST_SKIP() << kNotoSans << " absent (install fonts-noto-cjk)";
        if (!test::have_fonttools()) GTEST_SKIP() << "fontTools absent (scripts/setup installs it)";
    }
};

TEST_F(NotoCff, MapsExactlyTheRequestedCodePointsPlusSpace) {
    zvk::test::TempDir tmp;
    zvk::test::ScopedEnv tmpdir("TMPDIR", tmp.path().c_str());
    struct Case {
        const char* name;
        std::vector<std::uint32_t> request;
        std::set<std::uint32_t> expected;
    };
    const std::vector<Case> cases = {
        {"CJK with a composite-free mix", {0x7684, 0x4E2D, 0x6587, 0x41, 0x1F600, 0x4E2D},
         {0x20, 0x41, 0x4E2D, 0x6587, 0x7684}},
        {"an empty request still gives the space", {}, {0x20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto font = subset_cff_font_external(kNotoSans, 2, c.request);
        ASSERT_TRUE(font);
        EXPECT_EQ(test::code_points_of(*font), c.expected);
        EXPECT_EQ(font->units_per_em, 1000);
        for (const auto& [cp, glyph] : font->glyphs)
            if (cp >= 0x4E00) { EXPECT_EQ(glyph.advance, 1000) << cp; }  // ideographs are full width
        const auto verdict = test::check_with_fonttools(*font, "cff");
        EXPECT_EQ(verdict.status, 0) << verdict.output;
        if (test::have_fc_query()) { EXPECT_EQ(test::fc_query_charset(font->font_bytes), c.expected); }
        EXPECT_TRUE(fs::is_empty(tmp.path()));
    }
}

TEST_F(NotoCff, AJsonModuleInTheCallersDirectoryIsNeverImported) {
    zvk::test::TempDir work, marks;
    const std::string mark = marks.file("imported");
    work.write("json.py", "open('" + mark + "', 'w').write('x')\nraise SystemExit(3)\n");
    work.write("fontTools.py", "open('" + mark + "', 'w').write('x')\nraise SystemExit(3)\n");
    const fs::path old_cwd = fs::current_path();
    fs::current_path(work.path());
    const std::vector<std::uint32_t> request = {0x4E2D};
    const auto font = subset_cff_font_external(kNotoSans, 2, request);
    fs::current_path(old_cwd);
    EXPECT_TRUE(font);
    EXPECT_FALSE(fs::exists(mark));
}

TEST_F(NotoCff, FacesBeyondTheCollectionGiveNone) {
    const std::vector<std::uint32_t> request = {0x4E2D};
    EXPECT_FALSE(subset_cff_font_external(kNotoSans, 99, request));
    EXPECT_FALSE(subset_cff_font_external("/nonexistent/font.otf", 0, request));
}

}  // namespace
}  // namespace zvk::font

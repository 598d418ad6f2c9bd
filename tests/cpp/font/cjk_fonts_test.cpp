#include "font/cjk_fonts.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "font/cff_subset.h"
#include "font/font_file.h"
#include "font/subset_check.h"
#include "font/truetype_builder.h"
#include "font/truetype_subset.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zvk::font {
namespace {

namespace fs = std::filesystem;

// A TrueType font mapping the given code points, each to its own glyph.
std::string font_mapping(const std::vector<std::uint32_t>& code_points) {
    test::FontSpec spec;
    spec.glyphs.push_back(test::triangle_glyph(0, 100, 100));
    spec.advances.push_back(500);
    for (std::uint32_t cp : code_points) {
        spec.cmap[cp] = static_cast<std::uint32_t>(spec.glyphs.size());
        spec.glyphs.push_back(test::triangle_glyph(10, 900, 800));
        spec.advances.push_back(1000);
    }
    return test::truetype_font(spec);
}

// Candidates that exist nowhere, with the TrueType fallbacks given.
CjkFontCandidates nowhere(std::vector<std::string> truetype = {}) {
    return {"/nonexistent/bold.ttc", {"~/nonexistent/serif.otf", "/nonexistent/serif.otf"}, "/nonexistent/serif.ttc",
            "/nonexistent/sans.ttc", std::move(truetype)};
}

TEST(FontFileCache, ReadsRegularFilesOnly) {
    zvk::test::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = dir.file("link");
    fs::create_symlink(dir.write("target", "bytes"), link);
    struct Case {
        const char* name;
        std::string path;
        const char* expected;  // null: none
    };
    const std::vector<Case> cases = {
        {"a FIFO with no writer", fifo, nullptr},
        {"an endless device", "/dev/zero", nullptr},
        {"a directory", dir.path().string(), nullptr},
        {"a missing file", dir.file("missing"), nullptr},
        {"an empty file", dir.write("empty", ""), nullptr},
        {"a link to a regular file", link, "bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = read_font_file_cached(c.path);
        ASSERT_EQ(bytes != nullptr, c.expected != nullptr);
        if (bytes) { EXPECT_EQ(*bytes, c.expected); }
    }
}

TEST(FontFileCache, SizeLimitRefusesLargerFiles) {
    zvk::test::TempDir dir;
    const std::string path = dir.write("font", std::string(1000, 'x'));
    EXPECT_TRUE(read_regular_file(path, 1000));
    EXPECT_FALSE(read_regular_file(path, 999));
}

TEST(FontFileCache, ReadsOnceAndKeepsTheBytes) {
    zvk::test::TempDir dir;
    const std::string path = dir.write("font.ttf", "first");
    const auto a = read_font_file_cached(path);
    ASSERT_TRUE(a);
    std::ofstream(path, std::ios::trunc).close();  // emptied later
    const auto b = read_font_file_cached(dir.path().string() + "//font.ttf");  // the same path, spelled apart
    ASSERT_TRUE(b);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(*b, "first");
    // An empty file is not stored: once it has bytes it is read.
    const std::string later = dir.write("later.ttf", "");
    EXPECT_FALSE(read_font_file_cached(later));
    dir.write("later.ttf", "now");
    const auto c = read_font_file_cached(later);
    ASSERT_TRUE(c);
    EXPECT_EQ(*c, "now");
}

TEST(FontFileCache, RacingCallsShareOneRead) {
    zvk::test::TempDir dir;
    const std::string path = dir.write("race.ttf", std::string(1 << 20, 'r'));
    std::vector<SharedFontBytes> got(8);
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < got.size(); ++k)
        threads.emplace_back([&, k] { got[k] = read_font_file_cached(path); });
    for (auto& t : threads) t.join();
    ASSERT_TRUE(got[0]);
    for (const auto& g : got) EXPECT_EQ(g.get(), got[0].get());
}

TEST(CjkFontDiscovery, EnvironmentValuesAreTrimmed) {
    struct Case {
        const char* value;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {nullptr, std::nullopt},     {"", std::nullopt},           {" \t\n", std::nullopt},
        {" /a/b.ttf ", "/a/b.ttf"}, {"\xFF/b.ttf", std::nullopt}, {"/a b.ttf", "/a b.ttf"},
    };
    for (const auto& c : cases) {
        zvk::test::ScopedEnv env("ZVK_TEST_FONT_VALUE", c.value);
        EXPECT_EQ(env_nonempty_trimmed("ZVK_TEST_FONT_VALUE"), c.expected) << (c.value ? c.value : "unset");
    }
}

// Styles against the fonts they end in, with every CFF candidate missing so
// no child runs: which of the user font, ZVK_CJK_FONT and the TrueType
// fallback answers shows which steps were taken.
TEST(CjkFontDiscovery, StylesTakeTheirSteps) {
    zvk::test::CleanZvkEnv clean;
    zvk::test::TempDir dir;
    const std::string user_serif = dir.write("user-serif.ttf", font_mapping({0x4E00}));
    const std::string user_sans = dir.write("user-sans.ttf", font_mapping({0x4E01}));
    const std::string env_font = dir.write("env.ttf", font_mapping({0x4E02}));
    const std::string fallback = dir.write("fallback.ttf", font_mapping({0x4E03}));
    test::FontSpec no_cmap;
    no_cmap.glyphs.push_back(test::triangle_glyph(0, 100, 100));
    no_cmap.with_cmap = false;
    const std::string unusable = dir.write("unusable.ttc", test::collection({"ttf", "ttf"}, {no_cmap, no_cmap}));
    const std::vector<std::uint32_t> request = {0x4E00, 0x4E01, 0x4E02, 0x4E03};
    struct Case {
        const char* name;
        FontNameStyle style;
        CjkFontOptions options;
        const char* zvk_cjk_font;
        const char* zvk_cjk_sans;
        std::vector<std::string> truetype;
        std::optional<std::uint32_t> answer;  // the one code point the chosen font maps
    };
    const std::vector<Case> cases = {
        {"no font anywhere", 0, {}, nullptr, nullptr, {}, std::nullopt},
        {"no font anywhere, serif", kFontStyleSerif, {}, nullptr, nullptr, {}, std::nullopt},
        {"sans takes cjk_sans", 0, {user_serif, user_sans}, nullptr, nullptr, {fallback}, 0x4E01},
        {"serif takes cjk_font", kFontStyleSerif, {user_serif, user_sans}, nullptr, nullptr, {fallback}, 0x4E00},
        {"italic does not count", kFontStyleItalic, {user_serif, user_sans}, nullptr, nullptr, {fallback}, 0x4E01},
        {"bold ignores the user fonts", kFontStyleBold | kFontStyleSerif, {user_serif, user_sans}, nullptr, nullptr,
         {fallback}, 0x4E03},
        {"serif takes ZVK_CJK_FONT without an option", kFontStyleSerif, {}, env_font.c_str(), nullptr, {fallback},
         0x4E02},
        {"sans takes ZVK_CJK_SANS without an option", 0, {}, nullptr, user_sans.c_str(), {fallback}, 0x4E01},
        {"the option beats the environment", 0, {std::nullopt, user_sans}, nullptr, env_font.c_str(), {fallback},
         0x4E01},
        {"bold falls back on ZVK_CJK_FONT before the system files", kFontStyleBold, {}, env_font.c_str(), nullptr,
         {fallback}, 0x4E02},
        {"an unusable ZVK_CJK_FONT ends the search with none", kFontStyleSerif, {}, unusable.c_str(), nullptr,
         {fallback}, std::nullopt},
        {"a missing user font moves on", 0, {std::nullopt, dir.file("missing.ttf")}, nullptr, nullptr, {fallback},
         0x4E03},
        {"only the first readable fallback is tried", 0, {}, nullptr, nullptr,
         {dir.file("missing.ttf"), unusable, fallback}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        zvk::test::ScopedEnv font_env("ZVK_CJK_FONT", c.zvk_cjk_font);
        zvk::test::ScopedEnv sans_env("ZVK_CJK_SANS", c.zvk_cjk_sans);
        const auto font = load_cjk_font(c.style, request, c.options, nowhere(c.truetype));
        ASSERT_EQ(font.has_value(), c.answer.has_value());
        if (font) { EXPECT_EQ(test::code_points_of(*font), std::set<std::uint32_t>{*c.answer}); }
    }
}

TEST(CjkFontDiscovery, UserFontThatIsTrueTypeIsSubsetInProcess) {
    zvk::test::TempDir dir;
    const std::string path = dir.write("user.ttf", font_mapping({0x4E00, 0x4E01}));
    const std::vector<std::uint32_t> request = {0x4E01};
    const auto font = load_user_cjk_font(path, request);
    ASSERT_TRUE(font);
    EXPECT_EQ(test::code_points_of(*font), std::set<std::uint32_t>{0x4E01});
    EXPECT_FALSE(load_user_cjk_font(dir.file("missing.ttf"), request));
}

// A CFF user font goes to fontTools once per face it has (a lone font once),
// never six times regardless.
TEST(CjkFontDiscovery, CffUserFontRunsOnlyItsFaces) {
    zvk::test::TempDir bin, tmp, dir, log_dir;
    const std::string log = log_dir.file("runs");
    // Answers with the face number as the space's advance.
    const std::string stub = bin.write("python3", "#!/bin/sh\necho \"$4\" >> '" + log + "'\nprintf OTTO > \"$6\"\n" +
                                                      R"(echo "{\"upem\":1000,\"glyphs\":[{\"cp\":32,\"cid\":1,\"adv\":$4}]}" > "$7")" +
                                                      "\n");
    ::chmod(stub.c_str(), 0755);
    zvk::test::ScopedEnv path_env("PATH", (bin.path().string() + ":" + std::getenv("PATH")).c_str());
    zvk::test::ScopedEnv tmp_env("TMPDIR", tmp.path().c_str());
    test::Be ttc;
    ttc.raw("ttcf").u32(0x00010000).u32(3).u32(24).u32(24).u32(24).raw("OTTO");
    test::Be many;
    many.raw("ttcf").u32(0x00010000).u32(40);
    for (int k = 0; k < 40; ++k) many.u32(12 + 4 * 40);
    many.raw("OTTO");
    struct Case {
        const char* name;
        std::string bytes;
        std::string runs;
    };
    const std::vector<Case> cases = {
        {"a lone CFF font", "OTTO" + std::string(20, '\0'), "0\n"},
        {"a collection of three", ttc.data, "0\n1\n2\n"},
        {"a collection of forty stops at six", many.data, "0\n1\n2\n3\n4\n5\n"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(log, std::ios::trunc).close();
        const std::string path = dir.write("user" + std::to_string(n++) + ".otf", c.bytes);
        const std::vector<std::uint32_t> request = {0x4E00};
        const auto font = load_user_cjk_font(path, request);
        ASSERT_TRUE(font);
        EXPECT_EQ(zvk::test::read_file(log), c.runs);
        // Every face ties (one entry each): the first face's answer wins.
        EXPECT_EQ(font->glyphs.at(0x20).advance, 0);
    }
}

// The fonts this machine's Debian packages install, as scripts/setup sets
// them up: each style ends in the face the discovery promises.
TEST(CjkFontDiscovery, DebianFontsAreFound) {
    const char* noto = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";
    const char* wqy = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    if (!fs::exists(noto)) GTEST_SKIP() << noto << " absent (install fonts-noto-cjk)";
    if (!fs::exists(wqy)) GTEST_SKIP() << wqy << " absent (install fonts-wqy-microhei)";
    if (!test::have_fonttools()) GTEST_SKIP() << "fontTools absent (scripts/setup installs it)";
    zvk::test::CleanZvkEnv clean;
    zvk::test::ScopedEnv home("HOME", "/nonexistent");
    const std::vector<std::uint32_t> request = {0x7684, 0x4E2D};
    struct Case {
        const char* name;
        FontNameStyle style;
        const char* postscript_name;  // name 6 of the face, kept in the subset's name table
    };
    const std::vector<Case> cases = {
        {"bold", kFontStyleBold, "NotoSansCJKsc-Bold"},
        {"serif", kFontStyleSerif, "NotoSerifCJKsc-Regular"},
        {"sans", 0, "NotoSansCJKsc-Regular"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto font = load_cjk_font(c.style, request, {});
        ASSERT_TRUE(font);
        std::string utf16;  // the name table's Windows records are UTF-16BE
        for (const char* p = c.postscript_name; *p != '\0'; ++p) utf16 += std::string{'\0', *p};
        EXPECT_NE(font->font_bytes.find(utf16), std::string::npos);
        EXPECT_EQ(test::code_points_of(*font), (std::set<std::uint32_t>{0x20, 0x4E2D, 0x7684}));
    }
    // With no CFF candidate, the TrueType fallback is wqy-microhei.
    CjkFontCandidates truetype_only = nowhere(default_cjk_font_candidates().truetype_fallbacks);
    const auto font = load_cjk_font(0, request, {}, truetype_only);
    ASSERT_TRUE(font);
    const auto direct = subset_truetype_font(zvk::test::read_file(wqy), request);
    ASSERT_TRUE(direct);
    EXPECT_EQ(font->font_bytes, direct->font_bytes);
}

}  // namespace
}  // namespace zvk::font

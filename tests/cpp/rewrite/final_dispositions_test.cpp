#include "rewrite/output/final_dispositions.h"

#include <gtest/gtest.h>

#include "rewrite/disposition_print.h"

#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

TranslationRecord record(std::vector<std::uint32_t> ids, std::string translated) {
    TranslationRecord r;
    r.glyph_ids = std::move(ids);
    r.source = "source";
    r.translated = std::move(translated);
    return r;
}

std::vector<Glyph> open_glyphs(std::size_t n) {
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < n; ++i) {
        glyphs.push_back(test::make_glyph({.text = "a"}, static_cast<std::uint32_t>(i)));
        glyphs.back().disposition = GlyphDisposition::translated_pending_rewrite("t");
    }
    return glyphs;
}

struct Settled {
    Result<void> result;
    std::vector<Glyph> glyphs;
};

struct Scene {
    std::vector<Glyph> glyphs;
    GlyphReasons non_text;
    GlyphReasons keep;
    std::vector<TranslationRecord> records;
    GlyphIdSet blanked;
    bool cjk = false;
    bool overlay = false;

    Settled settle() const {
        Settled s{{}, glyphs};
        const GlyphIdIndex index(s.glyphs);
        s.result = settle_final_dispositions(s.glyphs, {index, non_text, keep, records, blanked, cjk, overlay});
        return s;
    }
};

TEST(FinalDispositions, NothingPlacedEveryGlyphEndsByItsWordOrTheLeftoverReason) {
    Scene scene;
    scene.glyphs = open_glyphs(6);
    scene.glyphs[4].disposition = GlyphDisposition::kept_original("margin");  // final before: untouched
    scene.glyphs[5].disposition = GlyphDisposition::pending();
    scene.non_text = {{0, "invisible"}, {1, "invisible"}};
    scene.keep = {{1, "clipped"}, {2, "formula"}, {4, "math-block"}};  // 1 is in both: non_text wins
    scene.records = {record({0, 1, 2, 3}, "\u4E2D\u6587")};
    for (const bool cjk : {true, false}) {
        scene.cjk = cjk;
        const Settled s = scene.settle();
        ASSERT_TRUE(s.result) << s.result.error().display();
        const std::string rest = cjk ? "untranslated" : "kept";
        const std::vector<GlyphDisposition> expected = {
            GlyphDisposition::non_text("invisible"),  GlyphDisposition::non_text("invisible"),
            GlyphDisposition::kept_original("formula"), GlyphDisposition::kept_original(rest),
            GlyphDisposition::kept_original("margin"),  GlyphDisposition::kept_original(rest),
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(s.glyphs[i].disposition, expected[i]) << "cjk " << cjk << " glyph " << i;
        }
    }
}

// A written record's glyph that was never blanked is still drawn on the page
// in English: outside the interlinear layout it must not be reported as
// rewritten. Over the interlinear layout all of them are (nothing is ever
// blanked there, the English stays under the translation by design).
TEST(FinalDispositions, WrittenRecordRewritesOnlyItsBlankedGlyphsOutsideOverlay) {
    Scene scene;
    scene.glyphs = open_glyphs(5);
    scene.glyphs[3].disposition = GlyphDisposition::kept_original("toc");
    scene.keep = {{2, "shared-operator"}};
    scene.records = {record({0, 1, 2, 3, 4}, "\u8BD1\u6587")};
    scene.blanked = {0, 1};
    scene.cjk = true;
    struct Case {
        bool overlay;
        std::vector<GlyphDisposition> expected;
    };
    const GlyphDisposition rewritten = GlyphDisposition::rewritten("\u8BD1\u6587");
    const std::vector<Case> cases = {
        {false, {rewritten, rewritten, GlyphDisposition::kept_original("shared-operator"),
                 GlyphDisposition::kept_original("toc"), GlyphDisposition::kept_original("kept")}},
        {true, {rewritten, rewritten, GlyphDisposition::kept_original("shared-operator"),
                GlyphDisposition::kept_original("toc"), rewritten}},
    };
    for (const Case& c : cases) {
        scene.overlay = c.overlay;
        const Settled s = scene.settle();
        ASSERT_TRUE(s.result) << s.result.error().display();
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(s.glyphs[i].disposition, c.expected[i]) << "overlay " << c.overlay << " glyph " << i;
        }
    }
}

TEST(FinalDispositions, WhichRecordsAreWritten) {
    struct Case {
        const char* name;
        std::vector<TranslationRecord> records;
        GlyphIdSet blanked;
        std::vector<GlyphDisposition> expected;  // glyphs 0..3
    };
    const auto rw = [](const char* t) { return GlyphDisposition::rewritten(t); };
    const GlyphDisposition rest = GlyphDisposition::kept_original("untranslated");
    const GlyphDisposition kept_before = GlyphDisposition::kept_original("margin");
    const std::vector<Case> cases = {
        {"no blanked glyph: not written", {record({0, 1}, "A")}, {}, {rest, rest, kept_before, rest}},
        {"blanked glyph already kept: not written", {record({2, 0}, "A")}, {2},
         {rest, rest, kept_before, rest}},
        {"blanked glyph after a kept one: written", {record({2, 0}, "A")}, {2, 0},
         {rw("A"), rest, kept_before, rest}},
        {"shared glyph: the earlier record decides", {record({0, 1}, "A"), record({1, 3}, "B")}, {0, 1, 3},
         {rw("A"), rw("A"), kept_before, rw("B")}},
        {"a record's text exactly as received", {record({3}, "  untrimmed \u4E2D ")}, {3},
         {rest, rest, kept_before, rw("  untrimmed \u4E2D ")}},
    };
    for (const Case& c : cases) {
        Scene scene;
        scene.glyphs = open_glyphs(4);
        scene.glyphs[2].disposition = kept_before;
        scene.records = c.records;
        scene.blanked = c.blanked;
        scene.cjk = true;
        const Settled s = scene.settle();
        ASSERT_TRUE(s.result) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(s.glyphs[i].disposition, c.expected[i]) << c.name << " glyph " << i;
        }
    }
}

TEST(FinalDispositions, UnknownIdEndsTheStageWithItsErrorAndKeepsEarlierChanges) {
    Scene scene;
    scene.glyphs = open_glyphs(2);
    scene.non_text = {{0, "invisible"}};
    scene.keep = {{7, "kept"}};
    const Settled s = scene.settle();
    ASSERT_FALSE(s.result);
    EXPECT_EQ(s.result.error().display(), "glyph 7 not found");
    EXPECT_EQ(s.glyphs[0].disposition, GlyphDisposition::non_text("invisible"));
    EXPECT_FALSE(s.glyphs[1].disposition.is_final());  // the later passes did not run

    Scene records;
    records.glyphs = open_glyphs(2);
    records.records = {record({0, 9}, "A")};
    records.blanked = {9};
    const Settled r = records.settle();
    ASSERT_FALSE(r.result);
    EXPECT_EQ(r.result.error().display(), "glyph 9 not found");
}

TEST(FinalDispositions, HelpersListOpenGlyphsAndKeepThroughTheOneSetter) {
    std::vector<Glyph> glyphs = open_glyphs(4);
    glyphs[1].disposition = GlyphDisposition::rewritten("x");
    glyphs[2].disposition = GlyphDisposition::pending();
    glyphs[3].id = 40;
    EXPECT_EQ(collect_unresolved_glyph_ids(glyphs), (std::vector<std::uint32_t>{0, 2, 40}));

    ASSERT_TRUE(keep_glyph_with_reason(glyphs, 40, "tight"));
    EXPECT_EQ(glyphs[3].disposition, GlyphDisposition::kept_original("tight"));
    const Result<void> again = keep_glyph_with_reason(glyphs, 1, "tight");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().display(), "glyph 1 already has a final disposition (rewritten)");
    EXPECT_EQ(keep_glyph_with_reason(glyphs, 5, "tight").error().display(), "glyph 5 not found");
}

}  // namespace
}  // namespace zvk::rewrite

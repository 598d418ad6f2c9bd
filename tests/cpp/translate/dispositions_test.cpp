// Disposition changes: which states may change, the two errors, and the same
// answers whether or not a glyph's id is its position in the list.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "translate/dispositions.h"

namespace zvk {
namespace {

std::vector<Glyph> glyphs_with_ids(const std::vector<std::uint32_t>& ids) {
    std::vector<Glyph> glyphs(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        glyphs[i].id = ids[i];
        glyphs[i].unicode = "g" + std::to_string(ids[i]);
    }
    return glyphs;
}

// Where the glyph that a case changes sits: at its own position, or in lists
// whose positions hold other ids (so a lookup by position alone goes wrong).
struct Layout {
    const char* name;
    std::vector<std::uint32_t> ids;
    std::uint32_t target;
};

const std::vector<Layout> kLayouts = {
    {"ids are positions", {0, 1, 2, 3, 4}, 2},
    {"ids reversed", {4, 3, 2, 1, 0}, 1},  // position 1 holds id 3
    {"ids sparse", {100, 7, 3, 250}, 7},   // position 7 is past the end
    {"ids shifted", {1, 2, 3, 4, 5}, 3},   // position 3 holds id 4
};

struct Change {
    const char* name;
    GlyphDisposition before;
    GlyphDisposition after;
    std::string error;  // empty: the change succeeds
};

const std::vector<Change> kChanges = {
    {"pending to kept_original", GlyphDisposition::pending(),
     GlyphDisposition::kept_original("references"), ""},
    {"pending to pending", GlyphDisposition::pending(), GlyphDisposition::pending(), ""},
    {"pending to rewritten", GlyphDisposition::pending(), GlyphDisposition::rewritten("x"), ""},
    {"second translated text wins", GlyphDisposition::translated_pending_rewrite("first"),
     GlyphDisposition::translated_pending_rewrite("second"), ""},
    {"translated back to pending", GlyphDisposition::translated_pending_rewrite("t"),
     GlyphDisposition::pending(), ""},
    {"translated to non_text", GlyphDisposition::translated_pending_rewrite("t"),
     GlyphDisposition::non_text("blank"), ""},
    {"kept_original is final", GlyphDisposition::kept_original("references"),
     GlyphDisposition::translated_pending_rewrite("t"), "already has a final disposition (kept_original)"},
    {"rewritten is final", GlyphDisposition::rewritten("old"), GlyphDisposition::rewritten("new"),
     "already has a final disposition (rewritten)"},
    {"non_text is final", GlyphDisposition::non_text("blank"), GlyphDisposition::pending(),
     "already has a final disposition (non_text)"},
};

TEST(SetGlyphDisposition, StateRulesInEveryLayout) {
    for (const Layout& layout : kLayouts) {
        for (const Change& change : kChanges) {
            SCOPED_TRACE(std::string(layout.name) + ": " + change.name);
            std::vector<Glyph> glyphs = glyphs_with_ids(layout.ids);
            std::vector<Glyph> expected = glyphs;
            for (std::size_t i = 0; i < glyphs.size(); ++i) {
                if (glyphs[i].id == layout.target) {
                    glyphs[i].disposition = change.before;
                    expected[i].disposition = change.error.empty() ? change.after : change.before;
                }
            }
            auto result = set_glyph_disposition(glyphs, layout.target, change.after);
            if (change.error.empty()) {
                EXPECT_TRUE(result) << result.error().display();
            } else {
                ASSERT_FALSE(result);
                EXPECT_EQ(result.error().kind(), CoreError::Kind::GlyphAlreadyFinal);
                EXPECT_EQ(result.error().display(),
                          "glyph " + std::to_string(layout.target) + " " + change.error);
            }
            // Only the target changes, and only on success.
            for (std::size_t i = 0; i < glyphs.size(); ++i) {
                EXPECT_EQ(glyphs[i].id, expected[i].id);
                EXPECT_EQ(glyphs[i].disposition, expected[i].disposition) << "position " << i;
            }
        }
    }
}

TEST(SetGlyphDisposition, KeptThenTranslatedNamesTheKeptState) {
    std::vector<Glyph> glyphs = glyphs_with_ids({0, 1, 2});
    ASSERT_TRUE(set_glyph_disposition(glyphs, 1, GlyphDisposition::kept_original("references")));
    auto second = set_glyph_disposition(glyphs, 1, GlyphDisposition::translated_pending_rewrite("译"));
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().display(), "glyph 1 already has a final disposition (kept_original)");
    EXPECT_EQ(glyphs[1].disposition, GlyphDisposition::kept_original("references"));
}

TEST(SetGlyphDisposition, UnknownIdsAreNotFound) {
    struct Row {
        const char* name;
        std::vector<std::uint32_t> ids;
        std::uint32_t id;
    };
    const std::vector<Row> rows = {
        {"empty list, id 0", {}, 0},
        {"empty list, id 5", {}, 5},
        {"empty list, largest id", {}, std::numeric_limits<std::uint32_t>::max()},
        {"past the end", {0, 1, 2}, 3},
        {"position holds another id", {10, 11, 12, 13}, 2},
        {"between sparse ids", {100, 7, 3}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Glyph> glyphs = glyphs_with_ids(row.ids);
        auto result = set_glyph_disposition(glyphs, row.id, GlyphDisposition::rewritten("x"));
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), CoreError::Kind::GlyphNotFound);
        EXPECT_EQ(result.error().display(), "glyph " + std::to_string(row.id) + " not found");
        for (const Glyph& glyph : glyphs) EXPECT_EQ(glyph.disposition, GlyphDisposition::pending());
    }
}

// A book of about 650,000 glyphs, each marked once, as assembly does. A walk
// per call would take hours here; the watchdog turns that into a failure
// instead of a hung test run.
TEST(SetGlyphDisposition, MarkingEveryGlyphOfABookEndsAtOnce) {
    constexpr std::uint32_t kGlyphs = 650'000;
    struct Shared {
        std::vector<Glyph> glyphs;
        std::mutex mutex;
        std::condition_variable done_signal;
        bool done = false;
        std::optional<std::string> error;
    };
    auto shared = std::make_shared<Shared>();
    shared->glyphs.resize(kGlyphs);
    for (std::uint32_t i = 0; i < kGlyphs; ++i) shared->glyphs[i].id = i;

    std::thread worker([shared] {
        std::optional<std::string> error;
        for (std::uint32_t i = 0; i < kGlyphs && !error; ++i) {
            auto result = set_glyph_disposition(
                shared->glyphs, i, GlyphDisposition::translated_pending_rewrite(std::to_string(i)));
            if (!result) error = result.error().display();
        }
        std::lock_guard<std::mutex> guard(shared->mutex);
        shared->error = std::move(error);
        shared->done = true;
        shared->done_signal.notify_all();
    });
    std::unique_lock<std::mutex> lock(shared->mutex);
    bool finished =
        shared->done_signal.wait_for(lock, std::chrono::seconds(60), [&] { return shared->done; });
    lock.unlock();
    if (!finished) {
        worker.detach();  // the shared state outlives this test
        FAIL() << "marking " << kGlyphs << " glyphs did not end within a minute";
    }
    worker.join();
    ASSERT_FALSE(shared->error) << *shared->error;
    for (std::uint32_t i = 0; i < kGlyphs; i += 9973) {
        EXPECT_EQ(shared->glyphs[i].disposition,
                  GlyphDisposition::translated_pending_rewrite(std::to_string(i)));
    }
    EXPECT_EQ(shared->glyphs.back().disposition,
              GlyphDisposition::translated_pending_rewrite(std::to_string(kGlyphs - 1)));
}

}  // namespace
}  // namespace zvk

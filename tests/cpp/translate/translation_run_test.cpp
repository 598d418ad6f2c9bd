// The run over planned units, against the real LLM client and the stand-in
// service: which units cost a request, how answers spread to units of the
// same text, what a failed or refused request leaves behind, and the pools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/scoped_env.h"
#include "translate/reference_fixture.h"
#include "support/temp_dir.h"
#include "translate/checkpoint.h"
#include "translate/stand_in_translator.h"
#include "translate/translation_run.h"

namespace zvk {
namespace {

using test::ScopedEnv;
using test::StandInTranslator;
using test::TempDir;

const std::string kFiller = "\xe8\xaf\x91\xe6\x96\x87";  // the stand-in's default answer
const std::string kEmptyContent =
    "translation failed: LLM response had empty message.content (reasoning tokens are ignored)";

// A document of one glyph per unit (glyph i belongs to unit i), units with
// ids 100.. so that ids are never positions.
struct Fixture {
    ExtractedDocument document;
    std::vector<Segment> units;

    explicit Fixture(const std::vector<std::string>& sources) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            Glyph glyph;
            glyph.id = static_cast<std::uint32_t>(i);
            glyph.unicode = "x";
            document.glyphs.push_back(glyph);
            Segment unit;
            unit.glyph_ids = {glyph.id};
            unit.source = sources[i];
            unit.id = static_cast<std::uint32_t>(100 + i);
            unit.page_index = static_cast<std::uint32_t>(i / 3);
            units.push_back(unit);
        }
    }
};

TranslateOptions options_with(std::uint64_t batch_size) {
    TranslateOptions options;
    options.batch_size = batch_size;
    options.model = "m";
    return options;
}

std::vector<std::uint64_t> sent_segment_ids(StandInTranslator& stand_in) {
    std::vector<std::uint64_t> ids;
    for (const auto& request : stand_in.sent()) {
        for (const auto& segment : request.user.at("segments")) ids.push_back(segment.at("id").get<std::uint64_t>());
    }
    return ids;
}

const std::string kA = "The cells release calcium in waves across the tissue.";
const std::string kB = "Each wave travels a few hundred micrometres before it fades.";

TEST(TranslationRun, UnitsThatNeedNoRequestAndRepeatedTexts) {
    StandInTranslator stand_in;
    Fixture f({kA, kB, kA, "  \n", "https://example.org/paper", kA});
    const auto outcome = translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 1);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    // One request for the two distinct texts; the repeats come from the cache.
    EXPECT_EQ(sent_segment_ids(stand_in), (std::vector<std::uint64_t>{100, 101}));
    EXPECT_EQ(outcome->calls, 1u);
    EXPECT_EQ(outcome->cache_hits, 2u);
    const std::vector<std::string> expected = {kFiller, kFiller, kFiller, "  \n", "https://example.org/paper", kFiller};
    ASSERT_EQ(outcome->translations.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(outcome->translations[k].translated, expected[k]) << k;
        EXPECT_EQ(outcome->translations[k].id, f.units[k].id) << k;
        EXPECT_EQ(f.document.glyphs[k].disposition, GlyphDisposition::translated_pending_rewrite(expected[k])) << k;
    }
    EXPECT_TRUE(f.document.diagnostics.empty());
}

TEST(TranslationRun, EmptyRunStartsNothing) {
    StandInTranslator stand_in;
    Fixture f({});
    const auto outcome = translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 8);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->translations.empty());
    EXPECT_EQ(outcome->calls, 0u);
    EXPECT_EQ(outcome->cache_hits, 0u);
    EXPECT_TRUE(stand_in.sent().empty());
}

// Every batch is taken by one worker once, whatever the job count, and the
// request counter adds up the workers' own counters.
TEST(TranslationRun, PoolSendsEachBatchOnce) {
    std::vector<std::string> sources;
    for (int i = 0; i < 11; ++i) sources.push_back("Paragraph number " + std::to_string(i) + " of the methods section.");
    for (const unsigned jobs : {1u, 3u, 8u}) {
        StandInTranslator stand_in;
        Fixture f(sources);
        const auto outcome =
            translate_planned_units(f.document, f.units, {}, options_with(2), stand_in.translator(), jobs);
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        std::vector<std::uint64_t> ids = sent_segment_ids(stand_in);
        std::sort(ids.begin(), ids.end());
        std::vector<std::uint64_t> all;
        for (const Segment& unit : f.units) all.push_back(unit.id);
        EXPECT_EQ(ids, all) << "jobs " << jobs;
        EXPECT_EQ(outcome->calls, 6u) << "jobs " << jobs;
        EXPECT_EQ(stand_in.sent().size(), 6u) << "jobs " << jobs;
        // The number in each source travels as a placeholder and comes back.
        for (std::size_t k = 0; k < f.units.size(); ++k)
            EXPECT_EQ(outcome->translations[k].translated, kFiller + std::to_string(k)) << k;
    }
}

// With every request held for a while, the service sees at most one request
// per worker and never more workers than batches; a pool of several workers
// does overlap its requests. Each batch still goes out once and `calls`
// counts exactly the requests the service saw.
TEST(TranslationRun, PoolKeepsItsRequestsInFlightWithinItsSize) {
    struct Case {
        unsigned jobs;
        int units;  // one unit a batch
        std::size_t most;
        std::size_t least;
    };
    const Case cases[] = {{1, 6, 1, 1}, {3, 9, 3, 2}, {8, 3, 3, 2}, {8, 12, 8, 2}};
    test::LlmServer server;
    server.command({{"latency", 0.15}});
    for (const Case& c : cases) {
        StandInTranslator stand_in(server);
        std::vector<std::string> sources;
        for (int i = 0; i < c.units; ++i)
            sources.push_back("Paragraph number " + std::to_string(i) + " of the results section.");
        Fixture f(sources);
        const auto outcome =
            translate_planned_units(f.document, f.units, {}, options_with(1), stand_in.translator(), c.jobs);
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        const nlohmann::json log = server.requests();
        std::size_t peak = 0;
        for (const auto& request : log) peak = std::max<std::size_t>(peak, request.at("in_flight").get<std::size_t>());
        EXPECT_LE(peak, c.most) << "jobs " << c.jobs << ", " << c.units << " batches";
        EXPECT_GE(peak, c.least) << "jobs " << c.jobs << ", " << c.units << " batches";
        EXPECT_EQ(outcome->calls, log.size()) << "jobs " << c.jobs;
        std::vector<std::uint64_t> ids = sent_segment_ids(stand_in);
        std::sort(ids.begin(), ids.end());
        std::vector<std::uint64_t> all;
        for (const Segment& unit : f.units) all.push_back(unit.id);
        EXPECT_EQ(ids, all) << "jobs " << c.jobs;
    }
}

TEST(TranslationRun, BatchFailingTwiceKeepsSourcesWithDiagnostics) {
    StandInTranslator stand_in;
    // Status 400 is not retried: every request of the run fails at once.
    stand_in.script(nlohmann::json(std::vector<nlohmann::json>(40, test::status(400))));
    const std::string long_source = std::string(90, 'w') + " and then some more words here.";
    Fixture f({long_source, kB, long_source});
    const auto outcome = translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 1);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    for (std::size_t k = 0; k < f.units.size(); ++k) EXPECT_EQ(outcome->translations[k].translated, f.units[k].source);
    ASSERT_EQ(f.document.diagnostics.size(), 2u);  // the repeat of a failed text adds none
    const std::string prefix = "left a paragraph unchanged after the translation request failed: ";
    EXPECT_EQ(f.document.diagnostics[0].message.substr(0, prefix.size() + 81),
              prefix + std::string(80, 'w') + " ");
    EXPECT_NE(f.document.diagnostics[0].message.find("(translation failed: LLM HTTP status 400"), std::string::npos);
    EXPECT_EQ(f.document.diagnostics[0].page_index, 0u);
    EXPECT_EQ(outcome->cache_hits, 0u);
}

// A refused key fails every request: the run ends with that error instead of
// returning every paragraph in English as a success.
TEST(TranslationRun, RefusedKeyEndsTheRun) {
    for (const int code : {401, 403}) {
        StandInTranslator stand_in;
        stand_in.script(nlohmann::json(std::vector<nlohmann::json>(40, test::status(code))));
        Fixture f({kA, kB});
        const auto outcome =
            translate_planned_units(f.document, f.units, {}, options_with(1), stand_in.translator(), 2);
        ASSERT_FALSE(outcome.has_value()) << code;
        EXPECT_EQ(outcome.error().display(), "translation failed: LLM HTTP status " + std::to_string(code));
    }
}

// The failing text's cached entry was refused as English; its repeat must
// not take it as an answer when the text's own batch fails.
TEST(TranslationRun, RefusedCheckpointEntryAnswersNoRepeat) {
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json(std::vector<nlohmann::json>(40, test::status(400))));
    TempDir dir;
    const std::string refused = "Sorry, I am unable to translate this passage about calcium waves.";
    const std::string path = dir.write("checkpoint.jsonl", checkpoint_line(kA, "zh", refused) + "\n");
    ScopedEnv checkpoint("ZVK_TRANSLATE_CHECKPOINT", path.c_str());
    Fixture f({kA, kA});
    const auto outcome = translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 1);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    EXPECT_EQ(outcome->translations[0].translated, kA);
    EXPECT_EQ(outcome->translations[1].translated, kA);
    EXPECT_EQ(outcome->cache_hits, 0u);
}

// Answers flagged as the source kept after failed requests reach neither the
// checkpoint nor the repeats, and say why in a diagnostic.
TEST(TranslationRun, FlaggedAnswerIsReportedAndNeverStored) {
    StandInTranslator stand_in;
    stand_in.script(nlohmann::json(std::vector<nlohmann::json>(60, test::blank())));
    TempDir dir;
    const std::string path = dir.file("checkpoint.jsonl");
    ScopedEnv checkpoint("ZVK_TRANSLATE_CHECKPOINT", path.c_str());
    Fixture f({kA, kA});
    const auto outcome = translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 1);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    EXPECT_EQ(outcome->translations[0].translated, kA);
    EXPECT_EQ(outcome->translations[1].translated, kA);
    EXPECT_EQ(outcome->cache_hits, 0u);
    ASSERT_EQ(f.document.diagnostics.size(), 1u);
    EXPECT_EQ(f.document.diagnostics[0].message,
              "left a paragraph unchanged after the translation request failed: " + kA + " (" + kEmptyContent + ")");
    EXPECT_TRUE(test::read_file(path).empty());
}

TEST(TranslationRun, WarmCheckpointSendsNothing) {
    TempDir dir;
    const std::string path = dir.file("checkpoint.jsonl");
    std::vector<std::string> sources;
    for (int i = 0; i < 6; ++i) sources.push_back("Sentence " + std::to_string(i) + " about the model.");
    for (const int run : {1, 2}) {
        StandInTranslator stand_in;
        ScopedEnv checkpoint("ZVK_TRANSLATE_CHECKPOINT", path.c_str());
        Fixture f(sources);
        const auto outcome =
            translate_planned_units(f.document, f.units, {}, options_with(2), stand_in.translator(), 8);
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        EXPECT_EQ(outcome->calls, run == 1 ? 3u : 0u) << run;
        EXPECT_EQ(outcome->cache_hits, run == 1 ? 0u : 6u) << run;
        for (std::size_t k = 0; k < f.units.size(); ++k)
            EXPECT_EQ(outcome->translations[k].translated, kFiller + std::to_string(k)) << run << " " << k;
    }
}

// A paragraph whose batch answer still reads as English is sent alone; its
// new text reaches every unit of that text except those in a reference
// section, which keep their source.
TEST(TranslationRun, StillEnglishParagraphSentAlone) {
    for (const unsigned jobs : {1u, 4u}) {
        StandInTranslator stand_in;
        const std::string english = "An entirely different English sentence that the model gave back instead.";
        // The batch request and its repeat for copied English both answer in
        // English, and the batch's own repairs of each paragraph (by
        // sentences, then independently) fail; every later request gets the
        // stand-in's translation.
        const auto in_english = test::says(test::answer_json({{100, english}, {101, english}}));
        stand_in.script(nlohmann::json::array({in_english, in_english, test::status(400), test::status(400),
                                               test::status(400), test::status(400)}));
        Fixture f({kA, kB, kA, kA});
        const std::unordered_set<std::uint32_t> references = {2};  // unit 2's glyph
        const auto outcome =
            translate_planned_units(f.document, f.units, references, options_with(8), stand_in.translator(), jobs);
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        const std::vector<std::string> expected = {kFiller, kFiller, kA, kFiller};
        for (std::size_t k = 0; k < expected.size(); ++k)
            EXPECT_EQ(outcome->translations[k].translated, expected[k]) << "jobs " << jobs << " unit " << k;
        // Two batch requests, four failed repairs, then one request for each
        // of the two paragraphs alone.
        EXPECT_EQ(outcome->calls, 8u) << jobs;
        const auto sent = stand_in.sent();
        ASSERT_EQ(sent.size(), 8u) << jobs;
        std::multiset<std::string> alone;
        for (std::size_t r = 6; r < sent.size(); ++r) {
            ASSERT_EQ(sent[r].user.at("segments").size(), 1u) << jobs;
            alone.insert(sent[r].user.at("segments")[0].at("text").get<std::string>());
        }
        EXPECT_EQ(alone, (std::multiset<std::string>{kA, kB})) << jobs;
        EXPECT_EQ(f.document.glyphs[2].disposition, GlyphDisposition::pending()) << jobs;
    }
}

// The whole stage on an extracted page: prose translated, the reference
// section left as it was with its glyphs kept as references, and a margin
// note kept with segmentation's reason.
TEST(TranslationRun, DocumentWithReferences) {
    const std::string prose = "This section describes the data that we used";
    const std::vector<test::PlacedLine> lines = {
        {0, 72, 720, prose},
        {0, 72, 660, "References", 12, true},
        {0, 72, 630, "[1] A. Author, A study of many things, 2019."},
        {0, 72, 600, "[2] B. Writer, Another study of things, 2020."},
        {0, 20, 300, "arXiv:2101.00001v1 [cs.LG] 1 Jan 2021", 10, false, true},
    };
    auto doc = test::extract_placed_lines(lines);
    ASSERT_TRUE(doc);
    StandInTranslator stand_in;
    const auto outcome = translate_document(doc->extraction, options_with(8), stand_in.translator(), 4);
    ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
    ASSERT_EQ(outcome->translations.size(), 4u);
    EXPECT_EQ(outcome->translations[0].translated, kFiller);
    for (std::size_t k = 1; k < 4; ++k) {
        EXPECT_EQ(outcome->translations[k].translated, outcome->translations[k].source) << k;
    }
    EXPECT_EQ(sent_segment_ids(stand_in), (std::vector<std::uint64_t>{outcome->translations[0].id}));
    EXPECT_EQ(outcome->calls, 1u);
    for (const Glyph& g : doc->extraction.glyphs) {
        const std::size_t line = doc->line_of[g.id];
        if (line == 0) {
            EXPECT_EQ(g.disposition, GlyphDisposition::translated_pending_rewrite(kFiller)) << g.id;
        } else if (line == 4) {
            EXPECT_EQ(g.disposition, GlyphDisposition::kept_original("margin")) << g.id;
        } else if (g.unicode != " ") {
            EXPECT_EQ(g.disposition, GlyphDisposition::kept_original("references")) << g.id;
        }
    }
}

struct MathCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> glyphs;  // (font name, text)
    bool mostly_math;
};

std::vector<std::pair<std::string, std::string>> repeat(int count, const std::string& font, const std::string& text) {
    return std::vector<std::pair<std::string, std::string>>(count, {font, text});
}

std::vector<std::pair<std::string, std::string>> operator+(std::vector<std::pair<std::string, std::string>> a,
                                                          const std::vector<std::pair<std::string, std::string>>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<MathCase> kMathCases = {
    {"four math glyphs, three letters", repeat(4, "CMMI10", "x") + repeat(3, "Times", "a"), true},
    {"four math glyphs, four letters", repeat(4, "CMMI10", "x") + repeat(4, "Times", "a"), false},
    {"eight letters outweigh any math", repeat(20, "CMSY10", "x") + repeat(8, "Times", "a"), false},
    {"two math glyphs are too few", repeat(2, "CMMI10", "x"), false},
    {"markers in a math font are letters", repeat(3, "CMMI10", "\xe2\x80\xa0") + repeat(3, "CMMI10", "*"), false},
    {"symbol fonts count as math", repeat(3, "Symbol", "a"), true},
    {"a blank math glyph counts as math", repeat(3, "CambriaMath", " "), true},
    {"letters counted per glyph text", repeat(3, "STIXGeneral", "x") + repeat(1, "Times", "abc"), false},
};

// The still-English pass's answers are final, so they go to the checkpoint
// like batch answers: a second run finds every paragraph there and sends
// nothing.
TEST(TranslationRun, StillEnglishPassAnswersReachTheCheckpoint) {
    TempDir dir;
    const std::string path = dir.file("checkpoint.jsonl");
    const std::string english = "An entirely different English sentence that the model gave back instead.";
    const auto in_english = test::says(test::answer_json({{100, english}, {101, english}}));
    for (const int run : {1, 2}) {
        StandInTranslator stand_in;  // clears the ZVK_ variables while it lives
        ScopedEnv checkpoint("ZVK_TRANSLATE_CHECKPOINT", path.c_str());
        if (run == 1)
            stand_in.script(nlohmann::json::array({in_english, in_english, test::status(400), test::status(400),
                                                   test::status(400), test::status(400)}));
        Fixture f({kA, kB, kA});
        const auto outcome =
            translate_planned_units(f.document, f.units, {}, options_with(8), stand_in.translator(), 4);
        ASSERT_TRUE(outcome.has_value()) << outcome.error().display();
        for (std::size_t k = 0; k < f.units.size(); ++k)
            EXPECT_EQ(outcome->translations[k].translated, kFiller) << "run " << run << " unit " << k;
        EXPECT_EQ(outcome->calls, run == 1 ? 8u : 0u) << run;
        if (run == 2) {
            EXPECT_EQ(outcome->cache_hits, 3u);
        }
    }
    std::unordered_map<std::string, std::string> last;
    for (const CheckpointEntry& entry : read_checkpoint_entries(test::read_file(path), options_with(8).target_lang))
        last[entry.source] = entry.translated;
    EXPECT_EQ(last, (std::unordered_map<std::string, std::string>{{kA, kFiller}, {kB, kFiller}}));
}

TEST(TranslationRun, MostlyMathUnits) {
    for (const MathCase& c : kMathCases) {
        std::vector<Glyph> glyphs;
        Segment unit;
        std::unordered_map<std::uint32_t, std::size_t> index;
        for (std::size_t i = 0; i < c.glyphs.size(); ++i) {
            Glyph glyph;
            glyph.id = static_cast<std::uint32_t>(50 + i);
            glyph.font_name = c.glyphs[i].first;
            glyph.unicode = c.glyphs[i].second;
            index.emplace(glyph.id, i);
            glyphs.push_back(glyph);
            unit.glyph_ids.push_back(glyph.id);
        }
        unit.glyph_ids.push_back(9999);  // found by no glyph: skipped
        EXPECT_EQ(is_mostly_math_unit(unit, glyphs, index), c.mostly_math) << c.name;
    }
}

}  // namespace
}  // namespace zvk

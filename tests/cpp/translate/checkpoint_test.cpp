// The checkpoint file: which lines a run takes, what an append writes, and
// that concurrent and interrupted appends never cost a whole line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "translate/answer_quality.h"
#include "translate/checkpoint.h"
#include "translate/comma_lists.h"
#include "translate/normalize.h"

namespace zvk {
namespace {

using test::read_file;
using test::ScopedEnv;
using test::TempDir;

constexpr const char* kVariable = "ZVK_TRANSLATE_CHECKPOINT";

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<Segment> units_of(const std::vector<std::string>& sources) {
    std::vector<Segment> units(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        units[i].source = sources[i];
        units[i].id = static_cast<std::uint32_t>(i);
    }
    return units;
}

// An answer that a request gave (not a source kept after failures).
BatchAnswer answer(std::size_t unit_index, std::string translated) {
    BatchAnswer made;
    made.unit_index = unit_index;
    made.translated = std::move(translated);
    return made;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries pairs_of(const std::vector<CheckpointEntry>& entries) {
    Entries pairs;
    for (const CheckpointEntry& entry : entries) pairs.emplace_back(entry.source, entry.translated);
    return pairs;
}

TEST(CheckpointLine, CompactWithKeysInByteOrder) {
    EXPECT_EQ(checkpoint_line("Intro \"x\"", "zh", "引言\n"),
              R"({"source":"Intro \"x\"","target_lang":"zh","translated":"引言\n"})");
}

TEST(CheckpointRead, LinesTakenAndSkipped) {
    const std::string a = R"({"source":"A","translated":"甲"})";
    const std::string b = R"({"source":"B","target_lang":"zh","translated":"乙"})";
    struct Row {
        const char* name;
        std::string text;
        Entries expected;
    };
    const std::vector<Row> rows = {
        {"plain lines", a + "\n" + b + "\n", {{"A", "甲"}, {"B", "乙"}}},
        {"no final line break", a + "\n" + b, {{"A", "甲"}, {"B", "乙"}}},
        {"crlf line ends", a + "\r\n" + b + "\r\n", {{"A", "甲"}, {"B", "乙"}}},
        {"last line keeps its cr", a + "\n" + b + "\r", {{"A", "甲"}, {"B", "乙"}}},
        {"translated is a number", R"({"source":"N","translated":5})" "\n" + a + "\n", {{"A", "甲"}}},
        {"source is missing", R"({"translated":"丙"})" "\n" + a + "\n", {{"A", "甲"}}},
        {"third member is ignored", R"({"extra":[1,2],"source":"C","translated":"丙"})" "\n",
         {{"C", "丙"}}},
        {"white space around the value", "  " + a + " \t\n", {{"A", "甲"}}},
        {"repeated source, both in file order",
         R"({"source":"A","translated":"一"})" "\n" + a + "\n", {{"A", "一"}, {"A", "甲"}}},
        {"not an object", "[\"A\",\"甲\"]\n\"A\"\n" + b + "\n", {{"B", "乙"}}},
        {"two values on one line", a + a + "\n" + b + "\n", {{"B", "乙"}}},
        {"empty and blank lines", "\n\n \n" + a + "\n\n", {{"A", "甲"}}},
        {"a bad byte costs only its line",
         a + "\n" R"({"source":"X)" "\xff" R"(","translated":"丁"})" "\n" + b + "\n",
         {{"A", "甲"}, {"B", "乙"}}},
        {"a bad byte outside the strings",
         a + "\n\xc3\n" + b + "\n", {{"A", "甲"}, {"B", "乙"}}},
        {"torn last line", a + "\n" + b + "\n" R"({"source":"C","transl)", {{"A", "甲"}, {"B", "乙"}}},
        {"another target is skipped",
         a + "\n" R"({"source":"C","target_lang":"ja","translated":"ハ"})" "\n" + b + "\n",
         {{"A", "甲"}, {"B", "乙"}}},
        {"target compared as exact bytes",
         R"({"source":"C","target_lang":"ZH","translated":"丙"})" "\n", {}},
        {"target that is no string",
         R"({"source":"C","target_lang":null,"translated":"丙"})" "\n" + a + "\n", {{"A", "甲"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pairs_of(read_checkpoint_entries(row.text, "zh")), row.expected);
    }
}

TEST(CheckpointRead, CrlfReadsLikeLf) {
    const std::string lf = R"({"source":"A\r","translated":"甲"})" "\n"
                           R"({"source":"B","target_lang":"zh","translated":"乙"})" "\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    Entries expected = {{"A\r", "甲"}, {"B", "乙"}};
    EXPECT_EQ(pairs_of(read_checkpoint_entries(lf, "zh")), expected);
    EXPECT_EQ(pairs_of(read_checkpoint_entries(crlf, "zh")), expected);
}

TEST(CheckpointRead, LinesWithoutTargetServeEveryTarget) {
    const std::string text = R"({"source":"A","translated":"甲"})" "\n"
                             R"({"source":"B","target_lang":"ja","translated":"ビ"})" "\n"
                             R"({"source":"C","target_lang":"zh","translated":"丙"})" "\n";
    EXPECT_EQ(pairs_of(read_checkpoint_entries(text, "zh")), (Entries{{"A", "甲"}, {"C", "丙"}}));
    EXPECT_EQ(pairs_of(read_checkpoint_entries(text, "ja")), (Entries{{"A", "甲"}, {"B", "ビ"}}));
    EXPECT_EQ(pairs_of(read_checkpoint_entries(text, "fr")), (Entries{{"A", "甲"}}));
}

TEST(CheckpointAppend, WritesOneLinePerAnswerReadBackForItsTarget) {
    TempDir dir;
    const std::string path = dir.file("cp.jsonl");
    ScopedEnv env(kVariable, path.c_str());
    std::vector<Segment> units = units_of({"Introduction", "Methods", "Results"});
    std::vector<BatchAnswer> answers = {answer(2, "结果"), answer(0, "引言")};
    append_checkpoint(units, answers, "zh");
    EXPECT_EQ(read_file(path), checkpoint_line("Results", "zh", "结果") + "\n" +
                                   checkpoint_line("Introduction", "zh", "引言") + "\n");
    EXPECT_EQ(pairs_of(read_checkpoint_entries(read_file(path), "zh")),
              (Entries{{"Results", "结果"}, {"Introduction", "引言"}}));
    EXPECT_TRUE(read_checkpoint_entries(read_file(path), "ja").empty());
}

TEST(CheckpointAppend, NewFileTakesTheCreationMask) {
    TempDir dir;
    const std::string path = dir.file("cp.jsonl");
    ScopedEnv env(kVariable, path.c_str());
    mode_t old_mask = ::umask(027);
    append_checkpoint(units_of({"A"}), std::vector<BatchAnswer>{answer(0, "甲")}, "zh");
    ::umask(old_mask);
    struct stat info{};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// Whatever the file holds before, its whole lines and the new ones are read
// back; an interrupted line never swallows the first new entry.
TEST(CheckpointAppend, AfterEachStateOfTheFile) {
    const std::string whole = checkpoint_line("A", "zh", "甲") + "\n";
    const std::string torn = R"({"source":"T","translated":"截)";
    struct Row {
        const char* name;
        std::optional<std::string> before;  // nullopt: no file yet
        Entries expected;
        std::string expected_prefix;  // the file's text before the new block
    };
    const std::vector<Row> rows = {
        {"missing file", std::nullopt, {{"B", "乙"}, {"C", "丙"}}, ""},
        {"empty file", "", {{"B", "乙"}, {"C", "丙"}}, ""},
        {"whole lines", whole, {{"A", "甲"}, {"B", "乙"}, {"C", "丙"}}, whole},
        {"torn last line", whole + torn, {{"A", "甲"}, {"B", "乙"}, {"C", "丙"}}, whole + torn + "\n"},
        {"torn only line", torn, {{"B", "乙"}, {"C", "丙"}}, torn + "\n"},
        {"whole last line without break", whole + whole.substr(0, whole.size() - 1),
         {{"A", "甲"}, {"A", "甲"}, {"B", "乙"}, {"C", "丙"}}, whole + whole},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string path = dir.file("cp.jsonl");
        if (row.before) dir.write("cp.jsonl", *row.before);
        ScopedEnv env(kVariable, path.c_str());
        append_checkpoint(units_of({"B", "C"}), std::vector<BatchAnswer>{answer(0, "乙"), answer(1, "丙")}, "zh");
        const std::string text = read_file(path);
        EXPECT_EQ(pairs_of(read_checkpoint_entries(text, "zh")), row.expected);
        EXPECT_EQ(text, row.expected_prefix + checkpoint_line("B", "zh", "乙") + "\n" +
                            checkpoint_line("C", "zh", "丙") + "\n");
    }
}

// A file we may append to but not read: its last byte is unknown, so a line
// break goes first (an empty line is skipped when read, a glued one is lost).
TEST(CheckpointAppend, WriteOnlyFileStartsOnAFreshLine) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const std::string whole = checkpoint_line("A", "zh", "甲") + "\n";
    const std::string path = dir.write("cp.jsonl", whole + R"({"source":"T)");
    ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
    ScopedEnv env(kVariable, path.c_str());
    append_checkpoint(units_of({"B"}), std::vector<BatchAnswer>{answer(0, "乙")}, "zh");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(pairs_of(read_checkpoint_entries(read_file(path), "zh")), (Entries{{"A", "甲"}, {"B", "乙"}}));
}

TEST(CheckpointAppend, SourceKeptAnswersLeaveNoLine) {
    TempDir dir;
    const std::string path = dir.file("cp.jsonl");
    ScopedEnv env(kVariable, path.c_str());
    std::vector<Segment> units = units_of({"Introduction", "Methods", "Results"});

    BatchAnswer kept{1, "Methods", true, "translation failed: LLM HTTP status 400"};
    append_checkpoint(units, std::vector<BatchAnswer>{answer(0, "引言"), kept, answer(2, "结果")}, "zh");
    EXPECT_EQ(pairs_of(read_checkpoint_entries(read_file(path), "zh")),
              (Entries{{"Introduction", "引言"}, {"Results", "结果"}}));

    // A batch of nothing but kept sources, or no answers at all, writes nothing.
    const std::string before = read_file(path);
    append_checkpoint(units, std::vector<BatchAnswer>{kept}, "zh");
    append_checkpoint(units, std::vector<BatchAnswer>{}, "zh");
    EXPECT_EQ(read_file(path), before);

    TempDir other;
    ScopedEnv other_env(kVariable, other.file("cp.jsonl").c_str());
    append_checkpoint(units, std::vector<BatchAnswer>{kept}, "zh");
    EXPECT_FALSE(std::filesystem::exists(other.file("cp.jsonl")));
}

// Nothing is written, nothing fails: unset, empty, or a directory that is not
// there. The working directory is a fresh one, so a stray file would show.
TEST(CheckpointAppend, NoPathOrNoDirectoryWritesNothing) {
    TempDir dir;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string missing = dir.file("no-such-dir/cp.jsonl");
    struct Row {
        const char* name;
        const char* value;
    };
    const std::vector<Row> rows = {{"unset", nullptr}, {"empty", ""}, {"missing directory", missing.c_str()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv env(kVariable, row.value);
        append_checkpoint(units_of({"A"}), std::vector<BatchAnswer>{answer(0, "甲")}, "zh");
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
    std::filesystem::current_path(previous);
}

// Eight workers append batches at once; every batch stays one uninterrupted
// block of whole lines. Long texts make each block many pages of the file.
TEST(CheckpointAppend, ConcurrentBatchesStayWholeBlocks) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 12;
    constexpr int kPerBatch = 10;
    TempDir dir;
    const std::string path = dir.file("cp.jsonl");
    ScopedEnv env(kVariable, path.c_str());
    const std::string filler(3000, 'x');

    std::vector<std::vector<Segment>> units(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        std::vector<std::string> sources;
        for (int i = 0; i < kPerBatch; ++i) {
            sources.push_back("t" + std::to_string(t) + " i" + std::to_string(i) + " " + filler);
        }
        units[t] = units_of(sources);
    }
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                std::vector<BatchAnswer> answers;
                for (int i = 0; i < kPerBatch; ++i) {
                    answers.push_back(answer(static_cast<std::size_t>(i), "r" + std::to_string(round) + " 译" + filler));
                }
                append_checkpoint(units[t], answers, "zh");
            }
        });
    }
    for (std::thread& worker : workers) worker.join();

    const std::string text = read_file(path);
    ASSERT_TRUE(text.ends_with('\n'));
    const std::vector<std::string> lines = split_lines(text);
    const std::vector<CheckpointEntry> entries = read_checkpoint_entries(text, "zh");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kRounds * kPerBatch));
    ASSERT_EQ(entries.size(), lines.size());  // every line whole
    std::vector<int> rounds_seen(kThreads, 0);
    for (std::size_t block = 0; block < entries.size(); block += kPerBatch) {
        const std::string thread_tag = entries[block].source.substr(0, entries[block].source.find(' '));
        const int t = std::stoi(thread_tag.substr(1));
        const std::string round_tag = "r" + std::to_string(rounds_seen[t]++) + " ";
        for (int i = 0; i < kPerBatch; ++i) {
            const CheckpointEntry& entry = entries[block + i];
            EXPECT_TRUE(entry.source.starts_with(thread_tag + " i" + std::to_string(i) + " "))
                << "line " << block + i;
            EXPECT_TRUE(entry.translated.starts_with(round_tag)) << "line " << block + i;
        }
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(rounds_seen[t], kRounds);
}

TEST(LoadCheckpointCache, WhenTheFileIsReadAndWhatItGives) {
    const std::string a = checkpoint_line("A", "zh", "甲") + "\n";
    const std::string a_again = checkpoint_line("A", "zh", "甲二") + "\n";
    const std::string b = R"({"source":"B","translated":"乙"})" "\n";
    const std::string ja = checkpoint_line("C", "ja", "シ") + "\n";
    struct Row {
        const char* name;
        std::optional<std::string> file;  // nullopt: the path names nothing
        bool read;
        TranslationCache expected;
    };
    const std::vector<Row> rows = {
        {"missing file", std::nullopt, false, {{"old", "旧"}}},
        {"whole lines", a + b, true, {{"old", "旧"}, {"A", "甲"}, {"B", "乙"}}},
        {"later line wins", a + b + a_again, true, {{"old", "旧"}, {"A", "甲二"}, {"B", "乙"}}},
        {"replaces what the cache held", checkpoint_line("old", "zh", "新") + "\n", true, {{"old", "新"}}},
        {"one bad byte costs one line", a + "{\"source\":\"X\xfe\",\"translated\":\"戊\"}\n" + b, true,
         {{"old", "旧"}, {"A", "甲"}, {"B", "乙"}}},
        {"another target", ja + b, true, {{"old", "旧"}, {"B", "乙"}}},
        {"no usable line is still a read file", "not json\n" + ja, true, {{"old", "旧"}}},
        {"empty file", "", true, {{"old", "旧"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        if (row.file) dir.write("cp.jsonl", *row.file);
        ScopedEnv env(kVariable, dir.file("cp.jsonl").c_str());
        TranslationCache cache = {{"old", "旧"}};
        EXPECT_EQ(load_checkpoint_cache(cache, "zh"), row.read);
        EXPECT_EQ(cache, row.expected);
    }
}

TEST(LoadCheckpointCache, NoPathNoDirectoryNoFile) {
    TempDir dir;
    dir.write("cp.jsonl", checkpoint_line("A", "zh", "甲") + "\n");
    const std::string folder = dir.path().string();
    struct Row {
        const char* name;
        const char* value;
    };
    const std::vector<Row> rows = {{"unset", nullptr}, {"empty", ""}, {"a directory", folder.c_str()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv env(kVariable, row.value);
        TranslationCache cache;
        EXPECT_FALSE(load_checkpoint_cache(cache, "zh"));
        EXPECT_TRUE(cache.empty());
    }
}

// One run appends, the next reads: the stored text is normalised again on
// the way in.
TEST(LoadCheckpointCache, ReadsWhatAnEarlierRunAppended) {
    TempDir dir;
    ScopedEnv env(kVariable, dir.file("cp.jsonl").c_str());
    const std::string raw = "这是 part 的一个";
    ASSERT_NE(normalize_translated_text(raw), raw);
    append_checkpoint(units_of({"This is a part", "Results"}),
                      std::vector<BatchAnswer>{answer(0, raw), answer(1, "结果")}, "zh");
    TranslationCache cache;
    ASSERT_TRUE(load_checkpoint_cache(cache, "zh"));
    EXPECT_EQ(cache, (TranslationCache{{"This is a part", normalize_translated_text(raw)}, {"Results", "结果"}}));
    TranslationCache other_target;
    ASSERT_TRUE(load_checkpoint_cache(other_target, "ja"));
    EXPECT_TRUE(other_target.empty());
}

// The answer tests' own verdicts are checked first, so each row shows which
// rule of the acceptance decides.
TEST(AcceptCachedTranslation, CountOfCjkCharactersThenTheAnswerTests) {
    const std::string fruit = "apples, pears, plums, figs, limes, dates, kiwis";
    struct Row {
        const char* name;
        std::string source;
        std::string cached;
        bool problem;     // has_quality_problem reports one
        bool still_english;
        bool lost;        // list_items_lost
        bool accepted;
    };
    const std::vector<Row> rows = {
        // A gap between ideographs is a quality problem; the full stop is the
        // eighth CJK character, from the punctuation block.
        {"8 CJK characters outweigh a problem", "We studied the problem", "我们 研究了问题。", true, false, false,
         true},
        {"7 CJK characters and a problem", "We studied the problem", "我们 研究了问题", true, false, false,
         false},
        {"8 with kana and full-width forms", "We studied the problem", "我们 研究カナ１２", true, false, false,
         true},
        {"few CJK characters, no problem", "Introduction", "引言", false, false, false, true},
        {"copied English", "We describe the method in detail here", "We describe the method in detail here",
         false, true, false, false},
        {"only dots", "We describe the method", "...", false, true, false, false},
        {"list items lost despite many CJK characters", fruit, "苹果、梨、李子、无花果、青柠", true, false, true,
         false},
        {"list kept", fruit, "苹果、梨、李子、无花果、青柠、枣、猕猴桃", false, false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(has_quality_problem(row.source, row.cached) > 0, row.problem);
        ASSERT_EQ(is_still_english(row.source, row.cached), row.still_english);
        ASSERT_EQ(list_items_lost(row.source, row.cached), row.lost);
        EXPECT_EQ(accept_cached_translation(row.source, row.cached), row.accepted);
    }
}

}  // namespace
}  // namespace zvk

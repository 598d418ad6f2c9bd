// Reading translators' answers: the shapes accepted, the refusals with their
// messages, ids kept whole, and answers built to cost time or memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/peak_memory.h"
#include "translate/answers.h"

namespace zvk {
namespace {

using Items = std::vector<AnswerItem>;

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(ParseTranslationAnswer, AcceptedShapes) {
    const Items one = {{0, "你好"}};
    const Items two = {{0, "甲"}, {1, "乙"}};
    struct Row {
        const char* name;
        std::string answer;
        Items want;
    };
    const Row rows[] = {
        {"plain object", R"({"translations":[{"id":0,"text":"你好"}]})", one},
        {"white space around", "\u3000\n " R"({"translations":[{"id":0,"text":"你好"}]})" " \n", one},
        {"fence with json tag", "```json\r\n{\"translations\":[{\"id\":0,\"text\":\"你好\"}]}\n```", one},
        {"fence with JSON tag", "```JSON\n{\"translations\":[{\"id\":0,\"text\":\"你好\"}]}```", one},
        {"fence without tag", "```\n{\"translations\":[{\"id\":0,\"text\":\"你好\"}]}\n```", one},
        {"prose before", "Here is the translation: {\"translations\":[{\"id\":0,\"text\":\"你好\"}]}", one},
        {"prose before a bracket", "Sure: [{\"id\":0,\"text\":\"你好\"}]", one},
        {"bare array", R"([{"id":0,"text":"甲"},{"id":1,"text":"乙"}])", two},
        {"item objects one after another", "{\"id\":0,\"text\":\"甲\"}\n{\"id\":1,\"text\":\"乙\"}", two},
        {"remark with a brace after the object",
         R"({"translations":[{"id":0,"text":"你好"}]} Note: kept {name} as is.)", one},
        {"second value qualifies", R"({"note":1} {"translations":[{"id":0,"text":"你好"}]})", one},
        {"array before translations object", R"([{"id":1,"text":"乙"}] {"translations":[]})", {{1, "乙"}}},
        {"translation member", R"({"translations":[{"id":0,"translation":"你好"}]})", one},
        {"text before translation", R"({"translations":[{"id":0,"translation":"x","text":"你好"}]})", one},
        {"text not a string falls back", R"({"translations":[{"id":0,"text":7,"translation":"你好"}]})", one},
        {"other members pass", R"({"translations":[{"id":0,"text":"你好","extra":[1,2]}],"model":"m"})", one},
        {"ids unmatched and repeated pass", R"([{"id":9,"text":"a"},{"id":9,"text":"b"}])", {{9, "a"}, {9, "b"}}},
        {"empty items", R"({"translations":[]})", {}},
        {"id beyond 32 bits kept whole", R"({"translations":[{"id":4294967299,"text":"x"}]})", {{4294967299u, "x"}}},
        {"largest id", R"([{"id":18446744073709551615,"text":"x"}])", {{18446744073709551615u, "x"}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto items = parse_translation_answer(r.answer);
        ASSERT_TRUE(items.has_value()) << items.error().display();
        EXPECT_EQ(*items, r.want);
    }
}

TEST(ParseTranslationAnswer, RefusedShapes) {
    struct Row {
        const char* name;
        std::string answer;
        std::string want;  // the error's display text
    };
    const std::string no_object = "translation failed: model response did not contain a JSON translation object";
    const std::string no_array = "translation failed: translation JSON has no translations array";
    const std::string no_id = "translation failed: translation item missing id";
    const Row rows[] = {
        {"no brace or bracket", "I cannot translate this.", no_object},
        {"empty", "   ", no_object},
        {"opening without closing", "Result: {\"translations\": [", no_object},
        {"closing only before the opening", "} then {", no_object},
        {"broken first value", R"({"translations":[{"id":0,"text":"x"}])",
         "translation failed: invalid translation JSON: EOF while parsing an object at line 1 column 37"},
        {"broken after prose", "Answer: {\"translations\" [] }",
         "translation failed: invalid translation JSON: expected `:` at line 1 column 17"},
        // The first opening character starts the JSON, even one in the prose.
        {"bracket in the prose", "Sure [see below]: [{\"id\":0,\"text\":\"x\"}]",
         "translation failed: invalid translation JSON: expected value at line 1 column 2"},
        {"object without items", R"({"result":"x"})", no_array},
        {"translations not an array", R"({"translations":{"id":0,"text":"x"}})", no_array},
        {"some values without id", "{\"id\":0,\"text\":\"a\"} {\"text\":\"b\"}", no_array},
        {"id as a string", R"({"translations":[{"id":"3","text":"x"}]})", no_id},
        {"negative id", R"({"translations":[{"id":-1,"text":"x"}]})", no_id},
        {"fractional id", R"({"translations":[{"id":1.0,"text":"x"}]})", no_id},
        {"exponent id", R"({"translations":[{"id":1e2,"text":"x"}]})", no_id},
        {"id past 64 bits", R"({"translations":[{"id":18446744073709551619,"text":"x"}]})", no_id},
        {"item not an object", R"({"translations":["x"]})", no_id},
        {"item without id", R"({"translations":[{"text":"x"}]})", no_id},
        {"text a number", R"({"translations":[{"id":3,"text":7}]})",
         "translation failed: translation item 3 missing text"},
        {"missing text names the whole id", R"([{"id":4294967299}])",
         "translation failed: translation item 4294967299 missing text"},
        {"first bad item of loose objects", "{\"id\":0,\"text\":\"a\"}{\"id\":5}{\"id\":\"x\"}",
         "translation failed: translation item 5 missing text"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto items = parse_translation_answer(r.answer);
        ASSERT_FALSE(items.has_value());
        EXPECT_EQ(items.error().kind(), CoreError::Kind::Translation);
        EXPECT_EQ(items.error().display(), r.want);
    }
}

TEST(ParseTranslationAnswer, NestingLimit) {
    // 128 levels are read; the 129th is refused by the reader, not by the stack.
    const std::string deep128 = "{\"translations\":[{\"id\":0,\"text\":\"x\",\"n\":" + repeat("[", 125) +
                                repeat("]", 125) + "}]}";
    auto ok = parse_translation_answer(deep128);
    ASSERT_TRUE(ok.has_value()) << ok.error().display();
    EXPECT_EQ(*ok, (Items{{0, "x"}}));
    const std::string deep129 = "{\"translations\":[{\"id\":0,\"text\":\"x\",\"n\":" + repeat("[", 126) +
                                repeat("]", 126) + "}]}";
    auto refused = parse_translation_answer(deep129);
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error().display(),
              "translation failed: invalid translation JSON: recursion limit exceeded at line 1 column 166");
}

// A megabyte or more of each hostile pattern parses at once and without
// building a tree per value.
TEST(ParseTranslationAnswer, HostileAnswers) {
    constexpr std::size_t kBytes = 1 << 20;
    struct Row {
        const char* name;
        std::string answer;
        std::string want;  // display text, or "" for success
    };
    const Row rows[] = {
        {"open braces", repeat("{", kBytes),
         "translation failed: invalid translation JSON: key must be a string at line 1 column 2"},
        {"open brackets", repeat("[", kBytes),
         "translation failed: invalid translation JSON: recursion limit exceeded at line 1 column 129"},
        {"prose braces", "x" + repeat("{x", kBytes / 2), "translation failed: model response did not contain a JSON translation object"},
        {"empty arrays", repeat("[]", kBytes / 2), ""},
        {"backticks", repeat("`", kBytes), "translation failed: model response did not contain a JSON translation object"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto items = parse_translation_answer(r.answer);
        EXPECT_EQ(items ? std::string() : items.error().display(), r.want);
    }

    // Millions of empty objects are read one by one and dropped.
    const std::string empties = repeat("{}", 4u << 20);
    test::PeakGrowth growth;
    const bool measured = growth.start();
    auto items = parse_translation_answer(empties);
    ASSERT_FALSE(items.has_value());
    EXPECT_EQ(items.error().display(), "translation failed: translation JSON has no translations array");
    if (measured) {
        EXPECT_TRUE(growth.within(32 * 1024)) << growth.kib() << " KiB";
    }

    // Loose item objects are kept as items, not as trees.
    const std::string loose = repeat("{\"id\":1,\"text\":\"a\"}", 50000);
    auto loose_items = parse_translation_answer(loose);
    ASSERT_TRUE(loose_items.has_value());
    EXPECT_EQ(loose_items->size(), 50000u);
}

}  // namespace
}  // namespace zvk

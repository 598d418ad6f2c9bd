// Splitting lines near their middle and up to a wanted count.
#include "layout/split_lines.h"

#include <gtest/gtest.h>

#include <optional>

namespace zvk {
namespace {

std::string join_split(std::string_view line) {
    const auto halves = split_line_near_middle(line);
    return halves ? halves->first + "|" + halves->second : "none";
}

TEST(SplitLineNearMiddle, Table) {
    struct Case {
        const char* name;
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"ten cjk characters", "甲乙丙丁戊己庚辛壬癸", "甲乙丙丁戊|己庚辛壬癸"},
        {"nine cjk characters", "甲乙丙丁戊己庚辛壬", "甲乙丙丁|戊己庚辛壬"},
        // 我们 straddles the middle cut (4): the cuts at 3 and 5 tie, 3 wins.
        {"middle cut forbidden", "甲乙丙我们己庚辛", "甲乙丙|我们己庚辛"},
        {"english near the middle space", "hello world again", "hello |world again"},
        {"english tie goes earlier", "abc def", "abc| def"},
        {"one long word", "internationalization", "none"},
        {"capitalised phrase", "New York Times", "none"},
        {"placeholder in the middle", "甲乙⟦0⟧丙丁", "甲乙|⟦0⟧丙丁"},
        {"single character", "甲", "none"},
        {"empty", "", "none"},
        {"url kept whole", "看https://example.org/abc", "看|https://example.org/abc"},
        {"decimal number", "长98.5%甲乙丙", "长98.5|%甲乙丙"},
    };
    for (const Case& c : cases) EXPECT_EQ(join_split(c.line), c.expected) << c.name;
}

TEST(SplitLinesToCount, Table) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        Lines lines;
        std::size_t wanted;
        Lines expected;
    };
    const Case cases[] = {
        {"tie goes to the later line", {"甲乙丙丁戊己庚辛", "子丑寅卯辰巳午未"}, 3,
         {"甲乙丙丁戊己庚辛", "子丑寅卯", "辰巳午未"}},
        {"longest line first", {"甲乙丙丁", "子丑寅卯辰巳午未"}, 3, {"甲乙丙丁", "子丑寅卯", "辰巳午未"}},
        {"repeated splits", {"甲乙丙丁戊己庚辛"}, 4, {"甲乙", "丙丁", "戊己", "庚辛"}},
        {"unsplittable lines", {"abcdef", "ghijkl"}, 4, {"abcdef", "ghijkl"}},
        {"splits until nothing can", {"甲乙", "abc"}, 5, {"甲", "乙", "abc"}},
        {"empty list", {}, 3, {}},
        {"enough lines already", {"甲乙丙丁", "子丑"}, 2, {"甲乙丙丁", "子丑"}},
        {"unsplittable first line is passed over", {"abcdefghij", "甲乙", "丙丁戊"}, 4,
         {"abcdefghij", "甲乙", "丙", "丁戊"}},
    };
    for (const Case& c : cases) {
        Lines lines = c.lines;
        EXPECT_EQ(split_lines_to_count(lines, c.wanted), c.expected) << c.name;
    }
}

TEST(LongestSplittableLine, SkipsUnsplittableAndEarlierLines) {
    const std::vector<std::string> lines = {"甲乙丙丁戊己", "abcdefghijklmnop", "甲乙丙"};
    const std::optional<SplittableLine> from_start = longest_splittable_line(lines, 0);
    ASSERT_TRUE(from_start);
    EXPECT_EQ(from_start->index, 0u);
    EXPECT_EQ(from_start->char_count, 6u);
    const std::optional<SplittableLine> from_one = longest_splittable_line(lines, 1);
    ASSERT_TRUE(from_one);
    EXPECT_EQ(from_one->index, 2u);
    EXPECT_FALSE(longest_splittable_line({"abc"}, 0));
}

}  // namespace
}  // namespace zvk

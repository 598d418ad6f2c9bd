#include "font/key_runs.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace zvk::font {
namespace {

// Every key of the listed runs entered one at a time; the first entry stays.
std::map<std::uint32_t, std::uint32_t> key_by_key(const std::vector<KeyRun>& listed) {
    std::map<std::uint32_t, std::uint32_t> out;
    for (const KeyRun& run : listed) {
        for (std::uint64_t key = run.first; key <= run.last; ++key) {
            out.emplace(static_cast<std::uint32_t>(key), run.value_at(static_cast<std::uint32_t>(key)));
        }
    }
    return out;
}

std::string describe(const RunMap& map) {
    std::string out;
    for (const KeyRun& run : map.runs()) {
        out += std::to_string(run.first) + "-" + std::to_string(run.last) + (run.same_value ? "=" : ">") +
               std::to_string(run.value) + " ";
    }
    return out;
}

TEST(RunMap, FirstListedRunHoldingAKeyGivesItsValue) {
    constexpr std::uint32_t kMax = UINT32_MAX;
    struct Case {
        const char* label;
        std::vector<KeyRun> listed;
        std::string runs;
    } cases[] = {
        {"ordered_and_disjoint", {{1, 3, 10}, {7, 7, 1}}, "1-3>10 7-7>1 "},
        {"neighbours_that_continue_join", {{1, 1, 10}, {2, 2, 11}, {3, 5, 12}, {6, 6, 99}}, "1-5>10 6-6>99 "},
        {"later_run_inside_an_earlier", {{1, 10, 100}, {4, 5, 7}}, "1-10>100 "},
        {"earlier_run_inside_a_later", {{4, 5, 7}, {1, 10, 100}}, "1-3>100 4-5>7 6-10>105 "},
        {"partial_overlap_listed_backwards", {{5, 9, 50}, {1, 6, 10}}, "1-4>10 5-9>50 "},
        {"same_value_runs", {{1, 4, 9, true}, {5, 5, 9}, {3, 8, 1}}, "1-5=9 6-8>4 "},
        {"keys_at_the_top", {{kMax - 1, kMax, 5}, {kMax, kMax, 1}, {0, 0, kMax}}, "0-0>4294967295 4294967294-4294967295>5 "},
        {"values_at_the_top_do_not_wrap", {{1, 1, kMax}, {2, 2, 0}}, "1-1>4294967295 2-2>0 "},
        {"nothing", {}, ""},
    };
    for (const auto& c : cases) {
        RunMap map = RunMap::first_wins(c.listed);
        EXPECT_EQ(describe(map), c.runs) << c.label;
        const auto expected = key_by_key(c.listed);
        EXPECT_EQ(map.size(), expected.size()) << c.label;
        for (const auto& [key, value] : expected) EXPECT_EQ(map.find(key), value) << c.label << " key " << key;
    }
}

TEST(RunMap, AgreesWithEnteringKeyByKey) {
    std::mt19937 rng(7);
    auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<KeyRun> listed(pick(0, 12));
        // A small key space so that runs overlap in every way, shifted to
        // the top of the u32 range in some trials.
        const std::uint32_t base = pick(0, 1) ? 0 : UINT32_MAX - 63;
        for (auto& run : listed) {
            const std::uint32_t first = base + pick(0, 63);
            const std::uint32_t last = first + std::min(pick(0, 12), UINT32_MAX - first);
            const bool same = pick(0, 3) == 0;
            const std::uint32_t value = same ? pick(0, 3) : pick(0, 1) ? pick(0, 40) : UINT32_MAX - (last - first);
            run = {first, last, value, same};
        }
        const RunMap map = RunMap::first_wins(listed);
        const auto expected = key_by_key(listed);
        ASSERT_EQ(map.size(), expected.size()) << "trial " << trial;
        for (std::uint64_t key = base; key < std::uint64_t{base} + 80 && key <= UINT32_MAX; ++key) {
            auto it = expected.find(static_cast<std::uint32_t>(key));
            const std::optional<std::uint32_t> want =
                it == expected.end() ? std::nullopt : std::optional<std::uint32_t>(it->second);
            ASSERT_EQ(map.find(static_cast<std::uint32_t>(key)), want) << "trial " << trial << " key " << key;
        }
        for (std::size_t i = 1; i < map.runs().size(); ++i) ASSERT_GT(map.runs()[i].first, map.runs()[i - 1].last);
    }
}

}  // namespace
}  // namespace zvk::font

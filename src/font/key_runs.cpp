#include "font/key_runs.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>

namespace zvk::font {

namespace {

// Appends keys first to last of `run`, joining the previous run when this
// part continues it.
void append_part(std::vector<KeyRun>& out, const KeyRun& run, std::uint64_t first, std::uint64_t last) {
    const auto from = static_cast<std::uint32_t>(first);
    const auto to = static_cast<std::uint32_t>(last);
    const KeyRun part{from, to, run.value_at(from), run.same_value && from != to};
    if (out.empty() || !out.back().join(part)) out.push_back(part);
}

bool sorted_and_disjoint(const std::vector<KeyRun>& runs) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].first > runs[i].last) return false;
        if (i > 0 && runs[i].first <= runs[i - 1].last) return false;
    }
    return true;
}

}  // namespace

bool KeyRun::join(const KeyRun& next) {
    if (std::uint64_t{last} + 1 != next.first) return false;
    if (same_value) {
        // A single key has no step of its own: it continues a run of its value.
        if (next.value != value || (!next.same_value && next.first != next.last)) return false;
    } else if (next.same_value || std::uint64_t{value} + (last - first) + 1 != next.value) {
        return false;
    }
    last = next.last;
    return true;
}

RunMap RunMap::first_wins(const std::vector<KeyRun>& listed) {
    RunMap map;
    std::vector<KeyRun>& out = map.runs_;
    // The usual table lists its codes in order without overlaps.
    if (sorted_and_disjoint(listed)) {
        for (const KeyRun& run : listed) append_part(out, run, run.first, run.last);
        return map;
    }

    // A sweep over the keys in order, holding the runs that cover the current
    // key by listing position: the earliest listed owns the stretch up to its
    // own end or the next run's start, whichever comes first. Memory stays at
    // a few words per run, whatever the runs cover.
    std::vector<std::uint32_t> by_start(listed.size());
    std::iota(by_start.begin(), by_start.end(), std::uint32_t{0});
    std::sort(by_start.begin(), by_start.end(), [&](std::uint32_t a, std::uint32_t b) {
        return listed[a].first != listed[b].first ? listed[a].first < listed[b].first : a < b;
    });
    std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> covering;
    std::size_t next = 0;
    std::uint64_t at = 0;  // 64-bit: the stretch after a run ending at the largest key starts past it
    while (next < by_start.size() || !covering.empty()) {
        if (covering.empty()) at = listed[by_start[next]].first;
        while (next < by_start.size() && listed[by_start[next]].first <= at) covering.push(by_start[next++]);
        while (!covering.empty() && listed[covering.top()].last < at) covering.pop();
        if (covering.empty()) continue;
        const KeyRun& owner = listed[covering.top()];
        std::uint64_t end = owner.last;
        // A run starting later may have been listed earlier: the stretch ends
        // where it starts, and the owner is chosen again there.
        if (next < by_start.size()) end = std::min(end, std::uint64_t{listed[by_start[next]].first} - 1);
        append_part(out, owner, at, end);
        at = end + 1;
    }
    return map;
}

std::optional<std::uint32_t> RunMap::find(std::uint32_t key) const {
    auto it = std::upper_bound(runs_.begin(), runs_.end(), key,
                               [](std::uint32_t k, const KeyRun& run) { return k < run.first; });
    if (it == runs_.begin()) return std::nullopt;
    --it;
    if (key > it->last) return std::nullopt;
    return it->value_at(key);
}

std::uint64_t RunMap::size() const {
    std::uint64_t keys = 0;
    for (const KeyRun& run : runs_) keys += std::uint64_t{run.last} - run.first + 1;
    return keys;
}

}  // namespace zvk::font

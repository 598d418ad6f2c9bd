// Maps from u32 keys to u32 values kept as sorted runs of consecutive keys:
// the form of an embedded program's cmap maps, where one format 12 group of
// 100,001 codes is one run instead of 100,001 hash nodes and as many strings.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zvk::font {

// Keys first to last (both included) mapped to value, value + 1, and so on,
// or all to value when same_value is set.
struct KeyRun {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t value = 0;
    bool same_value = false;

    std::uint32_t value_at(std::uint32_t key) const { return same_value ? value : value + (key - first); }

    // Takes `next` into this run when it starts right after it and continues
    // its values (a single key counts as stepping by one); false otherwise.
    bool join(const KeyRun& next);
};

class RunMap {
public:
    RunMap() = default;

    // The map of runs given in listing order, which may overlap: each key
    // takes its value from the first run that holds it. The runs must not
    // step past the largest u32 value (value + (last - first) fits).
    static RunMap first_wins(const std::vector<KeyRun>& listed);

    std::optional<std::uint32_t> find(std::uint32_t key) const;
    bool empty() const { return runs_.empty(); }
    // The number of keys mapped.
    std::uint64_t size() const;
    // Sorted by key, disjoint; neighbours that continue each other are one run.
    const std::vector<KeyRun>& runs() const { return runs_; }

private:
    std::vector<KeyRun> runs_;
};

}  // namespace zvk::font

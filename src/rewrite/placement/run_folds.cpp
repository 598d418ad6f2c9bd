#include "rewrite/placement/run_folds.h"

#include <cmath>

namespace zvk::rewrite {

std::string join_run_texts_by_index(std::span<const std::size_t> positions, std::span<const TextRun> runs) {
    std::string out;
    for (std::size_t p : positions) out += runs[p].text;
    return out;
}

float max_run_baseline(std::span<const TextRun* const> first, std::span<const TextRun* const> second, float start) {
    float best = start;
    for (std::span<const TextRun* const> runs : {first, second}) {
        for (const TextRun* run : runs) {
            if (!std::isnan(run->baseline) && (std::isnan(best) || run->baseline > best)) best = run->baseline;
        }
    }
    return best;
}

}  // namespace zvk::rewrite

// Chaining paragraphs across column and page breaks: the walk over the
// paragraphs in column order and the search for a continuation on the next
// page.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "base/ascii.h"
#include "base/stable_sort.h"
#include "base/text.h"
#include "base/utf8.h"
#include "segment/block_predicates.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/paragraphs.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

constexpr std::uint32_t kLastPage = std::numeric_limits<std::uint32_t>::max();

float own_size(float size) { return edge_max(size, 1.0f); }

// A page number or folio: a token such as "12" or "xiv" no wider than 48.
bool is_narrow_page_number(const TextLine& line) {
    return line.x1 - line.x0 <= 48.0f && is_page_number_token(line.text);
}

std::size_t count_block_letters(std::span<const TextLine> lines) {
    std::size_t letters = 0;
    for (const TextLine& line : lines) letters += count_letters(line.text);
    return letters;
}

// A one- or two-line candidate that the search may step over: a bare section
// number, a publication note or a short sub-numbered heading, once a trailing
// page number is taken off.
bool is_passable_furniture(const ParagraphGroup& candidate) {
    if (candidate.size() == 1 && is_bare_section_number(candidate.front().text)) return true;
    std::string joined;
    for (const TextLine& line : candidate) {
        std::string_view t = trim_white_space(line.text);
        if (t.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += t;
    }
    std::string_view text = trim_trailing_white_space(joined);
    std::size_t digits = 0;
    while (digits < text.size() && is_ascii_digit(static_cast<unsigned char>(text[text.size() - 1 - digits]))) ++digits;
    if (digits >= 1 && digits <= 4 && digits < text.size()) {
        const char before = text[text.size() - 1 - digits];
        if (before == '\t' || before == '\n' || before == '\f' || before == '\r' || before == ' ') {
            text = trim_trailing_white_space(text.substr(0, text.size() - digits));
        }
    }
    std::size_t characters = 0;
    for (auto step : Utf8Range(text)) {
        (void)step;
        ++characters;
    }
    if (characters > 90 || ends_sentence(text)) return false;
    if (is_publication_note(text)) return true;
    auto split = split_section_number(text);
    if (!split || !split->has_sub_number) return false;
    std::size_t pieces = 1;
    for (auto step : Utf8Range(split->rest)) {
        if (is_unicode_white_space(step.scalar)) ++pieces;
        if (step.scalar == ',' || step.scalar == ':' || step.scalar == ';') return false;
    }
    return pieces <= 14;
}

// What the walk asks of each paragraph again and again, worked out once.
struct ParagraphFacts {
    bool furniture = true;  // no lines, or a first line that is page furniture
    bool substantial = false;
    bool body_like = false;
    bool counted = false;
    std::size_t letters = 0;
};

// Paragraph indices by the page of their first lines, in list order; with the
// whole-document scan, all of them for every page. A paragraph once chained
// is closed and skipped from then on, so that a page of thousands of lines,
// chained from the top down, is not walked again from its top at each step.
class ParagraphsByPage {
public:
    // Only the paragraphs for which `keep` holds.
    template <typename Keep>
    ParagraphsByPage(const std::vector<ParagraphGroup>& paragraphs, PageScan scan, Keep&& keep)
        : scan_(scan), bucket_of_(paragraphs.size(), kNone), position_of_(paragraphs.size(), 0) {
        for (std::size_t j = 0; j < paragraphs.size(); ++j) {
            if (paragraphs[j].empty() || !keep(j)) continue;
            std::size_t b = 0;
            if (scan == PageScan::buckets) {
                auto [it, inserted] = page_bucket_.emplace(paragraphs[j].front().page_index, buckets_.size());
                if (inserted) buckets_.emplace_back();
                b = it->second;
            } else if (buckets_.empty()) {
                buckets_.emplace_back();
            }
            bucket_of_[j] = b;
            position_of_[j] = buckets_[b].items.size();
            buckets_[b].items.push_back(j);
        }
        for (Bucket& bucket : buckets_) {
            bucket.next_open.resize(bucket.items.size() + 1);
            for (std::size_t k = 0; k < bucket.next_open.size(); ++k) bucket.next_open[k] = k;
        }
    }

    void close(std::size_t j) {
        if (bucket_of_[j] == kNone) return;
        Bucket& bucket = buckets_[bucket_of_[j]];
        bucket.next_open[position_of_[j]] = position_of_[j] + 1;
    }

    // Calls visit(j) for the open paragraphs on `page` (every open one with
    // the whole-document scan) in list order until it returns true; tells
    // whether it did.
    template <typename Visit>
    bool any_open(std::uint32_t page, Visit&& visit) {
        Bucket* bucket = nullptr;
        if (scan_ == PageScan::whole_document) {
            if (!buckets_.empty()) bucket = &buckets_.front();
        } else if (auto it = page_bucket_.find(page); it != page_bucket_.end()) {
            bucket = &buckets_[it->second];
        }
        if (bucket == nullptr) return false;
        for (std::size_t k = bucket->first_open(0); k < bucket->items.size(); k = bucket->first_open(k + 1)) {
            if (visit(bucket->items[k])) return true;
        }
        return false;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    struct Bucket {
        std::vector<std::size_t> items;
        // Union-find over positions: the first open position at or after k
        // (items.size() when none), with paths halved as they are walked.
        std::vector<std::size_t> next_open;
        std::size_t first_open(std::size_t k) {
            while (next_open[k] != k) {
                next_open[k] = next_open[next_open[k]];
                k = next_open[k];
            }
            return k;
        }
    };

    PageScan scan_;
    std::map<std::uint32_t, std::size_t> page_bucket_;
    std::vector<Bucket> buckets_;
    std::vector<std::size_t> bucket_of_;
    std::vector<std::size_t> position_of_;
};

class Chainer {
public:
    Chainer(const std::vector<ParagraphGroup>& paragraphs, const std::map<std::uint32_t, float>& bottom,
            PageScan scan)
        : paragraphs_(paragraphs),
          bottom_(bottom),
          facts_(facts_of(paragraphs)),
          // Furniture is never a target: no index holds it. The tests below
          // and beside a line read only substantial targets, the column
          // searches only counted ones: a page of thousands of short table
          // cells gives them nothing to walk.
          targets_(paragraphs, scan, [this](std::size_t j) { return !facts_[j].furniture; }),
          substantial_(paragraphs, scan,
                       [this](std::size_t j) { return !facts_[j].furniture && facts_[j].substantial; }),
          counted_(paragraphs, scan, [this](std::size_t j) { return !facts_[j].furniture && facts_[j].counted; }),
          visited_(paragraphs.size(), 0) {}

    std::vector<ChainedBlock> run() {
        std::vector<ChainedBlock> blocks;
        for (std::size_t i = 0; i < paragraphs_.size(); ++i) {
            if (visited_[i]) continue;
            visit(i);
            if (paragraphs_[i].empty()) continue;
            ChainedBlock block = paragraphs_[i];
            for (int merges = 0; merges < 4; ++merges) {
                std::optional<std::size_t> next = next_column(block);
                if (!next) {
                    if (ends_above_body_bottom(block.back())) break;
                    next = next_page(block);
                }
                if (!next) break;
                visit(*next);
                block.insert(block.end(), paragraphs_[*next].begin(), paragraphs_[*next].end());
            }
            blocks.push_back(std::move(block));
        }
        return blocks;
    }

private:
    bool is_target(std::size_t j) const { return !visited_[j] && !facts_[j].furniture; }
    void visit(std::size_t j) {
        visited_[j] = 1;
        targets_.close(j);
        substantial_.close(j);
        counted_.close(j);
    }

    static std::vector<ParagraphFacts> facts_of(const std::vector<ParagraphGroup>& paragraphs) {
        std::vector<ParagraphFacts> facts;
        facts.reserve(paragraphs.size());
        for (const ParagraphGroup& p : paragraphs) {
            ParagraphFacts f;
            if (!p.empty()) {
                f.furniture = is_non_body_line(p.front());
                f.substantial = is_substantial_block(p);
                f.body_like = is_body_like(p);
                f.counted = is_counted_target(p);
                f.letters = count_block_letters(p);
            }
            facts.push_back(f);
        }
        return facts;
    }

    // The target at the top of the next column of L's page that L's
    // sentence runs on into; none also when L's column goes on below it.
    std::optional<std::size_t> next_column(const ChainedBlock& block) {
        const TextLine& last = block.back();
        const std::uint32_t page = last.page_index;
        auto on_last_page = [&](std::size_t j) {
            return is_target(j) && paragraphs_[j].front().page_index == last.page_index;
        };
        const bool text_below = substantial_.any_open(page, [&](std::size_t j) {
            if (!on_last_page(j)) return false;
            const TextLine& f = paragraphs_[j].front();
            return std::fabs(f.x0 - last.x0) <= 36.0f && f.y < last.y - 0.5f && facts_[j].substantial;
        });
        if (text_below) return std::nullopt;
        // The next column starts right of L's own column: past the right edge
        // of the block's lines in L's column. Without this, the centred
        // title and author lines of a first page, which start between the
        // two columns, pull the median into the middle of the page, and the
        // foot of the left column misses the top of the right one.
        float column_right = last.x1;
        for (const TextLine& line : block) {
            if (line.page_index == page && std::fabs(line.x0 - last.x0) <= 36.0f) {
                column_right = edge_max(column_right, line.x1);
            }
        }
        auto in_next_column = [&](const TextLine& f) {
            return last.x0 + 36.0f < f.x0 && f.x0 < last.x0 + 360.0f && !(f.x0 < column_right);
        };
        std::vector<float> starts;
        counted_.any_open(page, [&](std::size_t j) {
            if (on_last_page(j) && facts_[j].counted && in_next_column(paragraphs_[j].front())) {
                starts.push_back(paragraphs_[j].front().x0);
            }
            return false;
        });
        if (starts.empty()) return std::nullopt;
        stable_merge_sort(starts, [](float a, float b) { return total_order_key(a) < total_order_key(b); });
        const float column = starts[starts.size() / 2];
        // Only counted targets: a one-line running head at the top of the
        // column ("CHARLES") is no paragraph to run on into, and would hide
        // the one below it.
        std::optional<std::size_t> best;
        counted_.any_open(page, [&](std::size_t j) {
            if (!on_last_page(j) || !facts_[j].counted) return false;
            const TextLine& f = paragraphs_[j].front();
            if (!(std::fabs(f.x0 - column) <= 28.0f)) return false;
            if (!best || total_order_key(f.y) > total_order_key(paragraphs_[*best].front().y)) best = j;
            return false;
        });
        if (!best) return std::nullopt;
        const TextLine& first = paragraphs_[*best].front();
        if (last.toc_trimmed) return std::nullopt;
        if (starts_with_licensed_to(last.text) || starts_with_licensed_to(first.text)) return std::nullopt;
        if (is_narrow_page_number(last) || is_narrow_page_number(first)) return std::nullopt;
        if (!in_next_column(first)) return std::nullopt;
        if (!(first.y >= last.y + 8.0f * pair_size(last.size, first.size))) return std::nullopt;
        if (!facts_[*best].body_like) return std::nullopt;
        if (!continues_across_break(last, first)) return std::nullopt;
        return best;
    }

    // The block ends more than two sizes above the lowest body baseline of
    // its page: what follows on the next page is not its continuation.
    bool ends_above_body_bottom(const TextLine& last) const {
        auto it = bottom_.find(last.page_index);
        return it != bottom_.end() && it->second + 2.0f * own_size(last.size) < last.y;
    }

    std::optional<std::size_t> next_page(const ChainedBlock& block) {
        const TextLine& last = block.back();
        const float s = own_size(last.size);
        // Both vetoes need a substantial target (40 letters make one).
        const bool vetoed = substantial_.any_open(last.page_index, [&](std::size_t j) {
            if (!is_target(j) || paragraphs_[j].front().page_index != last.page_index) return false;
            const TextLine& f = paragraphs_[j].front();
            if (!(last.x0 + 36.0f < f.x0 && f.x0 < last.x0 + 360.0f)) {
                // More text below in this column.
                return std::fabs(f.x0 - last.x0) <= 12.0f * s && f.y < last.y - 0.5f && facts_[j].substantial;
            }
            // A body paragraph in the next column of this page.
            return facts_[j].body_like && facts_[j].letters >= 40;
        });
        if (vetoed || last.page_index == kLastPage) return std::nullopt;
        const std::uint32_t page = last.page_index + 1;
        std::vector<std::size_t> candidates;
        targets_.any_open(page, [&](std::size_t j) {
            if (is_target(j) && paragraphs_[j].front().page_index == page) candidates.push_back(j);
            return false;
        });
        if (candidates.empty()) return std::nullopt;

        // The first column of the next page, top down, whatever the column
        // of L: the foot of a right column goes on at the top of the next
        // page's left column. Its head is the first counted candidate in
        // column order, so a running head or folio cannot stand for it.
        std::optional<float> first_column;
        bool counted_to_the_left = false;
        for (std::size_t j : candidates) {
            if (!facts_[j].counted) continue;
            const float x0 = paragraphs_[j].front().x0;
            if (!first_column) first_column = x0;
            if (x0 < last.x0 - 36.0f) counted_to_the_left = true;
        }
        if (first_column) {
            std::vector<ContinuationCandidate> set;
            for (std::size_t j : candidates) {
                const TextLine& f = paragraphs_[j].front();
                if (std::fabs(f.x0 - *first_column) <= 28.0f) set.push_back({j, f.y});
            }
            sort_continuation_candidates_top_down(set);
            if (auto found = find_continuation_block(block, paragraphs_, set, true)) return found;
        }
        // L's own column on the next page, unless body text of the next
        // page lies further left: then the first column was the place.
        if (counted_to_the_left) return std::nullopt;
        std::vector<ContinuationCandidate> set;
        for (std::size_t j : candidates) {
            const TextLine& f = paragraphs_[j].front();
            if (std::fabs(f.x0 - last.x0) <= 36.0f) set.push_back({j, f.y});
        }
        sort_continuation_candidates_top_down(set);
        return find_continuation_block(block, paragraphs_, set, false);
    }

    const std::vector<ParagraphGroup>& paragraphs_;
    const std::map<std::uint32_t, float>& bottom_;
    std::vector<ParagraphFacts> facts_;
    ParagraphsByPage targets_;
    ParagraphsByPage substantial_;
    ParagraphsByPage counted_;
    std::vector<char> visited_;
};

}  // namespace

std::optional<std::size_t> find_continuation_block(std::span<const TextLine> block,
                                                   const std::vector<ParagraphGroup>& paragraphs,
                                                   std::span<const ContinuationCandidate> candidates,
                                                   bool lower_case_leaves_column) {
    if (block.empty()) return std::nullopt;
    const TextLine& last = block.back();
    // A licence stamp links nothing; the search may still step over
    // furniture after it, but finds nothing to accept.
    const bool accepts_any = !starts_with_licensed_to(last.text) && !is_narrow_page_number(last) &&
                             last.page_index != kLastPage && !last.toc_trimmed;
    const bool hyphen = hyphen_end(last.text).has_value();
    std::optional<bool> block_centred;
    bool bulleted = false;
    for (const TextLine& line : block) bulleted = bulleted || starts_with_bullet(line.text);

    auto accepts = [&](const ParagraphGroup& candidate) {
        if (!accepts_any || candidate.empty()) return false;
        const TextLine& first = candidate.front();
        if (first.page_index != last.page_index + 1) return false;
        if (!block_centred) block_centred = is_centered_comma_block(block);
        if (*block_centred || is_centered_comma_block(candidate)) return false;
        std::string_view t = trim_leading_white_space(first.text);
        const bool lower = starts_with_ascii_lowercase(t);
        if (!((hyphen || lower_case_leaves_column) && lower) && std::fabs(last.x0 - first.x0) > 36.0f) return false;
        if (continues_across_break(last, first)) return true;
        // A list item goes on in plain text below the item's own left edge.
        if (!bulleted) return false;
        if (starts_with_bullet(first.text) || ends_sentence(last.text) || hyphen) return false;
        if (last.text.find("://") != std::string::npos || last.text.find("www.") != std::string::npos) return false;
        if (first.size > 1.2f * last.size) return false;
        const float q = pair_size(last.size, first.size);
        if (std::fabs(last.size - first.size) > 0.35f * q) return false;
        float v = std::numeric_limits<float>::quiet_NaN();
        for (const TextLine& line : block) v = edge_min(v, line.x0);
        const float d = first.x0 - v;
        return d >= -q && d <= 4.0f * q && starts_with_ascii_letter(t);
    };

    for (const ContinuationCandidate& c : candidates) {
        const ParagraphGroup& candidate = paragraphs[c.group_index];
        if (accepts(candidate)) return c.group_index;
        if (candidate.empty() || candidate.size() > 2 || !is_passable_furniture(candidate)) return std::nullopt;
    }
    return std::nullopt;
}

std::vector<ChainedBlock> chain_paragraphs(const std::vector<ParagraphGroup>& paragraphs,
                                           const std::map<std::uint32_t, float>& bottom, PageScan scan) {
    return Chainer(paragraphs, bottom, scan).run();
}

}  // namespace zvk

#include "segment/region_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>

#include "base/text.h"
#include "segment/area_predicates.h"
#include "segment/block_predicates.h"
#include "segment/captions.h"
#include "segment/glyph_order.h"
#include "segment/paragraph_merge.h"
#include "segment/text_predicates.h"

namespace zvk {

namespace {

// Regions this close belong to one figure. Growing every box by half of it
// turns "within 8 on both axes" into "the grown boxes intersect".
constexpr float kClusterGap = 8.0f;
constexpr float kHalfGap = kClusterGap / 2.0f;
// Box coordinates beyond this are clamped before boxes are grown: no page is
// that large, the subdivision needs finite bounds, and floats this large
// still hold every grown box at least 8 wide (boxes beyond it all meet).
constexpr float kFar = 16777216.0f;
// Leaves of the subdivision are at most this wide and tall: narrower than
// every grown box (at least 8), so each box meeting a leaf holds one of its
// corners.
constexpr float kLeafSide = 6.0f;

constexpr float kWideRegion = 24.0f;
constexpr float kMinRegion = 4.0f;
constexpr float kThinRegion = 1.5f;
constexpr float kBigRegion = 6.0f;
constexpr float kPageCoverWidth = 0.85f;
constexpr float kPageCoverHeight = 0.7f;
// Labels sit at most this many line sizes above an area.
constexpr float kLabelReach = 2.4f;
constexpr float kLabelLeft = 8.0f;
constexpr float kLabelRight = 24.0f;
constexpr float kInsideMargin = 6.0f;
constexpr float kInsideExtraWidth = 24.0f;
constexpr std::size_t kMinAreasForUnion = 4;
constexpr float kUnionMinWidth = 160.0f;
constexpr float kUnionMinHeight = 100.0f;
constexpr float kUnionMargin = 2.0f;
constexpr std::size_t kLongLineLetters = 24;
constexpr float kLongLineWidth = 160.0f;

// Union-find over box indices: `find` walks up in a loop (a recursive walk
// overflows the stack on a chain of 10^5 boxes) and halves the path as it
// goes; the smaller set joins the larger.
class DisjointSets {
public:
    explicit DisjointSets(std::size_t n) : parent_(n), size_(n, 1) {
        for (std::size_t i = 0; i < n; ++i) parent_[i] = static_cast<std::uint32_t>(i);
    }
    std::uint32_t find(std::uint32_t x) {
        while (parent_[x] != x) {
            parent_[x] = parent_[parent_[x]];
            x = parent_[x];
        }
        return x;
    }
    void unite(std::uint32_t a, std::uint32_t b) {
        a = find(a);
        b = find(b);
        if (a == b) return;
        if (size_[a] < size_[b]) std::swap(a, b);
        parent_[b] = a;
        size_[a] += size_[b];
    }

private:
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint32_t> size_;
};

float clamp_far(float v) { return std::isnan(v) ? v : std::clamp(v, -kFar, kFar); }

// The box grown by half the cluster gap, clamped; an unknown axis spans
// everything.
FigureBox grown(const FigureBox& b) {
    FigureBox g{clamp_far(b.x0) - kHalfGap, clamp_far(b.y0) - kHalfGap, clamp_far(b.x1) + kHalfGap,
                clamp_far(b.y1) + kHalfGap};
    if (std::isnan(g.x0) || std::isnan(g.x1)) {
        g.x0 = -kFar - kHalfGap;
        g.x1 = kFar + kHalfGap;
    }
    if (std::isnan(g.y0) || std::isnan(g.y1)) {
        g.y0 = -kFar - kHalfGap;
        g.y1 = kFar + kHalfGap;
    }
    return g;
}

bool intersects(const FigureBox& a, const FigureBox& b) {
    return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
}

// Some p of `ps` and q of `qs` with p.first >= q.first and p.second >=
// q.second.
bool some_dominates(std::vector<std::pair<float, float>> ps, const std::vector<std::pair<float, float>>& qs) {
    if (ps.empty() || qs.empty()) return false;
    std::sort(ps.begin(), ps.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    // best[i]: the largest second of ps[0..i], whose firsts are the largest.
    std::vector<float> best(ps.size());
    for (std::size_t i = 0; i < ps.size(); ++i) best[i] = i == 0 ? ps[i].second : std::max(best[i - 1], ps[i].second);
    for (const auto& q : qs) {
        // The ps with first >= q.first form a prefix.
        auto end = std::partition_point(ps.begin(), ps.end(), [&q](const auto& p) { return p.first >= q.first; });
        if (end != ps.begin() && best[static_cast<std::size_t>(end - ps.begin()) - 1] >= q.second) return true;
    }
    return false;
}

class Clusterer {
public:
    Clusterer(std::span<const FigureBox> grown_boxes, DisjointSets& sets) : g_(grown_boxes), sets_(sets) {}

    void run(const FigureBox& node, std::vector<std::uint32_t> members) {
        if (members.size() < 2) return;
        // A box that covers the node meets every box that meets the node.
        for (std::uint32_t m : members) {
            const FigureBox& b = g_[m];
            if (b.x0 <= node.x0 && b.x1 >= node.x1 && b.y0 <= node.y0 && b.y1 >= node.y1) {
                for (std::uint32_t o : members) sets_.unite(m, o);
                return;
            }
        }
        const bool split_x = node.x1 - node.x0 > kLeafSide;
        const bool split_y = node.y1 - node.y0 > kLeafSide;
        if (!split_x && !split_y) {
            leaf(node, members);
            return;
        }
        const float mx = split_x ? node.x0 + (node.x1 - node.x0) / 2.0f : node.x1;
        const float my = split_y ? node.y0 + (node.y1 - node.y0) / 2.0f : node.y1;
        std::vector<FigureBox> children{FigureBox{node.x0, node.y0, mx, my}};
        if (split_x) children.push_back(FigureBox{mx, node.y0, node.x1, my});
        if (split_y) children.push_back(FigureBox{node.x0, my, mx, node.y1});
        if (split_x && split_y) children.push_back(FigureBox{mx, my, node.x1, node.y1});
        members_by_child(children, std::move(members));
    }

private:
    void members_by_child(const std::vector<FigureBox>& children, std::vector<std::uint32_t> members) {
        for (std::size_t c = 0; c < children.size(); ++c) {
            std::vector<std::uint32_t> inside;
            for (std::uint32_t m : members) {
                if (intersects(g_[m], children[c])) inside.push_back(m);
            }
            if (c + 1 == children.size()) members.clear();
            run(children[c], std::move(inside));
        }
    }

    // Every box meeting the leaf holds one of its corners; the boxes holding
    // one corner all meet there, and two corner groups meet when one pair of
    // their boxes does, which the groups' extremes tell.
    void leaf(const FigureBox& node, const std::vector<std::uint32_t>& members) {
        enum { BL, BR, TL, TR };
        const float cx[4] = {node.x0, node.x1, node.x0, node.x1};
        const float cy[4] = {node.y0, node.y0, node.y1, node.y1};
        std::vector<std::uint32_t> group[4];
        std::vector<std::uint32_t> cornerless;
        for (std::uint32_t m : members) {
            const FigureBox& b = g_[m];
            bool any = false;
            for (int k = 0; k < 4; ++k) {
                if (b.x0 <= cx[k] && cx[k] <= b.x1 && b.y0 <= cy[k] && cy[k] <= b.y1) {
                    group[k].push_back(m);
                    any = true;
                }
            }
            if (!any) cornerless.push_back(m);
        }
        for (const auto& gr : group) {
            for (std::uint32_t m : gr) sets_.unite(gr.front(), m);
        }
        auto max_of = [this](const std::vector<std::uint32_t>& gr, float FigureBox::*field) {
            float v = -kFar * 2;
            for (std::uint32_t m : gr) v = std::max(v, g_[m].*field);
            return v;
        };
        auto min_of = [this](const std::vector<std::uint32_t>& gr, float FigureBox::*field) {
            float v = kFar * 2;
            for (std::uint32_t m : gr) v = std::min(v, g_[m].*field);
            return v;
        };
        auto join = [this, &group](int a, int b) { sets_.unite(group[a].front(), group[b].front()); };
        auto both = [&group](int a, int b) { return !group[a].empty() && !group[b].empty(); };
        if (both(BL, BR) && max_of(group[BL], &FigureBox::x1) >= min_of(group[BR], &FigureBox::x0)) join(BL, BR);
        if (both(TL, TR) && max_of(group[TL], &FigureBox::x1) >= min_of(group[TR], &FigureBox::x0)) join(TL, TR);
        if (both(BL, TL) && max_of(group[BL], &FigureBox::y1) >= min_of(group[TL], &FigureBox::y0)) join(BL, TL);
        if (both(BR, TR) && max_of(group[BR], &FigureBox::y1) >= min_of(group[TR], &FigureBox::y0)) join(BR, TR);
        if (both(BL, TR)) {
            std::vector<std::pair<float, float>> ps, qs;
            for (std::uint32_t m : group[BL]) ps.emplace_back(g_[m].x1, g_[m].y1);
            for (std::uint32_t m : group[TR]) qs.emplace_back(g_[m].x0, g_[m].y0);
            if (some_dominates(std::move(ps), qs)) join(BL, TR);
        }
        if (both(BR, TL)) {
            std::vector<std::pair<float, float>> ps, qs;
            for (std::uint32_t m : group[TL]) ps.emplace_back(g_[m].x1, -g_[m].y0);
            for (std::uint32_t m : group[BR]) qs.emplace_back(g_[m].x0, -g_[m].y1);
            if (some_dominates(std::move(ps), qs)) join(BR, TL);
        }
        // Rounding could leave a box of barely 8 without a corner: it is
        // compared with every box of the leaf.
        for (std::uint32_t m : cornerless) {
            for (std::uint32_t o : members) {
                if (intersects(g_[m], g_[o])) sets_.unite(m, o);
            }
        }
    }

    std::span<const FigureBox> g_;
    DisjointSets& sets_;
};

FigureBox normalised(const Box& b) {
    return FigureBox{edge_min(b[0], b[2]), edge_min(b[1], b[3]), edge_max(b[0], b[2]), edge_max(b[1], b[3])};
}

// A uniform grid over the figure areas of a page, for finding the areas near
// a line without testing every one.
class AreaGrid {
public:
    explicit AreaGrid(const std::vector<FigureBox>& areas) : areas_(areas), stamp_(areas.size(), 0) {
        bool first = true;
        for (const FigureBox& a : areas) {
            const FigureBox r = reach(a);
            if (first) {
                bounds_ = r;
                first = false;
            } else {
                bounds_ = FigureBox{std::min(bounds_.x0, r.x0), std::min(bounds_.y0, r.y0),
                                    std::max(bounds_.x1, r.x1), std::max(bounds_.y1, r.y1)};
            }
        }
        const float extent = std::max(bounds_.x1 - bounds_.x0, bounds_.y1 - bounds_.y0);
        cell_ = std::max(kMinCell, extent / static_cast<float>(kMaxCells));
        nx_ = index(bounds_.x1, bounds_.x0, kMaxCells + 2) + 1;
        ny_ = index(bounds_.y1, bounds_.y0, kMaxCells + 2) + 1;
        cells_.resize(nx_ * ny_);
        for (std::size_t i = 0; i < areas.size(); ++i) {
            const FigureBox r = reach(areas[i]);
            for (std::size_t y = index(r.y0, bounds_.y0, ny_); y <= index(r.y1, bounds_.y0, ny_); ++y) {
                for (std::size_t x = index(r.x0, bounds_.x0, nx_); x <= index(r.x1, bounds_.x0, nx_); ++x) {
                    cells_[y * nx_ + x].push_back(static_cast<std::uint32_t>(i));
                }
            }
        }
    }

    // Calls `visit` once for every area whose box, grown by the inside
    // margin, may meet the query box; stops when `visit` returns true.
    template <typename F>
    bool any_near(FigureBox q, F&& visit) {
        if (std::isnan(q.x0) || std::isnan(q.y0) || std::isnan(q.x1) || std::isnan(q.y1)) return false;
        if (q.x1 < bounds_.x0 || q.x0 > bounds_.x1 || q.y1 < bounds_.y0 || q.y0 > bounds_.y1) return false;
        ++round_;
        for (std::size_t y = index(q.y0, bounds_.y0, ny_); y <= index(q.y1, bounds_.y0, ny_); ++y) {
            for (std::size_t x = index(q.x0, bounds_.x0, nx_); x <= index(q.x1, bounds_.x0, nx_); ++x) {
                for (std::uint32_t a : cells_[y * nx_ + x]) {
                    if (stamp_[a] == round_) continue;
                    stamp_[a] = round_;
                    if (visit(areas_[a])) return true;
                }
            }
        }
        return false;
    }

private:
    static constexpr float kMinCell = 32.0f;
    static constexpr std::size_t kMaxCells = 256;

    static FigureBox reach(const FigureBox& a) {
        FigureBox r{clamp_far(a.x0 - kInsideMargin), clamp_far(a.y0 - kInsideMargin),
                    clamp_far(a.x1 + kInsideMargin), clamp_far(a.y1 + kInsideMargin)};
        // An unknown edge may be anywhere.
        if (std::isnan(r.x0)) r.x0 = -kFar;
        if (std::isnan(r.y0)) r.y0 = -kFar;
        if (std::isnan(r.x1)) r.x1 = kFar;
        if (std::isnan(r.y1)) r.y1 = kFar;
        return r;
    }

    // The cell of `v` along an axis of `count` cells, clamped to the grid.
    std::size_t index(float v, float origin, std::size_t count) const {
        const float cell = (std::clamp(v, -kFar, kFar) - origin) / cell_;
        if (!(cell > 0.0f)) return 0;
        return std::min(static_cast<std::size_t>(std::min(cell, 1e6f)), count - 1);
    }

    const std::vector<FigureBox>& areas_;
    std::vector<std::uint64_t> stamp_;
    std::uint64_t round_ = 0;
    FigureBox bounds_;
    float cell_ = kMinCell;
    std::size_t nx_ = 1;
    std::size_t ny_ = 1;
    std::vector<std::vector<std::uint32_t>> cells_;
};

bool is_long_line(const TextLine& line) {
    return count_letters(line.text) >= kLongLineLetters && line.x1 - line.x0 >= kLongLineWidth;
}

bool is_label_above(const TextLine& line, const FigureBox& a) {
    const float aw = a.x1 - a.x0;
    const float ah = a.y1 - a.y0;
    if (aw < kWideRegion && ah < kWideRegion) return false;
    return a.y1 < line.y && line.y <= a.y1 + kLabelReach * line.size && line.x0 >= a.x0 - kLabelLeft &&
           line.x1 <= a.x1 + kLabelRight;
}

bool is_inside(const TextLine& line, const FigureBox& a) {
    if (!(line.x1 - line.x0 <= (a.x1 - a.x0) + kInsideExtraWidth)) return false;
    std::size_t inside = 0;
    for (const Glyph* g : line.glyphs) {
        const float cx = (g->bbox[0] + g->bbox[2]) / 2.0f;
        const float cy = (g->bbox[1] + g->bbox[3]) / 2.0f;
        if (cx >= a.x0 - kInsideMargin && cx <= a.x1 + kInsideMargin && cy >= a.y0 - kInsideMargin &&
            cy <= a.y1 + kInsideMargin) {
            ++inside;
        }
    }
    return 2 * inside > line.glyphs.size();
}

// Rule 1: a short line inside an area or just above one.
bool is_figure_line(const TextLine& line, AreaGrid& grid) {
    const bool applies = (line.text.empty() || (!is_heading_sized(line) && !is_long_line(line))) &&
                         !starts_with_block_label(line.text) && !line.glyphs.empty();
    if (!applies) return false;
    // An area whose top lies in the band below the line and whose span
    // reaches the line's left and right ends meets this box.
    const float a = line.x0 + kLabelLeft;
    const float b = line.x1 - kLabelRight;
    const FigureBox label_zone{std::min(a, b), line.y - kLabelReach * std::fabs(line.size), std::max(a, b), line.y};
    if (grid.any_near(label_zone, [&line](const FigureBox& area) { return is_label_above(line, area); })) return true;
    for (const Glyph* g : line.glyphs) {
        const float cx = (g->bbox[0] + g->bbox[2]) / 2.0f;
        const float cy = (g->bbox[1] + g->bbox[3]) / 2.0f;
        if (grid.any_near(FigureBox{cx, cy, cx, cy}, [&line](const FigureBox& area) { return is_inside(line, area); })) {
            return true;
        }
    }
    return false;
}

// Rule 2: an off-font line within a large union of areas.
bool is_union_line(const TextLine& line, const FigureBox& u, std::string_view body) {
    if (line.glyphs.empty() || is_body_text_line(line, body) || is_heading_sized(line) ||
        is_numbered_heading(line, body) || starts_with_block_label(line.text)) {
        return false;
    }
    if (body.empty() || same_font_family(line.font_name, body)) return false;
    const float centre = (line.x0 + line.x1) / 2.0f;
    return centre >= u.x0 && centre <= u.x1 && line.y >= u.y0 && line.y <= u.y1;
}

}  // namespace

std::vector<std::size_t> cluster_boxes(std::span<const FigureBox> boxes) {
    std::vector<FigureBox> g;
    g.reserve(boxes.size());
    for (const FigureBox& b : boxes) g.push_back(grown(b));
    DisjointSets sets(boxes.size());
    if (!g.empty()) {
        FigureBox root = g.front();
        for (const FigureBox& b : g) {
            root = FigureBox{std::min(root.x0, b.x0), std::min(root.y0, b.y0), std::max(root.x1, b.x1),
                             std::max(root.y1, b.y1)};
        }
        std::vector<std::uint32_t> all(g.size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint32_t>(i);
        Clusterer(g, sets).run(root, std::move(all));
    }
    // Each cluster named by its first box, whatever order the unions came in.
    std::vector<std::size_t> first(boxes.size(), SIZE_MAX);
    std::vector<std::size_t> out(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::uint32_t root = sets.find(static_cast<std::uint32_t>(i));
        if (first[root] == SIZE_MAX) first[root] = i;
        out[i] = first[root];
    }
    return out;
}

std::vector<FigureBox> figure_areas(std::span<const Region* const> regions, float page_width, float page_height) {
    const bool page_known = page_width > 1.0f && page_height > 1.0f;
    std::vector<FigureBox> boxes;
    std::vector<char> image;
    std::vector<char> big;
    for (const Region* r : regions) {
        const FigureBox b = normalised(r->bbox);
        const float w = b.x1 - b.x0;
        const float h = b.y1 - b.y0;
        // Thin rules count only when tall: the frame of a plot, not an
        // underline.
        const bool candidate =
            w >= kWideRegion ||
            ((w >= kMinRegion || h >= kMinRegion) && !(h < kWideRegion && (w < kThinRegion || h < kThinRegion)));
        if (!candidate) continue;
        if (page_known && w > kPageCoverWidth * page_width && h > kPageCoverHeight * page_height) continue;
        boxes.push_back(b);
        image.push_back(r->kind == "image");
        big.push_back(w >= kBigRegion && h >= kBigRegion);
    }
    const std::vector<std::size_t> cluster = cluster_boxes(boxes);
    struct Set {
        FigureBox box;
        bool image = false;
        bool big = false;
        std::size_t count = 0;
    };
    std::vector<Set> sets(boxes.size());
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        Set& s = sets[cluster[i]];
        if (s.count == 0) {
            s.box = boxes[i];
            order.push_back(cluster[i]);
        } else {
            s.box = FigureBox{edge_min(s.box.x0, boxes[i].x0), edge_min(s.box.y0, boxes[i].y0),
                              edge_max(s.box.x1, boxes[i].x1), edge_max(s.box.y1, boxes[i].y1)};
        }
        s.image = s.image || image[i];
        s.big = s.big || big[i];
        ++s.count;
    }
    std::vector<FigureBox> areas;
    for (std::size_t c : order) {
        const Set& s = sets[c];
        if (s.image || (s.count > 1 && s.big)) areas.push_back(s.box);
    }
    return areas;
}

void region_figures(const std::vector<TextLine>& lines, bool skip_figures, std::span<const Region> regions,
                    std::span<const PageInfo> pages, std::vector<SkippedGlyph>& skipped) {
    if (!skip_figures || regions.empty()) return;
    std::map<std::uint32_t, std::vector<const Region*>> by_page;
    for (const Region& r : regions) by_page[r.page_index].push_back(&r);
    std::map<std::uint32_t, std::vector<std::size_t>> page_lines;
    for (std::size_t i = 0; i < lines.size(); ++i) page_lines[lines[i].page_index].push_back(i);
    std::vector<SkippedGlyph> records;
    for (const auto& [page, page_regions] : by_page) {
        auto lines_here = page_lines.find(page);
        if (lines_here == page_lines.end()) continue;
        float width = 0.0f;
        float height = 0.0f;
        for (const PageInfo& info : pages) {
            if (info.index != page) continue;
            width = info.media_box[2] - info.media_box[0];
            height = info.media_box[3] - info.media_box[1];
            break;
        }
        const std::vector<FigureBox> areas = figure_areas(page_regions, width, height);
        if (areas.empty()) continue;
        const std::string body = page_body_font(lines, lines_here->second);
        FigureBox u = areas.front();
        for (const FigureBox& a : areas) {
            u = FigureBox{edge_min(u.x0, a.x0), edge_min(u.y0, a.y0), edge_max(u.x1, a.x1), edge_max(u.y1, a.y1)};
        }
        const bool large = areas.size() >= kMinAreasForUnion && u.x1 - u.x0 >= kUnionMinWidth &&
                           u.y1 - u.y0 >= kUnionMinHeight;
        const FigureBox widened{u.x0 - kUnionMargin, u.y0 - kUnionMargin, u.x1 + kUnionMargin, u.y1 + kUnionMargin};
        AreaGrid grid(areas);
        for (std::size_t l : lines_here->second) {
            const TextLine& line = lines[l];
            if (line.toc_trimmed) continue;
            if (caption_kind(line.text) || is_publication_note(line.text) || starts_with_licensed_to(line.text) ||
                is_page_number_token(line.text)) {
                continue;
            }
            if (!is_figure_line(line, grid) && !(large && is_union_line(line, widened, body))) continue;
            for (const Glyph* g : line.glyphs) records.push_back(SkippedGlyph{g->id, "figure"});
        }
    }
    skipped.insert(skipped.end(), records.begin(), records.end());
}

}  // namespace zvk

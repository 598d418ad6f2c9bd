#include "content/geometry.h"

#include <algorithm>
#include <cmath>

namespace zvk {

Matrix multiply(const Matrix& m, const Matrix& n) {
    return {m[0] * n[0] + m[1] * n[2],
            m[0] * n[1] + m[1] * n[3],
            m[2] * n[0] + m[3] * n[2],
            m[2] * n[1] + m[3] * n[3],
            m[4] * n[0] + m[5] * n[2] + n[4],
            m[4] * n[1] + m[5] * n[3] + n[5]};
}

Matrix translate_matrix(float tx, float ty) { return {1, 0, 0, 1, tx, ty}; }

Point transform_point(const Matrix& m, float x, float y) {
    return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

float min_pass_nan(float a, float b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return std::min(a, b);
}

float max_pass_nan(float a, float b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return std::max(a, b);
}

Box normalized_box(float x0, float y0, float x1, float y1) {
    return Box{min_pass_nan(x0, x1), min_pass_nan(y0, y1), max_pass_nan(x0, x1), max_pass_nan(y0, y1)};
}

float clamp_finite(float v) {
    if (std::isnan(v)) return v;
    return std::clamp(v, -kMaxFiniteFloat, kMaxFiniteFloat);
}

Box empty_bounds() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan, nan, nan, nan};
}

Box grow_box(const Box& box, const Box& other) {
    return {min_pass_nan(box[0], other[0]), min_pass_nan(box[1], other[1]),
            max_pass_nan(box[2], other[2]), max_pass_nan(box[3], other[3])};
}

Box grow_box(const Box& box, Point p) { return grow_box(box, Box{p.x, p.y, p.x, p.y}); }

Box map_box(const Box& box, const Matrix& m, bool bounded) {
    const Point corners[4] = {transform_point(m, box[0], box[1]), transform_point(m, box[2], box[1]),
                              transform_point(m, box[0], box[3]), transform_point(m, box[2], box[3])};
    Box out = empty_bounds();
    for (const Point& p : corners) out = grow_box(out, p);
    if (bounded) {
        for (float& v : out) v = clamp_finite(v);
    }
    return out;
}

std::optional<Matrix> read_matrix_entry(const pdf::Object& dictionary) {
    pdf::Object entry = dictionary.get("Matrix");
    if (!entry.is_array() || entry.array_size() < 6) return std::nullopt;
    Matrix m{};
    for (std::size_t i = 0; i < 6; ++i) m[i] = entry.array_at(i).as_f32();
    return m;
}

std::optional<Box> read_rect_entry(const pdf::Object& dictionary, const std::string& key) {
    pdf::Object entry = dictionary.get(key);
    if (!entry.is_array() || entry.array_size() < 4) return std::nullopt;
    float v[4];
    for (std::size_t i = 0; i < 4; ++i) v[i] = entry.array_at(i).as_f32();
    return normalized_box(v[0], v[1], v[2], v[3]);
}

}  // namespace zvk

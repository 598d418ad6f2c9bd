// Matrices and boxes of page geometry in 32-bit floats, computed in the order
// the formulas are written (thresholds downstream are tuned to exact values),
// and read from the Matrix, BBox and Rect entries of dictionaries.
#pragma once

#include <limits>
#include <optional>
#include <string>

#include "content/records.h"
#include "pdf/object.h"

namespace zvk {

inline constexpr Matrix kIdentityMatrix{1, 0, 0, 1, 0, 0};
inline constexpr float kMaxFiniteFloat = std::numeric_limits<float>::max();

// M × N: M applied first, then N.
Matrix multiply(const Matrix& m, const Matrix& n);
Matrix translate_matrix(float tx, float ty);

struct Point {
    float x = 0;
    float y = 0;
};
Point transform_point(const Matrix& m, float x, float y);

// Minimum and maximum where a NaN never replaces a number.
float min_pass_nan(float a, float b);
float max_pass_nan(float a, float b);
// [min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)], a NaN passed over.
Box normalized_box(float x0, float y0, float x1, float y1);

// Bounded to ± the largest finite float; a NaN stays a NaN.
float clamp_finite(float v);

// A box with no coordinates yet on either axis (every bound NaN), which the
// first point or box grown into it fills.
Box empty_bounds();
Box grow_box(const Box& box, const Box& other);
Box grow_box(const Box& box, Point p);

// The bounding box of the four corners of `box` mapped through `m`, NaN
// coordinates passed over; with `bounded`, each bound clamped to finite range.
Box map_box(const Box& box, const Matrix& m, bool bounded);

// The dictionary's Matrix entry (unresolved) as six floats, or none.
std::optional<Matrix> read_matrix_entry(const pdf::Object& dictionary);
// The dictionary's BBox or Rect entry (unresolved), normalised, or none.
std::optional<Box> read_rect_entry(const pdf::Object& dictionary, const std::string& key);

}  // namespace zvk

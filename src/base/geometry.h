// The two geometry records every layer passes around: an affine matrix and a
// box, in 32-bit floats. The arithmetic on them lives with content/geometry.h.
#pragma once

#include <array>

namespace zvk {

// Six floats a b c d e f: (x, y) maps to (a·x + c·y + e, b·x + d·y + f).
using Matrix = std::array<float, 6>;
// x0 y0 x1 y1.
using Box = std::array<float, 4>;

}  // namespace zvk

// The six size and leading factors of a rewrite: the font-size scales of the
// four block classes and the line-pitch factors of the fitting.
#pragma once

namespace zvk {

struct CjkSizeLadder {
    float k0 = 1.0f;           // body text scale
    float k1 = 1.0f;           // bold or numbered single line
    float k2 = 1.0f;           // small heading
    float k3 = 1.0f;           // display heading
    float leading = 1.5f;      // line pitch over font size
    float min_leading = 1.4f;  // the smallest acceptable pitch factor
};

// From the size scale s and the leading L, clamped first to [0.65, 1.05] and
// [1.25, 2.2] (a NaN falls to the lower bound).
CjkSizeLadder make_cjk_size_ladder(float size_scale, float leading);

}  // namespace zvk

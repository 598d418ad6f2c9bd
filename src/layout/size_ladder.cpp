#include "layout/size_ladder.h"

#include <cmath>

namespace zvk {

CjkSizeLadder make_cjk_size_ladder(float size_scale, float leading) {
    const float s = std::fmin(std::fmax(size_scale, 0.65f), 1.05f);
    const float l = std::fmin(std::fmax(leading, 1.25f), 2.2f);
    CjkSizeLadder ladder;
    ladder.k0 = s;
    ladder.k1 = std::fmax(s, std::fmin(s + 0.12f, 1.05f));
    ladder.k2 = std::fmax(s, std::fmin(std::fmax(0.96f, s + 0.06f), 1.0f));
    ladder.k3 = std::fmin(s + 0.06f, 1.0f);
    ladder.leading = l;
    ladder.min_leading = std::fmin(l, std::fmax(0.88f * l, 1.4f));
    return ladder;
}

}  // namespace zvk

// Fits a book's worth of paragraph-length mixed CJK and Latin texts into
// boxes of several widths and baseline spans, and reports the time per fit.
// Run by hand: zvk_layout_bench [paragraphs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "layout/fit.h"
#include "layout/size_ladder.h"

using namespace zvk;

namespace {

SubsetFont make_font() {
    SubsetFont font;
    font.units_per_em = 1000;
    std::uint16_t id = 1;
    for (std::uint32_t cp = 0x20; cp < 0x7F; ++cp) font.glyphs[cp] = {id++, static_cast<std::uint16_t>(400 + cp % 300)};
    for (std::uint32_t cp = 0x3000; cp <= 0x30FF; ++cp) font.glyphs[cp] = {id++, 1000};
    for (std::uint32_t cp = 0x4E00; cp <= 0x9FFF; ++cp) font.glyphs[cp] = {id++, 1000};
    for (std::uint32_t cp = 0xFF01; cp <= 0xFF5E; ++cp) font.glyphs[cp] = {id++, 1000};
    return font;
}

std::string paragraph(std::mt19937& random) {
    static const std::vector<std::string> cjk = {"我们", "提出", "一种", "新的", "方法", "用于", "训练", "模型",
                                                 "实验", "结果", "表明", "数据", "系统", "性能", "显著", "提高",
                                                 "，", "。", "、", "可以", "处理", "上下文"};
    static const std::vector<std::string> latin = {" Transformer ", " GPU ", " BERT ", " New York Times ",
                                                   "98.5%", "1,000", "(Smith et al., 2021)", "a.b@ex.com",
                                                   "https://example.org/a/b", " getValueFromMap "};
    std::string text;
    const std::size_t tokens = 40 + random() % 100;
    for (std::size_t i = 0; i < tokens; ++i) {
        text += random() % 6 == 0 ? latin[random() % latin.size()] : cjk[random() % cjk.size()];
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 4000;
    const SubsetFont font = make_font();
    const CjkSizeLadder ladder = make_cjk_size_ladder(1.0f, 1.6f);
    std::mt19937 random(7);
    std::vector<std::string> texts;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < count; ++i) {
        texts.push_back(paragraph(random));
        chars += texts.back().size();
    }
    const float widths[] = {180.0f, 260.0f, 420.0f};
    std::size_t fits = 0;
    std::size_t fitted = 0;
    double checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const float width = widths[i % 3];
        // A box a little too small for the start size, so that the size search runs.
        const float span = 40.0f + static_cast<float>(i % 7) * 12.0f;
        const auto got = fit_text_in_box(texts[i], font, ladder, false, 10.0f, 1.0f, width, 2.0f, span, 0.0f, {});
        ++fits;
        if (got) {
            ++fitted;
            checksum += got->font_size + static_cast<double>(got->lines.size());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu texts (%zu bytes), %zu fits, %zu fitted, %.3f s, %.1f us per fit, checksum %.3f\n", texts.size(),
                chars, fits, fitted, seconds, 1e6 * seconds / static_cast<double>(fits), checksum);
    return 0;
}

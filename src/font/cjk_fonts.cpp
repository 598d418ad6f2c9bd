#include "font/cjk_fonts.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include "base/settings.h"
#include "base/text.h"
#include "base/utf8.h"
#include "font/cff_subset.h"
#include "font/font_file.h"
#include "font/sfnt_bytes.h"
#include "font/truetype_subset.h"

namespace zvk::font {

namespace {

struct FontFileCache {
    std::mutex lock;
    std::map<std::filesystem::path, SharedFontBytes> files;
};

FontFileCache& font_file_cache() {
    static FontFileCache cache;
    return cache;
}

// The number of faces in a CFF-based font file, or 0 when it is not one: a
// lone "OTTO" font, or a collection whose first font is "OTTO".
std::uint32_t cff_face_count(std::string_view bytes) {
    if (bytes.size() >= 4 && bytes.substr(0, 4) == "OTTO") return 1;
    if (bytes.size() < 16 || bytes.substr(0, 4) != "ttcf") return 0;
    const std::uint32_t count = u32_at(bytes, 8);
    const std::uint64_t first = u32_at(bytes, 12);
    if (count == 0 || !fits(bytes, first, 4) || bytes.substr(first, 4) != "OTTO") return 0;
    return count;
}

std::optional<SubsetFont> cff_if_regular_file(const std::string& path, std::uint32_t face,
                                              std::span<const std::uint32_t> code_points) {
    if (path.empty() || !is_regular_file(path)) return std::nullopt;
    return subset_cff_font_external(path, face, code_points);
}

std::optional<SubsetFont> first_serif_file(const std::vector<std::string>& files,
                                           std::span<const std::uint32_t> code_points) {
    for (const auto& entry : files) {
        std::string path = entry;
        if (entry.starts_with("~/")) {
            const char* home = std::getenv("HOME");
            if (home == nullptr) continue;
            path = (std::filesystem::path(home) / entry.substr(2)).string();
        }
        if (!is_regular_file(path)) continue;
        // The child takes its arguments as text; a path that is not UTF-8
        // cannot reach it intact.
        if (!is_valid_utf8(path)) return std::nullopt;
        if (auto font = subset_cff_font_external(path, 0, code_points)) return font;
    }
    return std::nullopt;
}

std::optional<SubsetFont> user_font(const std::optional<std::string>& option, const char* env_name,
                                    std::span<const std::uint32_t> code_points) {
    std::optional<std::string> path = option;
    if (!path) path = env_nonempty_trimmed(env_name);
    if (!path) return std::nullopt;
    return load_user_cjk_font(*path, code_points);
}

std::optional<SubsetFont> truetype_fallback(std::span<const std::uint32_t> code_points,
                                            const CjkFontCandidates& candidates) {
    if (auto path = env_nonempty_trimmed("ZVK_CJK_FONT")) {
        if (auto bytes = read_font_file_cached(*path)) return subset_truetype_font(*bytes, code_points);
    }
    for (const auto& path : candidates.truetype_fallbacks) {
        if (auto bytes = read_font_file_cached(path)) return subset_truetype_font(*bytes, code_points);
    }
    return std::nullopt;
}

}  // namespace

const CjkFontCandidates& default_cjk_font_candidates() {
    static const CjkFontCandidates candidates{
        "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc",
        {"~/.local/share/fonts/NotoSerifCJKsc-Light.otf", "/usr/local/share/fonts/NotoSerifCJKsc-Light.otf",
         "/usr/share/fonts/opentype/noto/NotoSerifCJKsc-Light.otf"},
        "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc",
        "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
        {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf",
         "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
         "/usr/share/fonts/truetype/noto/NotoSansCJK-Regular.ttc"},
    };
    return candidates;
}

std::optional<SubsetFont> load_cjk_font(FontNameStyle style, std::span<const std::uint32_t> code_points,
                                        const CjkFontOptions& options, const CjkFontCandidates& candidates) {
    if (is_bold_style(style)) {
        if (auto font = cff_if_regular_file(candidates.bold_collection, kNotoCjkScFace, code_points)) return font;
    } else if ((style & kFontStyleSerif) != 0) {
        if (auto font = user_font(options.cjk_font, "ZVK_CJK_FONT", code_points)) return font;
        if (auto font = first_serif_file(candidates.serif_files, code_points)) return font;
        if (auto font = cff_if_regular_file(candidates.serif_collection, kNotoCjkScFace, code_points)) return font;
    } else {
        if (auto font = user_font(options.cjk_sans, "ZVK_CJK_SANS", code_points)) return font;
        if (auto font = cff_if_regular_file(candidates.sans_collection, kNotoCjkScFace, code_points)) return font;
    }
    return truetype_fallback(code_points, candidates);
}

std::optional<SubsetFont> load_user_cjk_font(const std::string& path, std::span<const std::uint32_t> code_points) {
    const SharedFontBytes bytes = read_font_file_cached(path);
    if (!bytes) return std::nullopt;
    const std::uint32_t faces = cff_face_count(*bytes);
    if (faces == 0) return subset_truetype_font(*bytes, code_points);
    if (!is_valid_utf8(path)) return std::nullopt;
    // Faces past the file's own count give fontTools' error or, for a lone
    // font, the same subset again: running them changes nothing.
    std::optional<SubsetFont> best;
    for (std::uint32_t face = 0; face < std::min(faces, kMaxUserFontFaces); ++face) {
        auto candidate = subset_cff_font_external(path, face, code_points);
        if (candidate && (!best || candidate->glyphs.size() > best->glyphs.size())) best = std::move(candidate);
    }
    return best;
}

SharedFontBytes read_font_file_cached(const std::string& path) {
    try {
        FontFileCache& cache = font_file_cache();
        // Held for the whole lookup-or-read: racing calls read a file once.
        std::lock_guard guard(cache.lock);
        const std::filesystem::path key(path);
        if (auto it = cache.files.find(key); it != cache.files.end()) return it->second;
        auto bytes = read_regular_file(path);
        if (!bytes || bytes->empty()) return nullptr;
        auto shared = std::make_shared<const std::string>(std::move(*bytes));
        cache.files.emplace(key, shared);
        return shared;
    } catch (...) {
        // Only allocation can fail here, and it leaves the map as it was.
        return nullptr;
    }
}

std::optional<std::string> env_nonempty_trimmed(const char* name) {
    auto value = read_environment(name);
    if (!value) return std::nullopt;
    std::string_view trimmed = trim_white_space(*value);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

}  // namespace zvk::font

// Independent readers of the subset fonts: fontTools (tables, outlines, maxp
// recalculation, side bearings, cmap and advances) and fontconfig's fc-query
// (the charset a system font stack would see).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "font/subset_font.h"
#include "support/temp_dir.h"

namespace zvk::font::test {

struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a shell command line built only from our own temporary paths.
inline CommandResult run_command(const std::string& command) {
    CommandResult r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    r.status = ::pclose(pipe);
    return r;
}

inline bool have_fonttools() {
    return run_command(std::string(ZVK_PYTHON3) + " -c 'import fontTools.subset'").status == 0;
}

inline bool have_fc_query() { return run_command("fc-query --version").status == 0; }

// fontTools' verdict on the subset: empty when it agrees with every claim.
inline CommandResult check_with_fonttools(const SubsetFont& font, const std::string& kind) {
    zvk::test::TempDir dir;
    nlohmann::json expected;
    expected["kind"] = kind;
    expected["glyphs"] = nlohmann::json::object();
    for (const auto& [cp, g] : font.glyphs) expected["glyphs"][std::to_string(cp)] = {g.glyph_id, g.advance};
    const std::string font_path = dir.write(kind == "cff" ? "subset.otf" : "subset.ttf", font.font_bytes);
    const std::string json_path = dir.write("expected.json", expected.dump());
    return run_command(std::string(ZVK_PYTHON3) + " " + ZVK_SOURCE_DIR + "/tests/cpp/font/subset_oracle.py '" +
                       font_path + "' '" + json_path + "'");
}

// The charset fc-query reads from the font file.
inline std::set<std::uint32_t> fc_query_charset(const std::string& font_bytes) {
    zvk::test::TempDir dir;
    const std::string path = dir.write("subset.font", font_bytes);
    const auto r = run_command("fc-query --format='%{charset}' '" + path + "'");
    std::set<std::uint32_t> set;
    std::istringstream in(r.output);
    std::string item;
    while (in >> item) {
        const auto dash = item.find('-');
        const std::uint32_t lo = static_cast<std::uint32_t>(std::stoul(item.substr(0, dash), nullptr, 16));
        const std::uint32_t hi =
            dash == std::string::npos ? lo : static_cast<std::uint32_t>(std::stoul(item.substr(dash + 1), nullptr, 16));
        for (std::uint32_t cp = lo; cp <= hi; ++cp) set.insert(cp);
    }
    return set;
}

inline std::set<std::uint32_t> code_points_of(const SubsetFont& font) {
    std::set<std::uint32_t> set;
    for (const auto& [cp, g] : font.glyphs) set.insert(cp);
    return set;
}

}  // namespace zvk::font::test

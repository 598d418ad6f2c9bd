// Finding the CJK font that translated text is written in: a font named by
// the options or the environment, then the usual Debian font locations (CFF
// collections subset through fontTools, then TrueType subset in process),
// with the font files read once per process.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "font/font_style.h"
#include "font/subset_font.h"

namespace zvk::font {

// The two font paths of the translate options, already trimmed; an empty
// text there counts as unset.
struct CjkFontOptions {
    std::optional<std::string> cjk_font;
    std::optional<std::string> cjk_sans;
};

// Where fonts are looked for, in the order they are tried. A serif file
// starting with "~/" lies under $HOME and is skipped when HOME is unset.
// Tests swap the table for paths of their own (or for none at all).
struct CjkFontCandidates {
    std::string bold_collection;           // CFF, face 2
    std::vector<std::string> serif_files;  // CFF, face 0
    std::string serif_collection;          // CFF, face 2
    std::string sans_collection;           // CFF, face 2
    std::vector<std::string> truetype_fallbacks;
};

// The face of the Noto CJK collections that holds the Simplified Chinese design.
inline constexpr std::uint32_t kNotoCjkScFace = 2;

// A user font that is a CFF collection is tried on at most this many faces.
inline constexpr std::uint32_t kMaxUserFontFaces = 6;

const CjkFontCandidates& default_cjk_font_candidates();

// A subset covering `code_points` in a face matching `style` (serif, bold;
// italic is not used), or none when no candidate yields one.
std::optional<SubsetFont> load_cjk_font(FontNameStyle style, std::span<const std::uint32_t> code_points,
                                        const CjkFontOptions& options,
                                        const CjkFontCandidates& candidates = default_cjk_font_candidates());

// A subset of the font file the user named: CFF-based fonts through fontTools
// (the face with the most code points mapped), others in process.
std::optional<SubsetFont> load_user_cjk_font(const std::string& path, std::span<const std::uint32_t> code_points);

using SharedFontBytes = std::shared_ptr<const std::string>;

// The file's bytes from the process-wide cache, read on first use (regular
// files only, up to kMaxFontFileBytes); none for a missing, unreadable or
// empty file, which is not stored.
SharedFontBytes read_font_file_cached(const std::string& path);

// The environment variable trimmed of white space; none when unset, not
// valid UTF-8 or empty after trimming.
std::optional<std::string> env_nonempty_trimmed(const char* name);

}  // namespace zvk::font

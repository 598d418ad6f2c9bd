// Reading a font file whole, safely: only a regular file, only up to a size
// limit, so a path naming /dev/zero, a FIFO or a runaway file cannot hang or
// exhaust the process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zvk::font {

// CJK collections run to tens of megabytes (Noto Serif CJK: 26 MB); four
// times the largest known is still a font, beyond that it is not.
inline constexpr std::uint64_t kMaxFontFileBytes = 128ull * 1024 * 1024;

// The whole file; none when it is not a regular file (after following
// links), is larger than `limit`, or cannot be read.
std::optional<std::string> read_regular_file(const std::string& path, std::uint64_t limit = kMaxFontFileBytes);

// Whether the path names a regular file (following links); a failing check
// counts as no.
bool is_regular_file(const std::string& path);

}  // namespace zvk::font

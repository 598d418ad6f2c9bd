// Bounds-checked reading of the big-endian integers of sfnt tables (cmap
// decoding, TrueType subsetting): callers check `fits` before each read.
#pragma once

#include <cstdint>
#include <string_view>

namespace zvk::font {

// All offsets and lengths are 64-bit: a 32-bit offset plus a 32-bit length
// must not wrap around and pass a bounds check.
inline std::uint32_t u16_at(std::string_view data, std::uint64_t at) {
    return (std::uint32_t{static_cast<unsigned char>(data[at])} << 8) | static_cast<unsigned char>(data[at + 1]);
}

inline std::uint32_t u32_at(std::string_view data, std::uint64_t at) {
    return (u16_at(data, at) << 16) | u16_at(data, at + 2);
}

inline bool fits(std::string_view data, std::uint64_t at, std::uint64_t length) {
    return at <= data.size() && length <= data.size() - at;
}

}  // namespace zvk::font

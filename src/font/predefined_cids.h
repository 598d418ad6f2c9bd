// The CIDs of a predefined CJK CMap's codes, read from the CMap file itself
// where the system has one. Without the file the code has to serve as its
// CID, which is wrong for nearly every predefined CMap: widths, vertical
// metrics and glyph ids keyed by CID then belong to unrelated characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "font/cmap.h"
#include "font/predefined.h"

namespace zvk::font {

// A directory of CMap files to use instead of the system's, laid out like it
// (<dir>/<Registry>-<Ordering>/<name>) or flat (<dir>/<name>).
inline constexpr const char* kCMapDirVariable = "ZVK_CMAP_DIR";
// Where Debian's poppler-data installs the CMap files.
inline constexpr std::string_view kSystemCMapDir = "/usr/share/poppler/cMap";
// The largest CMap file read; the largest real one is about 330 KB.
inline constexpr std::size_t kMaxCMapFileBytes = std::size_t{4} << 20;
// How many CMaps a chain of usecmap references may hold (real files use one
// level: a -V CMap adds its vertical forms to the -H one).
inline constexpr std::size_t kMaxUseCMapChain = 8;

class PredefinedCids {
public:
    // `chain`: the CMap first, then the CMap it uses, and so on.
    explicit PredefinedCids(std::vector<std::shared_ptr<const ParsedCMap>> chain) : chain_(std::move(chain)) {}

    // The CMap's own mapping wins over the one of the CMap it uses; a code
    // that none maps selects CID 0, the notdef glyph.
    std::uint32_t cid_of(std::uint32_t code) const;

private:
    std::vector<std::shared_ptr<const ParsedCMap>> chain_;
};

// The directories searched for CMap files: the one ZVK_CMAP_DIR names when
// it is set and not empty, else the system's.
std::vector<std::string> cmap_directories();

// The CIDs of `cmap` from the first of `directories` that holds its file,
// with every CMap it uses taken from that file's own directory. Null when no
// directory holds the file, or when the file or a CMap it uses is missing,
// unreadable, too large, maps no CID, names a CMap that is not a recognised
// predefined one of the same collection, or the chain is too long or loops:
// an incomplete CMap would give worse CIDs than none. Each file is read and
// parsed once per process; safe to call from several threads.
std::shared_ptr<const PredefinedCids> load_predefined_cids(const PredefinedCMap& cmap,
                                                           const std::vector<std::string>& directories);
std::shared_ptr<const PredefinedCids> load_predefined_cids(const PredefinedCMap& cmap);

// How many CMap files have been read since the process started (for tests).
std::size_t cmap_files_read();

}  // namespace zvk::font

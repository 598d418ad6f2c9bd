// libFuzzer target for CMap programs. The input is parsed as a ToUnicode or
// encoding CMap and the parsed record's promises are checked: destinations
// within their bound and decoded to valid UTF-8, code-space ranges of one to
// four bytes, the range indexes agreeing with a scan of the lists in order,
// and the input itself cut into codes that tile it exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "font/cmap.h"

namespace {

// A destination of at most kMaxCMapDestinationBytes UTF-16 bytes decodes to
// at most three UTF-8 bytes per two of them.
constexpr std::size_t kMaxTextBytes = zvk::font::kMaxCMapDestinationBytes / 2 * 3;
// Codes probed against the indexes: enough to cover every range's ends on
// real inputs, few enough that a list of millions of ranges stays quick.
constexpr std::size_t kMaxProbedRanges = 256;
// The shown string cut into codes: the input's first bytes.
constexpr std::size_t kMaxShownBytes = 512;

void require(bool condition) {
    if (!condition) std::abort();
}

template <typename Range>
const Range* first_by_scan(const std::vector<Range>& ranges, std::uint32_t code) {
    for (const auto& r : ranges) {
        if (r.lo <= code && code <= r.hi) return &r;
    }
    return nullptr;
}

template <typename Range>
std::vector<std::uint32_t> probe_codes(const std::vector<Range>& ranges) {
    std::vector<std::uint32_t> codes = {0, UINT32_MAX};
    for (std::size_t k = 0; k < ranges.size() && k < kMaxProbedRanges; ++k) {
        for (std::uint32_t c : {ranges[k].lo, ranges[k].hi}) {
            codes.push_back(c);
            if (c > 0) codes.push_back(c - 1);
            if (c < UINT32_MAX) codes.push_back(c + 1);
        }
    }
    return codes;
}

bool in_codespace(const std::vector<zvk::font::CodespaceRange>& ranges, const zvk::font::CharCode& code) {
    for (const auto& r : ranges) {
        if (r.byte_length == code.byte_length && r.lo <= code.code && code.code <= r.hi) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zvk::font;
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);

    const ParsedCMap cmap = parse_cmap_program(data);
    for (const auto& [code, text] : cmap.bf_chars) {
        require(!text.empty() && text.size() <= kMaxTextBytes && zvk::is_valid_utf8(text));
    }
    for (const auto& range : cmap.bf_ranges) require(range.destination.size() <= kMaxCMapDestinationBytes);
    for (const auto& range : cmap.codespace_ranges) {
        require(range.byte_length >= 1 && range.byte_length <= 4);
        if (range.byte_length < 4) require(range.hi < (1u << (8 * range.byte_length)));
    }

    for (std::uint32_t code : probe_codes(cmap.bf_ranges)) {
        require(cmap.first_bf_range(code) == first_by_scan(cmap.bf_ranges, code));
    }
    for (std::uint32_t code : probe_codes(cmap.cid_ranges)) {
        require(cmap.first_cid_range(code) == first_by_scan(cmap.cid_ranges, code));
    }

    const std::string_view shown = data.substr(0, kMaxShownBytes);
    const auto codes = split_codes_by_codespace(cmap.codespace_index(), shown);
    std::size_t next = 0;
    for (const auto& code : codes) {
        require(code.position == next && code.byte_length >= 1 && code.byte_length <= 4);
        require(code.code == big_endian_value(shown.substr(code.position, code.byte_length)));
        // A code longer than one byte exists only because a range holds it.
        if (code.byte_length > 1) require(in_codespace(cmap.codespace_ranges, code));
        next += code.byte_length;
    }
    require(next == shown.size());

    if (auto text = decode_utf16be_text(data.substr(0, kMaxCMapDestinationBytes))) {
        require(zvk::is_valid_utf8(*text) && text->size() <= kMaxTextBytes);
    }
    return 0;
}

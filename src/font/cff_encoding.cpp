// A reader for just enough of a CFF program (Adobe Technical Note #5176) to
// name the glyph of each code: the header, the Name, Top DICT and String
// INDEXes, the Top DICT's charset, Encoding and CharStrings entries, and the
// charset and encoding data they point at. Every read is checked against the
// program's length; a read that would leave it ends the whole reading, since
// a program whose structure does not hold cannot be trusted for any code.
#include "font/cff_encoding.h"

#include <array>
#include <optional>

#include "font/font.h"

namespace zvk::font {

namespace {

#include "font/cff_tables.inc"

constexpr std::uint32_t kStandardStringCount = 391;
// The ISOAdobe charset gives glyph n the string id n, up to this one.
constexpr std::uint32_t kIsoAdobeLastSid = 228;
// A DICT holds at most 48 operands before its operator; more is no CFF.
constexpr std::size_t kMaxDictOperands = 48;
// A glyph the charset does not name (a predefined charset shorter than the
// font).
constexpr std::uint32_t kNoName = UINT32_MAX;

// Top DICT operators read here; the rest are skipped with their operands.
constexpr int kOpCharset = 15;
constexpr int kOpEncoding = 16;
constexpr int kOpCharStrings = 17;
constexpr int kOpRos = 0x0C00 | 30;  // escape 12, then 30: a CID-keyed font

// Big-endian unsigned numbers of 1 to 4 bytes at checked positions.
class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}

    std::size_t size() const { return data_.size(); }

    std::optional<std::uint32_t> card(std::size_t pos, unsigned width) const {
        if (pos > data_.size() || width > data_.size() - pos) return std::nullopt;
        std::uint32_t value = 0;
        for (unsigned i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(data_[pos + i]);
        return value;
    }
    std::optional<std::uint32_t> card8(std::size_t pos) const { return card(pos, 1); }
    std::optional<std::uint32_t> card16(std::size_t pos) const { return card(pos, 2); }

    std::string_view slice(std::size_t begin, std::size_t end) const { return data_.substr(begin, end - begin); }

private:
    std::string_view data_;
};

// An INDEX whose offsets have all been checked: non-decreasing, starting at
// 1 or later, the last within the program.
struct CffIndex {
    std::uint32_t count = 0;
    std::size_t end = 0;  // the first byte after the INDEX
    std::size_t data_base = 0;  // offsets count from the byte before this one
    std::vector<std::uint32_t> offsets;  // count + 1 of them; empty when count is 0

    std::string_view item(const Bytes& bytes, std::uint32_t i) const {
        return bytes.slice(data_base + offsets[i] - 1, data_base + offsets[i + 1] - 1);
    }
};

std::optional<CffIndex> read_index(const Bytes& bytes, std::size_t pos) {
    auto count = bytes.card16(pos);
    if (!count) return std::nullopt;
    CffIndex index;
    index.count = *count;
    if (index.count == 0) {
        index.end = pos + 2;
        return index;
    }
    auto off_size = bytes.card8(pos + 2);
    if (!off_size || *off_size < 1 || *off_size > 4) return std::nullopt;
    const std::size_t offsets_start = pos + 3;
    // At most 65,536 offsets of 4 bytes: no overflow on any size_t.
    index.data_base = offsets_start + (std::size_t{index.count} + 1) * *off_size;
    index.offsets.reserve(std::size_t{index.count} + 1);
    std::uint32_t previous = 1;
    for (std::uint32_t i = 0; i <= index.count; ++i) {
        auto offset = bytes.card(offsets_start + std::size_t{i} * *off_size, *off_size);
        if (!offset || *offset < previous) return std::nullopt;
        previous = *offset;
        index.offsets.push_back(*offset);
    }
    if (index.data_base > bytes.size() || index.offsets.back() - 1 > bytes.size() - index.data_base) {
        return std::nullopt;
    }
    index.end = index.data_base + index.offsets.back() - 1;
    return index;
}

struct TopDict {
    std::int64_t charset = 0;   // ISOAdobe unless the font says otherwise
    std::int64_t encoding = 0;  // Standard unless the font says otherwise
    std::optional<std::int64_t> char_strings;
    bool cid_keyed = false;
};

// One DICT operand: an integer, or none for a real (never an offset).
using Operand = std::optional<std::int64_t>;

// The operand starting at `pos` (its first byte b0 already known to start
// one); gives the position after it, or none when it runs past the end.
std::optional<std::size_t> read_operand(const Bytes& bytes, std::size_t pos, Operand& operand) {
    const std::uint32_t b0 = *bytes.card8(pos);
    if (b0 >= 32 && b0 <= 246) {
        operand = static_cast<std::int64_t>(b0) - 139;
        return pos + 1;
    }
    if (b0 >= 247 && b0 <= 254) {
        auto b1 = bytes.card8(pos + 1);
        if (!b1) return std::nullopt;
        const std::int64_t magnitude = (static_cast<std::int64_t>(b0 - (b0 <= 250 ? 247 : 251)) << 8) + *b1 + 108;
        operand = b0 <= 250 ? magnitude : -magnitude;
        return pos + 2;
    }
    if (b0 == 28) {
        auto value = bytes.card16(pos + 1);
        if (!value) return std::nullopt;
        operand = static_cast<std::int16_t>(*value);
        return pos + 3;
    }
    if (b0 == 29) {
        auto value = bytes.card(pos + 1, 4);
        if (!value) return std::nullopt;
        operand = static_cast<std::int32_t>(*value);
        return pos + 5;
    }
    // b0 == 30: a real, nibbles up to the one that ends it (0xF).
    for (std::size_t i = pos + 1;; ++i) {
        auto byte = bytes.card8(i);
        if (!byte) return std::nullopt;
        if ((*byte >> 4) == 0xF || (*byte & 0xF) == 0xF) {
            operand = std::nullopt;
            return i + 1;
        }
    }
}

// The last operand before an operator whose value is an offset or a
// predefined id: an integer, none for a real or a missing operand.
std::optional<std::int64_t> integer_operand(const std::vector<Operand>& operands) {
    if (operands.empty() || !operands.back()) return std::nullopt;
    return *operands.back();
}

std::optional<TopDict> parse_top_dict(std::string_view dict) {
    const Bytes bytes(dict);
    TopDict top;
    std::vector<Operand> operands;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::uint32_t b0 = *bytes.card8(pos);
        if (b0 == 22 || b0 == 23 || b0 == 24 || b0 == 25 || b0 == 26 || b0 == 27 || b0 == 31 || b0 == 255) {
            return std::nullopt;  // reserved
        }
        if (b0 >= 28) {
            if (operands.size() == kMaxDictOperands) return std::nullopt;
            Operand operand;
            auto next = read_operand(bytes, pos, operand);
            if (!next) return std::nullopt;
            operands.push_back(operand);
            pos = *next;
            continue;
        }
        int op = static_cast<int>(b0);
        ++pos;
        if (b0 == 12) {
            auto second = bytes.card8(pos);
            if (!second) return std::nullopt;
            op = 0x0C00 | static_cast<int>(*second);
            ++pos;
        }
        if (op == kOpCharset || op == kOpEncoding || op == kOpCharStrings) {
            auto value = integer_operand(operands);
            if (!value || *value < 0) return std::nullopt;
            if (op == kOpCharset) {
                top.charset = *value;
            } else if (op == kOpEncoding) {
                top.encoding = *value;
            } else {
                top.char_strings = *value;
            }
        } else if (op == kOpRos) {
            top.cid_keyed = true;
        }
        operands.clear();
    }
    return top;
}

// Offsets of the Top DICT, as every offset in a CFF program, count from its
// first byte; they must fall inside it.
std::optional<std::size_t> offset_in(const Bytes& bytes, std::int64_t value) {
    if (value < 0 || static_cast<std::uint64_t>(value) >= bytes.size()) return std::nullopt;
    return static_cast<std::size_t>(value);
}

template <std::size_t N>
void fill_predefined_charset(std::vector<std::uint32_t>& sids, const std::uint16_t (&table)[N]) {
    for (std::size_t gid = 1; gid < sids.size() && gid <= N; ++gid) sids[gid] = table[gid - 1];
}

// The string id of every glyph; glyph 0 is always .notdef (string id 0).
std::optional<std::vector<std::uint32_t>> read_charset(const Bytes& bytes, std::int64_t value,
                                                       std::uint32_t glyph_count) {
    std::vector<std::uint32_t> sids(glyph_count, kNoName);
    if (glyph_count == 0) return sids;
    sids[0] = 0;
    if (value == 0) {
        for (std::uint32_t gid = 1; gid < glyph_count && gid <= kIsoAdobeLastSid; ++gid) sids[gid] = gid;
        return sids;
    }
    if (value == 1) {
        fill_predefined_charset(sids, kCffExpertCharset);
        return sids;
    }
    if (value == 2) {
        fill_predefined_charset(sids, kCffExpertSubsetCharset);
        return sids;
    }
    auto start = offset_in(bytes, value);
    if (!start) return std::nullopt;
    const std::uint32_t format = *bytes.card8(*start);
    std::size_t pos = *start + 1;
    if (format == 0) {
        for (std::uint32_t gid = 1; gid < glyph_count; ++gid, pos += 2) {
            auto sid = bytes.card16(pos);
            if (!sid) return std::nullopt;
            sids[gid] = *sid;
        }
        return sids;
    }
    if (format != 1 && format != 2) return std::nullopt;
    // Ranges run until every glyph is named; each names at least one glyph,
    // so there are at most glyph_count - 1 of them. A last range that names
    // more glyphs than the font has is cut at the glyph count.
    const unsigned left_width = format == 1 ? 1 : 2;
    for (std::uint32_t gid = 1; gid < glyph_count; pos += 2 + left_width) {
        auto first = bytes.card16(pos);
        auto left = bytes.card(pos + 2, left_width);
        if (!first || !left) return std::nullopt;
        for (std::uint32_t k = 0; k <= *left && gid < glyph_count; ++k) sids[gid++] = *first + k;
    }
    return sids;
}

// Code to string id, none where the encoding names nothing.
using CodeSids = std::array<std::optional<std::uint32_t>, 256>;

// Format 0 lists a code per glyph from glyph 1 on; format 1 lists ranges of
// consecutive codes for consecutive glyphs. With the high bit of the format
// set, supplements follow: extra codes for glyphs named by string id, which
// replace what the codes had.
bool read_custom_encoding(const Bytes& bytes, std::size_t start, const std::vector<std::uint32_t>& sids,
                          CodeSids& codes) {
    auto encode_glyph = [&](std::uint32_t code, std::uint32_t gid) {
        if (code > 255 || gid >= sids.size() || sids[gid] == kNoName) return;
        codes[code] = sids[gid];
    };
    const std::uint32_t format = *bytes.card8(start);
    auto count = bytes.card8(start + 1);
    if (!count) return false;
    std::size_t pos = start + 2;
    switch (format & 0x7F) {
    case 0:
        for (std::uint32_t i = 0; i < *count; ++i, ++pos) {
            auto code = bytes.card8(pos);
            if (!code) return false;
            encode_glyph(*code, i + 1);
        }
        break;
    case 1: {
        std::uint32_t gid = 1;
        for (std::uint32_t i = 0; i < *count; ++i, pos += 2) {
            auto first = bytes.card8(pos);
            auto left = bytes.card8(pos + 1);
            if (!first || !left) return false;
            for (std::uint32_t k = 0; k <= *left; ++k) encode_glyph(*first + k, gid++);
        }
        break;
    }
    default:
        return false;
    }
    if ((format & 0x80) == 0) return true;
    auto supplements = bytes.card8(pos);
    if (!supplements) return false;
    ++pos;
    for (std::uint32_t i = 0; i < *supplements; ++i, pos += 3) {
        auto code = bytes.card8(pos);
        auto sid = bytes.card16(pos + 1);
        if (!code || !sid) return false;
        codes[*code] = *sid;
    }
    return true;
}

void fill_predefined_encoding(CodeSids& codes, const std::uint16_t (&table)[256]) {
    for (std::size_t code = 0; code < 256; ++code) {
        if (table[code] != 0) codes[code] = table[code];
    }
}

// The name of a string id: a standard string, or one of the font's own.
std::optional<std::string_view> string_of(const Bytes& bytes, const CffIndex& strings, std::uint32_t sid) {
    if (sid < kStandardStringCount) return kCffStandardStrings[sid];
    if (sid - kStandardStringCount >= strings.count) return std::nullopt;
    return strings.item(bytes, sid - kStandardStringCount);
}

std::optional<CodeSids> read_code_sids(const Bytes& bytes, std::size_t header_size, CffIndex& strings) {
    auto names = read_index(bytes, header_size);
    if (!names || names->count == 0) return std::nullopt;
    auto top_dicts = read_index(bytes, names->end);
    if (!top_dicts || top_dicts->count == 0) return std::nullopt;
    auto string_index = read_index(bytes, top_dicts->end);
    if (!string_index) return std::nullopt;
    strings = std::move(*string_index);
    // A font set of several fonts is read for its first, the one a PDF
    // font program stands for.
    auto top = parse_top_dict(top_dicts->item(bytes, 0));
    if (!top || top->cid_keyed || !top->char_strings) return std::nullopt;
    auto char_strings_at = offset_in(bytes, *top->char_strings);
    if (!char_strings_at) return std::nullopt;
    auto char_strings = read_index(bytes, *char_strings_at);
    if (!char_strings) return std::nullopt;

    CodeSids codes;
    // The predefined encodings name their codes whatever glyphs the font
    // holds, as a Type1 program's StandardEncoding does: the name is what the
    // code stands for, and a producer that shows a code the font lacks still
    // means its character.
    if (top->encoding == 0) {
        fill_predefined_encoding(codes, kCffStandardEncoding);
        return codes;
    }
    if (top->encoding == 1) {
        fill_predefined_encoding(codes, kCffExpertEncoding);
        return codes;
    }
    auto encoding_at = offset_in(bytes, top->encoding);
    if (!encoding_at) return std::nullopt;
    auto sids = read_charset(bytes, top->charset, char_strings->count);
    if (!sids || !read_custom_encoding(bytes, *encoding_at, *sids, codes)) return std::nullopt;
    return codes;
}

}  // namespace

std::vector<std::pair<std::uint8_t, std::string>> read_cff_encoding_entries(std::string_view program) {
    std::vector<std::pair<std::uint8_t, std::string>> entries;
    if (program.size() > kMaxFontStreamBytes) return entries;
    const Bytes bytes(program);
    // Header: major version 1 (a CFF2 program has no encoding), minor
    // version, the header's size, the size of absolute offsets.
    auto major = bytes.card8(0);
    auto header_size = bytes.card8(2);
    if (!major || *major != 1 || !header_size || *header_size < 4) return entries;
    CffIndex strings;
    auto codes = read_code_sids(bytes, *header_size, strings);
    if (!codes) return entries;
    for (std::size_t code = 0; code < 256; ++code) {
        if (!(*codes)[code]) continue;
        if (auto name = string_of(bytes, strings, *(*codes)[code])) {
            entries.emplace_back(static_cast<std::uint8_t>(code), std::string(*name));
        }
    }
    return entries;
}

}  // namespace zvk::font

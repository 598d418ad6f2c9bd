// CMap programs (ToUnicode and embedded encoding CMaps): the tokenizer, the
// parsed record with its range indexes, the UTF-16 destination decoder, and
// the cutting of shown strings into character codes by code-space ranges.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "font/range_index.h"

namespace zvk::font {

// A CMap destination longer than this is refused as giving no text: the
// CMap format allows at most 512 bytes, and every shown code copies its text.
inline constexpr std::size_t kMaxCMapDestinationBytes = 512;

// Arrays nested deeper than this in a CMap program are skipped with their
// contents; real programs nest one level (bfrange destination arrays).
inline constexpr std::size_t kMaxCMapArrayNesting = 32;

struct CMapToken {
    enum class Kind : std::uint8_t { HexString, LiteralString, Word, Integer, Array };
    Kind kind = Kind::Word;
    std::string bytes;  // the string's bytes, or the word's text
    std::int64_t integer = 0;
    std::vector<CMapToken> array;

    bool is_string() const { return kind == Kind::HexString || kind == Kind::LiteralString; }
};

struct CodespaceRange {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    std::uint8_t byte_length = 1;
};

struct BfRange {
    std::string destination;  // as written, UTF-16BE by convention
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
};

struct CidRange {
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    std::uint32_t first_cid = 0;
};

// One character code cut from a shown string.
struct CharCode {
    std::uint32_t code = 0;      // big-endian value of its bytes
    std::size_t position = 0;    // of its first byte in the string
    std::uint8_t byte_length = 1;  // 1 to 4
};

// Which code lengths the code-space ranges allow for a value, answered per
// length so that splitting a string never re-sorts or rescans the ranges.
class CodespaceIndex {
public:
    CodespaceIndex() = default;
    explicit CodespaceIndex(const std::vector<CodespaceRange>& ranges);
    bool empty() const { return empty_; }
    // The code at `position`: the longest length whose ranges hold the value
    // of that many next bytes, else the single byte.
    CharCode code_at(std::string_view bytes, std::size_t position) const;

private:
    bool empty_ = true;
    std::array<RangeIndex, 4> by_length_;  // index 0: one-byte ranges
    std::array<bool, 4> has_length_{};
};

struct ParsedCMap {
    std::vector<CodespaceRange> codespace_ranges;
    std::vector<BfRange> bf_ranges;
    std::vector<CidRange> cid_ranges;
    std::unordered_map<std::uint32_t, std::string> bf_chars;
    std::unordered_map<std::uint32_t, std::uint32_t> cid_chars;

    // True when all five collections are empty (such a CMap counts as absent).
    bool empty() const;

    // Indexes over the lists above; `build_indexes` makes them after parsing
    // (the record is not changed afterwards).
    void build_indexes();
    const BfRange* first_bf_range(std::uint32_t code) const;
    const CidRange* first_cid_range(std::uint32_t code) const;
    // The CID the program's own entries give a code: its cidchar entry, else
    // the first cidrange holding it (saturating at the largest u32); none
    // when neither maps it.
    std::optional<std::uint32_t> cid_of(std::uint32_t code) const;
    const CodespaceIndex& codespace_index() const { return codespace_index_; }

private:
    RangeIndex bf_index_;
    RangeIndex cid_index_;
    CodespaceIndex codespace_index_;
};

// Produces the tokens of a CMap program one top-level token at a time, so a
// large program is never held as one token list.
class CMapTokenizer {
public:
    explicit CMapTokenizer(std::string_view input) : input_(input) {}
    std::optional<CMapToken> next();

private:
    std::string_view input_;
    std::size_t pos_ = 0;
};

std::vector<CMapToken> tokenize_cmap_program(std::string_view bytes);
// Packs hexadecimal digit values (0 to 15, an even count) into bytes, first
// digit in the high nibble.
std::string hex_digits_to_bytes(const std::vector<std::uint8_t>& digits);
ParsedCMap parse_cmap_program(std::string_view bytes);
// UTF-16BE destination bytes to text; none when empty or nothing but U+FFFD.
std::optional<std::string> decode_utf16be_text(std::string_view bytes);

std::vector<CharCode> split_codes_by_codespace(const std::vector<CodespaceRange>& ranges,
                                               std::string_view bytes);
std::vector<CharCode> split_codes_by_codespace(const CodespaceIndex& index, std::string_view bytes);
std::vector<CharCode> split_single_byte_codes(std::string_view bytes);
std::vector<CharCode> split_bytes_as_codes(std::string_view bytes);

// Big-endian value of 1 to 4 bytes.
std::uint32_t big_endian_value(std::string_view bytes);

}  // namespace zvk::font

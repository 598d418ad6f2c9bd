// The one UTF-8 decoder of the module: scalar values with their byte offsets,
// and lossy conversion of arbitrary bytes to valid UTF-8; the one UTF-16BE
// decoder and the one test for Unicode scalar values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zvk {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// At most U+10FFFF and not a surrogate: what UTF-8 and UTF-16 can encode.
constexpr bool is_scalar_value(std::uint32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

struct Utf8Step {
    char32_t scalar;     // U+FFFD for an invalid sequence
    std::size_t offset;  // byte offset of the sequence
    std::size_t length;  // bytes consumed (at least 1)
    bool valid;
};

// Decodes the sequence at `offset` (which must be below text.size()). An
// invalid sequence consumes its maximal valid prefix, at least one byte.
Utf8Step utf8_decode_at(std::string_view text, std::size_t offset);

// Iterates (scalar, offset) over a text: for (auto step : Utf8Range(text)).
class Utf8Range {
public:
    explicit Utf8Range(std::string_view text) : text_(text) {}
    class iterator {
    public:
        iterator(std::string_view text, std::size_t offset) : text_(text), offset_(offset) {}
        // ASCII bytes, most of every text, are decoded inline: text tests
        // walk whole pages character by character.
        Utf8Step operator*() const {
            const auto b = static_cast<unsigned char>(text_[offset_]);
            if (b < 0x80) return {b, offset_, 1, true};
            return utf8_decode_at(text_, offset_);
        }
        iterator& operator++() {
            const auto b = static_cast<unsigned char>(text_[offset_]);
            offset_ += b < 0x80 ? 1 : utf8_decode_at(text_, offset_).length;
            return *this;
        }
        bool operator!=(const iterator& other) const { return offset_ != other.offset_; }

    private:
        std::string_view text_;
        std::size_t offset_;
    };
    iterator begin() const { return {text_, 0}; }
    iterator end() const { return {text_, text_.size()}; }

private:
    std::string_view text_;
};

// The number of scalar values in a text, each invalid sequence counting as
// one (as U+FFFD): the "characters" of every length limit.
std::size_t count_scalar_values(std::string_view text);

// One step of UTF-16BE: the unit at `offset` (offset + 2 <= bytes.size()), or
// the surrogate pair it starts. An unpaired surrogate is invalid: U+FFFD, its
// two bytes consumed (a high surrogate's partner is left for the next step).
struct Utf16Step {
    char32_t scalar;     // U+FFFD for an unpaired surrogate
    std::size_t length;  // 2 or 4
    bool valid;
};
Utf16Step utf16be_decode_at(std::string_view bytes, std::size_t offset);

// Appends the scalar's UTF-8 form; a value that is not a scalar value gives U+FFFD.
void append_utf8(std::string& out, char32_t scalar);
// The bytes as text, each invalid sequence replaced by U+FFFD.
std::string utf8_lossy(std::string_view bytes);
bool is_valid_utf8(std::string_view bytes);

}  // namespace zvk

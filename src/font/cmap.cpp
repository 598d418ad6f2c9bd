#include "font/cmap.h"

#include <deque>

#include "base/checked.h"
#include "base/utf8.h"

namespace zvk::font {

namespace {

bool is_code_string(const CMapToken& token) {
    return token.is_string() && !token.bytes.empty() && token.bytes.size() <= 4;
}

bool is_word(const CMapToken& token, std::string_view word) {
    return token.kind == CMapToken::Kind::Word && token.bytes == word;
}

// A CID as the program writes it, saturated to 32 bits: a negative number
// is CID 0 and one beyond the range 4294967295 (a CID no font has), never
// its low 32 bits, which would name an unrelated glyph.
std::uint32_t cid_value(std::int64_t integer) { return saturate_cast<std::uint32_t>(integer); }

// A destination decoded as text, refusing one longer than the format allows.
std::optional<std::string> destination_text(std::string_view bytes) {
    if (bytes.size() > kMaxCMapDestinationBytes) return std::nullopt;
    return decode_utf16be_text(bytes);
}

// Tokens with lookahead, pulled from the tokenizer as the parser needs them.
class TokenStream {
public:
    explicit TokenStream(std::string_view bytes) : tokenizer_(bytes) {}
    const CMapToken* peek(std::size_t k) {
        while (buffer_.size() <= k) {
            auto token = tokenizer_.next();
            if (!token) return nullptr;
            buffer_.push_back(std::move(*token));
        }
        return &buffer_[k];
    }
    void consume(std::size_t n) {
        for (std::size_t i = 0; i < n && !buffer_.empty(); ++i) buffer_.pop_front();
    }

private:
    CMapTokenizer tokenizer_;
    std::deque<CMapToken> buffer_;
};

enum class Section { Codespace, BfChar, BfRange, CidChar, CidRange };

struct SectionWords {
    std::string_view opener;
    std::string_view end;
    Section section;
};

constexpr SectionWords kSections[] = {
    {"begincodespacerange", "endcodespacerange", Section::Codespace},
    {"beginbfchar", "endbfchar", Section::BfChar},
    {"beginbfrange", "endbfrange", Section::BfRange},
    {"begincidchar", "endcidchar", Section::CidChar},
    {"begincidrange", "endcidrange", Section::CidRange},
};

// Reads one entry at the front of the stream and returns how many tokens it
// used (at least 1).
std::size_t read_entry(Section section, TokenStream& tokens, ParsedCMap& cmap) {
    const CMapToken* t0 = tokens.peek(0);
    const CMapToken* t1 = tokens.peek(1);
    switch (section) {
    case Section::Codespace: {
        if (!t0->is_string() || !t1 || !t1->is_string()) return 1;
        if (is_code_string(*t0) && is_code_string(*t1) && t0->bytes.size() == t1->bytes.size()) {
            cmap.codespace_ranges.push_back({big_endian_value(t0->bytes), big_endian_value(t1->bytes),
                                             static_cast<std::uint8_t>(t0->bytes.size())});
        }
        return 2;
    }
    case Section::BfChar: {
        if (!t0->is_string() || !t1 || !t1->is_string()) return 1;
        if (is_code_string(*t0)) {
            if (auto text = destination_text(t1->bytes)) {
                cmap.bf_chars.insert_or_assign(big_endian_value(t0->bytes), std::move(*text));
            }
        }
        return 2;
    }
    case Section::BfRange: {
        if (!is_code_string(*t0) || !t1 || !is_code_string(*t1)) return 1;
        const CMapToken* t2 = tokens.peek(2);
        // peek only appends to the deque, which keeps t0 and t1 valid.
        if (!t2 || (!t2->is_string() && t2->kind != CMapToken::Kind::Array)) return 1;
        std::uint32_t lo = big_endian_value(t0->bytes);
        std::uint32_t hi = big_endian_value(t1->bytes);
        if (t2->is_string()) {
            // An over-long destination stays in its place in the list (it
            // still hides later overlapping ranges) but gives no text.
            std::string destination =
                t2->bytes.size() > kMaxCMapDestinationBytes ? std::string() : t2->bytes;
            cmap.bf_ranges.push_back({std::move(destination), lo, hi});
        } else {
            for (std::size_t k = 0; k < t2->array.size(); ++k) {
                std::uint32_t code = saturate_cast<std::uint32_t>(std::uint64_t{lo} + k);
                if (code > hi) break;
                const CMapToken& element = t2->array[k];
                if (!element.is_string()) continue;
                if (auto text = destination_text(element.bytes)) {
                    cmap.bf_chars.insert_or_assign(code, std::move(*text));
                }
            }
        }
        return 3;
    }
    case Section::CidChar: {
        if (!t0->is_string() || !t1 || t1->kind != CMapToken::Kind::Integer) return 1;
        if (is_code_string(*t0)) {
            cmap.cid_chars.insert_or_assign(big_endian_value(t0->bytes), cid_value(t1->integer));
        }
        return 2;
    }
    case Section::CidRange: {
        if (!t0->is_string() || !t1 || !t1->is_string()) return 1;
        const CMapToken* t2 = tokens.peek(2);
        if (!t2 || t2->kind != CMapToken::Kind::Integer) return 1;
        if (is_code_string(*t0) && is_code_string(*t1)) {
            cmap.cid_ranges.push_back({big_endian_value(t0->bytes), big_endian_value(t1->bytes),
                                       cid_value(t2->integer)});
        }
        return 3;
    }
    }
    return 1;
}

}  // namespace

std::uint32_t big_endian_value(std::string_view bytes) {
    std::uint32_t value = 0;
    for (unsigned char b : bytes) value = (value << 8) | b;
    return value;
}

ParsedCMap parse_cmap_program(std::string_view bytes) {
    ParsedCMap cmap;
    TokenStream tokens(bytes);
    while (const CMapToken* token = tokens.peek(0)) {
        const SectionWords* words = nullptr;
        if (token->kind == CMapToken::Kind::Word) {
            for (const auto& candidate : kSections) {
                if (token->bytes == candidate.opener) words = &candidate;
            }
        }
        tokens.consume(1);
        if (!words) continue;
        while (const CMapToken* entry = tokens.peek(0)) {
            if (is_word(*entry, words->end)) {
                tokens.consume(1);
                break;
            }
            tokens.consume(read_entry(words->section, tokens, cmap));
        }
    }
    cmap.build_indexes();
    return cmap;
}

std::optional<std::string> decode_utf16be_text(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    std::string padded;
    if (bytes.size() % 2 != 0) {
        padded.reserve(bytes.size() + 1);
        padded.push_back('\0');
        padded.append(bytes);
        bytes = padded;
    }
    std::string text;
    bool only_replacement = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf16Step step = utf16be_decode_at(bytes, i);
        if (step.scalar != kReplacementChar) only_replacement = false;
        append_utf8(text, step.scalar);
        i += step.length;
    }
    if (only_replacement) return std::nullopt;
    return text;
}

bool ParsedCMap::empty() const {
    return codespace_ranges.empty() && bf_ranges.empty() && cid_ranges.empty() && bf_chars.empty() &&
           cid_chars.empty();
}

void ParsedCMap::build_indexes() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    spans.reserve(bf_ranges.size());
    for (const auto& range : bf_ranges) spans.emplace_back(range.lo, range.hi);
    bf_index_ = RangeIndex(spans);
    spans.clear();
    for (const auto& range : cid_ranges) spans.emplace_back(range.lo, range.hi);
    cid_index_ = RangeIndex(spans);
    codespace_index_ = CodespaceIndex(codespace_ranges);
}

const BfRange* ParsedCMap::first_bf_range(std::uint32_t code) const {
    auto index = bf_index_.first_holding(code);
    return index ? &bf_ranges[*index] : nullptr;
}

const CidRange* ParsedCMap::first_cid_range(std::uint32_t code) const {
    auto index = cid_index_.first_holding(code);
    return index ? &cid_ranges[*index] : nullptr;
}

std::optional<std::uint32_t> ParsedCMap::cid_of(std::uint32_t code) const {
    if (auto it = cid_chars.find(code); it != cid_chars.end()) return it->second;
    if (const CidRange* range = first_cid_range(code)) return saturating_add(range->first_cid, code - range->lo);
    return std::nullopt;
}

CodespaceIndex::CodespaceIndex(const std::vector<CodespaceRange>& ranges) {
    empty_ = ranges.empty();
    for (std::size_t length = 1; length <= 4; ++length) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
        for (const auto& range : ranges) {
            if (range.byte_length == length) spans.emplace_back(range.lo, range.hi);
        }
        has_length_[length - 1] = !spans.empty();
        if (!spans.empty()) by_length_[length - 1] = RangeIndex(spans);
    }
}

CharCode CodespaceIndex::code_at(std::string_view bytes, std::size_t position) const {
    // Trying lengths from the longest down finds the same code as trying the
    // ranges ordered by length (descending), then lo: any range of a length
    // that holds the value gives the same code.
    const std::size_t remaining = bytes.size() - position;
    for (std::size_t length = 4; length >= 1; --length) {
        if (!has_length_[length - 1] || remaining < length) continue;
        std::uint32_t value = big_endian_value(bytes.substr(position, length));
        if (by_length_[length - 1].first_holding(value)) {
            return {value, position, static_cast<std::uint8_t>(length)};
        }
    }
    return {static_cast<unsigned char>(bytes[position]), position, 1};
}

std::vector<CharCode> split_codes_by_codespace(const CodespaceIndex& index, std::string_view bytes) {
    if (index.empty()) return split_bytes_as_codes(bytes);
    std::vector<CharCode> codes;
    for (std::size_t p = 0; p < bytes.size();) {
        CharCode code = index.code_at(bytes, p);
        codes.push_back(code);
        p += code.byte_length;
    }
    return codes;
}

std::vector<CharCode> split_codes_by_codespace(const std::vector<CodespaceRange>& ranges,
                                               std::string_view bytes) {
    return split_codes_by_codespace(CodespaceIndex(ranges), bytes);
}

std::vector<CharCode> split_bytes_as_codes(std::string_view bytes) {
    std::vector<CharCode> codes;
    codes.reserve(bytes.size());
    for (std::size_t p = 0; p < bytes.size(); ++p) {
        codes.push_back({static_cast<unsigned char>(bytes[p]), p, 1});
    }
    return codes;
}

std::vector<CharCode> split_single_byte_codes(std::string_view bytes) {
    return split_bytes_as_codes(bytes);
}

}  // namespace zvk::font

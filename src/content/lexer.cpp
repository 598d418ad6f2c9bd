#include "content/lexer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "base/utf8.h"
#include "content/lexer_grammar.h"

namespace zvk {

namespace {

constexpr std::array<std::string_view, kOperatorCount> kOperatorNames = {
    "q",  "Q",  "cm", "w",  "J",  "j",  "M",  "d",   "ri",  "i",  "gs",  "CS",  "cs",
    "SC", "SCN", "sc", "scn", "G", "g",  "RG", "rg",  "K",   "k",  "m",   "l",   "c",
    "v",  "y",  "h",  "re", "S",  "s",  "f",  "F",   "f*",  "B",  "B*",  "b",   "b*",
    "n",  "W",  "W*", "BT", "ET", "Tc", "Tw", "Tz",  "TL",  "Tf", "Tr",  "Ts",  "Td",
    "TD", "Tm", "T*", "Tj", "TJ", "'",  "\"", "Do",  "BMC", "BDC", "EMC", "MP", "DP",
    "BX", "EX", "d0", "d1", "BI", "ID", "EI", "sh",
};

// Operators are one to three bytes: a keyword packs into one integer with its
// length, and the operators' packed keys, sorted, are searched by bisection.
// Every operation of a stream is looked up here, so no hashing of strings.
constexpr std::uint32_t pack_keyword(std::string_view keyword) {
    std::uint32_t key = static_cast<std::uint32_t>(keyword.size()) << 24;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        key |= std::uint32_t{static_cast<unsigned char>(keyword[i])} << (16 - 8 * i);
    }
    return key;
}

struct PackedOperator {
    std::uint32_t key;
    OperatorCode code;
};

// The packed keys in a hash table with linear probing, less than a third
// full; key 0 (no keyword packs to it) marks an empty slot.
constexpr std::size_t kOperatorSlots = 256;

constexpr std::size_t operator_slot(std::uint32_t key) { return (key * 0x9E3779B1u) >> 24; }

constexpr std::array<PackedOperator, kOperatorSlots> kOperatorTable = [] {
    std::array<PackedOperator, kOperatorSlots> table{};
    for (std::size_t k = 0; k < kOperatorCount; ++k) {
        const std::uint32_t key = pack_keyword(kOperatorNames[k]);
        std::size_t slot = operator_slot(key);
        while (table[slot].key != 0) slot = (slot + 1) % kOperatorSlots;
        table[slot] = {key, static_cast<OperatorCode>(k)};
    }
    return table;
}();


// Numbers of content streams are short decimals ("0.5", "612", "-12.345").
// With at most 15 digits in all and at most 8 after the point, the digits
// and the power of ten are exact doubles and their quotient is the double
// nearest the text. Rounding that double to f32 gives the f32 nearest the
// text: the quotient m / 10^k differs from any midpoint P / 2^e between two
// f32 values (P below 2^25) by at least 1 / (10^k 2^e), which for k <= 8 is
// more than the double's rounding error. The same value as the general
// conversion, for a fraction of its cost.
constexpr int kMaxShortDigits = 15;
constexpr int kMaxShortDecimals = 8;
constexpr double kPowersOfTen[kMaxShortDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// A number read from where starts_number() holds: its text, whether it has
// a digit (else it is a bad number), and its value when asked for.
struct ScannedNumber {
    std::string_view text;
    bool valid = false;
    float value = 0.0f;
};

ScannedNumber scan_number(std::string_view data, std::size_t& position, bool convert) {
    const char* const first = data.data() + position;
    const char* const end = data.data() + data.size();
    const char* p = first;
    bool integral_nonzero = false;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    // The digits are gathered as they are scanned, for the short decimals
    // that convert_number_text converts exactly from them (most numbers of
    // content); any other text goes to it whole.
    std::uint64_t value = 0;
    const char* const integral = p;
    for (; p != end && is_ascii_digit(*p); ++p) {
        integral_nonzero |= *p != '0';
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    int count = static_cast<int>(std::min<std::ptrdiff_t>(p - integral, kMaxShortDigits + 1));
    int decimals = 0;
    if (p != end && *p == '.') {
        ++p;
        const char* const fraction = p;
        for (; p != end && is_ascii_digit(*p); ++p) value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        decimals = static_cast<int>(std::min<std::ptrdiff_t>(p - fraction, kMaxShortDecimals + 1));
        count += static_cast<int>(std::min<std::ptrdiff_t>(p - fraction, kMaxShortDigits + 1));
    }
    position += static_cast<std::size_t>(p - first);
    ScannedNumber out{std::string_view(first, static_cast<std::size_t>(p - first)), count > 0, 0.0f};
    if (!out.valid || !convert) return out;
    if (count <= kMaxShortDigits && decimals <= kMaxShortDecimals) {
        const auto magnitude = static_cast<float>(static_cast<double>(value) / kPowersOfTen[decimals]);
        out.value = negative ? -magnitude : magnitude;
    } else {
        out.value = convert_number_text(out.text, integral_nonzero);
    }
    return out;
}

std::string bad_number_message(std::string_view text) { return "bad number '" + quote_token(text) + "'"; }

// Parses one operand; holds the element count of the operand being read, so
// that the cap covers nested values too.
class OperandParser {
public:
    // Without `keep`, operands are checked exactly as they are read, with
    // the same messages, but their values are not built: each comes back as
    // null (the pass that gathers a stream's messages needs no values).
    OperandParser(std::string_view data, std::size_t& pos, bool keep = true)
        : data_(data), pos_(pos), keep_(keep) {}

    ParsedOperand parse(std::size_t depth);

private:
    ParsedOperand error(std::string text) { return {std::nullopt, std::move(text)}; }
    ParsedOperand parse_number();
    ParsedOperand parse_literal_string();
    ParsedOperand skip_literal_string();
    ParsedOperand parse_hex_string();
    ParsedOperand parse_array(std::size_t depth);
    ParsedOperand parse_dictionary(std::size_t depth);
    ParsedOperand parse_bare_token();
    // Counts one more element of the operand; false past the cap.
    bool count_element() { return ++elements_ <= kMaxOperandElements; }

    std::string_view data_;
    std::size_t& pos_;
    bool keep_;
    std::size_t elements_ = 0;
};

std::string nesting_message() {
    return "operand nested more than " + std::to_string(kMaxOperandNesting) + " levels deep";
}

std::string elements_message() {
    return "operand with more than " + std::to_string(kMaxOperandElements) + " elements";
}

ParsedOperand OperandParser::parse(std::size_t depth) {
    const std::size_t n = data_.size();
    if (pos_ >= n) return error("unexpected end of content stream");
    auto c = static_cast<unsigned char>(data_[pos_]);
    if (starts_number(data_, pos_)) return parse_number();
    switch (c) {
    case '(': return parse_literal_string();
    case '<':
        if (pos_ + 1 < n && data_[pos_ + 1] == '<') return parse_dictionary(depth);
        return parse_hex_string();
    case '/':
        if (!keep_) {
            pos_ = find_keyword_end(data_, pos_ + 1);
            return {Operand::make_null(), {}};
        }
        return {Operand::make_name(parse_name_text(data_, pos_)), {}};
    case '[': return parse_array(depth);
    default: return parse_bare_token();
    }
}

ParsedOperand OperandParser::parse_number() {
    const ScannedNumber number = scan_number(data_, pos_, keep_);
    if (!number.valid) return error(bad_number_message(number.text));
    if (!keep_) return {Operand::make_null(), {}};
    return {Operand::make_number(number.value), {}};
}

ParsedOperand OperandParser::parse_literal_string() {
    const std::size_t n = data_.size();
    ++pos_;
    if (!keep_) return skip_literal_string();
    std::string out;
    std::size_t depth = 1;
    while (pos_ < n) {
        char c = data_[pos_++];
        if (c == '\\') {
            if (pos_ >= n) break;
            char e = data_[pos_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case '\r':
                if (pos_ < n && data_[pos_] == '\n') ++pos_;
                break;
            case '\n': break;
            default:
                if (e >= '0' && e <= '7') {
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int k = 0; k < 2 && pos_ < n && data_[pos_] >= '0' && data_[pos_] <= '7'; ++k) {
                        value = value * 8 + static_cast<unsigned>(data_[pos_++] - '0');
                    }
                    out += static_cast<char>(value & 0xFF);
                } else {
                    // ( ) and the backslash itself, and any other byte, stand for themselves.
                    out += e;
                }
            }
        } else if (c == '(') {
            ++depth;
            out += c;
        } else if (c == ')') {
            if (--depth == 0) return {Operand::make_string(std::move(out)), {}};
            out += c;
        } else {
            out += c;
        }
    }
    return error("unterminated literal string");
}

// The same walk as parse_literal_string, building nothing.
ParsedOperand OperandParser::skip_literal_string() {
    const std::size_t n = data_.size();
    std::size_t depth = 1;
    while (pos_ < n) {
        char c = data_[pos_++];
        if (c == '\\') {
            if (pos_ >= n) break;
            char e = data_[pos_++];
            if (e == '\r') {
                if (pos_ < n && data_[pos_] == '\n') ++pos_;
            } else if (e >= '0' && e <= '7') {
                for (int k = 0; k < 2 && pos_ < n && data_[pos_] >= '0' && data_[pos_] <= '7'; ++k) ++pos_;
            }
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) return {Operand::make_null(), {}};
        }
    }
    return error("unterminated literal string");
}

ParsedOperand OperandParser::parse_hex_string() {
    const std::size_t n = data_.size();
    ++pos_;
    std::string out;
    int high = -1;  // the pending first nibble of a byte
    while (pos_ < n) {
        auto c = static_cast<unsigned char>(data_[pos_++]);
        if (is_pdf_white_space(c)) continue;
        if (c == '>') {
            if (!keep_) return {Operand::make_null(), {}};
            if (high >= 0) out += static_cast<char>(high << 4);
            return {Operand::make_string(std::move(out)), {}};
        }
        int v = hex_digit_value(c);
        if (v < 0) return error("bad hex string");
        if (high < 0) {
            high = v;
        } else {
            if (keep_) out += static_cast<char>((high << 4) | v);
            high = -1;
        }
    }
    return error("unterminated hex string");
}

ParsedOperand OperandParser::parse_array(std::size_t depth) {
    if (depth >= kMaxOperandNesting) return error(nesting_message());
    ++pos_;
    std::vector<Operand> items;
    while (true) {
        skip_white_space_and_comments(data_, pos_);
        if (pos_ >= data_.size()) return error("unterminated array");
        if (data_[pos_] == ']') {
            ++pos_;
            if (!keep_) return {Operand::make_null(), {}};
            return {Operand::make_array(std::move(items)), {}};
        }
        ParsedOperand item = parse(depth + 1);
        if (!item.operand) return item;
        if (!count_element()) return error(elements_message());
        if (keep_) items.push_back(std::move(*item.operand));
    }
}

ParsedOperand OperandParser::parse_dictionary(std::size_t depth) {
    if (depth >= kMaxOperandNesting) return error(nesting_message());
    const std::size_t n = data_.size();
    pos_ += 2;
    std::vector<DictionaryEntry> entries;
    while (true) {
        skip_white_space_and_comments(data_, pos_);
        if (pos_ >= n) return error("unterminated dictionary");
        if (data_[pos_] == '>' && pos_ + 1 < n && data_[pos_ + 1] == '>') {
            pos_ += 2;
            if (!keep_) return {Operand::make_null(), {}};
            return {Operand::make_dictionary(std::move(entries)), {}};
        }
        if (data_[pos_] != '/') return error("dictionary key is not a name");
        std::string key;
        if (keep_) {
            key = parse_name_text(data_, pos_);
        } else {
            pos_ = find_keyword_end(data_, pos_ + 1);
        }
        skip_white_space_and_comments(data_, pos_);
        ParsedOperand value = parse(depth + 1);
        if (!value.operand) return value;
        if (!count_element()) return error(elements_message());
        if (keep_) entries.push_back({std::move(key), std::move(*value.operand)});
    }
}

ParsedOperand OperandParser::parse_bare_token() {
    std::size_t end = find_keyword_end(data_, pos_);
    std::string_view token = data_.substr(pos_, end - pos_);
    pos_ = end > pos_ ? end : pos_ + 1;
    if (token == "true") return {Operand::make_boolean(true), {}};
    if (token == "false") return {Operand::make_boolean(false), {}};
    if (token == "null") return {Operand::make_null(), {}};
    return error("unexpected token '" + quote_token(token) + "'");
}

}  // namespace

namespace {

// The classes of every byte in one table: the lexer asks them of every byte
// of every stream.
constexpr std::uint8_t kWhiteSpace = 1;
constexpr std::uint8_t kEndsKeyword = 2;

constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned c = 0; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        if (is_pdf_white_space(b)) table[c] |= kWhiteSpace;
        if (b == 0x09 || b == 0x0A || b == 0x0C || b == 0x0D || b == 0x20 || is_pdf_delimiter(b)) {
            table[c] |= kEndsKeyword;
        }
    }
    return table;
}();

}  // namespace

bool ends_keyword(unsigned char c) { return (kByteClasses[c] & kEndsKeyword) != 0; }

std::size_t find_keyword_end(std::string_view data, std::size_t pos) {
    while (pos < data.size() && !ends_keyword(static_cast<unsigned char>(data[pos]))) ++pos;
    return pos;
}

void skip_white_space_and_comments(std::string_view data, std::size_t& pos) {
    const std::size_t n = data.size();
    while (pos < n) {
        auto c = static_cast<unsigned char>(data[pos]);
        if ((kByteClasses[c] & kWhiteSpace) != 0) {
            ++pos;
        } else if (c == '%') {
            while (pos < n && data[pos] != '\n' && data[pos] != '\r') ++pos;
        } else {
            return;
        }
    }
}

bool starts_number(std::string_view data, std::size_t pos) {
    if (pos >= data.size()) return false;
    auto c = static_cast<unsigned char>(data[pos]);
    if (is_ascii_digit(c) || c == '.') return true;
    if ((c == '+' || c == '-') && pos + 1 < data.size()) {
        auto d = static_cast<unsigned char>(data[pos + 1]);
        return is_ascii_digit(d) || d == '.';
    }
    return false;
}

namespace {

// The short decimals described at the top, from their text.
std::optional<float> short_decimal_value(const char* first, const char* last) {
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = -1;  // digits after the point; -1 before it
    for (const char* p = first; p != last; ++p) {
        if (*p == '.') {
            if (decimals >= 0) return std::nullopt;
            decimals = 0;
            continue;
        }
        if (*p < '0' || *p > '9') return std::nullopt;
        if (++count > kMaxShortDigits) return std::nullopt;
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        if (decimals >= 0 && ++decimals > kMaxShortDecimals) return std::nullopt;
    }
    if (count == 0) return std::nullopt;
    const double exact = static_cast<double>(digits) / kPowersOfTen[decimals < 0 ? 0 : decimals];
    return static_cast<float>(exact);
}

}  // namespace

float convert_number_text(std::string_view text, bool integral_nonzero) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    bool negative = false;
    if (*first == '+' || *first == '-') {
        negative = *first == '-';
        ++first;
    }
    if (auto value = short_decimal_value(first, last)) return negative ? -*value : *value;
    float value = 0.0f;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc()) return negative ? -value : value;
    // Out of the f32 range: a non-zero integral part overflows to an
    // infinity; otherwise the value is tiny and rounds to zero or a subnormal,
    // which the wider type still tells apart.
    if (integral_nonzero) value = std::numeric_limits<float>::infinity();
    else {
        double wide = 0.0;
        auto result = std::from_chars(first, last, wide);
        value = result.ec == std::errc() ? static_cast<float>(wide) : 0.0f;
    }
    return negative ? -value : value;
}

std::string parse_name_text(std::string_view data, std::size_t& pos) {
    ++pos;
    std::size_t end = find_keyword_end(data, pos);
    std::string bytes;
    bytes.reserve(end - pos);
    while (pos < end) {
        char c = data[pos];
        if (c == '#' && pos + 2 < end &&
            hex_digit_value(static_cast<unsigned char>(data[pos + 1])) >= 0 &&
            hex_digit_value(static_cast<unsigned char>(data[pos + 2])) >= 0) {
            bytes += static_cast<char>(hex_digit_value(static_cast<unsigned char>(data[pos + 1])) * 16 +
                                       hex_digit_value(static_cast<unsigned char>(data[pos + 2])));
            pos += 3;
        } else {
            bytes += c;
            ++pos;
        }
    }
    return utf8_lossy(bytes);
}

std::string quote_token(std::string_view bytes) {
    std::string out;
    for (Utf8Step step : Utf8Range(bytes)) {
        std::string piece;
        append_utf8(piece, step.scalar);
        if (out.size() + piece.size() > kMaxQuotedTokenBytes) return out + "…";
        out += piece;
    }
    return out;
}

std::optional<OperatorCode> find_operator(std::string_view keyword) {
    if (keyword.empty() || keyword.size() > 3) return std::nullopt;
    const std::uint32_t key = pack_keyword(keyword);
    for (std::size_t slot = operator_slot(key);; slot = (slot + 1) % kOperatorSlots) {
        const PackedOperator& entry = kOperatorTable[slot];
        if (entry.key == key) return entry.code;
        if (entry.key == 0) return std::nullopt;
    }
}

std::string_view operator_name(OperatorCode code) {
    return kOperatorNames[static_cast<std::size_t>(code)];
}

std::optional<std::string_view> read_keyword(std::string_view data, std::size_t pos) {
    if (pos >= data.size()) return std::nullopt;
    auto c = static_cast<unsigned char>(data[pos]);
    if (is_ascii_digit(c) || c == '.' || ends_keyword(c) || starts_number(data, pos)) return std::nullopt;
    std::size_t end = find_keyword_end(data, pos);
    std::string_view run = data.substr(pos, end - pos);
    if (!is_valid_utf8(run)) return std::nullopt;
    return run;
}

ParsedOperand parse_operand(std::string_view data, std::size_t& pos) {
    return OperandParser(data, pos).parse(0);
}

ContentLexer::ContentLexer(std::string_view data, OperandList carried, LexerMessageSink sink,
                           bool build_operands)
    : data_(data), pending_(std::move(carried)), sink_(std::move(sink)), build_operands_(build_operands) {}

std::optional<ContentOperation> ContentLexer::next() {
    ContentOperation op;
    if (!next(op)) return std::nullopt;
    return op;
}

bool ContentLexer::next(ContentOperation& op) {
    while (true) {
        skip_white_space_and_comments(data_, pos_);
        if (pos_ >= data_.size()) return false;
        const bool number = starts_number(data_, pos_);
        // read_keyword's test without its check of UTF-8: no operator has a
        // byte beyond ASCII, and a run that names no operator is read as an
        // operand either way.
        const auto c = static_cast<unsigned char>(data_[pos_]);
        if (!number && c != '.' && !ends_keyword(c)) {
            const std::string_view keyword = data_.substr(pos_, find_keyword_end(data_, pos_) - pos_);
            if (auto code = find_operator(keyword)) {
                if (!operand_read_) start_ = pos_;
                pos_ += keyword.size();
                op.op = *code;
                op.byte_start = start_;
                if (*code == OperatorCode::BI) {
                    // Pending operands wait for the next operator.
                    op.operands.clear();
                    read_inline_image();
                } else {
                    // The list handed over last time comes back to gather
                    // the next operands, its room kept.
                    op.operands.swap(pending_);
                    pending_.clear();
                    skipped_operands_ = 0;
                }
                op.byte_end = pos_;
                operand_read_ = false;
                return true;
            }
        }
        const std::size_t begin = pos_;
        if (number) {
            // The commonest operand, read without the general parser.
            const ScannedNumber scanned = scan_number(data_, pos_, build_operands_);
            if (scanned.valid) {
                if (!operand_read_) start_ = begin;
                operand_read_ = true;
                if (build_operands_) {
                    pending_.push_number(scanned.value);
                } else {
                    ++skipped_operands_;
                }
            } else {
                report(bad_number_message(scanned.text));
            }
            continue;
        }
        ParsedOperand parsed = OperandParser(data_, pos_, build_operands_).parse(0);
        if (parsed.operand) {
            if (!operand_read_) start_ = begin;
            operand_read_ = true;
            if (build_operands_) {
                pending_.push_back(std::move(*parsed.operand));
            } else {
                ++skipped_operands_;
            }
        } else {
            report(std::move(parsed.error));
            if (pos_ == begin && pos_ < data_.size()) ++pos_;
        }
    }
}

LexedContent lex_content(std::string_view data, OperandList carried) {
    LexedContent out;
    ContentLexer lexer(data, std::move(carried),
                       [&out](std::string message) { out.messages.push_back(std::move(message)); });
    while (auto op = lexer.next()) out.operations.push_back(std::move(*op));
    out.leftover_operands = lexer.take_leftover();
    return out;
}

std::string trailing_operands_message(std::size_t data_length) {
    return "trailing operands at byte " + std::to_string(data_length);
}

LexedContent lex_content_stream(std::string_view data) {
    LexedContent out = lex_content(data);
    if (!out.leftover_operands.empty()) {
        out.messages.push_back(trailing_operands_message(data.size()));
        out.leftover_operands.clear();
    }
    return out;
}

}  // namespace zvk

// The CMap tokenizer. Arrays are delimited by counting raw bracket bytes
// (brackets inside strings and comments count too) and their contents are
// tokenized within those bounds; this runs on an explicit stack so that a
// deeply nested program costs neither native stack nor rescans.
#include <charconv>

#include "base/pdf_syntax.h"
#include "base/utf8.h"
#include "font/cmap.h"

namespace zvk::font {

namespace {

// Unlike a content stream, a CMap program does not count NUL as white space.
bool is_whitespace(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}



// The position of the `]` that closes the `[` at `open`, counting every
// bracket byte up to `limit`; `limit` when the array is never closed.
std::size_t matching_bracket(std::string_view in, std::size_t open, std::size_t limit) {
    std::size_t depth = 0;
    for (std::size_t i = open; i < limit; ++i) {
        if (in[i] == '[') {
            ++depth;
        } else if (in[i] == ']') {
            if (--depth == 0) return i;
        }
    }
    return limit;
}

struct Frame {
    std::vector<CMapToken> items;
    std::size_t end;  // the closing bracket, or the enclosing limit when unclosed
    bool closed;
};

}  // namespace

std::string hex_digits_to_bytes(const std::vector<std::uint8_t>& digits) {
    std::string out;
    out.reserve(digits.size() / 2);
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<char>((digits[i] << 4) | (digits[i + 1] & 0x0F)));
    }
    return out;
}

std::optional<CMapToken> CMapTokenizer::next() {
    const std::string_view in = input_;
    std::vector<Frame> stack;
    auto limit = [&] { return stack.empty() ? in.size() : stack.back().end; };
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };

    while (true) {
        std::optional<CMapToken> token;
        const std::size_t end = limit();
        if (pos_ >= end) {
            if (stack.empty()) return std::nullopt;
            Frame frame = std::move(stack.back());
            stack.pop_back();
            pos_ = frame.closed ? frame.end + 1 : frame.end;
            token = CMapToken{CMapToken::Kind::Array, {}, 0, std::move(frame.items)};
        } else {
            const unsigned char c = byte(pos_);
            if (is_whitespace(c)) {
                ++pos_;
                continue;
            }
            if (c == '%') {
                while (pos_ < end && byte(pos_) != '\n' && byte(pos_) != '\r') ++pos_;
                continue;
            }
            if (c == '(') {
                ++pos_;
                std::string bytes;
                int depth = 1;
                while (pos_ < end) {
                    unsigned char b = byte(pos_);
                    if (b == '\\') {
                        if (pos_ + 1 < end) {
                            bytes.push_back(in[pos_ + 1]);
                            pos_ += 2;
                        } else {
                            bytes.push_back('\\');
                            ++pos_;
                        }
                        continue;
                    }
                    ++pos_;
                    if (b == '(') {
                        ++depth;
                    } else if (b == ')') {
                        if (depth == 1) break;
                        --depth;
                    }
                    bytes.push_back(static_cast<char>(b));
                }
                token = CMapToken{CMapToken::Kind::LiteralString, std::move(bytes), 0, {}};
            } else if (c == '/') {
                std::size_t start = ++pos_;
                while (pos_ < end && !is_whitespace(byte(pos_)) && !is_pdf_delimiter(byte(pos_))) ++pos_;
                token = CMapToken{CMapToken::Kind::Word, utf8_lossy(in.substr(start, pos_ - start)), 0, {}};
            } else if (c == '<') {
                ++pos_;
                std::vector<std::uint8_t> digits;
                while (pos_ < end && byte(pos_) != '>') {
                    int v = hex_digit_value(byte(pos_));
                    if (v >= 0) digits.push_back(static_cast<std::uint8_t>(v));
                    ++pos_;
                }
                if (pos_ < end) ++pos_;  // the closing '>'
                if (digits.size() % 2 != 0) digits.push_back(0);
                token = CMapToken{CMapToken::Kind::HexString, hex_digits_to_bytes(digits), 0, {}};
            } else if (c == '[') {
                std::size_t close = matching_bracket(in, pos_, end);
                if (stack.size() >= kMaxCMapArrayNesting) {
                    // Too deep: the array and everything inside it are passed over.
                    pos_ = close < end ? close + 1 : end;
                    continue;
                }
                ++pos_;
                stack.push_back(Frame{{}, close, close < end});
                continue;
            } else if (is_ascii_digit(c) || c == '+' || c == '-') {
                std::size_t start = pos_;
                if (!is_ascii_digit(c)) ++pos_;
                std::size_t digits_start = pos_;
                while (pos_ < end && is_ascii_digit(byte(pos_))) ++pos_;
                if (pos_ == digits_start) continue;  // a sign alone gives nothing
                // from_chars takes no '+': parse the digits and apply the sign.
                const char* first = in.data() + (c == '+' ? digits_start : start);
                std::int64_t value = 0;
                auto [ptr, ec] = std::from_chars(first, in.data() + pos_, value);
                if (ec != std::errc()) continue;  // overflow gives no token
                token = CMapToken{CMapToken::Kind::Integer, {}, value, {}};
            } else if (c == ')' || c == '>' || c == ']' || c == '{' || c == '}') {
                ++pos_;
                continue;
            } else {
                std::size_t start = pos_;
                while (pos_ < end && !is_whitespace(byte(pos_)) && !is_pdf_delimiter(byte(pos_))) ++pos_;
                token = CMapToken{CMapToken::Kind::Word, utf8_lossy(in.substr(start, pos_ - start)), 0, {}};
            }
        }
        if (stack.empty()) return token;
        stack.back().items.push_back(std::move(*token));
    }
}

std::vector<CMapToken> tokenize_cmap_program(std::string_view bytes) {
    std::vector<CMapToken> tokens;
    CMapTokenizer tokenizer(bytes);
    while (auto token = tokenizer.next()) tokens.push_back(std::move(*token));
    return tokens;
}

}  // namespace zvk::font

#include "base/json_reader.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "base/utf8.h"

namespace zvk {

namespace {

// The syntax check that runs before nlohmann sees the text. nlohmann has no
// depth limit and describes its errors in its own words; this scanner follows
// the grammar of RFC 8259 with the error descriptions and positions of a
// strict streaming reader, and refuses the 129th level of nesting. A text it
// accepts is then parsed by nlohmann, which agrees with it on every valid
// text (both refuse lone surrogates, raw control characters, invalid UTF-8 and
// numbers outside the range of a double).
class JsonSyntaxCheck {
public:
    explicit JsonSyntaxCheck(std::string_view text) : s_(text) {}

    // The error as (description, index for json_error_at), or unset.
    std::optional<std::pair<const char*, std::size_t>> run() {
        if (!value()) return error_;
        skip_white_space();
        if (i_ < s_.size()) {
            peek_error("trailing characters");
            return error_;
        }
        return std::nullopt;
    }

    // Checks the one value at `offset`; its end, or the error.
    std::expected<std::size_t, std::pair<const char*, std::size_t>> run_one(std::size_t offset) {
        i_ = offset;
        if (!value()) return std::unexpected(error_);
        return i_;
    }

private:
    // An error located at the byte just peeked at (or at the end).
    bool peek_error(const char* what) {
        error_ = {what, std::min(i_ + 1, s_.size())};
        return false;
    }
    // An error located after the bytes consumed so far.
    bool error(const char* what) {
        error_ = {what, i_};
        return false;
    }

    bool at_end() const { return i_ >= s_.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(s_[i_]); }
    static bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

    void skip_white_space() {
        while (!at_end()) {
            unsigned char c = peek();
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') break;
            ++i_;
        }
    }

    bool value() {
        skip_white_space();
        if (at_end()) return peek_error("EOF while parsing a value");
        switch (peek()) {
        case 'n':
            return literal("null");
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case '-':
            return number();
        case '"':
            ++i_;
            return string();
        case '[':
        case '{': {
            if (depth_ == kJsonNestingLimit) return peek_error("recursion limit exceeded");
            const bool is_array = peek() == '[';
            ++depth_;
            ++i_;
            bool ok = is_array ? array() : object();
            --depth_;
            return ok;
        }
        default:
            if (is_digit(peek())) return number();
            return peek_error("expected value");
        }
    }

    bool literal(std::string_view word) {
        const std::size_t start = i_;
        ++i_;
        for (std::size_t k = 1; k < word.size(); ++k, ++i_) {
            if (at_end()) return error("EOF while parsing a value");
            if (s_[i_] != word[k]) {
                // A word that is not a JSON literal is no value at all: the
                // error points at its first byte.
                i_ = start;
                return peek_error("expected value");
            }
        }
        return true;
    }

    bool number() {
        const std::size_t start = i_;
        if (peek() == '-') ++i_;
        if (at_end()) return error("EOF while parsing a value");
        unsigned char first = peek();
        ++i_;
        if (first == '0') {
            if (!at_end() && is_digit(peek())) return peek_error("invalid number");
        } else if (is_digit(first)) {
            while (!at_end() && is_digit(peek())) ++i_;
        } else {
            return error("invalid number");
        }
        if (!at_end() && peek() == '.') {
            ++i_;
            if (at_end()) return peek_error("EOF while parsing a value");
            if (!is_digit(peek())) return peek_error("invalid number");
            while (!at_end() && is_digit(peek())) ++i_;
        }
        if (!at_end() && (peek() == 'e' || peek() == 'E')) {
            ++i_;
            if (!at_end() && (peek() == '+' || peek() == '-')) ++i_;
            if (at_end()) return error("EOF while parsing a value");
            unsigned char c = peek();
            ++i_;
            if (!is_digit(c)) return error("invalid number");
            while (!at_end() && is_digit(peek())) ++i_;
        }
        // A number beyond the range of a double is refused (nlohmann would
        // quietly read it as an infinity); one too small becomes zero.
        double d = 0.0;
        auto r = std::from_chars(s_.data() + start, s_.data() + i_, d);
        if (r.ec == std::errc::result_out_of_range && decimal_exponent_positive(start))
            return error("number out of range");
        return true;
    }

    // For a syntactically valid number at `start`..i_ whose value is out of
    // range: whether it is too large (rather than too small).
    bool decimal_exponent_positive(std::size_t start) const {
        std::size_t k = start;
        if (s_[k] == '-') ++k;
        long long e10 = 0;
        bool seen_nonzero = false;
        for (; k < i_ && is_digit(static_cast<unsigned char>(s_[k])); ++k) {
            if (s_[k] != '0') seen_nonzero = true;
            if (seen_nonzero) ++e10;
        }
        if (k < i_ && s_[k] == '.') {
            for (++k; k < i_ && is_digit(static_cast<unsigned char>(s_[k])); ++k) {
                if (seen_nonzero) break;
                if (s_[k] != '0') seen_nonzero = true;
                else --e10;
            }
            while (k < i_ && is_digit(static_cast<unsigned char>(s_[k]))) ++k;
        }
        if (k < i_ && (s_[k] == 'e' || s_[k] == 'E')) {
            ++k;
            bool negative = false;
            if (s_[k] == '+' || s_[k] == '-') negative = s_[k++] == '-';
            long long exponent = 0;
            for (; k < i_; ++k) {
                if (exponent < 1'000'000'000LL) exponent = exponent * 10 + (s_[k] - '0');
            }
            e10 += negative ? -exponent : exponent;
        }
        return e10 > 0;
    }

    // After the opening quote.
    bool string() {
        const std::size_t start = i_;
        for (;;) {
            if (at_end()) return error("EOF while parsing a string");
            unsigned char c = peek();
            ++i_;
            if (c == '"') break;
            if (c == '\\') {
                if (!escape()) return false;
            } else if (c < 0x20) {
                return error("control character (\\u0000-\\u001F) found while parsing a string");
            }
        }
        // Escapes are ASCII, so checking the raw bytes between the quotes
        // checks every unescaped run.
        if (!is_valid_utf8(s_.substr(start, i_ - 1 - start)))
            return error("invalid unicode code point");
        return true;
    }

    bool escape() {
        if (at_end()) return error("EOF while parsing a string");
        unsigned char c = peek();
        ++i_;
        switch (c) {
        case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
            return true;
        case 'u':
            return unicode_escape();
        default:
            return error("invalid escape");
        }
    }

    bool hex4(unsigned& value) {
        if (s_.size() - i_ < 4) {
            i_ = s_.size();
            return error("EOF while parsing a string");
        }
        value = 0;
        bool ok = true;
        for (int k = 0; k < 4; ++k) {
            unsigned char c = peek();
            ++i_;
            value <<= 4;
            if (c >= '0' && c <= '9') value |= c - '0';
            else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') value |= c - 'A' + 10;
            else ok = false;
        }
        return ok || error("invalid escape");
    }

    bool unicode_escape() {
        unsigned n = 0;
        if (!hex4(n)) return false;
        if (n >= 0xDC00 && n <= 0xDFFF) return error("lone leading surrogate in hex escape");
        if (n < 0xD800 || n > 0xDBFF) return true;
        for (char expected : {'\\', 'u'}) {
            if (at_end()) return error("EOF while parsing a string");
            bool match = s_[i_] == expected;
            ++i_;
            if (!match) return error("unexpected end of hex escape");
        }
        unsigned n2 = 0;
        if (!hex4(n2)) return false;
        if (n2 < 0xDC00 || n2 > 0xDFFF) return error("lone leading surrogate in hex escape");
        return true;
    }

    // After "[".
    bool array() {
        skip_white_space();
        if (at_end()) return peek_error("EOF while parsing a list");
        if (peek() == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            // After a comma a value must follow: "[1,]" is "expected value" at the "]".
            if (!value()) return false;
            skip_white_space();
            if (at_end()) return peek_error("EOF while parsing a list");
            if (peek() == ']') {
                ++i_;
                return true;
            }
            if (peek() != ',') return peek_error("expected `,` or `]`");
            ++i_;
        }
    }

    // After "{".
    bool object() {
        skip_white_space();
        if (at_end()) return peek_error("EOF while parsing an object");
        if (peek() == '}') {
            ++i_;
            return true;
        }
        for (;;) {
            if (at_end()) return peek_error("EOF while parsing a value");
            if (peek() != '"') return peek_error("key must be a string");
            ++i_;
            if (!string()) return false;
            skip_white_space();
            if (at_end()) return peek_error("EOF while parsing an object");
            if (peek() != ':') return peek_error("expected `:`");
            ++i_;
            if (!value()) return false;
            skip_white_space();
            if (at_end()) return peek_error("EOF while parsing an object");
            if (peek() == '}') {
                ++i_;
                return true;
            }
            if (peek() != ',') return peek_error("expected `,` or `}`");
            ++i_;
            skip_white_space();
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::size_t depth_ = 0;
    std::pair<const char*, std::size_t> error_{"", 0};
};

}  // namespace

std::string json_error_at(std::string_view text, std::string_view what, std::size_t index) {
    index = std::min(index, text.size());
    std::size_t line = 1;
    std::size_t column = 0;
    for (std::size_t k = 0; k < index; ++k) {
        if (text[k] == '\n') {
            ++line;
            column = 0;
        } else {
            ++column;
        }
    }
    std::string out(what);
    out += " at line ";
    out += std::to_string(line);
    out += " column ";
    out += std::to_string(column);
    return out;
}

namespace {

// Empties every container below `value`, the deepest first, so that nothing
// is destroyed with elements in it. The nesting limit bounds the recursion.
void dismantle(nlohmann::json& value) noexcept {
    if (value.is_array()) {
        auto& array = value.get_ref<nlohmann::json::array_t&>();
        while (!array.empty()) {
            dismantle(array.back());
            array.pop_back();
        }
    } else if (value.is_object()) {
        auto& object = value.get_ref<nlohmann::json::object_t&>();
        while (!object.empty()) {
            dismantle(object.begin()->second);
            object.erase(object.begin());
        }
    }
}

}  // namespace

ParsedJson::~ParsedJson() { dismantle(*this); }

namespace {

// Builds the tree of a text the syntax check accepted.
std::expected<ParsedJson, std::string> parse_checked(std::string_view text, std::size_t begin, std::size_t end) {
    try {
        // What json::parse does, into a root of ours: should memory run out
        // half way, the unwinding finds the tree in a ParsedJson.
        ParsedJson value;
        nlohmann::detail::json_sax_dom_parser<nlohmann::json> builder(value, /*allow_exceptions=*/true);
        nlohmann::json::sax_parse(text.begin() + begin, text.begin() + end, &builder,
                                  nlohmann::json::input_format_t::json, /*strict=*/true);
        return value;
    } catch (const nlohmann::json::parse_error& e) {
        // Not expected after the syntax check; report nlohmann's position.
        return std::unexpected(json_error_at(text, "invalid JSON", e.byte == 0 ? begin : begin + e.byte));
    } catch (const std::bad_alloc&) {
        // Not a fault of the text: the callers report it as such.
        throw;
    } catch (const std::exception& e) {
        return std::unexpected(std::string(e.what()));
    }
}

}  // namespace

std::expected<ParsedJson, std::string> read_json(std::string_view text) {
    if (auto error = JsonSyntaxCheck(text).run())
        return std::unexpected(json_error_at(text, error->first, error->second));
    return parse_checked(text, 0, text.size());
}

std::expected<JsonValueRead, std::string> read_json_value_at(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    auto end = JsonSyntaxCheck(text).run_one(offset);
    if (!end) return std::unexpected(json_error_at(text, end.error().first, end.error().second));
    auto value = parse_checked(text, offset, *end);
    if (!value) return std::unexpected(std::move(value.error()));
    return JsonValueRead{std::move(*value), *end};
}

std::size_t skip_json_white_space(std::string_view text, std::size_t offset) {
    while (offset < text.size()) {
        const char c = text[offset];
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') break;
        ++offset;
    }
    return offset;
}

}  // namespace zvk

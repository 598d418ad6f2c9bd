#include "api/options_json.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>

#include "api/text.h"
#include "api/utf8.h"

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

bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k], y = b[k];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The nearest float to a double; unset when that is not finite. Doubles at or
// beyond the midpoint between FLT_MAX and 2^128 round to infinity.
std::optional<float> narrow_to_finite_f32(double d) {
    if (!std::isfinite(d)) return std::nullopt;
    constexpr double kOverflow = 0x1.ffffffp127;
    if (std::fabs(d) >= kOverflow) return std::nullopt;
    return static_cast<float>(d);
}

std::optional<float> read_float_value(const nlohmann::json& value) {
    if (value.is_number()) return read_finite_f32(value);
    if (value.is_string()) {
        std::optional<float> f = parse_float_text(trim_white_space(value.get_ref<const std::string&>()));
        if (f && std::isfinite(*f)) return f;
    }
    return std::nullopt;
}

const std::string* string_member(const nlohmann::json& object, std::string_view key) {
    const nlohmann::json* member = find_member(object, key);
    if (member == nullptr || !member->is_string()) return nullptr;
    return &member->get_ref<const std::string&>();
}

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

std::expected<nlohmann::json, std::string> read_json(std::string_view text) {
    if (auto error = JsonSyntaxCheck(text).run())
        return std::unexpected(json_error_at(text, error->first, error->second));
    try {
        nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr,
                                                     /*allow_exceptions=*/true);
        return value;
    } catch (const nlohmann::json::parse_error& e) {
        // Not expected after the syntax check; report nlohmann's position.
        return std::unexpected(json_error_at(text, "invalid JSON", e.byte == 0 ? 0 : e.byte));
    } catch (const std::bad_alloc&) {
        return std::unexpected(std::string("out of memory"));
    } catch (const std::exception& e) {
        return std::unexpected(std::string(e.what()));
    }
}

std::optional<std::uint64_t> read_non_negative_integer(const nlohmann::json& value) {
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer()) {
        // nlohmann keeps "-0" as a signed 0: written without fraction or
        // exponent, value 0, so it is accepted.
        std::int64_t v = value.get<std::int64_t>();
        if (v >= 0) return static_cast<std::uint64_t>(v);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> parse_unsigned_decimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (!is_ascii_digit(c)) return std::nullopt;
    std::uint64_t value = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<float> parse_float_text(std::string_view text) {
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (equals_ignoring_ascii_case(body, "inf") || equals_ignoring_ascii_case(body, "infinity"))
        return negative ? -std::numeric_limits<float>::infinity()
                        : std::numeric_limits<float>::infinity();
    if (equals_ignoring_ascii_case(body, "nan")) return std::numeric_limits<float>::quiet_NaN();

    // digits [. digits] with at least one digit, then [(e|E) [sign] digits].
    std::size_t k = 0;
    std::size_t digits = 0;
    long long e10 = 0;  // decimal exponent of the leading significant digit, roughly
    bool seen_nonzero = false;
    while (k < body.size() && is_ascii_digit(body[k])) {
        if (body[k] != '0') seen_nonzero = true;
        if (seen_nonzero) ++e10;
        ++k;
        ++digits;
    }
    if (k < body.size() && body[k] == '.') {
        ++k;
        while (k < body.size() && is_ascii_digit(body[k])) {
            if (!seen_nonzero) {
                if (body[k] != '0') seen_nonzero = true;
                else --e10;
            }
            ++k;
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (k < body.size() && (body[k] == 'e' || body[k] == 'E')) {
        ++k;
        bool exp_negative = false;
        if (k < body.size() && (body[k] == '+' || body[k] == '-')) exp_negative = body[k++] == '-';
        std::size_t exp_digits = 0;
        long long exponent = 0;
        while (k < body.size() && is_ascii_digit(body[k])) {
            if (exponent < 1'000'000'000LL) exponent = exponent * 10 + (body[k] - '0');
            ++k;
            ++exp_digits;
        }
        if (exp_digits == 0) return std::nullopt;
        e10 += exp_negative ? -exponent : exponent;
    }
    if (k != body.size()) return std::nullopt;

    // from_chars takes no "+", and rounds the decimal straight to the nearest
    // float (no detour through double).
    float value = 0.0f;
    auto r = std::from_chars(body.data(), body.data() + body.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        value = e10 > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (r.ec != std::errc() || r.ptr != body.data() + body.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<float> read_finite_f32(const nlohmann::json& value) {
    if (!value.is_number()) return std::nullopt;
    // Integers are widened to double first, then narrowed, as a JSON number
    // held as a double would be.
    return narrow_to_finite_f32(value.get<double>());
}

const nlohmann::json* find_member(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object()) return nullptr;
    auto it = object.find(std::string(key));
    if (it == object.end()) return nullptr;
    return &*it;
}

std::optional<std::string> read_string_option(const nlohmann::json& object, std::string_view key,
                                              std::optional<std::string_view> alias) {
    for (std::optional<std::string_view> name : {std::optional(key), alias}) {
        if (!name) continue;
        if (const std::string* text = string_member(object, *name)) {
            std::string_view trimmed = trim_white_space(*text);
            if (!trimmed.empty()) return std::string(trimmed);
        }
    }
    return std::nullopt;
}

std::optional<float> read_float_option(const nlohmann::json& object, std::string_view key,
                                       std::optional<std::string_view> alias) {
    for (std::optional<std::string_view> name : {std::optional(key), alias}) {
        if (!name) continue;
        if (const nlohmann::json* member = find_member(object, *name)) {
            if (std::optional<float> f = read_float_value(*member)) return f;
        }
    }
    return std::nullopt;
}

std::optional<GlossaryPair> parse_glossary_entry(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    const std::string* source = string_member(value, "source");
    if (source == nullptr) source = string_member(value, "from");
    const std::string* target = string_member(value, "target");
    if (target == nullptr) target = string_member(value, "to");
    if (source == nullptr || target == nullptr || source->empty()) return std::nullopt;
    return GlossaryPair(*source, *target);
}

std::vector<GlossaryPair> collect_glossary_array(const nlohmann::json& array) {
    std::vector<GlossaryPair> pairs;
    if (!array.is_array()) return pairs;
    for (const nlohmann::json& element : array) {
        if (std::optional<GlossaryPair> pair = parse_glossary_entry(element))
            pairs.push_back(std::move(*pair));
    }
    return pairs;
}

std::vector<GlossaryPair> collect_glossary_map(const nlohmann::json& object) {
    std::vector<GlossaryPair> pairs;
    if (!object.is_object()) return pairs;
    // nlohmann's default object is a std::map<std::string, ...>: items() runs
    // in byte order of the names, and a repeated name kept its last value.
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& name = it.key();
        if (name.empty() || !it->is_string()) continue;
        pairs.emplace_back(name, it->get_ref<const std::string&>());
    }
    return pairs;
}

}  // namespace zvk

#include "api/options_json.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/ascii.h"
#include "base/text.h"

namespace zvk {

namespace {


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

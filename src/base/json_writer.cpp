#include "base/json_writer.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

namespace zvk {

namespace {

// Room for any number's text, the longest ("-0.000012345678901234567",
// "-1.2345678901234567e-308") with plenty to spare.
constexpr std::size_t kNumberRoom = 64;

// The text of `value` at `p` (room for kNumberRoom bytes); returns its end.
char* put_json_number(char* p, double value) {
    if (!std::isfinite(value)) {
        std::memcpy(p, "null", 4);
        return p + 4;
    }
    if (value == 0.0) {
        if (std::signbit(value)) *p++ = '-';
        std::memcpy(p, "0.0", 3);
        return p + 3;
    }
    // Integral values below 2^53 (font sizes, unit matrices, colours): every
    // integer there is a double, so no shorter digits name this one and the
    // shortest form is the integer itself; printed as such, with ".0".
    constexpr double kExactIntegers = 9007199254740992.0;
    if (std::fabs(value) < kExactIntegers && value == std::trunc(value)) {
        auto res = std::to_chars(p, p + kNumberRoom, static_cast<std::int64_t>(value));
        *res.ptr++ = '.';
        *res.ptr++ = '0';
        return res.ptr;
    }
    // Below 2^53 every double of this branch has a fraction, so the
    // notation is plain decimal, and the shortest round-trip digits placed
    // around the point are what the library's shortest fixed form gives,
    // without the scientific detour below.
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e-5 && magnitude < kExactIntegers) {
        return std::to_chars(p, p + kNumberRoom, value, std::chars_format::fixed).ptr;
    }
    // Shortest round-trip digits in scientific form, e.g. "-1.2345e+02".
    char sci[64];
    auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
    const char* q = sci;
    const char* end = res.ptr;
    const bool negative = *q == '-';
    if (negative) ++q;
    char digits[32] = {};
    std::size_t n = 0;
    while (q != end && *q != 'e') {
        if (*q != '.') digits[n++] = *q;
        ++q;
    }
    int exponent = 0;
    if (q != end) {
        ++q;  // 'e'
        if (*q == '+') ++q;
        std::from_chars(q, end, exponent);
    }
    char* buf = p;
    std::size_t len = 0;
    if (negative) buf[len++] = '-';
    if (magnitude >= 1e-5 && magnitude < 1e16) {
        const int point = exponent + 1;  // digits before the decimal point
        if (point <= 0) {
            buf[len++] = '0';
            buf[len++] = '.';
            for (int i = 0; i < -point; ++i) buf[len++] = '0';
            for (std::size_t i = 0; i < n; ++i) buf[len++] = digits[i];
        } else if (static_cast<std::size_t>(point) >= n) {
            for (std::size_t i = 0; i < n; ++i) buf[len++] = digits[i];
            for (std::size_t i = n; i < static_cast<std::size_t>(point); ++i) buf[len++] = '0';
            buf[len++] = '.';
            buf[len++] = '0';
        } else {
            for (std::size_t i = 0; i < static_cast<std::size_t>(point); ++i) buf[len++] = digits[i];
            buf[len++] = '.';
            for (std::size_t i = static_cast<std::size_t>(point); i < n; ++i) buf[len++] = digits[i];
        }
        return buf + len;
    }
    buf[len++] = digits[0];
    if (n > 1) {
        buf[len++] = '.';
        for (std::size_t i = 1; i < n; ++i) buf[len++] = digits[i];
    }
    buf[len++] = 'e';
    return std::to_chars(buf + len, p + kNumberRoom, exponent).ptr;
}

}  // namespace

void append_json_number(std::string& out, double value) {
    char buf[kNumberRoom];
    out.append(buf, put_json_number(buf, value));
}

std::string format_json_number(double value) {
    std::string out;
    append_json_number(out, value);
    return out;
}

namespace {

bool needs_escape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Whether any byte of `text` needs an escape, eight bytes at a time: every
// member name of every glyph is asked. A word has a byte below n (n <= 128)
// exactly when (w - n * 0x01..01) & ~w & 0x80..80 is not zero; a byte equal
// to c is a zero byte of w ^ (c * 0x01..01).
bool has_escape(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    auto has_below = [](std::uint64_t w, std::uint64_t n) { return ((w - n * kOnes) & ~w & kHighs) != 0; };
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        if (has_below(w, 0x20) || has_below(w ^ ('"' * kOnes), 1) || has_below(w ^ ('\\' * kOnes), 1)) return true;
    }
    for (; i < text.size(); ++i) {
        if (needs_escape(static_cast<unsigned char>(text[i]))) return true;
    }
    return false;
}

// Appends `size` bytes that `fill` writes, with one growth of the string at
// most: the writer's tokens are short, and a string's own append costs more
// than its bytes.
template <typename Fill>
void append_filled(std::string& out, std::size_t size, Fill fill) {
    const std::size_t old = out.size();
    // The new size is returned as computed here: libstdc++ 12 hands the
    // operation the grown capacity instead of the size asked for.
    out.resize_and_overwrite(old + size, [&](char* data, std::size_t) {
        fill(data + old);
        return old + size;
    });
}

// Room for a fill that may write up to this many bytes past its text (cut
// off again): spaces go in whole blocks instead of a call to memset.
constexpr std::size_t kSlack = 16;

template <typename Fill>
void append_filled_with_slack(std::string& out, std::size_t size, Fill fill) {
    const std::size_t old = out.size();
    out.resize_and_overwrite(old + size + kSlack, [&](char* data, std::size_t) {
        fill(data + old);
        return old + size;
    });
}

// `count` spaces at `p`, written in blocks of 16: up to 15 bytes beyond are
// overwritten too.
inline char* put_spaces(char* p, std::size_t count) {
    static constexpr char kSpaces[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                         ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < count; i += sizeof kSpaces) std::memcpy(p + i, kSpaces, sizeof kSpaces);
    return p + count;
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::size_t first_escape = 0;
    while (first_escape < text.size() && !needs_escape(static_cast<unsigned char>(text[first_escape]))) {
        ++first_escape;
    }
    if (first_escape == text.size()) {
        append_filled(out, text.size() + 2, [&](char* p) {
            *p++ = '"';
            if (!text.empty()) std::memcpy(p, text.data(), text.size());
            p[text.size()] = '"';
        });
        return;
    }
    out.push_back('"');
    std::size_t run = 0;
    for (std::size_t i = first_escape; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!needs_escape(c)) continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        default:
            out += "\\u00";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    out.append(text.data() + run, text.size() - run);
    out.push_back('"');
}

JsonWriter::JsonWriter(std::string& out, bool pretty) : out_(out), pretty_(pretty) {}

JsonWriter::JsonWriter(JsonSink& sink, bool pretty) : out_(buffer_), sink_(&sink), pretty_(pretty) {
    buffer_.reserve(kChunkBytes + 4096);
}

void JsonWriter::finish() {
    if (sink_ != nullptr && !buffer_.empty()) {
        sink_->write(buffer_);
        buffer_.clear();
    }
}

void JsonWriter::resume(std::size_t depth, bool innermost_empty) {
    levels_.assign(depth, Level{.empty = false});
    if (depth > 0) levels_.back().empty = innermost_empty;
    after_key_ = false;
}

// Pieces are cut only where a value begins: the text before it is complete.
void JsonWriter::maybe_flush() {
    if (sink_ != nullptr && buffer_.size() >= kChunkBytes) finish();
}

void JsonWriter::separate(bool comma) {
    const std::size_t indent = pretty_ ? levels_.size() * 2 : 0;
    const std::size_t size = (comma ? 1 : 0) + (pretty_ ? 1 + indent : 0);
    if (size == 0) return;
    append_filled_with_slack(out_, size, [&](char* p) {
        if (comma) *p++ = ',';
        if (pretty_) {
            *p++ = '\n';
            put_spaces(p, indent);
        }
    });
}

void JsonWriter::newline_indent() { separate(false); }

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    const bool comma = !level.empty;
    level.empty = false;
    separate(comma);
}

void JsonWriter::begin_object() {
    maybe_flush();
    before_value();
    out_.push_back('{');
    levels_.push_back({});
}

void JsonWriter::end_object() {
    bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) newline_indent();
    out_.push_back('}');
}

void JsonWriter::begin_array() {
    maybe_flush();
    before_value();
    out_.push_back('[');
    levels_.push_back({});
}

void JsonWriter::end_array() {
    {
        bool empty = levels_.back().empty;
        levels_.pop_back();
        if (!empty) newline_indent();
        out_.push_back(']');
    }
}

bool JsonWriter::begin_member([[maybe_unused]] std::string_view name) {
    Level& level = levels_.back();
#ifndef NDEBUG
    assert(!level.has_key || level.last_key < name);
    level.last_key.assign(name);
    level.has_key = true;
#endif
    const bool comma = !level.empty;
    level.empty = false;
    after_key_ = true;
    return comma;
}

void JsonWriter::key(std::string_view name) {
    if (has_escape(name)) {
        separate(begin_member(name));
        append_json_string(out_, name);
        out_ += pretty_ ? ": " : ":";
        return;
    }
    plain_key(name);
}

void JsonWriter::plain_key(std::string_view name) {
    assert(!has_escape(name));
    const bool comma = begin_member(name);
    // Separator, name and colon at once.
    const std::size_t indent = pretty_ ? levels_.size() * 2 : 0;
    const std::size_t size = (comma ? 1 : 0) + (pretty_ ? 1 + indent : 0) + name.size() + (pretty_ ? 4 : 3);
    append_filled_with_slack(out_, size, [&](char* p) {
        if (comma) *p++ = ',';
        if (pretty_) {
            *p++ = '\n';
            p = put_spaces(p, indent);
        }
        *p++ = '"';
        std::memcpy(p, name.data(), name.size());
        p += name.size();
        *p++ = '"';
        *p++ = ':';
        if (pretty_) *p = ' ';
    });
}

void JsonWriter::string(std::string_view text) {
    before_value();
    append_json_string(out_, text);
}

void JsonWriter::null() {
    before_value();
    out_ += "null";
}

void JsonWriter::boolean(bool value) {
    before_value();
    out_ += value ? "true" : "false";
}

void JsonWriter::u64(std::uint64_t value) {
    before_value();
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
}

void JsonWriter::i64(std::int64_t value) {
    before_value();
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, res.ptr);
}

JsonWriter::~JsonWriter() = default;

void JsonWriter::f32(float value) {
    before_value();
    const auto bits = std::bit_cast<std::uint32_t>(value);
    if (!float_texts_tried_) {
        // Only writers that print floats pay for the table; without the
        // memory every float is simply formatted.
        float_texts_tried_ = true;
        float_texts_.reset(new (std::nothrow) FloatText[kFloatTexts]());
    }
    if (!float_texts_ || !std::isfinite(value)) {
        append_json_number(out_, static_cast<double>(value));
        return;
    }
    // Fibonacci hashing: neighbouring coordinates (a few units in the last
    // place apart) land in different slots.
    FloatText& slot = float_texts_[(bits * 0x9E3779B1u) >> (32 - kFloatTextBits)];
    if (slot.size == 0 || slot.bits != bits) {
        char buf[kNumberRoom];
        const std::size_t size = static_cast<std::size_t>(put_json_number(buf, static_cast<double>(value)) - buf);
        // Never longer in fact (24 bytes at most for a float), but a text that
        // would not fit is printed as it is, uncached.
        if (size > sizeof slot.text) {
            out_.append(buf, size);
            return;
        }
        slot.bits = bits;
        slot.size = static_cast<std::uint8_t>(size);
        std::memcpy(slot.text, buf, size);
    }
    append_filled(out_, slot.size, [&](char* p) { std::memcpy(p, slot.text, slot.size); });
}

void JsonWriter::f64(double value) {
    before_value();
    append_json_number(out_, value);
}

}  // namespace zvk

// The built-in encoding of an embedded Type1 program, read from the
// "dup <code> /<name> put" lines of its clear-text part, and the filling of
// a table from built-in encoding entries, which bare CFF programs share.
#include "base/utf8.h"
#include "font/encodings.h"
#include "font/glyph_names.h"
#include "font/simple_font.h"

namespace zvk::font {

namespace {

bool is_name_char(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' ||
           c == '-' || c == '.' || c == '_';
}

bool is_line_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Matches "dup" at `p`; on success gives the entry and the position of "put".
std::optional<std::size_t> match_entry(std::string_view text, std::size_t p,
                                       std::pair<std::uint8_t, std::string>& entry) {
    std::size_t i = p + 3;
    while (i < text.size() && is_line_space(text[i])) ++i;
    std::size_t digits = i;
    std::uint64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        // Past 255 the entry fails whatever follows; stop growing the value.
        if (value < 256) value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    if (i == digits || value >= 256) return std::nullopt;
    std::string_view rest = trim_leading_line_whitespace(text.substr(i));
    if (rest.empty() || rest.front() != '/') return std::nullopt;
    std::size_t name_end = 1;
    while (name_end < rest.size() && is_name_char(static_cast<unsigned char>(rest[name_end]))) ++name_end;
    if (name_end == 1) return std::nullopt;
    std::string_view name = rest.substr(1, name_end - 1);
    rest = trim_leading_line_whitespace(rest.substr(name_end));
    if (!rest.starts_with("put")) return std::nullopt;
    entry = {static_cast<std::uint8_t>(value), std::string(name)};
    return text.size() - rest.size();
}

}  // namespace

std::string type1_clear_text(std::string_view program) {
    std::string_view text = program;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(program[i]); };
    if (program.size() >= 6 && byte(0) == 0x80 && byte(1) == 0x01) {
        std::uint64_t length = std::uint64_t{byte(2)} | (std::uint64_t{byte(3)} << 8) |
                               (std::uint64_t{byte(4)} << 16) | (std::uint64_t{byte(5)} << 24);
        text = program.substr(6, static_cast<std::size_t>(std::min<std::uint64_t>(length, program.size() - 6)));
    }
    if (std::size_t cut = text.find("eexec"); cut != std::string_view::npos) text = text.substr(0, cut);
    if (text.size() > kMaxType1ClearTextBytes) text = text.substr(0, kMaxType1ClearTextBytes);
    return utf8_lossy(text);
}

std::vector<std::pair<std::uint8_t, std::string>> find_builtin_encoding_entries(std::string_view text) {
    std::vector<std::pair<std::uint8_t, std::string>> entries;
    std::size_t p = 0;
    while (p + 6 < text.size()) {
        if (text.compare(p, 3, "dup") != 0 ||
            (p > 0 && is_name_char(static_cast<unsigned char>(text[p - 1])))) {
            ++p;
            continue;
        }
        std::pair<std::uint8_t, std::string> entry;
        if (auto put = match_entry(text, p, entry)) {
            entries.push_back(std::move(entry));
            p = *put;
        } else {
            ++p;
        }
    }
    return entries;
}

void apply_builtin_encoding_entries(SimpleEncoding& table,
                                    const std::vector<std::pair<std::uint8_t, std::string>>& entries) {
    for (const auto& [code, name] : entries) {
        if (table[code]) continue;
        if (auto value = glyph_name_to_unicode(name)) {
            table[code] = std::move(value);
        } else if (auto tex = tex_extension_glyph_unicode(name)) {
            table[code] = std::move(tex);
        }
    }
}

void apply_type1_builtin_encoding(SimpleEncoding& table, std::string_view program) {
    std::string text = type1_clear_text(program);
    auto entries = find_builtin_encoding_entries(text);
    if (!entries.empty()) {
        apply_builtin_encoding_entries(table, entries);
        return;
    }
    if (text.find("/Encoding StandardEncoding") == std::string::npos) return;
    for (std::size_t code = 0; code < 256; ++code) {
        if (!table[code]) {
            table[code] = code_point_to_string(
                base_encoding_code_point(BaseEncoding::StandardEncoding, static_cast<std::uint8_t>(code)));
        }
    }
}

}  // namespace zvk::font

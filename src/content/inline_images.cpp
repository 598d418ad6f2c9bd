// Inline images (BI … ID … EI): where the image data ends, so that lexing
// resumes after it. The image itself is never decoded.
#include <cstdint>
#include <limits>
#include <optional>

#include "base/checked.h"
#include "content/lexer.h"
#include "content/lexer_grammar.h"

namespace zvk {

namespace {

// The entries of an inline image dictionary that decide its data length: the
// first W, H, CS and BPC, and whether a filter is named. Keeping only these
// (and not every entry) makes a dictionary of millions of entries cost nothing.
struct InlineImageEntries {
    bool has_filter = false;
    std::optional<Operand> width;
    std::optional<Operand> height;
    std::optional<Operand> color_space;
    std::optional<Operand> bits_per_component;

    void add(const std::string& key, Operand value) {
        if (key == "F" || key == "Filter") has_filter = true;
        std::optional<Operand>* slot = nullptr;
        if (key == "W") slot = &width;
        else if (key == "H") slot = &height;
        else if (key == "CS") slot = &color_space;
        else if (key == "BPC") slot = &bits_per_component;
        if (slot && !*slot) *slot = std::move(value);
    }
};

std::optional<std::uint64_t> component_count(const std::optional<Operand>& cs) {
    if (!cs) return std::nullopt;
    const OperandName* name = cs->name();
    if (!name) return std::nullopt;
    const std::string& t = name->text;
    if (t == "G" || t == "Gray" || t == "DeviceGray") return 1;
    if (t == "RGB" || t == "DeviceRGB") return 3;
    if (t == "CMYK" || t == "DeviceCMYK") return 4;
    return std::nullopt;
}

// The data length when the dictionary allows computing it; none means the end
// must be searched for.
std::optional<std::uint64_t> computed_length(const InlineImageEntries& e) {
    if (e.has_filter) return std::nullopt;
    if (!e.width || !e.width->number() || !e.height || !e.height->number()) return std::nullopt;
    auto components = component_count(e.color_space);
    if (!components) return std::nullopt;
    std::uint64_t bpc = 8;
    if (e.bits_per_component && e.bits_per_component->number()) {
        bpc = saturate_from_float<std::uint64_t>(*e.bits_per_component->number());
    }
    if (bpc == 0) return std::nullopt;
    std::uint64_t bits_per_row =
        saturating_mul(saturating_mul(saturate_from_float<std::uint64_t>(*e.width->number()), *components), bpc);
    std::uint64_t bytes_per_row = bits_per_row / 8 + (bits_per_row % 8 != 0 ? 1 : 0);
    return saturating_mul(bytes_per_row, saturate_from_float<std::uint64_t>(*e.height->number()));
}

// The position just past the EI that ends the data, searching from `from`:
// white space, then EI, then white space, a delimiter or the end.
std::optional<std::size_t> search_end(std::string_view data, std::size_t from) {
    const std::size_t n = data.size();
    for (std::size_t p = from; p + 2 < n; ++p) {
        if (!is_pdf_white_space(static_cast<unsigned char>(data[p]))) continue;
        if (data[p + 1] != 'E' || data[p + 2] != 'I') continue;
        if (p + 3 >= n) return p + 3;
        auto after = static_cast<unsigned char>(data[p + 3]);
        if (is_pdf_white_space(after) || is_pdf_delimiter(after)) return p + 3;
    }
    return std::nullopt;
}

}  // namespace

void ContentLexer::read_inline_image() {
    const std::size_t n = data_.size();
    InlineImageEntries entries;
    std::size_t data_start = 0;
    while (true) {
        skip_white_space_and_comments(data_, pos_);
        if (pos_ >= n) {
            report("unterminated inline image");
            return;
        }
        auto keyword = read_keyword(data_, pos_);
        if (keyword && *keyword == "ID") {
            data_start = pos_ + 2;
            if (data_start < n && is_pdf_white_space(static_cast<unsigned char>(data_[data_start]))) {
                ++data_start;
            }
            break;
        }
        if (data_[pos_] != '/') {
            report("inline image expected a name or ID");
            return;
        }
        std::string key = parse_name_text(data_, pos_);
        skip_white_space_and_comments(data_, pos_);
        ParsedOperand value = parse_operand(data_, pos_);
        if (!value.operand) {
            report(std::move(value.error));
            return;
        }
        entries.add(key, std::move(*value.operand));
    }

    std::size_t search_from = data_start;
    if (auto length = computed_length(entries)) {
        std::uint64_t end = saturating_add(data_start, *length);
        if (end > n) {
            report("truncated inline image");
            pos_ = n;
            return;
        }
        std::size_t p = static_cast<std::size_t>(end);
        skip_white_space_and_comments(data_, p);
        if (p + 2 <= n && data_[p] == 'E' && data_[p + 1] == 'I') {
            pos_ = p + 2;
            return;
        }
        search_from = p;
    }
    if (auto end = search_end(data_, search_from)) {
        pos_ = *end;
        return;
    }
    report("inline image EI not found after byte " + std::to_string(search_from));
    pos_ = n;
}

}  // namespace zvk

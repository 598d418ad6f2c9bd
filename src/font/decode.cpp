#include "font/decode.h"

#include "base/utf8.h"
#include "font/predefined_cids.h"

namespace zvk::font {

namespace {

std::vector<CharCode> split_two_byte_codes(std::string_view bytes) {
    std::vector<CharCode> codes;
    codes.reserve((bytes.size() + 1) / 2);
    for (std::size_t p = 0; p < bytes.size(); p += 2) {
        std::uint8_t length = p + 1 < bytes.size() ? 2 : 1;
        codes.push_back({big_endian_value(bytes.substr(p, length)), p, length});
    }
    return codes;
}

// An embedded encoding CMap maps codes to CIDs; so does a predefined CMap
// whose file the system has. Without either, the code serves as the CID,
// which is right for Identity encodings and the best guess otherwise.
std::uint32_t cid_of(const PdfFont& font, std::uint32_t code) {
    if (font.encoding_cmap) return font.encoding_cmap->cid_of(code).value_or(code);
    if (font.predefined_cids) return font.predefined_cids->cid_of(code);
    return code;
}

// The destination plus the offset as one big-endian number of the same
// length; a carry out of the first byte is dropped.
std::string offset_destination(std::string destination, std::uint32_t offset) {
    std::uint64_t carry = offset;
    for (std::size_t i = destination.size(); i-- > 0 && carry != 0;) {
        std::uint64_t sum = static_cast<unsigned char>(destination[i]) + (carry & 0xFF);
        destination[i] = static_cast<char>(sum & 0xFF);
        carry = (carry >> 8) + (sum >> 8);
    }
    return destination;
}

std::optional<std::string> to_unicode_text(const ParsedCMap& cmap, std::uint32_t code) {
    if (auto it = cmap.bf_chars.find(code); it != cmap.bf_chars.end()) return it->second;
    if (const BfRange* range = cmap.first_bf_range(code)) {
        return decode_utf16be_text(offset_destination(range->destination, code - range->lo));
    }
    return std::nullopt;
}

std::vector<CharCode> split_by_font(const PdfFont& font, std::string_view bytes) {
    if (!font.cid_keyed) return split_bytes_as_codes(bytes);
    if (font.to_unicode && !font.to_unicode->codespace_ranges.empty()) {
        return split_codes_by_codespace(font.to_unicode->codespace_index(), bytes);
    }
    if (font.encoding_cmap && !font.encoding_cmap->codespace_ranges.empty()) {
        return split_codes_by_codespace(font.encoding_cmap->codespace_index(), bytes);
    }
    if (font.predefined_cmap) return split_codes_predefined(*font.predefined_cmap, bytes);
    if (font.identity) return split_two_byte_codes(bytes);
    return split_bytes_as_codes(bytes);
}

// A UTF-16 predefined CMap shows a supplementary character as two 2-byte
// codes; they are decoded as one 4-byte code.
std::vector<CharCode> join_surrogate_codes(std::vector<CharCode> codes, std::string_view bytes) {
    std::vector<CharCode> joined;
    joined.reserve(codes.size());
    auto lead = [&](const CharCode& code) { return static_cast<unsigned char>(bytes[code.position]); };
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const CharCode& code = codes[i];
        if (code.byte_length == 2 && lead(code) >= 0xD8 && lead(code) <= 0xDB && i + 1 < codes.size() &&
            codes[i + 1].byte_length == 2 && lead(codes[i + 1]) >= 0xDC && lead(codes[i + 1]) <= 0xDF) {
            joined.push_back({(code.code << 16) | codes[i + 1].code, code.position, 4});
            ++i;
            continue;
        }
        joined.push_back(code);
    }
    return joined;
}

}  // namespace

std::vector<CharCode> split_shown_string(const PdfFont& font, std::string_view bytes) {
    auto codes = split_by_font(font, bytes);
    if (font.predefined_cmap && font.predefined_cmap->kind == PredefinedCMap::Kind::Utf16) {
        return join_surrogate_codes(std::move(codes), bytes);
    }
    return codes;
}

DecodedChar decode_char_code(const PdfFont& font, std::uint32_t code, std::string code_bytes) {
    DecodedChar decoded;
    decoded.code = code;
    const std::uint32_t cid = cid_of(font, code);

    std::optional<std::string> text;
    if (font.to_unicode) text = to_unicode_text(*font.to_unicode, code);
    if (!text && font.predefined_cmap) text = decode_predefined_code(*font.predefined_cmap, code_bytes);
    if (!text && font.simple_encoding && code < 256) text = (*font.simple_encoding)[code];

    std::optional<std::uint32_t> gid;
    switch (font.cid_to_gid.kind) {
    case CidToGid::Kind::Identity:
        gid = cid;
        break;
    case CidToGid::Kind::Table:
        if (cid < font.cid_to_gid.table->size() && (*font.cid_to_gid.table)[cid] != 0) {
            gid = (*font.cid_to_gid.table)[cid];
        }
        break;
    case CidToGid::Kind::None:
        break;
    }
    if (!text && gid) {
        // The map holds the code point whose character is the glyph's text.
        if (auto code_point = font.gid_to_text->find(*gid)) {
            std::string character;
            append_utf8(character, static_cast<char32_t>(*code_point));
            text = std::move(character);
        }
    }
    const CodePointToGid& by_code_point = *font.code_point_to_gid;
    if (!text && !by_code_point.empty()) {
        if (auto mapped = by_code_point.find(code); mapped && is_scalar_value(code)) {
            std::string character;
            append_utf8(character, static_cast<char32_t>(code));
            text = std::move(character);
            gid = *mapped;
        }
    } else if (text && !text->empty() && !gid && !by_code_point.empty()) {
        char32_t first = utf8_decode_at(*text, 0).scalar;
        if (auto mapped = by_code_point.find(first)) gid = *mapped;
    }

    const float w = font.widths->width_of(font.cid_keyed ? cid : code);
    const Matrix& m = font.font_matrix;
    decoded.advance = m[0] * w + m[2] * 0.0f;
    if (font.vertical) {
        const VerticalMetrics& metrics = *font.vertical_metrics;
        VerticalMetric metric;
        if (auto found = metrics.explicit_metric(cid)) {
            metric = *found;
        } else {
            metric = {metrics.dw2[1], 0.5f * w, metrics.dw2[0]};
        }
        decoded.vertical = VerticalDisplacement{metric.w1y * m[3] + m[1] * 0.0f, metric.vx * m[0] + m[2] * 0.0f,
                                                metric.vy * m[3] + m[1] * 0.0f};
    }
    decoded.code_bytes = std::move(code_bytes);
    decoded.unicode = std::move(text);
    decoded.gid = gid;
    return decoded;
}

}  // namespace zvk::font

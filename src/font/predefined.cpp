#include "font/predefined.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "base/utf8.h"

namespace zvk::font {

namespace {

struct StemEntry {
    std::string_view stem;
    PredefinedCMap::Kind kind;
    LegacyKind legacy_kind;
    std::string_view collection;
};

using K = PredefinedCMap::Kind;
using L = LegacyKind;

constexpr std::string_view kGb = "Adobe-GB1";
constexpr std::string_view kJapan = "Adobe-Japan1";
constexpr std::string_view kKorea = "Adobe-Korea1";
constexpr std::string_view kCns = "Adobe-CNS1";

constexpr StemEntry kStems[] = {
    {"UniGB-UCS2", K::Utf16, L::Gbk, kGb},          {"UniGB-UTF16", K::Utf16, L::Gbk, kGb},
    {"UniJIS-UCS2", K::Utf16, L::Gbk, kJapan},      {"UniJIS-UTF16", K::Utf16, L::Gbk, kJapan},
    {"UniKS-UCS2", K::Utf16, L::Gbk, kKorea},       {"UniKS-UTF16", K::Utf16, L::Gbk, kKorea},
    {"UniCNS-UCS2", K::Utf16, L::Gbk, kCns},        {"UniCNS-UTF16", K::Utf16, L::Gbk, kCns},
    {"UniGB-UTF32", K::Utf32, L::Gbk, kGb},         {"UniJIS-UTF32", K::Utf32, L::Gbk, kJapan},
    {"UniKS-UTF32", K::Utf32, L::Gbk, kKorea},      {"UniCNS-UTF32", K::Utf32, L::Gbk, kCns},
    {"GBK-EUC", K::Legacy, L::Gbk, kGb},            {"GBKp-EUC", K::Legacy, L::Gbk, kGb},
    {"GBK2K", K::Legacy, L::Gbk, kGb},              {"GB-EUC", K::Legacy, L::GbEuc, kGb},
    {"GBpc-EUC", K::Legacy, L::GbEuc, kGb},         {"90ms-RKSJ", K::Legacy, L::ShiftJis, kJapan},
    {"90msp-RKSJ", K::Legacy, L::ShiftJis, kJapan}, {"90pv-RKSJ", K::Legacy, L::ShiftJis, kJapan},
    {"Add-RKSJ", K::Legacy, L::ShiftJis, kJapan},   {"Ext-RKSJ", K::Legacy, L::ShiftJis, kJapan},
    {"KSCms-UHC", K::Legacy, L::Uhc, kKorea},       {"KSCms-UHC-HW", K::Legacy, L::Uhc, kKorea},
    {"KSCpc-EUC", K::Legacy, L::Uhc, kKorea},       {"B5pc", K::Legacy, L::Big5, kCns},
    {"ETen-B5", K::Legacy, L::Big5, kCns},          {"ETenms-B5", K::Legacy, L::Big5, kCns},
    {"HKscs-B5", K::Legacy, L::Big5, kCns},         {"EUC", K::Legacy, L::EucJp, kJapan},
};
static_assert(std::size(kStems) == 30);

// iconv descriptors are not safe to share between threads; each thread opens
// its own, once per decoder, and resets it before every code.
class Decoders {
public:
    static constexpr std::size_t kCount = 8;
    ~Decoders() {
        for (std::size_t slot = 0; slot < kCount; ++slot) {
            if (opened_[slot] && descriptors_[slot] != invalid()) iconv_close(descriptors_[slot]);
        }
    }
    iconv_t get(std::size_t slot, const char* from) {
        if (!opened_[slot]) {
            opened_[slot] = true;
            descriptors_[slot] = iconv_open("UTF-8", from);
        }
        return descriptors_[slot];
    }
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    std::array<iconv_t, kCount> descriptors_{};
    std::array<bool, kCount> opened_{};
};

// Slots: the five legacy decoders, then the two byte-order-mark decoders.
constexpr std::size_t kUtf16LeSlot = 6;
constexpr std::size_t kUtf16BeSlot = 7;

std::size_t legacy_slot(LegacyKind kind) {
    switch (kind) {
    case L::Gbk: case L::GbEuc: return 0;
    case L::ShiftJis: return 1;
    case L::Uhc: return 2;
    case L::Big5: return 3;
    case L::EucJp: return 4;
    }
    return 0;
}

// The whole sequence decoded strictly; none when malformed or empty.
std::optional<std::string> decode_with(std::size_t slot, const char* from, std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    thread_local Decoders decoders;
    iconv_t cd = decoders.get(slot, from);
    if (cd == Decoders::invalid()) return std::nullopt;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string input(bytes);
    // Each input byte yields at most one character of four UTF-8 bytes.
    std::string output(bytes.size() * 4 + 8, '\0');
    char* in = input.data();
    std::size_t in_left = input.size();
    char* out = output.data();
    std::size_t out_left = output.size();
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) return std::nullopt;
    if (iconv(cd, nullptr, nullptr, &out, &out_left) == static_cast<std::size_t>(-1)) return std::nullopt;
    output.resize(output.size() - out_left);
    if (output.empty() || !is_valid_utf8(output)) return std::nullopt;
    return output;
}

std::optional<std::string> character(std::uint32_t cp) {
    if (!is_scalar_value(cp)) return std::nullopt;
    std::string text;
    append_utf8(text, static_cast<char32_t>(cp));
    return text;
}

// A code of a UTF-16 CMap: one byte, one unit, or a surrogate pair (of a
// four-byte code whose first unit is no surrogate, only that unit counts).
std::optional<std::string> decode_utf16_code(std::string_view bytes) {
    if (bytes.size() == 1) return character(static_cast<unsigned char>(bytes[0]));
    if (bytes.size() != 2 && bytes.size() != 4) return std::nullopt;
    const Utf16Step step = utf16be_decode_at(bytes, 0);
    if (!step.valid) return std::nullopt;
    return character(step.scalar);
}

}  // namespace

const char* PredefinedCMap::encoding() const {
    switch (legacy_kind) {
    case L::Gbk: case L::GbEuc: return "GBK";
    case L::ShiftJis: return "CP932";
    case L::Uhc: return "CP949";
    case L::Big5: return "BIG5";
    case L::EucJp: return "EUC-JP";
    }
    return "GBK";
}

std::string PredefinedCMap::file_name() const {
    std::string name(stem);
    name += vertical ? "-V" : "-H";
    return name;
}

std::optional<PredefinedCMap> parse_predefined_cmap_name(std::string_view name) {
    bool vertical = false;
    if (name.size() > 1 && name.ends_with("-V")) {
        vertical = true;
        name.remove_suffix(2);
    } else if (name.size() > 1 && name.ends_with("-H")) {
        name.remove_suffix(2);
    }
    for (const auto& entry : kStems) {
        if (entry.stem == name) {
            return PredefinedCMap{entry.kind, vertical, entry.legacy_kind, entry.stem, entry.collection};
        }
    }
    return std::nullopt;
}

std::vector<CharCode> split_codes_predefined(const PredefinedCMap& cmap, std::string_view bytes) {
    std::vector<CharCode> codes;
    const std::size_t n = bytes.size();
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (std::size_t p = 0; p < n;) {
        const unsigned char b = at(p);
        const bool next = p + 1 < n;
        std::size_t length = 1;
        switch (cmap.kind) {
        case K::Utf16: length = next ? 2 : 1; break;
        case K::Utf32: length = n - p >= 4 ? 4 : 1; break;
        case K::Legacy:
            switch (cmap.legacy_kind) {
            case L::Gbk: case L::Uhc: case L::Big5: length = (b >= 0x81 && b <= 0xFE && next) ? 2 : 1; break;
            case L::GbEuc: length = (b >= 0xA1 && b <= 0xFE && next) ? 2 : 1; break;
            case L::ShiftJis:
                length = (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && next) ? 2 : 1;
                break;
            case L::EucJp:
                if (b == 0x8E && next) {
                    length = 2;
                } else if (b == 0x8F && p + 2 < n) {
                    length = 3;
                } else if (b >= 0xA1 && b <= 0xFE && next) {
                    length = 2;
                }
                break;
            }
            break;
        }
        codes.push_back({big_endian_value(bytes.substr(p, length)), p, static_cast<std::uint8_t>(length)});
        p += length;
    }
    return codes;
}

std::optional<std::string> decode_predefined_code(const PredefinedCMap& cmap, std::string_view code_bytes) {
    switch (cmap.kind) {
    case K::Utf16: return decode_utf16_code(code_bytes);
    case K::Utf32: {
        if (code_bytes.size() != 4) return std::nullopt;
        return character(big_endian_value(code_bytes));
    }
    case K::Legacy: break;
    }
    auto starts = [&](std::string_view mark) { return code_bytes.size() >= mark.size() && code_bytes.starts_with(mark); };
    if (starts("\xEF\xBB\xBF")) {
        std::string_view rest = code_bytes.substr(3);
        if (rest.empty() || !is_valid_utf8(rest)) return std::nullopt;
        return std::string(rest);
    }
    if (starts("\xFF\xFE")) return decode_with(kUtf16LeSlot, "UTF-16LE", code_bytes.substr(2));
    if (starts("\xFE\xFF")) return decode_with(kUtf16BeSlot, "UTF-16BE", code_bytes.substr(2));
    return decode_with(legacy_slot(cmap.legacy_kind), cmap.encoding(), code_bytes);
}

}  // namespace zvk::font

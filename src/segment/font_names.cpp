#include "segment/font_names.h"

#include <array>

#include "base/ascii.h"

namespace zvk {

namespace {

// Longest first; no suffix is the tail of another, so at most one can match.
constexpr std::array<std::string_view, 16> kStyleSuffixes = {
    "-bolditalic",
    "-boldital", "-reguital", "-semibold", "-demibold",
    "-italic", "-regular", "-medium",
    "-roman", "-light", "-black",
    "-bold", "-ital", "-medi", "-regu", "-book",
};

constexpr std::array<std::string_view, 15> kMonospaceWords = {
    "MONO", "COURIER", "CONSOLAS", "MENLO", "INCONSOLATA", "CASCADIA", "JETBRAINS", "TYPEWRITER",
    "CMTT", "LMTT", "NIMBUSMON", "OCRA", "OCRB", "OCR-A", "OCR-B",
};

}  // namespace

std::string_view font_name_after_subset_prefix(std::string_view font_name) {
    auto plus = font_name.rfind('+');
    return plus == std::string_view::npos ? font_name : font_name.substr(plus + 1);
}

std::string font_family_key(std::string_view font_name) {
    std::string key = ascii_lower(font_name_after_subset_prefix(font_name));
    for (std::string_view suffix : kStyleSuffixes) {
        if (key.ends_with(suffix)) {
            key.resize(key.size() - suffix.size());
            break;
        }
    }
    return key;
}

bool is_monospace_font_name(std::string_view font_name) {
    std::string upper = ascii_upper(font_name);
    for (std::string_view word : kMonospaceWords) {
        if (upper.find(word) != std::string::npos) return true;
    }
    return false;
}

bool is_cmbx_font_name(std::string_view font_name) {
    return ascii_lower(font_name_after_subset_prefix(font_name)).find("cmbx") != std::string::npos;
}

}  // namespace zvk

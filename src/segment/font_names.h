// Tests on PDF font names: the name without its subset prefix, the family key
// that tells which lines share a typeface, and the monospace and TeX bold
// extended (cmbx) fonts.
#pragma once

#include <string>
#include <string_view>

namespace zvk {

// The part after the last '+': the whole name without one, empty when the name
// ends with '+'. A subset prefix ("ABCDEF+") and anything before it go.
std::string_view font_name_after_subset_prefix(std::string_view font_name);

// The name after its last '+', ASCII lower-cased, without one trailing style
// word such as "-bold", "-italic" or "-regular": the weights and slants of one
// typeface share a key.
std::string font_family_key(std::string_view font_name);

// Code fonts: the ASCII upper-cased name (subset prefix kept) contains MONO,
// COURIER, CONSOLAS, MENLO, INCONSOLATA, CASCADIA, JETBRAINS, TYPEWRITER,
// CMTT, LMTT, NIMBUSMON, OCRA, OCRB, OCR-A or OCR-B.
bool is_monospace_font_name(std::string_view font_name);

// The part after the last '+', ASCII lower-cased, contains "cmbx".
bool is_cmbx_font_name(std::string_view font_name);

}  // namespace zvk

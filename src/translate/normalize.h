// Post-edits that bring a translated text back in line with its source: the
// word "part" left in Chinese text and the order of part headings, lost
// bullets and list numbers, and short lines that are names.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// "part" left in Chinese text becomes 部分, a lone "Part 3" becomes 部分 3,
// and a part heading reads 第 3 部分.
std::string normalize_translated_text(std::string_view text);

// The bullet the source starts with, put back in front of a translation that
// lost it.
std::string restore_leading_bullet(std::string_view source, std::string_view translation);

// The list number ("1.", "2)", "3") the source starts with, put back in front
// of a translation that lost it.
std::string restore_leading_number(std::string_view source, std::string_view translation);

// Short lines that are names: one fixed department name, proper-name
// phrases kept in Latin letters, name lists introduced by "and", and the
// full-width colon after a Chinese label.
std::string fix_proper_name_line(std::string_view source, std::string_view translation);

struct LeadingDigits {
    std::string digits;     // one or two ASCII digits
    std::string_view rest;  // the text after them
};

// At most two digits at the start of the text, full-width ones (U+FF10 to
// U+FF19) read as their ASCII digit; none when the text starts otherwise.
std::optional<LeadingDigits> take_leading_digits(std::string_view text);

// The bytes of the web addresses of the text: from "https://" or "http://"
// (with `www`, also "www.") up to the next white space. The post-edits leave
// them alone.
std::vector<bool> mark_web_addresses(std::string_view text, bool www);

}  // namespace zvk

// Text tests that tell, one segment text at a time, what a line of a
// bibliography looks like: reference headings (in eleven languages), the
// headings that end a reference list, numbered and lettered section titles,
// bibliography entries, author lists and prose. Pure functions: no state, no
// failure.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zvk {

// The words of the text (runs of non-White_Space) joined by single spaces.
std::string collapse_whitespace(std::string_view text);

// The full Unicode lower-case mapping of the whole text (so 'Σ' at a word's
// end becomes 'ς' and 'İ' becomes "i̇"); invalid UTF-8 is kept as U+FFFD.
std::string unicode_lowercase(std::string_view text);

// The comparison form of a heading: trimmed, its leading section number
// removed, trimmed again, '.', ':', '．' and '：' removed from both ends,
// White_Space collapsed, Unicode lower-cased. '7. REFERENCES:' gives
// "references".
std::string normalize_heading_text(std::string_view text);

// The normalised text is one of the reference headings ('References',
// '参考文献', 'Literaturverzeichnis', ...).
bool is_reference_heading(std::string_view text);

// A heading of the back matter that follows a bibliography ('Appendix A',
// 'Acknowledgements', 'Online Methods', ...): the normalised text is a table
// entry or starts with one and a space. Texts of more than 48 characters
// after trimming are never one.
bool is_back_matter_heading(std::string_view text);

// The rest of `text` (passed trimmed) after a leading section number such as
// '12)', '1.2.3', 'A.' or 'IV', when the rest starts after white space or with
// a capital letter; nothing otherwise. Works in bytes; the result is a view
// into `text`.
std::optional<std::string_view> strip_leading_numbering(std::string_view text);

// '5 Conclusion', '2.1 Related Work', 'IV. Results': a short numbered title
// (3 to 60 characters, 1 to 8 words after the number) without a year that
// is no bibliography entry.
bool is_numbered_section_title(std::string_view text);

// The text closes a reference section: a back-matter heading, a numbered
// section title or a lettered heading ('A Proofs', 'B.2 Results'), unless it
// is itself a reference heading or an entry.
bool ends_reference_section(std::string_view text);

// The byte position of the first run of exactly four ASCII digits that reads
// 1900 to 2099, or nothing.
std::optional<std::size_t> find_year(std::string_view text);

// '[12] ...', '[3–5]', '［7］': an opening bracket, 1 to 3 digits, then one
// of , - ] – ］ ，.
bool is_bracketed_number_entry(std::string_view text);

// A citation key in brackets: '[Smi20]', '[ABC+19]', '[AB 20]'.
bool is_bracketed_key_entry(std::string_view text);

// The text starts with a capitalised surname (two characters or more, not a
// word such as 'Figure') followed by a comma: 'Smith, J.', 'Müller，A.'.
bool matches_author_year_entry(std::string_view text);

// A bibliography entry: bracketed number or key, a numbered entry with a year
// or a surname and comma after the number, or a surname and comma with a
// year. Never a text of fewer than 8 characters.
bool looks_like_bibliography_entry(std::string_view text);

// A line of author names: at least 3 words, 2 or more capitalised, none in
// lower case (particles such as 'and', 'et', 'al' aside), and a comma.
bool looks_like_author_list(std::string_view text);

// Six words or more, one of them a common English function word.
bool reads_like_prose(std::string_view text);

}  // namespace zvk

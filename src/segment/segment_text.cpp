#include "segment/segment_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "font/font_style.h"
#include "segment/block_predicates.h"
#include "segment/glyph_order.h"
#include "segment/line_text.h"
#include "segment/math_glyphs.h"
#include "segment/text_predicates.h"
#include "segment/text_trims.h"

namespace zvk {

namespace {

// A label or heading needs this many letters: fewer is a stray bold glyph,
// more is a whole bold paragraph.
constexpr std::size_t kMinLabelLetters = 3;
constexpr std::size_t kMaxLabelLetters = 159;
// The text after a run-in label must be a sentence, not a number or a name.
constexpr std::size_t kMinRestLetters = 8;

// Word prefixes that are written with a hyphen ("multi-layer"), so a hyphen
// after them at a line end belongs to the word.
constexpr std::array<std::string_view, 11> kHyphenPrefixes = {
    "non", "self", "semi", "meta", "anti", "multi", "cross", "ultra", "micro", "macro", "pseudo",
};
constexpr std::size_t kLongestHyphenPrefix = 6;
// Endings that show the part after a line-final hyphen is the rest of one
// word ("cross-" "ing"), even after one of the prefixes above.
constexpr std::array<std::string_view, 34> kHyphenSuffixes = {
    "ed",   "ing",  "tion", "sion", "ified", "ally", "ment",    "ness",    "able",  "ible",  "ence", "ance",
    "ous",  "ive",  "ers",  "ly",   "es",    "er",   "al",      "ity",     "or",    "ions",  "ted",  "ned",
    "red",  "ies",  "ability", "ibility", "ation", "ition", "ful", "less", "ship", "hood",
};

constexpr bool is_ascii_alnum(char c) {
    const auto u = static_cast<unsigned char>(c);
    return is_ascii_letter(u) || is_ascii_digit(u);
}

bool is_url_join_char(char c) {
    switch (c) {
    case '#': case '%': case '&': case '-': case '.': case '/': case '=': case '?': case '_': case '~':
        return true;
    default:
        return false;
    }
}

std::size_t count_ascii_letters(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += is_ascii_letter(static_cast<unsigned char>(c)) ? 1 : 0;
    return n;
}

template <std::size_t N>
bool is_one_of(std::string_view word, const std::array<std::string_view, N>& words) {
    for (std::string_view w : words) {
        if (w == word) return true;
    }
    return false;
}

// The characters of a word that the joins ask about. Words can grow to the
// length of a whole block (a URL or a hyphenated chain broken over many
// lines), so they are counted as the word grows rather than searched again.
struct WordMarks {
    std::size_t dots = 0;
    std::size_t slashes = 0;
    std::size_t ats = 0;
    std::size_t hyphens = 0;

    std::size_t* slot(char c) {
        switch (c) {
        case '.': return &dots;
        case '/': return &slashes;
        case '@': return &ats;
        case '-': return &hyphens;
        default: return nullptr;
        }
    }
    void add(char c) {
        if (std::size_t* n = slot(c)) ++*n;
    }
    void remove(char c) {
        if (std::size_t* n = slot(c)) --*n;
    }
};

// A word that reads as a web address or a path: an http(s) or www start, or
// a dot and a slash without an '@' (which marks a mail address).
bool is_url_like(std::string_view word, const WordMarks& marks) {
    if (word.starts_with("https://") || word.starts_with("http://") || word.starts_with("www.")) return true;
    return marks.dots > 0 && marks.slashes > 0 && marks.ats == 0;
}

// The text up to its first White_Space.
std::string_view first_word(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        Utf8Step step = utf8_decode_at(text, offset);
        if (step.valid && is_unicode_white_space(step.scalar)) return text.substr(0, offset);
        offset += step.length;
    }
    return text;
}

// A line's trailing white space is cut only when it is three bytes or more;
// a shorter tail (one or two spaces, one no-break space) stays in the text.
std::string_view end_trim_if_long(std::string_view text) {
    std::string_view trimmed = trim_trailing_white_space(text);
    return text.size() - trimmed.size() >= 3 ? trimmed : text;
}

enum class StyleKind : std::uint8_t { plain, bold, italic };

// The emphasis style of glyphs and their letters that count for it, read
// from font names for the glyphs of a line at a time: glyphs of a line
// mostly share a font, so a name is classified again only when it changes.
// Holds views of font names; use one while the glyphs live.
class GlyphStyles {
public:
    StyleKind style_kind(const Glyph& glyph) {
        if (!known_ || glyph.font_name != font_) {
            font_ = glyph.font_name;
            known_ = true;
            const FontNameStyle style = classify_font_name(font_);
            kind_ = is_bold_style(style) ? StyleKind::bold
                    : is_italic_style(style) ? StyleKind::italic
                                             : StyleKind::plain;
        }
        return kind_;
    }

    // The ASCII letters of a glyph that counts for label and heading styles:
    // math glyphs and glyphs without letters give 0 and are passed over.
    std::size_t styled_letters(const Glyph& glyph) {
        const std::size_t letters = count_ascii_letters(glyph.unicode);
        return letters == 0 || is_math_(glyph) ? 0 : letters;
    }

private:
    std::string_view font_;
    bool known_ = false;
    StyleKind kind_ = StyleKind::plain;
    MathGlyphTest is_math_;
};

// The text of a block as it grows line by line. Joins only ever cut white
// space or a hyphen off the end and append, so the text is grown in place
// and its character count kept as it goes; the last word is found by
// scanning only what was added since the previous look. A block of thousands
// of lines without a sentence end thus costs time linear in its text.
class RunningText {
public:
    struct End {
        std::size_t bytes = 0;
        std::size_t chars = 0;
    };

    std::string_view view() const { return text_; }
    bool blank() const { return trim_leading_white_space(text_).empty(); }

    void assign(std::string_view text) {
        text_.assign(text);
        chars_ = count_scalar_values(text);
        word_from_ = word_to_ = 0;
        marks_ = {};
    }

    std::string take() {
        std::string out = std::move(text_);
        text_.clear();
        chars_ = 0;
        word_from_ = word_to_ = 0;
        marks_ = {};
        return out;
    }

    // Where the text ends without its trailing white space.
    End trimmed_end() const {
        std::string_view trimmed = trim_trailing_white_space(text_);
        return {trimmed.size(), chars_ - count_scalar_values(std::string_view(text_).substr(trimmed.size()))};
    }

    void truncate(End end) {
        forget_from(end.bytes);
        text_.resize(end.bytes);
        chars_ = end.chars;
    }

    void append(std::string_view text) {
        text_.append(text);
        chars_ += count_scalar_values(text);
    }

    struct Word {
        std::string_view text;
        WordMarks marks;
    };

    // The last word of the first `end` bytes: what follows their last
    // White_Space character.
    Word last_word(std::size_t end) {
        forget_from(end);
        std::string_view text(text_);
        WordMarks added;
        std::size_t pos = end;
        bool restarted = false;
        while (pos > word_to_) {
            std::size_t start = pos - 1;
            while (start > word_to_ && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
            Utf8Step step = utf8_decode_at(text, start);
            if (step.valid && start + step.length == pos && is_unicode_white_space(step.scalar)) {
                restarted = true;
                break;
            }
            for (std::size_t i = start; i < pos; ++i) added.add(text[i]);
            pos = start;
        }
        if (restarted) {
            word_from_ = pos;
            marks_ = added;
        } else {
            marks_.dots += added.dots;
            marks_.slashes += added.slashes;
            marks_.ats += added.ats;
            marks_.hyphens += added.hyphens;
        }
        word_to_ = end;
        return {text.substr(word_from_, end - word_from_), marks_};
    }

private:
    // Bytes from `end` on may change: the known part of the last word stops
    // there.
    void forget_from(std::size_t end) {
        if (end < word_from_) {
            word_from_ = word_to_ = 0;
            marks_ = {};
            return;
        }
        for (; word_to_ > end; --word_to_) marks_.remove(text_[word_to_ - 1]);
    }

    std::string text_;
    std::size_t chars_ = 0;
    // [word_from_, word_to_) holds no White_Space and word_from_ is 0 or
    // follows White_Space: the known part of the last word, with its marks.
    std::size_t word_from_ = 0;
    std::size_t word_to_ = 0;
    WordMarks marks_;
};

struct RunInLabel {
    std::vector<const Glyph*> sorted;  // the line's glyphs by left edge
    std::size_t split = 0;             // first glyph of the rest
    std::string label_text;
    std::string rest_text;
};

// A bold or italic lead-in of the first line that runs into plain text
// ("Proof. The claim…", "Data collection: we…").
std::optional<RunInLabel> find_run_in_label(const TextLine& line) {
    RunInLabel label;
    label.sorted = line.glyphs;
    sort_left_edge(label.sorted);

    GlyphStyles styles;
    StyleKind kind = StyleKind::plain;
    for (const Glyph* g : label.sorted) {
        if (styles.styled_letters(*g) == 0) continue;
        kind = styles.style_kind(*g);
        if (kind != StyleKind::plain) break;
    }
    if (kind == StyleKind::plain) return std::nullopt;

    std::size_t count = 0;
    std::optional<std::size_t> split;
    for (std::size_t i = 0; i < label.sorted.size(); ++i) {
        const std::size_t letters = styles.styled_letters(*label.sorted[i]);
        if (letters == 0) continue;
        if (styles.style_kind(*label.sorted[i]) != kind) {
            split = i;
            break;
        }
        count += letters;
    }
    // A line styled to its end is no lead-in (it may be a heading).
    if (!split || count < kMinLabelLetters || count > kMaxLabelLetters) return std::nullopt;
    label.split = *split;

    std::span<const Glyph* const> all(label.sorted);
    label.label_text = line_text_from_glyphs(all.first(label.split));
    label.rest_text = line_text_from_glyphs(all.subspan(label.split));
    if (count_ascii_letters(label.rest_text) < kMinRestLetters || contains_year(label.rest_text)) return std::nullopt;

    const std::uint8_t end = line_end_kind(label.label_text);
    if (end == kLineEndNone) return std::nullopt;
    // Italic runs into a full stop for many reasons (book titles, emphasis);
    // it is a label only before a new sentence or as a theorem-like name.
    if (end == 0 && kind == StyleKind::italic && !starts_upper_case(label.rest_text) &&
        !is_environment_label(label.label_text)) {
        return std::nullopt;
    }
    return label;
}

// The second line is mostly set in style `kind`: its letters in that style
// outnumber those in each other style.
bool dominated_by(const TextLine& line, StyleKind kind) {
    std::array<std::size_t, 3> sums{};
    GlyphStyles styles;
    for (const Glyph* g : line.glyphs) {
        sums[static_cast<std::size_t>(styles.style_kind(*g))] += styles.styled_letters(*g);
    }
    const std::size_t own = sums[static_cast<std::size_t>(kind)];
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (i != static_cast<std::size_t>(kind) && own <= sums[i]) return false;
    }
    return true;
}

// A first line wholly in one emphasis style, ending in punctuation, over a
// line that is not in that style: a heading of its own.
bool is_heading(std::span<const TextLine> lines) {
    const TextLine& first = lines[0];
    if (starts_with_bullet(first.text) || first.glyphs.empty()) return false;
    StyleKind kind = StyleKind::plain;
    std::size_t count = 0;
    GlyphStyles styles;
    for (const Glyph* g : first.glyphs) {
        const std::size_t letters = styles.styled_letters(*g);
        if (letters == 0) continue;
        const StyleKind k = styles.style_kind(*g);
        if (k == StyleKind::plain) return false;
        if (kind == StyleKind::plain) kind = k;
        if (k != kind) return false;
        count += letters;
    }
    if (count < kMinLabelLetters || count > kMaxLabelLetters) return false;
    if (line_end_kind(first.text) == kLineEndNone) return false;
    if (lines.size() < 2 || dominated_by(lines[1], kind)) return false;
    return !contains_year(first.text) && !contains_year(lines[1].text);
}

class SegmentBuilder {
public:
    explicit SegmentBuilder(std::vector<Segment>& out) : out_(out) {}

    void add_block(std::span<const TextLine> lines) {
        if (lines.empty()) return;
        page_ = lines[0].page_index;
        text_.take();
        ids_.clear();

        if (std::optional<RunInLabel> label = find_run_in_label(lines[0])) {
            std::span<const Glyph* const> sorted(label->sorted);
            text_.assign(label->label_text);
            extend_with_glyph_ids(ids_, sorted.first(label->split));
            emit();
            text_.assign(label->rest_text);
            extend_with_glyph_ids(ids_, sorted.subspan(label->split));
        } else {
            text_.assign(end_trim_if_long(lines[0].text));
            extend_with_glyph_ids(ids_, lines[0].glyphs);
            if (is_heading(lines)) emit();
        }
        for (const TextLine& line : lines.subspan(1)) add_line(line);
        emit();
    }

private:
    enum class Join : std::uint8_t { direct, hyphen_then_space, keep_hyphen, drop_hyphen, space };

    void emit() {
        if (!ids_.empty() && !text_.blank()) {
            Segment segment;
            segment.glyph_ids = std::move(ids_);
            segment.source = text_.take();
            segment.id = static_cast<std::uint32_t>(out_.size());
            segment.page_index = page_;
            out_.push_back(std::move(segment));
        }
        text_.take();
        ids_.clear();
    }

    void add_line(const TextLine& line) {
        if (text_.blank()) {
            text_.assign(end_trim_if_long(line.text));
            extend_with_glyph_ids(ids_, line.glyphs);
            return;
        }
        const std::string_view start_trimmed = trim_leading_white_space(line.text);
        const std::string_view next = end_trim_if_long(start_trimmed);
        const RunningText::End end = text_.trimmed_end();
        const std::string_view trimmed = text_.view().substr(0, end.bytes);
        const RunningText::Word word = text_.last_word(end.bytes);

        const Join join = choose_join(trimmed, word, start_trimmed, next);
        std::size_t joined_chars = end.chars + count_scalar_values(next);
        if (join == Join::space || join == Join::hyphen_then_space) ++joined_chars;
        if (join == Join::drop_hyphen) --joined_chars;

        if (joined_chars > kSegmentCharLimit && ends_sentence(trimmed)) {
            emit();
            text_.assign(line.text);
        } else {
            text_.truncate(end);
            switch (join) {
            case Join::direct:
            case Join::keep_hyphen:
                break;
            case Join::drop_hyphen:
                text_.truncate({end.bytes - 1, end.chars - 1});
                break;
            case Join::hyphen_then_space:
            case Join::space:
                text_.append(" ");
                break;
            }
            text_.append(next);
        }
        extend_with_glyph_ids(ids_, line.glyphs);
    }

    // How the end-trimmed text (last word `word`) meets the next line.
    static Join choose_join(std::string_view trimmed, const RunningText::Word& word,
                            std::string_view start_trimmed, std::string_view next) {
        // A URL broken after one of its punctuation characters goes on
        // without a space.
        if (is_url_like(word.text, word.marks) && start_trimmed.size() >= 2 && is_url_join_char(start_trimmed[0]) &&
            is_ascii_alnum(start_trimmed[1])) {
            return Join::direct;
        }
        const std::size_t n = trimmed.size();
        if (n < 2 || trimmed[n - 1] != '-' || !is_ascii_letter(static_cast<unsigned char>(trimmed[n - 2]))) {
            return Join::space;
        }
        if (next.empty() || !is_ascii_alnum(next[0])) return Join::hyphen_then_space;
        // The word ends with the hyphen: the word before it is the rest, with
        // the same marks but that one hyphen.
        const std::string_view before = word.text.substr(0, word.text.size() - 1);
        WordMarks before_marks = word.marks;
        before_marks.hyphens -= 1;
        const std::string_view after = first_word(next);
        if (is_url_like(before, before_marks) || is_ascii_digit(static_cast<unsigned char>(next[0])) ||
            after.find('-') != std::string_view::npos || before_marks.hyphens > 0) {
            return Join::keep_hyphen;
        }
        if (before.size() <= kLongestHyphenPrefix && is_one_of(ascii_lower(before), kHyphenPrefixes)) {
            const std::string_view letters = trim_to_ascii_letters(after);
            if (letters.size() > 2 && !is_one_of(ascii_lower(letters), kHyphenSuffixes)) return Join::keep_hyphen;
        }
        return Join::drop_hyphen;
    }

    std::vector<Segment>& out_;
    RunningText text_;
    std::vector<std::uint32_t> ids_;
    std::uint32_t page_ = 0;
};

}  // namespace

SegmentationResult assemble_segments(const std::vector<std::vector<TextLine>>& blocks,
                                     std::vector<SkippedGlyph> skipped) {
    SegmentationResult result;
    SegmentBuilder builder(result.segments);
    for (const std::vector<TextLine>& block : blocks) builder.add_block(block);
    for (std::size_t i = 0; i < result.segments.size(); ++i) result.segments[i].id = static_cast<std::uint32_t>(i);
    result.skipped = std::move(skipped);
    return result;
}

}  // namespace zvk

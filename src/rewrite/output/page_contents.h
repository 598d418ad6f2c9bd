// Page-level operations the rewrite's writers share: attaching a new content
// stream after a page's old content (wrapped in q/Q), a page's effective
// resources merged down its page tree, what a page brings to a form XObject,
// numbers and rectangles read through references, and object ids from text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/core_error.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk::rewrite {

// Pages and their ancestors merged for resources: the page and 32 ancestors.
inline constexpr std::size_t kMaxResourceNodes = 33;

// Makes `content_id` (already in the document) the last content of the page,
// after the old content enclosed in two new streams "q\n" and "Q\n". Fails
// only when the page object is missing or not a dictionary.
Result<void> replace_page_contents(pdf::Document& doc, pdf::ObjectId page_id, pdf::ObjectId content_id);

// The page's resources merged with those of its ancestors: within the
// resource categories the nearer level wins name by name; for any other key
// the level nearest the root wins. A new dictionary owned by the caller.
pdf::Object resolve_page_resources(const pdf::Document& doc, pdf::ObjectId page_id);

struct PageFormSource {
    std::string content;  // the page's content streams decoded, each followed by a line feed
    pdf::Object resources;
    std::array<float, 4> media_box{0, 0, 612, 792};  // as stored, not normalised
    std::int32_t rotate = 0;                         // as stored, not reduced
};

// A stream's content as drawn: decoded through its filters; a stream without
// any filter gives its stored bytes when the decoder gives nothing. None for
// data a filter fails on (never read as content) or for a non-stream.
std::optional<std::string> stream_content(const pdf::Document& doc, const pdf::Object& stream);

PageFormSource read_page_form_source(const pdf::Document& doc, pdf::ObjectId page_id);

std::optional<float> resolve_number(const pdf::Document& doc, const pdf::Object& object);
std::optional<std::array<float, 4>> read_number_quad(const pdf::Document& doc, const pdf::Object& object);

// "12 0" or "+12 +0 R": a u32 number and a u16 generation as the first two
// words; anything that does not parse gives none.
std::optional<pdf::ObjectId> parse_object_id(std::string_view text);

}  // namespace zvk::rewrite

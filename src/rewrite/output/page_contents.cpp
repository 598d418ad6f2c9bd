#include "rewrite/output/page_contents.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "base/text.h"
#include "pdf/edit.h"
#include "pdf/objects.h"

namespace zvk::rewrite {

namespace {

using pdf::Object;
using pdf::ObjectId;

// The seven categories whose dictionaries merge name by name down the tree.
constexpr std::array<std::string_view, 7> kResourceCategories = {"Font",    "XObject", "ExtGState", "ColorSpace",
                                                                 "Pattern", "Shading", "Properties"};

bool is_category(const std::string& key) {
    for (const std::string_view c : kResourceCategories) {
        if (key == c) return true;
    }
    return false;
}

// The id a Parent entry refers to; none when it is not a reference.
std::optional<ObjectId> parent_of(const Object& node) {
    const Object parent = node.get("Parent");
    if (!parent.is_reference()) return std::nullopt;
    return parent.object_id();
}

// Walks from the page up the Parent chain, each node once; `visit` returns
// true to stop. `limit` bounds the nodes visited (0: no bound).
template <typename Visit>
void walk_up(const pdf::Document& doc, ObjectId page_id, std::size_t limit, Visit&& visit) {
    std::set<ObjectId> visited;
    std::optional<ObjectId> id = page_id;
    while (id) {
        if (!visited.insert(*id).second) return;
        if (limit != 0 && visited.size() > limit) return;
        const Object node = doc.object(*id);
        if (!node.is_dictionary()) return;
        if (visit(node)) return;
        id = parent_of(node);
    }
}

std::optional<std::uint64_t> parse_unsigned_word(std::string_view word, std::uint64_t max) {
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    if (word.empty()) return std::nullopt;
    for (const char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value > max) return std::nullopt;
    return value;
}

}  // namespace

// A stream's content for drawing: decoded through its filters. Bytes that
// fail to decode are never taken for content; only a stream without any
// filter contributes its stored bytes when the decoder gives nothing.
std::optional<std::string> stream_content(const pdf::Document& doc, const pdf::Object& stream) {
    if (auto data = doc.decode_stream(stream, doc.max_decompressed_size())) return data;
    if (!stream.stream_has_filter()) return stream.stream_raw_data();
    return std::nullopt;
}

Result<void> replace_page_contents(pdf::Document& doc, ObjectId page_id, ObjectId content_id) {
    auto q = pdf::add_stream(doc, "q\n", Object());
    if (!q) return fail(q.error());
    auto big_q = pdf::add_stream(doc, "Q\n", Object());
    if (!big_q) return fail(big_q.error());
    const Object content_ref = doc.object(content_id);

    Object new_contents = content_ref;
    const Object page = doc.object(page_id);
    if (page.is_dictionary() && page.has_key("Contents")) {
        const Object contents = page.get("Contents");
        std::vector<Object> items = {doc.object(*q)};
        if (contents.is_array()) {
            for (Object& item : contents.array_items()) items.push_back(std::move(item));
        } else if (contents.is_reference()) {
            const Object target = contents.follow();
            if (target.is_array()) {
                for (Object& item : target.array_items()) items.push_back(std::move(item));
            } else {
                items.push_back(contents);
            }
        } else {
            items.push_back(contents);
        }
        items.push_back(doc.object(*big_q));
        items.push_back(content_ref);
        new_contents = pdf::make_array(items);
    }

    Object target = doc.object(page_id);
    if (target.is_null()) return fail(CoreError::pdf(pdf::object_not_found_text(page_id)));
    if (!target.is_dictionary()) return fail(CoreError::pdf(pdf::wrong_type_text("Dictionary", target.kind())));
    return pdf::set_entry(target, "Contents", new_contents);
}

Object resolve_page_resources(const pdf::Document& doc, ObjectId page_id) {
    std::vector<Object> nodes;
    walk_up(doc, page_id, kMaxResourceNodes, [&](const Object& node) {
        nodes.push_back(node);
        return false;
    });
    Object result = pdf::make_dictionary();
    for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
        if (!node->has_key("Resources")) continue;
        const Object resources = resolve_object(doc, node->get("Resources"));
        if (!resources.is_dictionary()) continue;
        for (const std::string& key : resources.dict_keys()) {
            const Object value = resources.get(key);
            if (is_category(key)) {
                const Object so_far = resolve_object(doc, result.get(key));
                Object base = so_far.is_dictionary() ? pdf::copy_container(so_far) : pdf::make_dictionary();
                const Object level = resolve_object(doc, value);
                if (level.is_dictionary()) {
                    for (const std::string& name : level.dict_keys()) (void)pdf::set_entry(base, name, level.get(name));
                }
                (void)pdf::set_entry(result, key, base);
            } else if (!result.has_key(key)) {
                (void)pdf::set_entry(result, key, pdf::copy_container(value));
            }
        }
    }
    return result;
}

PageFormSource read_page_form_source(const pdf::Document& doc, ObjectId page_id) {
    PageFormSource source;
    const Object page = doc.object(page_id);
    if (page.is_dictionary()) {
        Object contents = page.get("Contents");
        std::vector<Object> parts;
        if (contents.is_reference()) {
            const Object target = contents.follow();
            if (target.is_array()) {
                parts = target.array_items();
            } else {
                parts.push_back(contents);
            }
        } else if (contents.is_array()) {
            parts = contents.array_items();
        }
        for (const Object& part : parts) {
            if (!part.is_reference()) continue;
            const Object stream = part.follow();
            if (!stream.is_stream()) continue;
            if (auto data = stream_content(doc, stream)) {
                source.content += *data;
                source.content += '\n';
            }
        }
    }
    source.resources = resolve_page_resources(doc, page_id);
    walk_up(doc, page_id, 0, [&](const Object& node) {
        if (!node.has_key("MediaBox")) return false;
        if (auto quad = read_number_quad(doc, node.get("MediaBox"))) {
            source.media_box = *quad;
            return true;
        }
        return false;
    });
    walk_up(doc, page_id, 0, [&](const Object& node) {
        if (!node.has_key("Rotate")) return false;
        const auto number = resolve_number(doc, node.get("Rotate"));
        if (!number) return false;
        const float r = *number;
        if (std::isnan(r)) {
            source.rotate = 0;
        } else if (r >= 2147483648.0f) {
            source.rotate = std::numeric_limits<std::int32_t>::max();
        } else if (r < -2147483648.0f) {
            source.rotate = std::numeric_limits<std::int32_t>::min();
        } else {
            source.rotate = static_cast<std::int32_t>(r);
        }
        return true;
    });
    return source;
}

std::optional<float> resolve_number(const pdf::Document& doc, const Object& object) {
    (void)doc;  // references are followed through the handle's own document
    Object current = object;
    // A reference chain in a damaged file may loop: follow a bounded number.
    for (int lookups = 0; current.is_reference(); ++lookups) {
        if (lookups >= kMaxResolveLookups) return std::nullopt;
        current = current.follow();
    }
    if (current.is_integer()) return current.as_f32();
    if (current.is_real()) return current.as_real();
    return std::nullopt;
}

std::optional<std::array<float, 4>> read_number_quad(const pdf::Document& doc, const Object& object) {
    Object current = object;
    for (int lookups = 0; current.is_reference(); ++lookups) {
        if (lookups >= kMaxResolveLookups) return std::nullopt;
        current = current.follow();
    }
    if (!current.is_array() || current.array_size() < 4) return std::nullopt;
    std::array<float, 4> quad{};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = resolve_number(doc, current.array_at(i));
        if (!value) return std::nullopt;
        quad[i] = *value;
    }
    return quad;
}

std::optional<ObjectId> parse_object_id(std::string_view text) {
    const std::vector<std::string_view> words = split_white_space_words(text);
    if (words.size() < 2) return std::nullopt;
    const auto number = parse_unsigned_word(words[0], std::numeric_limits<std::uint32_t>::max());
    const auto generation = parse_unsigned_word(words[1], std::numeric_limits<std::uint16_t>::max());
    if (!number || !generation) return std::nullopt;
    return ObjectId{static_cast<std::uint32_t>(*number), static_cast<std::uint16_t>(*generation)};
}

}  // namespace zvk::rewrite

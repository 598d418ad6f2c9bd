#include "content/document_interpreter.h"


#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "base/checked.h"
#include "content/annotations.h"
#include "content/geometry.h"
#include "font/font_loader.h"

namespace zvk {

namespace {

// The page and at most 32 ancestors give resources: the chain is cut there.
constexpr std::size_t kMaxResourceChain = 33;

// An inheritable page attribute (MediaBox, Rotate): the first value found
// walking up Parent from a page, ending at a repeated node, a node without a
// dictionary or a Parent that is no reference. Every node's answer is
// remembered, so pages sharing a long chain walk it once: a node's answer is
// its own value, or else its parent's answer (a node on a cycle has no value,
// or the walk would have stopped there), which is what a fresh walk gives.
template <typename T, typename Take>
class InheritedAttribute {
public:
    InheritedAttribute(const pdf::Document& doc, std::string key, Take take)
        : doc_(doc), key_(std::move(key)), take_(take) {}

    std::optional<T> find(ObjectId page) {
        std::vector<ObjectId> path;
        std::set<ObjectId> on_path;
        std::optional<T> result;
        std::optional<ObjectId> id = page;
        while (id) {
            if (auto known = memo_.find(*id); known != memo_.end()) {
                result = known->second;
                break;
            }
            if (!on_path.insert(*id).second) break;
            path.push_back(*id);
            auto dict = doc_.dictionary(*id);
            if (!dict) break;
            if (dict->has_key(key_)) {
                if ((result = take_(resolve_object(doc_, dict->get(key_))))) break;
            }
            pdf::Object parent = dict->get("Parent");
            id = parent.is_reference() ? parent.object_id() : std::nullopt;
        }
        for (const ObjectId& node : path) memo_[node] = result;
        return result;
    }

private:
    const pdf::Document& doc_;
    std::string key_;
    Take take_;
    std::map<ObjectId, std::optional<T>> memo_;
};

std::optional<Box> take_media_box(const pdf::Document& doc, const pdf::Object& value) {
    if (!value.is_array() || value.array_size() < 4) return std::nullopt;
    float v[4];
    for (std::size_t i = 0; i < 4; ++i) v[i] = resolve_object(doc, value.array_at(i)).as_f32();
    return normalized_box(v[0], v[1], v[2], v[3]);
}

std::optional<std::int32_t> take_rotate(const pdf::Object& value) {
    if (!value.is_integer()) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value.as_integer()));
}

// Resources merged from the top of the page's Parent chain down to the page:
// a name defined nearer the page wins. Pages whose chains name the same
// resource dictionaries (usually every page of a document, through one shared
// dictionary) share one merged map, read once: a large dictionary shared by
// thousands of pages must not be read thousands of times.
// Moves a page's records to the end of the document's list. The first page's
// list is taken whole; later ones grow the list geometrically in one step
// each, not record by record.
template <typename T>
void append_moved(std::vector<T>& into, std::vector<T>& from) {
    if (into.empty()) {
        into.swap(from);
        return;
    }
    if (into.capacity() < into.size() + from.size()) {
        into.reserve(std::max(into.size() + from.size(), into.capacity() * 2));
    }
    into.insert(into.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

class PageResourceCache {
public:
    std::shared_ptr<const ResourceMaps> for_page(const pdf::Document& doc, ObjectId page) {
        std::vector<pdf::Object> dictionaries;
        std::vector<ObjectId> key;
        bool shareable = true;
        std::set<ObjectId> visited;
        std::vector<pdf::Object> chain;
        std::optional<ObjectId> id = page;
        while (id && chain.size() < kMaxResourceChain && visited.insert(*id).second) {
            auto dict = doc.dictionary(*id);
            if (!dict) break;
            chain.push_back(*dict);
            pdf::Object parent = dict->get("Parent");
            id = parent.is_reference() ? parent.object_id() : std::nullopt;
        }
        for (auto node = chain.rbegin(); node != chain.rend(); ++node) {
            if (!node->has_key("Resources")) continue;
            pdf::Object resources = resolve_object(doc, node->get("Resources"));
            if (!resources.is_dictionary()) continue;
            // A dictionary written inside its node has no identity to share.
            if (auto rid = resources.object_id()) {
                key.push_back(*rid);
            } else {
                shareable = false;
            }
            dictionaries.push_back(std::move(resources));
        }
        if (shareable) {
            auto found = merged_.find(key);
            if (found != merged_.end()) return found->second;
        }
        auto merged = std::make_shared<ResourceMaps>();
        for (const pdf::Object& resources : dictionaries) {
            ResourceMaps own = load_page_resources(doc, resources);
            for (auto& [name, object] : own.fonts) merged->fonts.insert_or_assign(name, object);
            for (auto& [name, object] : own.xobjects) merged->xobjects.insert_or_assign(name, object);
            for (auto& [name, object] : own.ext_gstates) merged->ext_gstates.insert_or_assign(name, object);
        }
        std::shared_ptr<const ResourceMaps> result = std::move(merged);
        if (shareable) merged_.emplace(std::move(key), result);
        return result;
    }

private:
    std::map<std::vector<ObjectId>, std::shared_ptr<const ResourceMaps>> merged_;
};

// The ids of the page's content streams in drawing order: /Contents as one
// reference, or an array (direct or referenced) of references. Elements that
// are no reference name no stream and are passed over.
std::vector<ObjectId> content_stream_ids(const pdf::Document& doc, const pdf::Object& page) {
    std::vector<ObjectId> ids;
    if (!page.has_key("Contents")) return ids;
    pdf::Object contents = page.get("Contents");
    if (auto elements = resolve_array(doc, contents)) {
        for (const pdf::Object& element : *elements) {
            if (!element.is_reference()) continue;
            if (auto id = element.object_id()) ids.push_back(*id);
        }
        return ids;
    }
    if (contents.is_reference()) {
        if (auto id = contents.object_id()) ids.push_back(*id);
    }
    return ids;
}

void interpret_content_streams(ContentInterpreter& interp, const pdf::Document& doc,
                               const std::vector<ObjectId>& ids) {
    if (ids.empty()) {
        push_diagnostic_text(interp, "page has no content stream");
        return;
    }
    OperandList carried;
    for (std::size_t k = 0; k < ids.size() && !interp.budget_exhausted; ++k) {
        pdf::Object stream = doc.object(ids[k]);
        std::optional<std::string> data;
        if (stream.is_stream()) data = doc.decode_stream(stream, interp.max_stream_bytes);
        if (!data) {
            if (!carried.empty()) {
                push_diagnostic_text(interp, "dropped operands before an unreadable content stream");
                carried.clear();
            }
            push_diagnostic(interp, "unreadable content stream " + ids[k].text());
            continue;
        }
        const auto index = saturate_cast<std::uint32_t>(k);
        carried = interpret_page_stream(interp, *data, std::move(carried),
                                        {GlyphSourceKind::PageContent, ids[k], index, std::nullopt});
    }
    if (!carried.empty()) push_diagnostic_text(interp, "trailing operands at end of page contents");
}

ExtractedDocument interpret_pages(const pdf::Document& document, const ExtractLimits& limits,
                                  const PageBudgetLimits& budget, const PageBudgetLimits& document_budget,
                                  const PageGlyphsSink* take_page) {
    ExtractedDocument out;
    std::uint32_t next_id = 0;
    auto pages = document.page_ids();
    if (pages.empty()) {
        out.diagnostics.push_back({std::nullopt, "document has no pages"});
        return out;
    }
    auto media_box_of = [&](const pdf::Object& v) { return take_media_box(document, v); };
    InheritedAttribute<Box, decltype(media_box_of)> media_boxes(document, "MediaBox", media_box_of);
    InheritedAttribute<std::int32_t, decltype(&take_rotate)> rotations(document, "Rotate", &take_rotate);

    // Fonts and merged resources are kept for all pages: what many pages share
    // is read once.
    font::FontCache fonts;
    PageResourceCache page_resource_cache;
    PageBudgetLimits document_left = document_budget;
    bool document_exhausted = false;
    // Pages of a document hold about as many glyphs as the one before: room
    // for that many spares most of the moves of a growing list.
    std::size_t previous_glyphs = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto index = saturate_cast<std::uint32_t>(i);
        if (limits.max_pages && index >= *limits.max_pages) break;
        const ObjectId page_id = pages[i];
        PageInfo info;
        info.index = index;
        info.object_id = page_id;
        info.media_box = media_boxes.find(page_id).value_or(Box{0, 0, 612, 792});
        info.rotate = rotations.find(page_id).value_or(0);
        out.pages.push_back(info);
        // Past the document's budget, pages are still listed but not read.
        if (document_exhausted) continue;

        ResourceScope page_resources{page_resource_cache.for_page(document, page_id), nullptr};
        auto page_dictionary = document.dictionary(page_id);
        std::vector<ObjectId> stream_ids;
        if (page_dictionary) stream_ids = content_stream_ids(document, *page_dictionary);
        // Read first without the lexers' messages pass; read again with it
        // when a lexer had something to say, or when the budget cut the page
        // short (the pass reads what the operations never reached). Nothing
        // of a page outlives it but the fonts, which loading twice leaves
        // the same.
        std::optional<ContentInterpreter> attempt;
        for (const bool skip_message_pass : {true, false}) {
            ContentInterpreter& interp = attempt.emplace(document, limits, page_resources, index, budget);
            interp.fonts = &fonts;
            interp.document_budget_limits = document_budget;
            interp.document_left = document_left;
            interp.skip_message_pass = skip_message_pass;
            interp.glyphs.reserve(previous_glyphs);
            interpret_content_streams(interp, document, stream_ids);
            if (page_dictionary && !interp.budget_exhausted) paint_annotations(interp, *page_dictionary);
            if (!interp.lexer_spoke && !interp.budget_exhausted) break;
        }
        ContentInterpreter& interp = *attempt;
        previous_glyphs = interp.glyphs.size();
        // A page far smaller than the one before gives the room back: the
        // lists of read pages are kept until their text is written.
        if (interp.glyphs.capacity() > 2 * interp.glyphs.size() + 64) interp.glyphs.shrink_to_fit();

        document_left = interp.document_left;
        document_exhausted = interp.document_budget_exhausted;
        append_moved(out.diagnostics, interp.diagnostics);
        append_moved(out.regions, interp.regions);
        if (take_page != nullptr) {
            for (Glyph& g : interp.glyphs) g.id = next_id++;
            if (!(*take_page)(std::move(interp.glyphs))) break;
        } else {
            append_moved(out.glyphs, interp.glyphs);
        }
    }
    for (std::size_t i = 0; i < out.glyphs.size(); ++i) out.glyphs[i].id = static_cast<std::uint32_t>(i);
    return out;
}

}  // namespace

ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits) {
    return interpret_document(document, limits, PageBudgetLimits{},
                              document_budget_for_input(document.input_size()));
}

ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits,
                                     const PageGlyphsSink& take_page) {
    return interpret_pages(document, limits, PageBudgetLimits{}, document_budget_for_input(document.input_size()),
                           &take_page);
}

ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits,
                                     const PageBudgetLimits& budget,
                                     const PageBudgetLimits& document_budget) {
    return interpret_pages(document, limits, budget, document_budget, nullptr);
}

}  // namespace zvk

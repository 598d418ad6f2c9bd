// Loading font resources into PdfFont records, and the per-document cache
// through which content interpretation selects fonts (Tf, or the Font entry
// of a graphics-state parameter dictionary).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "font/font.h"
#include "font/font_streams.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk::font {

// A direct font dictionary is cached under a key written from its contents
// (references by id); one whose key would exceed this is loaded afresh at
// every selection rather than kept as a huge key.
inline constexpr std::size_t kMaxDirectFontKeyBytes = 65536;
// Direct objects nested deeper than this inside a font entry make it
// uncacheable (no real font dictionary nests more than four levels).
inline constexpr std::size_t kMaxDirectFontKeyDepth = 32;

// The font of a font entry as it stands in a resource dictionary or a
// graphics-state Font array (not resolved), selected under
// `resource_name`: a Type0 font, a simple font, or the fallback font when
// the entry is not a dictionary. Never fails.
PdfFont load_font(const pdf::Document& doc, const std::string& resource_name, const pdf::Object& font_entry);

// The font used for a font resource that is not a dictionary: no text for any
// code, advance 1000 glyph units.
PdfFont make_fallback_font(const std::string& resource_name, std::optional<ObjectId> object_id);

// The font dictionary's ToUnicode CMap; null when absent, unreadable or empty.
// `parts` keeps what is read from streams for other fonts (null: nothing kept).
std::shared_ptr<const ParsedCMap> load_to_unicode(const pdf::Document& doc, const pdf::Object& font_dictionary,
                                                  FontStreamParts* parts = nullptr);

// Fonts of one document, each parsed once whatever the number of pages and
// selections that use it. The interpreter keeps one per document and calls
// `font_for` where a font is selected; the result is identical to
// `load_font` on the same arguments. One thread at a time; it must not
// outlive its document (Type3 fonts keep handles to the document's objects).
class FontCache {
public:
    std::shared_ptr<const PdfFont> font_for(const pdf::Document& doc, const std::string& resource_name,
                                            const pdf::Object& font_entry);

    // Fonts parsed so far (for tests and measurements).
    std::size_t parsed_font_count() const { return parses_; }

private:
    std::shared_ptr<const PdfFont> font_by_contents(const pdf::Document& doc, const std::string& resource_name,
                                                    const pdf::Object& font_entry);

    // A direct font entry as selected before: the stored object is held so
    // that its identity stays its own for as long as the cache lives.
    struct StoredSelection {
        pdf::Object entry;
        std::shared_ptr<const PdfFont> font;
    };

    std::size_t parses_ = 0;
    // What fonts read from streams, shared by every font that names them.
    FontStreamParts parts_;
    // Parsed fonts by entry identity (an object id, or a direct dictionary's
    // contents); a font whose base name came from its resource name is keyed
    // with that name too, since the name decides its default encoding.
    std::unordered_map<std::string, std::shared_ptr<const PdfFont>> bodies_;
    // The same fonts under the other names they were selected by.
    std::unordered_map<std::string, std::shared_ptr<const PdfFont>> selections_;
    // Direct entries by stored object and resource name.
    std::unordered_map<std::string, StoredSelection> by_stored_object_;
};

}  // namespace zvk::font

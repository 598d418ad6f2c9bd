// Translation records over glyphs for the rewrite's record tests: each
// record's glyphs laid left to right on a baseline, one per word (or per
// character), every glyph shown by an operation of its own unless a test
// makes two share one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "segment/glyph_fixture.h"
#include "translate/outcome.h"

namespace zvk::test {

constexpr std::uint32_t kStream = 12;

struct Doc {
    std::vector<Glyph> glyphs;
    std::vector<TranslationRecord> records;

    // Glyphs for the words of `source`, font and size as given; returns the
    // record's index.
    std::size_t add(std::string source, std::string translated, float baseline = 700, float x = 72,
                    std::string font = "Times-Roman", float size = 10, std::uint32_t page = 0,
                    bool per_char = false) {
        TranslationRecord record;
        record.page_index = page;
        record.source = source;
        record.translated = std::move(translated);
        std::vector<std::string> pieces;
        if (per_char) {
            for (char c : source) pieces.emplace_back(1, c);
        } else {
            for (const std::string_view w : split_white_space_words(source)) pieces.emplace_back(w);
        }
        for (const std::string& piece : pieces) {
            const float width = 0.5f * size * static_cast<float>(piece.size());
            Glyph g = test::make_glyph({.text = piece, .x0 = x, .x1 = x + width, .size = size, .baseline = baseline,
                                        .font = font},
                                       static_cast<std::uint32_t>(glyphs.size()), page);
            g.source.object_id = ObjectId{kStream, 0};
            g.source.byte_start = 10 * std::uint64_t{g.id};
            g.source.byte_end = g.source.byte_start + 5;
            record.glyph_ids.push_back(g.id);
            glyphs.push_back(std::move(g));
            x += width + (per_char ? 0.1f * size : 0.3f * size);
            if (per_char && piece == " ") x += 0.1f * size;  // a word gap wider than a letter gap
        }
        records.push_back(std::move(record));
        return records.size() - 1;
    }

    // A glyph outside every record (a page number, a bullet); returns its id.
    std::uint32_t add_glyph(const GlyphSpec& spec, std::uint32_t page = 0) {
        Glyph g = make_glyph(spec, static_cast<std::uint32_t>(glyphs.size()), page);
        g.source.object_id = ObjectId{kStream, 0};
        g.source.byte_start = 10 * std::uint64_t{g.id};
        g.source.byte_end = g.source.byte_start + 5;
        glyphs.push_back(std::move(g));
        return glyphs.back().id;
    }

    Glyph& glyph_of(std::size_t record, std::size_t k) { return glyphs[records[record].glyph_ids[k]]; }

    // The glyph is shown by the same operation as `other`.
    void share_operation(std::uint32_t id, std::uint32_t other) { glyphs[id].source = glyphs[other].source; }
};

}  // namespace zvk::test

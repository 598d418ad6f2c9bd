#include "font/font_streams.h"

#include "font/cff_encoding.h"
#include "font/sfnt.h"
#include "font/simple_font.h"
#include "pdf/objects.h"

namespace zvk::font {

namespace {

// The stream's decoded bytes within the font-stream bound; none when no
// stream is reached or it cannot be decoded within the bound.
std::optional<std::string> load_font_stream(const pdf::Document& doc, const pdf::Object& object) {
    auto loaded = load_stream_data(doc, object, kMaxFontStreamBytes);
    if (!loaded) return std::nullopt;
    return std::move(loaded->data);
}

// The object id of the stream the entry leads to; none for a stream that is
// not an object of its own (nothing else can name it) or no stream at all.
std::optional<ObjectId> stream_id(const pdf::Document& doc, const pdf::Object& entry) {
    auto reached = reach_stream(doc, entry);
    if (!reached) return std::nullopt;
    return reached->stream.object_id();
}

// The value kept for the entry's stream, made by `read` the first time.
template <typename T, typename Read>
T kept_or_read(std::map<ObjectId, T>* kept, const pdf::Document& doc, const pdf::Object& entry, Read read) {
    std::optional<ObjectId> id = kept ? stream_id(doc, entry) : std::nullopt;
    if (id) {
        if (auto it = kept->find(*id); it != kept->end()) return it->second;
    }
    T value = read();
    if (id) kept->emplace(*id, value);
    return value;
}

template <typename Member>
auto* part(FontStreamParts* parts, Member member) {
    return parts ? &(parts->*member) : nullptr;
}

}  // namespace

CMapStream read_cmap_stream(const pdf::Document& doc, const pdf::Object& entry, FontStreamParts* parts) {
    return kept_or_read(part(parts, &FontStreamParts::cmaps), doc, entry, [&] {
        CMapStream stream;
        auto bytes = load_font_stream(doc, entry);
        if (!bytes) return stream;
        stream.readable = true;
        stream.vertical = bytes->find("/WMode 1") != std::string::npos;
        auto cmap = std::make_shared<ParsedCMap>(parse_cmap_program(*bytes));
        if (!cmap->empty()) stream.cmap = std::move(cmap);
        return stream;
    });
}

std::shared_ptr<const std::vector<std::uint16_t>> read_cid_to_gid_table(const pdf::Document& doc,
                                                                        const pdf::Object& entry,
                                                                        FontStreamParts* parts) {
    return kept_or_read(part(parts, &FontStreamParts::cid_to_gid_tables), doc, entry,
                        [&]() -> std::shared_ptr<const std::vector<std::uint16_t>> {
                            auto bytes = load_font_stream(doc, entry);
                            if (!bytes) return nullptr;
                            auto table = std::make_shared<std::vector<std::uint16_t>>();
                            table->reserve(bytes->size() / 2);
                            for (std::size_t i = 0; i + 1 < bytes->size(); i += 2) {
                                table->push_back(static_cast<std::uint16_t>(
                                    (static_cast<unsigned char>((*bytes)[i]) << 8) |
                                    static_cast<unsigned char>((*bytes)[i + 1])));
                            }
                            return table;
                        });
}

ProgramMaps read_program_maps(const pdf::Document& doc, const pdf::Object& entry, FontStreamParts* parts) {
    return kept_or_read(part(parts, &FontStreamParts::programs), doc, entry, [&] {
        SharedCmapMaps maps = std::make_shared<const CmapMaps>();
        if (auto program = load_font_stream(doc, entry)) {
            CmapBudget own;
            maps = read_collection_cmap(*program, parts ? parts->cmap_work : own);
        }
        // Both maps live as long as either is held.
        return ProgramMaps{{maps, &maps->code_point_to_gid}, {maps, &maps->gid_to_text}};
    });
}

ProgramMaps find_embedded_program_maps(const pdf::Document& doc, const pdf::Object& font_descriptor,
                                       FontStreamParts* parts) {
    for (const char* key : {"FontFile2", "FontFile3", "FontFile"}) {
        if (!font_descriptor.has_key(key)) continue;
        ProgramMaps maps = read_program_maps(doc, font_descriptor.get(key), parts);
        if (!maps.empty()) return maps;
    }
    return {std::make_shared<const CodePointToGid>(), std::make_shared<const GidToText>()};
}

std::shared_ptr<const SimpleEncoding> read_type1_builtin_encoding(const pdf::Document& doc,
                                                                  const pdf::Object& entry,
                                                                  FontStreamParts* parts) {
    return kept_or_read(part(parts, &FontStreamParts::type1_encodings), doc, entry,
                        [&]() -> std::shared_ptr<const SimpleEncoding> {
                            auto program = load_font_stream(doc, entry);
                            if (!program) return nullptr;
                            // What the program gives an empty table is what it
                            // gives the empty entries of any table.
                            auto fills = std::make_shared<SimpleEncoding>();
                            apply_type1_builtin_encoding(*fills, *program);
                            return fills;
                        });
}

std::shared_ptr<const SimpleEncoding> read_cff_builtin_encoding(const pdf::Document& doc,
                                                                const pdf::Object& entry,
                                                                FontStreamParts* parts) {
    return kept_or_read(part(parts, &FontStreamParts::cff_encodings), doc, entry,
                        [&]() -> std::shared_ptr<const SimpleEncoding> {
                            // FontFile3 also holds OpenType and CID-keyed
                            // programs; only Type1C is a bare CFF simple font.
                            auto reached = reach_stream(doc, entry);
                            if (!reached) return nullptr;
                            auto subtype = object_as_name(
                                resolve_object(doc, reached->stream.stream_dict().get("Subtype")));
                            if (subtype != "Type1C") return nullptr;
                            auto program = load_font_stream(doc, reached->stream);
                            if (!program) return nullptr;
                            auto fills = std::make_shared<SimpleEncoding>();
                            apply_builtin_encoding_entries(*fills, read_cff_encoding_entries(*program));
                            return fills;
                        });
}

ProcedureBytes read_type3_procedure(const pdf::Document& doc, const pdf::Object& entry, std::uint64_t max_bytes,
                                    FontStreamParts* parts) {
    max_bytes = std::min(max_bytes, kMaxFontStreamBytes);
    auto decode = [&](std::uint64_t bound) -> ProcedureBytes {
        auto loaded = load_stream_data(doc, entry, bound);
        if (!loaded) return nullptr;
        return std::make_shared<const std::string>(std::move(loaded->data));
    };
    std::optional<ObjectId> id = parts ? stream_id(doc, entry) : std::nullopt;
    if (!id) return decode(max_bytes);
    // A procedure decodes within a bound exactly when its decoded size is
    // within it: one that decoded serves every smaller bound it fits, one
    // that failed at the full bound fails at all. A failure at a smaller
    // bound says nothing about larger ones and is not kept.
    if (auto it = parts->procedures.find(*id); it != parts->procedures.end()) {
        if (!it->second || it->second->size() > max_bytes) return nullptr;
        return it->second;
    }
    ProcedureBytes bytes = decode(max_bytes);
    if (bytes || max_bytes == kMaxFontStreamBytes) parts->procedures.emplace(*id, bytes);
    return bytes;
}

}  // namespace zvk::font

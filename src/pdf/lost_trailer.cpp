// Loading a file whose end was cut off: the trailer (and with it the root
// of everything) is rebuilt from the objects that remain.
//
// Files with a classic cross-reference table need only a trailer: the
// reader's own reconstruction finds every object by scanning. Objects inside
// object streams cannot be found that way, so when those are needed a second
// step reads the object streams through the first reconstruction and appends
// a cross-reference stream that names every object, in the file and in the
// streams.
//
// What stays lost, and stays a load failure: a catalog that was itself cut
// (nothing else names the page tree); the identifier the trailer held, which
// the keys of older encryption (revisions 2 to 4) are derived from, so no
// password opens such a file; an encryption dictionary written inside the
// trailer; and objects the reader's reconstruction cannot see (a header that
// does not start its line), with what only they lead to.
#include <qpdf/QPDF.hh>

#include <algorithm>
#include <charconv>
#include <exception>
#include <map>
#include <new>

#include "pdf/bounded_pipeline.h"
#include "pdf/document_impl.h"
#include "pdf/object_scan.h"

namespace zvk::pdf {

namespace {

// Whether a stream's filters decode its first bytes.
bool decodes(QPDFObjectHandle& stream) {
    std::string out;
    Pl_Bounded sink(out, 4096);
    try {
        return stream.pipeStreamData(&sink, nullptr, 0, qpdf_dl_generalized, true, false);
    } catch (const Pl_Bounded::LimitExceeded&) {
        return true;
    } catch (...) {
        return false;
    }
}

// An encryption dictionary written inside the trailer is lost with it, and
// the rest then reads as if it were never encrypted: every stream is noise.
// Pages with text have filtered content streams that decode, so the first
// few such streams tell: none decoding means the document cannot be read,
// however many pages it lists. Unfiltered streams prove nothing.
bool content_decodes(QPDF& qpdf) {
    constexpr int kStreamsTried = 4;
    int tried = 0;
    for (QPDFObjectHandle page : qpdf.getAllPages()) {
        auto contents = page.getKey("/Contents");
        std::vector<QPDFObjectHandle> streams;
        if (contents.isArray()) {
            streams = contents.getArrayAsVector();
        } else {
            streams.push_back(contents);
        }
        for (auto& stream : streams) {
            if (!stream.isStream() || stream.getDict().getKey("/Filter").isNull()) continue;
            if (decodes(stream)) return true;
            if (++tried == kStreamsTried) return false;
        }
    }
    return tried == 0;
}

// A rebuilt document is kept only when it has pages and, if no encryption
// dictionary was found, its content is not noise.
bool usable(QPDF& qpdf, bool encrypted) {
    return !qpdf.getAllPages().empty() && (encrypted || content_decodes(qpdf));
}

std::optional<std::uint64_t> integer_at(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\r' ||
                              s[pos] == '\t' || s[pos] == '\f' || s[pos] == '\0')) {
        ++pos;
    }
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data() + pos, s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data() + pos) return std::nullopt;
    pos = static_cast<std::size_t>(end - s.data());
    return value;
}

// The final definition of one object number: the newest, by position.
struct Definition {
    Position position;
    XrefEntry entry;
};

struct Objects {
    // Every definition, in no order until `settle` sorts them.
    std::vector<std::pair<std::uint32_t, Definition>> all;
    std::vector<Candidate> candidates;

    // Keeps the newest definition of each number, sorted by number.
    std::vector<Definition> settle() {
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : a.second.position < b.second.position;
        });
        std::vector<Definition> final;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (i + 1 < all.size() && all[i + 1].first == all[i].first) continue;
            final.push_back(all[i].second);
        }
        return final;
    }
};

// The objects one object stream holds: the numbers its header lists, and
// the role of each. Its decoded data counts against `budget`; LimitExceeded
// when it would pass it.
void read_object_stream(QPDF& qpdf, const Candidate& c, std::uint64_t& budget, Objects& objects) {
    auto stream = qpdf.getObject(static_cast<int>(c.ref.number), static_cast<int>(c.ref.generation));
    if (!stream.isStream()) return;
    auto dict = stream.getDict();
    if (!dict.getKey("/N").isInteger() || !dict.getKey("/First").isInteger()) return;
    long long n = dict.getKey("/N").getIntValue();
    long long first = dict.getKey("/First").getIntValue();
    if (n <= 0 || first < 0) return;
    std::string data;
    Pl_Bounded sink(data, budget);
    if (!stream.pipeStreamData(&sink, nullptr, 0, qpdf_dl_generalized, true, false)) return;
    budget -= data.size();
    if (static_cast<std::uint64_t>(first) > data.size()) return;
    std::string_view text(data);
    std::string_view head = text.substr(0, static_cast<std::size_t>(first));
    std::string_view body = text.substr(static_cast<std::size_t>(first));
    // Pairs of object number and offset from /First; each object's text
    // runs to the next larger offset.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> members;
    std::size_t pos = 0;
    for (long long i = 0; i < n; ++i) {
        auto number = integer_at(head, pos);
        auto offset = integer_at(head, pos);
        if (!number || !offset) break;
        members.push_back({*number, *offset});
    }
    std::vector<std::uint64_t> starts;
    for (const auto& m : members) starts.push_back(m.second);
    std::sort(starts.begin(), starts.end());
    for (std::size_t i = 0; i < members.size(); ++i) {
        auto [number, offset] = members[i];
        if (number == 0 || number > 0x7FFFFFFF || offset > body.size()) continue;
        auto next = std::upper_bound(starts.begin(), starts.end(), offset);
        std::uint64_t end = next == starts.end() ? body.size() : std::min<std::uint64_t>(*next, body.size());
        auto ref = ObjectRef{static_cast<std::uint32_t>(number), 0};
        Position position{c.position.first, i + 1};
        objects.all.push_back({ref.number, {position, {ref.number, 2, c.ref.number, i}}});
        ObjectRole role = classify_object(body.substr(offset, end - offset));
        if (role == ObjectRole::Catalog || role == ObjectRole::Info) {
            objects.candidates.push_back({ref, position, role});
        }
    }
}

// Reads every object stream that the first reconstruction holds as found.
// All together are decoded within the document's decompression limit; past
// it, the rest are not read and their objects stay missing. A stream that
// cannot be read loses only its own objects.
void read_object_streams(QPDF& qpdf, const std::vector<Candidate>& streams,
                         const std::map<QPDFObjGen, QPDFXRefEntry>& table, std::uint64_t budget,
                         Objects& objects) {
    for (const auto& c : streams) {
        // The reconstruction must hold this very definition of the stream:
        // a type 2 entry names its stream by number only.
        auto found = table.find(QPDFObjGen(static_cast<int>(c.ref.number),
                                           static_cast<int>(c.ref.generation)));
        if (found == table.end() || found->second.getType() != 1 ||
            static_cast<std::uint64_t>(found->second.getOffset()) != c.position.first) {
            continue;
        }
        try {
            read_object_stream(qpdf, c, budget, objects);
        } catch (const Pl_Bounded::LimitExceeded&) {
            return;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
        }
    }
}

struct RebuiltXref {
    std::string text;
    bool encrypted = false;
};

// The cross-reference stream for everything the first reconstruction found
// and the object streams hold; none when no catalog is among them.
std::optional<RebuiltXref> xref_for_all_objects(QPDF& qpdf, const ObjectScan& scan,
                                                std::uint64_t offset, std::uint64_t budget) {
    auto table = qpdf.getXRefTable();
    Objects objects;
    for (const auto& [og, entry] : table) {
        if (entry.getType() != 1 || og.getObj() <= 0) continue;
        auto at = static_cast<std::uint64_t>(entry.getOffset());
        objects.all.push_back({static_cast<std::uint32_t>(og.getObj()),
                               {{at, 0},
                                {static_cast<std::uint32_t>(og.getObj()), 1, at,
                                 static_cast<std::uint64_t>(og.getGen())}}});
    }
    std::vector<Candidate> streams;
    for (const auto& c : scan.candidates) {
        if (c.role == ObjectRole::ObjectStream) {
            streams.push_back(c);
        } else {
            objects.candidates.push_back(c);
        }
    }
    read_object_streams(qpdf, streams, table, budget, objects);
    std::vector<Definition> final = objects.settle();

    // A candidate counts only if it is still its number's final definition.
    std::vector<Candidate> current;
    for (const auto& c : objects.candidates) {
        auto it = std::lower_bound(final.begin(), final.end(), c.ref.number,
                                   [](const Definition& d, std::uint32_t n) { return d.entry.number < n; });
        if (it != final.end() && it->entry.number == c.ref.number && it->position == c.position) {
            current.push_back(c);
        }
    }
    auto root = newest(current, ObjectRole::Catalog);
    if (!root) return std::nullopt;
    TrailerEntries trailer;
    trailer.root = root->ref;
    if (auto info = newest(current, ObjectRole::Info)) trailer.info = info->ref;
    if (auto encrypt = newest(current, ObjectRole::Encrypt)) trailer.encrypt = encrypt->ref;

    std::vector<XrefEntry> entries;
    std::uint32_t highest = scan.highest;
    for (const auto& d : final) {
        entries.push_back(d.entry);
        highest = std::max(highest, d.entry.number);
    }
    if (highest >= 0x7FFFFFFF) return std::nullopt;
    return RebuiltXref{xref_stream_text(entries, trailer, highest + 1, offset),
                       trailer.encrypt.has_value()};
}

}  // namespace

std::unique_ptr<Document::Impl> reopen_without_trailer(std::string&& bytes,
                                                       const LoadSettings& settings) {
    ObjectScan scan = scan_objects(bytes);
    auto root = newest(scan.candidates, ObjectRole::Catalog);
    auto info = newest(scan.candidates, ObjectRole::Info);
    auto encrypt = newest(scan.candidates, ObjectRole::Encrypt);
    bool object_streams = newest(scan.candidates, ObjectRole::ObjectStream).has_value();
    if (!root && !object_streams) return nullptr;

    TrailerEntries entries;
    if (root) entries.root = root->ref;
    if (info) entries.info = info->ref;
    if (encrypt) entries.encrypt = encrypt->ref;
    const std::size_t kept = bytes.size();
    auto impl = std::make_unique<Document::Impl>();
    impl->bytes = std::move(bytes);
    impl->bytes.append(trailer_text(entries, std::uint64_t{scan.highest} + 1));
    std::optional<RebuiltXref> xref;
    try {
        open_document(*impl, settings);
        if (!object_streams) {
            if (root && usable(impl->qpdf, encrypt.has_value())) return impl;
            return nullptr;
        }
        // With object streams in the file this load cannot see every object
        // (and a page it misses still counts, as an empty one): it only
        // serves to read the streams.
        xref = xref_for_all_objects(impl->qpdf, scan, kept, settings.max_decompressed_size);
        if (!xref) return nullptr;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return nullptr;
    }

    // The same buffer again, cut back to the file's own bytes.
    auto again = std::make_unique<Document::Impl>();
    again->bytes = std::move(impl->bytes);
    impl.reset();
    again->bytes.resize(kept);
    again->bytes.append(xref->text);
    try {
        open_document(*again, settings);
        if (usable(again->qpdf, xref->encrypted)) return again;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
    }
    return nullptr;
}

}  // namespace zvk::pdf

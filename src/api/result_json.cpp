#include "api/result_json.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "api/coverage.h"
#include "api/pdf_files.h"
#include "base/utf8.h"
#include "base/workers.h"
#include "content/records_json.h"

namespace zvk {

namespace {

// A pretty-printed glyph takes about 1.3 KB; reserving that up front spares
// the copies of a growing string.
constexpr std::size_t kBytesPerGlyph = 1400;

// The document object is its members in byte order of their names; the
// glyphs, nearly all of its text, stand between these two groups.
void write_members_before_glyphs(JsonWriter& w, const ExtractedDocument& extraction,
                                 const CoverageReport& coverage) {
    w.member("coordinate_space", extraction.coordinate_space);
    w.key("coverage");
    serialize_coverage_report(w, coverage);
    w.key("diagnostics");
    write_diagnostics(w, extraction.diagnostics);
}

void write_members_after_glyphs(JsonWriter& w, const ExtractedDocument& extraction,
                                const std::string& plain_text, const TranslateMembers* translate) {
    w.key("pages");
    write_pages(w, extraction.pages);
    w.member("plain_text", plain_text);
    w.key("regions");
    write_regions(w, extraction.regions);
    if (translate == nullptr) return;
    w.key("translations");
    if (translate->outcome != nullptr) {
        write_translation_records(w, translate->outcome->translations);
    } else {
        write_translation_records(w, {});
    }
    w.key("translator");
    w.begin_object();
    w.member("backend", translate->backend);
    w.key("cache_hits");
    w.u64(translate->outcome != nullptr ? translate->outcome->cache_hits : 0);
    w.key("calls");
    w.u64(translate->outcome != nullptr ? translate->outcome->calls : 0);
    w.member("model", translate->model);
    w.end_object();
    if (!translate->warnings.empty()) {
        w.key("warnings");
        w.begin_array();
        for (const std::string& warning : translate->warnings) w.string(warning);
        w.end_array();
    }
}

// Length of the run of ASCII bytes at the start of `text`, eight at a time.
std::size_t ascii_prefix(std::string_view text) {
    std::size_t i = 0;
    while (i + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        i += 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

// Keeps what a writer hands over in a piece's buffer, counting its
// characters and finding the widest as it goes (the text is still in cache).
class PieceSink final : public JsonSink {
public:
    PieceSink(MappedBuffer& text, std::size_t& length, char32_t& widest)
        : text_(text), length_(length), widest_(widest) {}

    void write(std::string_view chunk) override {
        text_.append(chunk);
        std::size_t i = 0;
        while (i < chunk.size()) {
            const std::size_t ascii = ascii_prefix(chunk.substr(i));
            if (ascii > 0) {
                widest_ = std::max<char32_t>(widest_, 0x7F);
                length_ += ascii;
                i += ascii;
                continue;
            }
            // Decoded as the fill will decode it, so both count alike even
            // should a text hold a malformed sequence.
            Utf8Step step = utf8_decode_at(chunk, i);
            widest_ = std::max(widest_, step.scalar);
            ++length_;
            i += step.length;
        }
    }

private:
    MappedBuffer& text_;
    std::size_t& length_;
    char32_t& widest_;
};

// The largest character a unit holds.
template <typename Unit>
constexpr char32_t kUnitMax = sizeof(Unit) == 1 ? 0xFF : sizeof(Unit) == 2 ? 0xFFFF : 0x10FFFF;

// Sixteen ASCII bytes as sixteen units: a loop of fixed length, which the
// compiler turns into a few vector instructions.
template <typename Unit>
inline void widen_16(const unsigned char* in, Unit* out) {
#pragma GCC unroll 16
    for (int k = 0; k < 16; ++k) out[k] = in[k];
}

template <typename Unit>
void decode_piece(std::string_view text, Unit* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if constexpr (sizeof(Unit) == 1) {
            const std::size_t ascii = ascii_prefix(text.substr(i));
            std::memcpy(out, in + i, ascii);
            out += ascii;
            i += ascii;
        } else {
            while (i + 16 <= n) {
                std::uint64_t a;
                std::uint64_t b;
                std::memcpy(&a, in + i, 8);
                std::memcpy(&b, in + i + 8, 8);
                if (((a | b) & 0x8080808080808080ull) != 0) break;
                widen_16(in + i, out);
                out += 16;
                i += 16;
            }
            while (i < n && in[i] < 0x80) *out++ = in[i++];
        }
        if (i == n) break;
        Utf8Step step = utf8_decode_at(text, i);
        *out++ = static_cast<Unit>(step.scalar);
        i += step.length;
    }
}

// The three kinds of piece, each written by a writer of its own.
void write_head(JsonWriter& w, const ExtractedDocument& extraction, const CoverageReport& coverage) {
    w.begin_object();
    write_members_before_glyphs(w, extraction, coverage);
    w.key("glyphs");
    w.begin_array();
}

void write_glyph_run(JsonWriter& w, const Glyph* glyphs, std::size_t count, bool first_in_document) {
    // Inside the document object and its glyph array.
    w.resume(2, first_in_document);
    for (std::size_t i = 0; i < count; ++i) write_glyph(w, glyphs[i]);
}

void write_tail(JsonWriter& w, const ExtractedDocument& extraction, const std::string& plain_text,
                bool no_glyphs, const TranslateMembers* translate = nullptr) {
    w.resume(2, no_glyphs);
    w.end_array();
    write_members_after_glyphs(w, extraction, plain_text, translate);
    w.end_object();
}

}  // namespace

namespace {

std::string document_to_pretty_json(const ExtractedDocument& extraction, const TranslateMembers* translate) {
    std::string out;
    out.reserve(128 + extraction.glyphs.size() * kBytesPerGlyph);
    JsonWriter w(out);
    w.begin_object();
    write_members_before_glyphs(w, extraction, count_glyph_dispositions(extraction.glyphs));
    w.key("glyphs");
    write_glyphs(w, extraction.glyphs);
    write_members_after_glyphs(w, extraction, build_plain_text(extraction), translate);
    w.end_object();
    return out;
}

}  // namespace

void write_translation_record(JsonWriter& w, const TranslationRecord& record) {
    w.begin_object();
    w.key("glyph_ids");
    w.begin_array();
    for (const std::uint32_t id : record.glyph_ids) w.u64(id);
    w.end_array();
    w.key("id");
    w.u64(record.id);
    w.key("page_index");
    w.u64(record.page_index);
    w.member("source", record.source);
    w.member("translated", record.translated);
    w.end_object();
}

void write_translation_records(JsonWriter& w, std::span<const TranslationRecord> records) {
    w.begin_array();
    for (const TranslationRecord& record : records) write_translation_record(w, record);
    w.end_array();
}

Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction) {
    return document_to_pretty_json(extraction, nullptr);
}

Result<std::string> translated_document_to_pretty_json(const ExtractedDocument& extraction,
                                                       const TranslateMembers& members) {
    return document_to_pretty_json(extraction, &members);
}

ExtractionText::ExtractionText(std::size_t glyphs_per_piece)
    : glyphs_per_piece_(std::max<std::size_t>(glyphs_per_piece, 1)) {}

std::size_t ExtractionText::glyph_runs(const ExtractedDocument& extraction) const {
    return (extraction.glyphs.size() + glyphs_per_piece_ - 1) / glyphs_per_piece_;
}

Result<void> ExtractionText::write(const ExtractedDocument& extraction, unsigned threads,
                                   const TranslateMembers* translate) {
    const auto& glyphs = extraction.glyphs;
    try {
        pieces_.clear();
        pieces_.resize(2 + glyph_runs(extraction));
    } catch (...) {
        return fail(CoreError::out_of_memory());
    }
    const std::size_t last = pieces_.size() - 1;
    // The last piece (with the plain text, which sorts every glyph) is taken
    // first, so that the others are written while it is.
    auto piece_of_turn = [last](std::size_t turn) { return turn == 0 ? last : turn - 1; };
    std::atomic<std::size_t> next_turn{0};
    auto body = [&](unsigned) -> Result<void> {
        for (;;) {
            const std::size_t turn = next_turn.fetch_add(1, std::memory_order_relaxed);
            if (turn > last) return {};
            const std::size_t index = piece_of_turn(turn);
            Piece& piece = pieces_[index];
            PieceSink sink(piece.text, piece.length, piece.widest);
            JsonWriter w(sink);
            if (index == 0) {
                write_head(w, extraction, count_glyph_dispositions(glyphs));
            } else if (index == last) {
                write_tail(w, extraction, build_plain_text(extraction), glyphs.empty(), translate);
            } else {
                const std::size_t first = (index - 1) * glyphs_per_piece_;
                const std::size_t end = std::min(glyphs.size(), first + glyphs_per_piece_);
                write_glyph_run(w, glyphs.data() + first, end - first, first == 0);
            }
            w.finish();
        }
    };
    auto written = run_workers(threads, body);
    if (!written) {
        pieces_.clear();
        return written;
    }
    settle();
    return {};
}

namespace {

// The pieces still to be written while a document is read: filled by the
// thread that reads, emptied by the workers, closed once nothing more comes.
class PieceQueue {
public:
    struct Job {
        std::function<void(JsonWriter&)> write;
        MappedBuffer* text = nullptr;
        std::size_t* length = nullptr;
        char32_t* widest = nullptr;
    };

    void push(Job job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        ready_.notify_one();
    }

    void close() noexcept {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    // Writes pieces until the queue is closed and empty.
    void work() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !jobs_.empty() || closed_; });
                if (jobs_.empty()) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            PieceSink sink(*job.text, *job.length, *job.widest);
            JsonWriter w(sink);
            job.write(w);
            w.finish();
        }
    }

    std::mutex& mutex() { return mutex_; }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    bool closed_ = false;
};

}  // namespace

Result<void> ExtractionText::extract_and_write(const pdf::Document& document, const ExtractLimits& limits,
                                               unsigned threads, const std::function<bool()>& keep_going) {
    try {
        pieces_.clear();
    } catch (...) {
        return fail(CoreError::out_of_memory());
    }
    PieceQueue queue;
    // The pages' glyphs stay here, where they do not move, until written.
    std::deque<std::vector<Glyph>> pages;
    ExtractedDocument rest;
    std::optional<CoreError> read_failure;
    std::vector<const Glyph*> all;
    std::size_t glyph_count = 0;
    bool stopped = false;
    // Pieces and pages are added under the queue's lock; a worker touches
    // only the piece and glyphs its job names.
    auto job_for = [&](Piece& piece, std::function<void(JsonWriter&)> write) {
        return PieceQueue::Job{std::move(write), &piece.text, &piece.length, &piece.widest};
    };
    auto read_pages = [&]() {
        Piece* head = nullptr;
        {
            std::lock_guard lock(queue.mutex());
            head = &pieces_.emplace_back();
        }
        auto extracted = extract_document(document, limits, [&](std::vector<Glyph>&& glyphs) {
            if (keep_going && !keep_going()) {
                stopped = true;
                return false;
            }
            if (glyphs.empty()) return true;
            std::vector<PieceQueue::Job> jobs;
            {
                std::lock_guard lock(queue.mutex());
                const std::vector<Glyph>& page = pages.emplace_back(std::move(glyphs));
                for (std::size_t first = 0; first < page.size(); first += glyphs_per_piece_) {
                    const Glyph* run = page.data() + first;
                    const std::size_t count = std::min(glyphs_per_piece_, page.size() - first);
                    const bool first_in_document = glyph_count + first == 0;
                    jobs.push_back(job_for(pieces_.emplace_back(), [run, count, first_in_document](JsonWriter& w) {
                        write_glyph_run(w, run, count, first_in_document);
                    }));
                }
                glyph_count += page.size();
            }
            for (auto& job : jobs) queue.push(std::move(job));
            return true;
        });
        if (!extracted) {
            read_failure = std::move(extracted.error());
            return;
        }
        if (stopped) return;
        rest = std::move(*extracted);
        // What the first and last pieces need of the glyphs, now all read.
        all.reserve(glyph_count);
        for (const auto& page : pages) {
            for (const Glyph& g : page) all.push_back(&g);
        }
        Piece* tail = nullptr;
        {
            std::lock_guard lock(queue.mutex());
            tail = &pieces_.emplace_back();
        }
        const bool no_glyphs = glyph_count == 0;
        queue.push(job_for(*tail, [&rest, &all, no_glyphs](JsonWriter& w) {
            write_tail(w, rest, plain_text_of(all), no_glyphs);
        }));
        queue.push(job_for(*head, [&rest, &all](JsonWriter& w) {
            write_head(w, rest, count_dispositions_of(all));
        }));
    };
    auto body = [&](unsigned worker) -> Result<void> {
        if (worker == 0) {
            // However reading ends, the queue closes, or the workers would
            // wait for pieces forever.
            struct Closer {
                PieceQueue& queue;
                ~Closer() { queue.close(); }
            } closer{queue};
            read_pages();
        }
        queue.work();
        if (worker == 0 && read_failure) return fail(std::move(*read_failure));
        return {};
    };
    auto written = run_workers(threads, body);
    // A book's glyphs take a while to free: the workers share that too.
    std::atomic<std::size_t> next_page{0};
    auto freed = run_workers(threads, [&](unsigned) -> Result<void> {
        for (std::size_t i; (i = next_page.fetch_add(1, std::memory_order_relaxed)) < pages.size();) {
            std::vector<Glyph>().swap(pages[i]);
        }
        return {};
    });
    if (!written || !freed || stopped) {
        pieces_.clear();
        if (stopped && written && freed) return fail(CoreError::message("interrupted"));
        return written ? freed : written;
    }
    settle();
    return {};
}

void ExtractionText::settle() {
    length_ = 0;
    widest_ = 0;
    for (Piece& piece : pieces_) {
        piece.offset = length_;
        length_ += piece.length;
        widest_ = std::max(widest_, piece.widest);
    }
}

template <typename Unit, typename Run>
Result<void> ExtractionText::fill_units(std::span<Unit> out, Run&& run) {
    if (out.size() != length_ || widest_ > kUnitMax<Unit>) {
        return fail(CoreError::message("internal error: no room of that form for the extraction JSON"));
    }
    std::atomic<std::size_t> next{0};
    auto body = [&](unsigned) -> Result<void> {
        for (;;) {
            const std::size_t index = next.fetch_add(1, std::memory_order_relaxed);
            if (index >= pieces_.size()) return {};
            Piece& piece = pieces_[index];
            decode_piece(piece.text.view(), out.data() + piece.offset);
            piece.text.release();
        }
    };
    auto filled = run(body);
    pieces_.clear();
    return filled;
}

Result<void> ExtractionText::fill(std::span<std::uint8_t> out, unsigned threads) {
    return fill_units(out, [threads](const auto& body) { return run_workers(threads, body); });
}

Result<void> ExtractionText::fill(std::span<std::uint8_t> out, StandbyWorkers& workers) {
    return fill_units(out, [&workers](const auto& body) { return workers.run(body); });
}

Result<void> ExtractionText::fill(std::span<std::uint16_t> out, unsigned threads) {
    return fill_units(out, [threads](const auto& body) { return run_workers(threads, body); });
}

Result<void> ExtractionText::fill(std::span<std::uint16_t> out, StandbyWorkers& workers) {
    return fill_units(out, [&workers](const auto& body) { return workers.run(body); });
}

Result<void> ExtractionText::fill(std::span<std::uint32_t> out, unsigned threads) {
    return fill_units(out, [threads](const auto& body) { return run_workers(threads, body); });
}

Result<void> ExtractionText::fill(std::span<std::uint32_t> out, StandbyWorkers& workers) {
    return fill_units(out, [&workers](const auto& body) { return workers.run(body); });
}

}  // namespace zvk

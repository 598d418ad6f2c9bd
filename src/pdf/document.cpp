#include "pdf/document.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFLogger.hh>

#include <exception>
#include <new>
#include <string_view>

#include "pdf/bounded_pipeline.h"
#include "pdf/document_impl.h"
#include "pdf/qpdf_access.h"

namespace zvk::pdf {


Document::Document(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

namespace {

// Nothing may reach the host's stderr: the library's warnings and messages
// all go to a discarding pipeline.
void silence(QPDF& qpdf) {
    auto logger = QPDFLogger::create();
    logger->setInfo(logger->discard());
    logger->setWarn(logger->discard());
    logger->setError(logger->discard());
    qpdf.setLogger(logger);
    qpdf.setSuppressWarnings(true);
}

// The reader's own recovery rebuilds the cross-reference table by scanning
// for objects, but gives up when no trailer survives: exactly what an
// interrupted download loses first.
bool lost_its_trailer(const QPDFExc& e) {
    return e.getErrorCode() == qpdf_e_damaged_pdf &&
           e.getMessageDetail() == "unable to find trailer dictionary while recovering damaged file";
}

}  // namespace

void open_document(Document::Impl& impl, const LoadSettings& settings) {
    impl.max_decompressed_size = settings.max_decompressed_size;
    silence(impl.qpdf);
    impl.qpdf.setAttemptRecovery(!settings.strict);
    // The library cannot tell an empty password from none: both try the
    // empty user password.
    const char* password = settings.password ? settings.password->c_str() : nullptr;
    impl.qpdf.processMemoryFile("input", impl.bytes.data(), impl.bytes.size(), password);
}

Result<Document> Document::from_bytes(std::string bytes, const LoadSettings& settings) {
    try {
        auto impl = std::make_unique<Impl>();
        impl->bytes = std::move(bytes);
        try {
            open_document(*impl, settings);
        } catch (const QPDFExc& e) {
            if (settings.strict || !lost_its_trailer(e)) throw;
            std::string bytes_again = std::move(impl->bytes);
            impl.reset();
            auto again = reopen_without_trailer(std::move(bytes_again), settings);
            if (!again) throw;
            return Document(std::move(again));
        }
        return Document(std::move(impl));
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        return fail(CoreError::pdf(e.what()));
    } catch (...) {
        return fail(CoreError::pdf("unknown error"));
    }
}

std::vector<ObjectId> Document::page_ids() const {
    std::vector<ObjectId> ids;
    try {
        for (auto& page : impl_->qpdf.getAllPages()) {
            auto og = page.getObjGen();
            if (og.getObj() <= 0) continue;
            ids.push_back({static_cast<std::uint32_t>(og.getObj()),
                           static_cast<std::uint16_t>(og.getGen())});
        }
    } catch (const std::bad_alloc&) {
        throw;  // to the operation's entry: not a fault of the page tree
    } catch (...) {
        // A page tree the library cannot walk: no pages.
        ids.clear();
    }
    return ids;
}

Object Document::object(ObjectId id) const {
    try {
        auto h = impl_->qpdf.getObject(static_cast<int>(id.number), id.generation);
        return Object::Access::make(std::move(h), true);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return {};
    }
}

std::optional<Object> Document::dictionary(ObjectId id) const {
    Object o = object(id);
    if (o.is_dictionary()) return o;
    if (o.is_stream()) return o.stream_dict();
    return std::nullopt;
}

std::optional<std::string> Document::decode_stream(const Object& stream,
                                                   std::uint64_t max_bytes) const {
    if (!stream.is_stream()) return std::nullopt;
    std::uint64_t limit = std::min(max_bytes, impl_->max_decompressed_size);
    try {
        auto& h = const_cast<QPDFObjectHandle&>(Object::Access::handle(stream));
        std::string out;
        Pl_Bounded sink(out, limit);
        bool attempted = false;
        bool ok = h.pipeStreamData(&sink, &attempted, 0, qpdf_dl_generalized, true, false);
        if (!ok) return std::nullopt;
        // A filter the library does not decode (an image codec, an unknown
        // name) leaves the data encoded: that is not decoded content.
        if (!attempted && stream.stream_has_filter()) return std::nullopt;
        return out;
    } catch (const Pl_Bounded::OutOfMemory&) {
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return std::nullopt;
    }
}

std::uint64_t Document::max_decompressed_size() const { return impl_->max_decompressed_size; }

std::uint64_t Document::input_size() const { return impl_->bytes.size(); }

bool Document::memory_ran_out() const {
    if (impl_->memory_ran_out) return true;
    // The library keeps its warnings (they are only silenced); an exception it
    // caught while reading an object ends the warning's text. Taking them also
    // frees them.
    constexpr std::string_view kExhausted = "std::bad_alloc";
    for (const QPDFExc& warning : impl_->qpdf.getWarnings()) {
        if (warning.getMessageDetail().ends_with(kExhausted)) impl_->memory_ran_out = true;
    }
    return impl_->memory_ran_out;
}

}  // namespace zvk::pdf

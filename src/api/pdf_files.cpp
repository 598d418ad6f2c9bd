#include "api/pdf_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "content/document_interpreter.h"

namespace zvk {

pdf::LoadSettings build_pdf_load_settings(const LoadOptions& options) {
    pdf::LoadSettings settings;
    settings.password = options.password;
    settings.strict = options.strict;
    settings.max_decompressed_size = options.max_decompressed_size;
    return settings;
}

namespace {

// Anything that cannot be opened or read is "IO error", the system's reason
// left out; what we refuse ourselves says why.
CoreError io_error(const char* reason = nullptr) {
    return CoreError::pdf(reason == nullptr ? std::string("IO error")
                                            : std::string("IO error (") + reason + ")");
}

// Only a regular file has a size to read: a FIFO or a terminal would block
// (and a FIFO fed by another thread of this process could never be fed while
// we wait), and a device such as /dev/zero never ends.
const char* not_regular_reason(mode_t mode) {
    if (S_ISDIR(mode)) return "not a regular file: a directory";
    if (S_ISFIFO(mode)) return "not a regular file: a FIFO";
    if (S_ISCHR(mode)) return "not a regular file: a character device";
    if (S_ISBLK(mode)) return "not a regular file: a block device";
    if (S_ISSOCK(mode)) return "not a regular file: a socket";
    return "not a regular file";
}

// The whole file in one buffer of the size fstat gives. Opening never blocks
// (O_NONBLOCK: a FIFO without a writer opens at once and is then refused), and
// O_NOCTTY keeps a terminal from becoming ours. A file that grows while read
// gives the bytes it had when measured; one that shrinks is an error.
Result<std::string> read_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(io_error());
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(io_error());
    if (!S_ISREG(st.st_mode)) return fail(io_error(not_regular_reason(st.st_mode)));
    const auto size = static_cast<std::size_t>(st.st_size);
    std::string bytes;
    bool complete = false;
    try {
        bytes.resize_and_overwrite(size, [fd, &complete](char* data, std::size_t n) {
            std::size_t got = 0;
            while (got < n) {
                ssize_t r = ::read(fd, data + got, n - got);
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0) break;
                got += static_cast<std::size_t>(r);
            }
            complete = got == n;
            return got;
        });
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    }
    if (!complete) return fail(io_error("the file ended before its size"));
    return bytes;
}

}  // namespace

Result<pdf::Document> load_pdf_document(const std::string& path, const LoadOptions& options) {
    auto bytes = read_file(path);
    if (!bytes) return fail(std::move(bytes.error()));
    auto document = pdf::Document::from_bytes(std::move(*bytes), build_pdf_load_settings(options));
    try {
        if (document && document->memory_ran_out()) return fail(CoreError::out_of_memory());
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    }
    return document;
}

Result<ExtractedDocument> extract_document(const pdf::Document& document, const ExtractLimits& limits) {
    // Memory running out anywhere in the interpretation (our records or the
    // reader's objects) unwinds to here: the call fails as a whole.
    try {
        ExtractedDocument extraction = interpret_document(document, limits);
        if (document.memory_ran_out()) return fail(CoreError::out_of_memory());
        extraction.coordinate_space = std::string(kCoordinateSpace);
        return extraction;
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    }
}

Result<ExtractedDocument> extract_document(const pdf::Document& document, const ExtractLimits& limits,
                                           const PageGlyphsSink& take_page) {
    // As above; memory running out in `take_page` unwinds to here too.
    try {
        ExtractedDocument extraction = interpret_document(document, limits, take_page);
        if (document.memory_ran_out()) return fail(CoreError::out_of_memory());
        extraction.coordinate_space = std::string(kCoordinateSpace);
        return extraction;
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    }
}

Result<ExtractedDocument> extract_document_default_limits(const pdf::Document& document) {
    return extract_document(document, ExtractLimits{});
}

Result<void> save_pdf_document(pdf::Document& document, const std::string& output) {
    return document.save(output);
}

}  // namespace zvk

#include "api/pdf_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// The whole file in one buffer; none on any failure to open, size or read.
std::optional<std::string> read_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    std::string bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            bytes.append(buf, static_cast<std::size_t>(n));
        }
    } catch (...) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

Result<pdf::Document> load_pdf_document(const std::string& path, const LoadOptions& options) {
    auto bytes = read_file(path);
    if (!bytes) return fail(CoreError::pdf("IO error"));
    return pdf::Document::from_bytes(std::move(*bytes), build_pdf_load_settings(options));
}

ExtractedDocument extract_document(const pdf::Document& document, const ExtractLimits& limits) {
    ExtractedDocument extraction = interpret_document(document, limits);
    extraction.coordinate_space = std::string(kCoordinateSpace);
    return extraction;
}

ExtractedDocument extract_document_default_limits(const pdf::Document& document) {
    return extract_document(document, ExtractLimits{});
}

Result<void> save_pdf_document(pdf::Document& document, const std::string& output) {
    return document.save(output);
}

}  // namespace zvk

// Writing a document: to a temporary file beside the output, then renamed over
// it, so that neither a failed write nor an output equal to the input path
// ever destroys a file.
#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "pdf/document.h"
#include "pdf/document_impl.h"

namespace zvk::pdf {

namespace {

// The operating system's description of an error, as "{} (os error {})".
CoreError os_error(int code) {
    return CoreError::pdf(std::string(std::strerror(code)) + " (os error " + std::to_string(code) +
                          ")");
}

std::string directory_of(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t current_umask() {
    // umask can only be read by setting it; put it back at once.
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Removes the temporary file unless the rename consumed it.
struct TempFile {
    std::string path;
    bool keep = false;
    ~TempFile() {
        if (!keep && !path.empty()) ::unlink(path.c_str());
    }
};

}  // namespace

Result<void> Document::save(const std::string& path) {
    // What a plain open-for-writing would refuse must still be refused: an
    // existing output we may not write (checked before renaming over it).
    struct stat existing {};
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return fail(os_error(EISDIR));
        if (::access(path.c_str(), W_OK) != 0) return fail(os_error(errno));
    }

    std::string pattern = directory_of(path) + "/." + base_of(path) + ".zvk-XXXXXX";
    TempFile temp;
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return fail(os_error(errno));
    temp.path = pattern;

    // mkstemp gives 0600; the output gets what a plain create would give (0666
    // less the umask), or keeps the mode of the file it replaces.
    mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~current_umask());
    if (::fchmod(fd, mode) != 0) {
        int code = errno;
        ::close(fd);
        return fail(os_error(code));
    }

    FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        int code = errno;
        ::close(fd);
        return fail(os_error(code));
    }
    try {
        QPDFWriter writer(impl_->qpdf, temp.path.c_str(), file, false);
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.setCompressStreams(false);
        writer.setDecodeLevel(qpdf_dl_none);
        if (!impl_->minimum_version.empty()) writer.setMinimumPDFVersion(impl_->minimum_version);
        writer.write();
        // An object the library could not read for want of memory would be
        // written as null: no such file replaces the output.
        if (memory_ran_out()) {
            std::fclose(file);
            return fail(CoreError::out_of_memory());
        }
    } catch (const std::bad_alloc&) {
        std::fclose(file);
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        std::fclose(file);
        return fail(CoreError::pdf(e.what()));
    } catch (...) {
        std::fclose(file);
        return fail(CoreError::pdf("unknown error while writing"));
    }
    if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) {
        int code = errno;
        std::fclose(file);
        return fail(os_error(code));
    }
    if (std::fclose(file) != 0) return fail(os_error(errno));
    if (::rename(temp.path.c_str(), path.c_str()) != 0) return fail(os_error(errno));
    temp.keep = true;
    return {};
}

}  // namespace zvk::pdf

#include "font/font_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvk::font {

std::optional<std::string> read_regular_file(const std::string& path, std::uint64_t limit) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer. The type is
    // checked on the open descriptor, so a path swapped after a stat cannot
    // slip a device or a FIFO past the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > limit) return std::nullopt;
    try {
        std::string bytes;
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        // A file that grows while being read is cut at the size it had, and one
        // that shrinks ends early: the bytes read are what it held.
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    } catch (...) {
        return std::nullopt;
    }
}

bool is_regular_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace zvk::font

#include "font/predefined_cids.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace zvk::font {

namespace {

// One CMap file as read: its mappings and the CMap it uses, if any.
struct CMapFile {
    std::shared_ptr<const ParsedCMap> cmap;
    std::optional<std::string> uses;
    bool usable = false;  // false: the file could not serve (too large, not a regular file, bad usecmap)
};

// The name a program's usecmap operator names (`/Name usecmap`). A program
// that uses more than one CMap, or names one some other way, cannot be
// followed faithfully and is refused.
bool find_used_cmap(std::string_view program, std::optional<std::string>& uses) {
    CMapTokenizer tokens(program);
    std::optional<CMapToken> previous;
    while (auto token = tokens.next()) {
        if (token->kind == CMapToken::Kind::Word && token->bytes == "usecmap") {
            if (uses || !previous || previous->kind != CMapToken::Kind::Word) return false;
            uses = previous->bytes;
        }
        previous = std::move(token);
    }
    return true;
}

// Reads a regular file of at most kMaxCMapFileBytes. None when it cannot be
// opened (most often: it does not exist); an unusable record when it is no
// regular file or too large.
std::optional<CMapFile> read_cmap_file(const std::string& path) {
    // O_NONBLOCK keeps a FIFO planted under a CMap's name from stalling the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    CMapFile file;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > kMaxCMapFileBytes) {
        return file;
    }
    // The file may grow between fstat and read: one byte past the bound
    // tells that it did.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return file;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > kMaxCMapFileBytes) return file;
    bytes.resize(filled);
    if (!find_used_cmap(bytes, file.uses)) return file;
    file.cmap = std::make_shared<const ParsedCMap>(parse_cmap_program(bytes));
    file.usable = true;
    return file;
}

class CMapFileCache {
public:
    // The file at `path`, read on first use; null when it cannot be opened.
    std::shared_ptr<const CMapFile> get(const std::string& path) {
        std::lock_guard lock(mutex_);
        if (auto it = files_.find(path); it != files_.end()) return it->second;
        // Reading under the lock keeps each file parsed once even when
        // several threads load fonts that name it at the same time.
        auto file = read_cmap_file(path);
        if (!file) return nullptr;
        ++reads_;
        auto shared = std::make_shared<const CMapFile>(std::move(*file));
        files_.emplace(path, shared);
        return shared;
    }
    std::size_t reads() {
        std::lock_guard lock(mutex_);
        return reads_;
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const CMapFile>> files_;
    std::size_t reads_ = 0;
};

CMapFileCache& file_cache() {
    static CMapFileCache cache;
    return cache;
}

bool maps_any_cid(const ParsedCMap& cmap) { return !cmap.cid_chars.empty() || !cmap.cid_ranges.empty(); }

// The chain that starts with `first`, found at `directory`/`first.file_name()`.
std::shared_ptr<const PredefinedCids> follow_chain(const std::string& directory, const PredefinedCMap& first,
                                                   std::shared_ptr<const CMapFile> file) {
    std::vector<std::shared_ptr<const ParsedCMap>> chain;
    std::unordered_set<std::string> seen{first.file_name()};
    bool maps_something = false;
    while (true) {
        if (!file || !file->usable) return nullptr;
        chain.push_back(file->cmap);
        maps_something = maps_something || maps_any_cid(*file->cmap);
        if (!file->uses) break;
        // Only recognised names of the same collection are followed, so the
        // file name is built from the fixed table and cannot leave the directory.
        auto used = parse_predefined_cmap_name(*file->uses);
        if (!used || used->collection != first.collection) return nullptr;
        std::string name = used->file_name();
        if (!seen.insert(name).second || chain.size() >= kMaxUseCMapChain) return nullptr;
        file = file_cache().get(directory + "/" + name);
    }
    if (!maps_something) return nullptr;
    return std::make_shared<const PredefinedCids>(std::move(chain));
}

}  // namespace

std::uint32_t PredefinedCids::cid_of(std::uint32_t code) const {
    for (const auto& cmap : chain_) {
        if (auto cid = cmap->cid_of(code)) return *cid;
    }
    return 0;
}

std::vector<std::string> cmap_directories() {
    const char* chosen = std::getenv(kCMapDirVariable);
    if (chosen != nullptr && *chosen != '\0') return {chosen};
    return {std::string(kSystemCMapDir)};
}

std::shared_ptr<const PredefinedCids> load_predefined_cids(const PredefinedCMap& cmap,
                                                           const std::vector<std::string>& directories) {
    if (cmap.stem.empty() || cmap.collection.empty()) return nullptr;
    try {
        const std::string name = cmap.file_name();
        for (const auto& base : directories) {
            if (base.empty()) continue;
            for (std::string directory : {base + "/" + std::string(cmap.collection), base}) {
                if (auto file = file_cache().get(directory + "/" + name)) {
                    return follow_chain(directory, cmap, std::move(file));
                }
            }
        }
    } catch (...) {
        // Out of memory while parsing: the font keeps the code as its CID.
    }
    return nullptr;
}

std::shared_ptr<const PredefinedCids> load_predefined_cids(const PredefinedCMap& cmap) {
    return load_predefined_cids(cmap, cmap_directories());
}

std::size_t cmap_files_read() { return file_cache().reads(); }

}  // namespace zvk::font

#include "translate/checkpoint.h"

#include <cerrno>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/json_reader.h"
#include "base/json_writer.h"
#include "base/settings.h"
#include "base/utf8.h"
#include "translate/answer_quality.h"
#include "translate/comma_lists.h"
#include "translate/normalize.h"

namespace zvk {

namespace {

constexpr const char* kCheckpointVariable = "ZVK_TRANSLATE_CHECKPOINT";

// Shared by every run and worker thread of the process; it guards appends
// only (reading happens once, on the calling thread, before any worker).
std::mutex& checkpoint_lock() {
    static std::mutex lock;
    return lock;
}

std::optional<std::string> checkpoint_path() {
    std::optional<std::string> path = read_environment(kCheckpointVariable);
    if (!path || path->empty()) return std::nullopt;
    return path;
}

// The entry of one line, when the line is usable for `target_lang`.
std::optional<CheckpointEntry> read_checkpoint_line(std::string_view line,
                                                    std::string_view target_lang) {
    // Checked per line so that one bad byte costs its line, not the file.
    if (!is_valid_utf8(line)) return std::nullopt;
    auto value = read_json(line);
    if (!value || !value->is_object()) return std::nullopt;
    auto source = value->find("source");
    auto translated = value->find("translated");
    if (source == value->end() || !source->is_string()) return std::nullopt;
    if (translated == value->end() || !translated->is_string()) return std::nullopt;
    // A file written for one target must not answer a run into another.
    if (auto target = value->find("target_lang"); target != value->end()) {
        if (!target->is_string() || target->get_ref<const std::string&>() != target_lang) {
            return std::nullopt;
        }
    }
    return CheckpointEntry{source->get<std::string>(), translated->get<std::string>()};
}

std::optional<std::string> read_whole_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;  // a directory, or a read error
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Whether a line break must come before what is appended: the file holds
// text whose last line was cut off (a run interrupted inside its write), and
// the first new entry would otherwise be glued to it and lost with it.
bool needs_line_break(int fd, bool readable) {
    struct stat info{};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) return false;
    if (!readable) return true;  // an empty line is skipped when read; a glued one is lost
    char last = 0;
    ssize_t got;
    do {
        got = ::pread(fd, &last, 1, info.st_size - 1);
    } while (got < 0 && errno == EINTR);
    return got != 1 || last != '\n';
}

}  // namespace

bool load_checkpoint_cache(TranslationCache& cache, std::string_view target_lang) {
    std::optional<std::string> path = checkpoint_path();
    if (!path) return false;
    std::optional<std::string> text = read_whole_file(*path);
    if (!text) return false;
    for (CheckpointEntry& entry : read_checkpoint_entries(*text, target_lang)) {
        cache.insert_or_assign(std::move(entry.source), normalize_translated_text(entry.translated));
    }
    return true;
}

bool accept_cached_translation(std::string_view source, std::string_view cached) {
    if (list_items_lost(source, cached)) return false;
    // Eight CJK characters make an answer plainly translated; below that the
    // answer tests decide, as they would for a fresh answer.
    constexpr std::size_t kPlainlyTranslated = 8;
    std::size_t cjk = 0;
    for (Utf8Step step : Utf8Range(cached)) {
        if (step.valid && is_cjk_character(step.scalar) && ++cjk >= kPlainlyTranslated) return true;
    }
    return !is_still_english(source, cached) && has_quality_problem(source, cached) == 0;
}

std::string checkpoint_line(std::string_view source, std::string_view target_lang,
                            std::string_view translated) {
    std::string line;
    JsonWriter writer(line, false);
    writer.begin_object();
    writer.member("source", source);
    writer.member("target_lang", target_lang);
    writer.member("translated", translated);
    writer.end_object();
    return line;
}

std::vector<CheckpointEntry> read_checkpoint_entries(std::string_view text,
                                                     std::string_view target_lang) {
    std::vector<CheckpointEntry> entries;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos) {
            text = {};  // a last line without "\n" keeps any final "\r"
        } else {
            text.remove_prefix(end + 1);
            if (line.ends_with('\r')) line.remove_suffix(1);
        }
        if (auto entry = read_checkpoint_line(line, target_lang)) entries.push_back(std::move(*entry));
    }
    return entries;
}

void append_checkpoint(std::span<const Segment> units, std::span<const BatchAnswer> answers,
                       std::string_view target_lang) {
    std::optional<std::string> path = checkpoint_path();
    if (!path) return;

    // The whole block is built first so that the lock covers one write.
    std::string block;
    for (const BatchAnswer& answer : answers) {
        if (answer.source_kept || answer.unit_index >= units.size()) continue;
        block += checkpoint_line(units[answer.unit_index].source, target_lang, answer.translated);
        block += '\n';
    }
    if (block.empty()) return;

    std::lock_guard<std::mutex> guard(checkpoint_lock());
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC;
    bool readable = true;
    int fd = ::open(path->c_str(), O_RDWR | kFlags, 0666);
    if (fd < 0 && errno == EACCES) {
        readable = false;  // a file we may append to but not read
        fd = ::open(path->c_str(), O_WRONLY | kFlags, 0666);
    }
    if (fd < 0) return;
    if (needs_line_break(fd, readable)) block.insert(block.begin(), '\n');
    (void)write_all(fd, block);
    ::close(fd);
}

}  // namespace zvk

// The text pdftotext finds in a PDF, as an independent oracle for tests;
// none when the tool is missing or fails.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace zvk::test {

enum class PdftotextMode {
    // pdftotext's reading order: it joins a word hyphenated at a line end
    // (dropping the hyphen) and splits words where the font size changes
    // (small capitals).
    reading,
    // The content stream's order with words as drawn: no hyphen is dropped
    // and no word split at a size change, so words compare one to one with
    // text that keeps both.
    raw,
};

// What pdftotext writes for `pdf` with the options `options` (before the
// file names); none when the tool is missing or fails.
inline std::optional<std::string> pdftotext_output(std::vector<std::string> options, const std::string& pdf) {
    char path[] = "/tmp/zvk-pdftotext-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return std::nullopt;
    close(fd);
    std::vector<std::string> args{"pdftotext"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(pdf);
    args.push_back(path);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    std::optional<std::string> text;
    if (posix_spawnp(&pid, "pdftotext", nullptr, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream out;
            out << in.rdbuf();
            text = out.str();
        }
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return text;
}

inline std::optional<std::string> pdftotext(const std::string& pdf, PdftotextMode mode = PdftotextMode::reading) {
    std::vector<std::string> options{"-q", "-enc", "UTF-8"};
    if (mode == PdftotextMode::raw) options.push_back("-raw");
    return pdftotext_output(std::move(options), pdf);
}

}  // namespace zvk::test

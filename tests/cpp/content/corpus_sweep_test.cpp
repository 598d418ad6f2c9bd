// Extraction over the real-world corpus: every file must end in a result (or
// a load error), never crash, hang or break the invariants of the records.
// Each file runs in a child process with a time limit. The papers and the
// parser samples run always; the full sweep of the viewer's regression files
// runs apart, when ZVK_CORPUS_SWEEP=1.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "content/document_interpreter.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

// Catches hangs, not slowness: the slowest file takes well under a second, but
// a sanitizer build on a machine busy with other builds and test processes has
// taken over a minute for the largest papers.
constexpr auto kPerFileLimit = std::chrono::seconds(300);
constexpr std::size_t kParallelChildren = 8;

// The invariants every extraction keeps; false names the first one broken.
std::string check_extraction(const ExtractedDocument& doc) {
    std::vector<std::size_t> per_page(doc.pages.size(), 0);
    for (const auto& d : doc.diagnostics) {
        if (!d.page_index) continue;
        if (*d.page_index >= doc.pages.size()) return "diagnostic of a page not listed";
        if (++per_page[*d.page_index] > kMaxDiagnosticsPerPage) return "diagnostic cap passed";
    }
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        if (doc.pages[i].index != i) return "pages out of order";
    }
    for (std::size_t i = 0; i < doc.glyphs.size(); ++i) {
        if (doc.glyphs[i].id != i) return "glyph ids not dense";
    }
    for (const auto& r : doc.regions) {
        if (r.page_index >= doc.pages.size()) return "region of a page not listed";
        if (r.kind != "path" && r.kind != "image") return "region kind";
    }
    return "";
}

// Runs in the child: 0 when the file extracts (or fails to load) cleanly.
int extract_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto doc = pdf::Document::from_bytes(bytes.str(), pdf::LoadSettings{});
    if (!doc) return 0;
    return check_extraction(interpret_document(*doc, ExtractLimits{})).empty() ? 0 : 3;
}

struct Child {
    pid_t pid;
    fs::path path;
    std::chrono::steady_clock::time_point started;
};

// The files that crashed, hung or broke an invariant, with what happened.
std::vector<std::string> sweep(const std::vector<fs::path>& files) {
    std::vector<std::string> failures;
    std::vector<Child> running;
    std::size_t next = 0;
    while (next < files.size() || !running.empty()) {
        while (next < files.size() && running.size() < kParallelChildren) {
            pid_t pid = fork();
            if (pid == 0) _exit(extract_file(files[next]));
            if (pid < 0) {
                failures.push_back(files[next].string() + ": fork failed");
            } else {
                running.push_back({pid, files[next], std::chrono::steady_clock::now()});
            }
            ++next;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            pid_t done = waitpid(it->pid, &status, WNOHANG);
            if (done == 0) {
                if (std::chrono::steady_clock::now() - it->started > kPerFileLimit) {
                    kill(it->pid, SIGKILL);
                    waitpid(it->pid, &status, 0);
                    failures.push_back(it->path.string() + ": time limit");
                    it = running.erase(it);
                } else {
                    ++it;
                }
                continue;
            }
            if (WIFSIGNALED(status)) {
                failures.push_back(it->path.string() + ": signal " + std::to_string(WTERMSIG(status)));
            } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
                failures.push_back(it->path.string() + ": exit " + std::to_string(WEXITSTATUS(status)));
            }
            it = running.erase(it);
        }
    }
    return failures;
}

std::vector<fs::path> pdfs_in(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".pdf") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void sweep_folder(const char* folder) {
    const fs::path dir = fs::path(ZVK_CORPUS_DIR) / folder;
    auto files = pdfs_in(dir);
    if (files.empty()) GTEST_SKIP() << "no corpus at " << dir;
    auto failures = sweep(files);
    EXPECT_TRUE(failures.empty()) << [&] {
        std::string out;
        for (const auto& f : failures) out += f + "\n";
        return out;
    }();
}

TEST(CorpusSweep, Papers) { sweep_folder("papers"); }

TEST(CorpusSweep, ParserSamples) { sweep_folder("pdfminer"); }

TEST(CorpusSweep, ViewerRegressionFiles) {
    const char* flag = std::getenv("ZVK_CORPUS_SWEEP");
    if (!flag || std::string(flag) != "1") GTEST_SKIP() << "full sweep runs with ZVK_CORPUS_SWEEP=1";
    sweep_folder("pdfjs");
}

}  // namespace
}  // namespace zvk

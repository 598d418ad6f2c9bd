// Times the answer judging as the translation workers run it, on every
// answer, retry and cached line:
//   - every segment of the corpus papers (../shared/corpus/papers/*.pdf, or the
//     PDFs named on the command line), extracted and segmented first (not
//     timed), judged against a plausible answer (each English word turned
//     into two ideographs, full stops before a space into ideographic ones) and
//     against a copy of itself, the answer a model gives when it does not
//     translate;
//   - the hostile pairs, whose answer half may come from the network up to
//     the HTTP body cap: a million doubled dashes against a long source that
//     doubles the dash; a million sentence ends; a long source word that
//     occurs at every other byte of the answer but never as a word; a comma
//     list of 20,000 technical terms; a long dotted term against an answer
//     that repeats its beginning.
//
//     zvk_answer_quality_bench [FILE.pdf ...] [--runs N]
//
// Prints the best of N runs (default 3) of each. Run by hand; never a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "api/pdf_files.h"
#include "base/utf8.h"
#include "segment/segmentation.h"
#include "translate/answer_quality.h"
#include "translate/comma_lists.h"

namespace {

using zvk::bench::best_seconds;

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// What a translation of the source looks like to the tests: ideographs for
// words, ideographic marks for sentence ends, everything else kept.
std::string plausible_answer(const std::string& source) {
    std::string answer;
    bool in_word = false;
    for (zvk::Utf8Step step : zvk::Utf8Range(source)) {
        const char32_t c = step.scalar;
        const bool letter = (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
        if (letter) {
            if (!in_word) answer += "\u7FFB\u8BD1";
            in_word = true;
            continue;
        }
        in_word = false;
        const std::size_t next = step.offset + step.length;
        const bool before_space = next == source.size() || source[next] == ' ' || source[next] == '\n';
        if (c == U'.' && before_space) {
            answer += "\u3002";
        } else if (c == U',') {
            answer += "\uFF0C";
        } else if (c != U' ') {
            answer.append(source, step.offset, step.length);
        }
    }
    return answer;
}

void bench_corpus(const std::vector<std::string>& paths, int runs) {
    std::vector<std::string> sources;
    for (const std::string& path : paths) {
        auto extracted = zvk::bench::extract_file(path);
        if (!extracted) continue;
        const zvk::ExtractedDocument& doc = *extracted;
        for (const zvk::Segment& segment :
             zvk::segment_glyphs(doc.glyphs, true, true, doc.regions, doc.pages).segments) {
            sources.push_back(segment.source);
        }
    }
    std::vector<std::string> answers;
    std::size_t bytes = 0;
    for (const std::string& source : sources) {
        answers.push_back(plausible_answer(source));
        bytes += source.size() + answers.back().size();
    }
    std::size_t problems = 0;
    std::size_t still_english = 0;
    std::size_t copies = 0;
    std::size_t copy_problems = 0;
    const double judged = best_seconds(runs, [&] {
        problems = still_english = 0;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            problems += zvk::has_quality_problem(sources[i], answers[i]) > 0 ? 1 : 0;
            still_english += zvk::is_still_english(sources[i], answers[i]) ? 1 : 0;
        }
    });
    const double copied = best_seconds(runs, [&] {
        copies = copy_problems = 0;
        for (const std::string& source : sources) {
            copies += zvk::is_still_english(source, source) ? 1 : 0;
            copy_problems += zvk::has_quality_problem(source, source) > 0 ? 1 : 0;
        }
    });
    std::printf("corpus: %zu files, %zu segments, %.1f MB of source and answer\n", paths.size(), sources.size(),
                static_cast<double>(bytes) / 1e6);
    std::printf("  plausible answers: %.4f s (%zu with a problem, %zu still English)\n", judged, problems,
                still_english);
    std::printf("  copied answers:    %.4f s (%zu still English, %zu with a problem)\n", copied, copies,
                copy_problems);
}

void bench_hostile(int runs) {
    auto report = [&](const char* name, const std::string& source, const std::string& answer) {
        unsigned count = 0;
        bool english = false;
        const double seconds = best_seconds(runs, [&] {
            count = zvk::has_quality_problem(source, answer);
            english = zvk::is_still_english(source, answer);
        });
        std::printf("  %-34s %6.1f MB: %.4f s (count %u, still English %d)\n", name,
                    static_cast<double>(source.size() + answer.size()) / 1e6, seconds, count, english ? 1 : 0);
    };
    std::printf("hostile pairs:\n");
    report("doubled dashes", "- -" + repeat(" word", 200'000), repeat("- ", 1'000'000));
    report("a million sentence ends", repeat("Ab. ", 1'000'000), repeat("\u3002", 1'000'001));
    report("source word at every other byte", repeat("ab", 50'000) + " Learning",
           "learning \u5B66\u4E60x" + repeat("ab", 500'000));
    std::string list;
    std::string kept = "\u5DE5\u5177";
    for (int i = 0; i < 20'000; ++i) {
        const std::string term = "Tool" + std::to_string(i) + "X";
        list += term + ", ";
        kept += "\u3001" + term;
    }
    report("comma list of 20,000 terms", list + "apples", kept);
    report("long dotted term, periodic answer", "apples, pears, plums, figs, limes, dates, " + repeat("aA.", 50'000) + "b",
           repeat("\u4E2D\u3001", 6) + repeat("aA.", 1'000'000));
    report("gaps everywhere", "Data", repeat("\u6570 ", 2'000'000));
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty()) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(ZVK_CORPUS_DIR "/papers", error)) {
            if (entry.path().extension() == ".pdf") paths.push_back(entry.path().string());
        }
        std::sort(paths.begin(), paths.end());
    }
    bench_corpus(paths, runs);
    bench_hostile(runs);
    return 0;
}

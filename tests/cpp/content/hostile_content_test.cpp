// Hostile content streams must cost bounded memory: the peak resident size of
// the process is read before and after interpreting each stream.
#include <gtest/gtest.h>

#include <string>

#include "content/interpreter.h"
#include "content/pdf_fixture.h"
#include "support/peak_memory.h"

namespace zvk {
namespace {

using test::reset_peak;
using test::status_kib;

std::string repeat(const std::string& s, std::size_t bytes) {
    std::string out;
    out.reserve(bytes + s.size());
    while (out.size() < bytes) out += s;
    return out;
}

constexpr std::size_t k32MiB = 32u << 20;

TEST(HostileContent, MemoryStaysBounded) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's quarantine of freed memory makes the peak meaningless";
#endif
    auto doc = test::load_pdf(test::build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R >>",
    }));
    ASSERT_TRUE(doc);
    if (!reset_peak()) GTEST_SKIP() << "peak resident size cannot be reset here";

    std::string million_numbers = repeat("0.5 ", 4'000'000) + "scn " + repeat("q ", 2000);
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"32 MiB of q", repeat("q\n", k32MiB)},
        {"a 32 MiB bad token", std::string(k32MiB, 'x') + " Q"},
        {"scn with a million numbers, then its colour saved 2000 times", million_numbers},
        {"a 32 MiB array of numbers", "[" + repeat("1 ", k32MiB) + "] TJ"},
        {"32 MiB of nested arrays", repeat("[", k32MiB)},
        {"32 MiB of operands without an operator", repeat("(ab) ", k32MiB)},
        {"32 MiB of bad tokens without an operator", repeat(")", k32MiB)},
    };
    // Well above what interpreting needs, far below what keeping a copy of the
    // stream, a state per q or an operand per number would take.
    constexpr long kMaxGrowthKiB = 24 * 1024;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResourceScope resources;
        ContentInterpreter interp(*doc, ExtractLimits{}, resources, 0);
        ASSERT_TRUE(reset_peak());
        const long before = status_kib("VmRSS");
        interpret_page_stream(interp, c.content, {}, {});
        const long growth = status_kib("VmHWM") - before;
        EXPECT_LT(growth, kMaxGrowthKiB);
        EXPECT_LE(interp.diagnostics.size(), kMaxDiagnosticsPerPage);
    }
}

}  // namespace
}  // namespace zvk

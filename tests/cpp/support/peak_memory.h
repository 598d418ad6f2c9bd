// Reading the process's resident memory for tests that bound what hostile
// input may cost: the peak is reset, the work done, and the growth read.
#pragma once

#include <cstring>
#include <fstream>
#include <string>

namespace zvk::test {

// A field of /proc/self/status in KiB, or -1.
inline long status_kib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
            return std::stol(line.substr(n + 1));
        }
    }
    return -1;
}

// Resets the peak resident size to the current one (Linux clear_refs 5).
inline bool reset_peak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return clear.good() && status_kib("VmHWM") >= 0;
}

// Under AddressSanitizer freed memory waits in quarantine, so the peak says
// nothing about what the work itself held: hostile work still runs there (for
// the sanitizer's checks), but its memory bound is not read.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kPeakIsMeaningful = false;
#else
inline constexpr bool kPeakIsMeaningful = true;
#endif

// Measures the growth of the peak resident size over a piece of work.
class PeakGrowth {
public:
    // False when the peak cannot be reset here (the caller skips).
    bool start() {
        if (!reset_peak()) return false;
        before_ = status_kib("VmRSS");
        return true;
    }
    long kib() const { return status_kib("VmHWM") - before_; }
    // The growth is within the bound, or cannot mean anything in this build.
    bool within(long max_kib) const { return !kPeakIsMeaningful || kib() < max_kib; }

private:
    long before_ = 0;
};

}  // namespace zvk::test

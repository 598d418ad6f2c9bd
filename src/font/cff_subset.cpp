#include "font/cff_subset.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <thread>

#include "base/json_reader.h"
#include "font/font_file.h"

extern char** environ;

namespace zvk::font {

const std::string_view kCffSubsetProgram = R"PY(import json, sys
from fontTools.ttLib import TTFont
from fontTools.subset import Subsetter, Options
src, face, unicodes, out_font, out_json = sys.argv[1:6]
codes = [int(item, 16) for item in unicodes.split(",") if item]
opt = Options()
opt.layout_features = ["*"]
opt.notdef_outline = True
opt.recommended_glyphs = True
font = TTFont(src, fontNumber=int(face))
subsetter = Subsetter(options=opt)
subsetter.populate(unicodes=codes)
subsetter.subset(font)
font.save(out_font)
names = {}
for table in font["cmap"].tables:
    if table.platformID == 3 and table.platEncID in (1, 10):
        names.update(table.cmap)
order = font.getGlyphOrder()
index = {name: i for i, name in enumerate(order)}
upem = int(font["head"].unitsPerEm)
metrics = font["hmtx"].metrics
glyphs = []
for cp, name in names.items():
    digits = name[3:] if isinstance(name, str) and name.startswith("cid") else ""
    if digits.isascii() and digits.isdigit():
        gid = int(digits)
    elif name in index:
        gid = index[name]
    else:
        continue
    if gid > 65535:
        continue
    metric = metrics.get(name)
    glyphs.append({"cp": cp, "cid": gid, "adv": metric[0] if metric else upem})
with open(out_json, "w") as f:
    json.dump({"upem": upem, "glyphs": glyphs}, f)
)PY";

namespace {

// Makes the temporary file names of concurrent calls in one process distinct.
std::atomic<std::uint64_t> g_sequence{0};

// The subset font and the answer are far smaller than the source font.
constexpr std::uint64_t kMaxAnswerBytes = kMaxFontFileBytes;

// A private directory for one child, removed with everything in it when the
// call ends, whichever way it ends. Private (mkdtemp gives 0700), so no other
// user can plant or swap the files the child writes and we read back.
class PrivateDirectory {
public:
    static std::optional<PrivateDirectory> create() {
        try {
            const char* tmpdir = std::getenv("TMPDIR");
            std::string base = (tmpdir != nullptr && *tmpdir != '\0') ? tmpdir : "/tmp";
            std::string pattern = (std::filesystem::path(base) / "zvk-cff-XXXXXX").string();
            if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
            return PrivateDirectory(std::move(pattern));
        } catch (...) {
            return std::nullopt;
        }
    }
    PrivateDirectory(PrivateDirectory&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    PrivateDirectory& operator=(PrivateDirectory&&) = delete;
    ~PrivateDirectory() {
        if (path_.empty()) return;
        try {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        } catch (...) {
        }
    }
    const std::string& path() const { return path_; }

private:
    explicit PrivateDirectory(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

std::string to_decimal(std::uint64_t v) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

std::string hex_upper(std::uint32_t v) {
    char buf[16];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string s(buf, end);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c; });
    return s;
}

// The caller's environment with PYTHONSAFEPATH=1 in place of any setting of
// it: the child then never puts its working directory (or the script's) on
// the import path.
std::vector<std::string> child_environment() {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string_view entry(*e);
        if (entry.starts_with("PYTHONSAFEPATH=")) continue;
        env.emplace_back(entry);
    }
    env.emplace_back("PYTHONSAFEPATH=1");
    return env;
}

// Waits for the child up to the limit, then kills and reaps it; true only for
// a normal exit with status 0.
bool wait_for_child(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR) {
            // ECHILD: a host that ignores SIGCHLD has the child reaped for it,
            // so its exit status is lost and its pid may already be reused
            // (no kill). Without the status the answer is not trusted.
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

// Runs python3 from the search path, without a shell, in `directory`, with
// no standard streams of the host (nothing may reach the host's stderr) and
// no descriptors of the host beyond them.
bool run_child(const std::vector<std::string>& args, const std::string& directory, std::chrono::milliseconds limit) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env = child_environment();
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
              posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
              posix_spawn_file_actions_adddup2(&actions, 1, 2) == 0 &&
              posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0 &&
              posix_spawn_file_actions_addchdir_np(&actions, directory.c_str()) == 0;
    pid_t pid = -1;
    if (ok) ok = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!ok) return false;
    return wait_for_child(pid, limit);
}

std::optional<std::uint64_t> non_negative_integer(const nlohmann::json& value) {
    if (!value.is_number_unsigned()) return std::nullopt;
    return value.get<std::uint64_t>();
}

}  // namespace

std::vector<std::uint32_t> filter_subset_code_points(std::span<const std::uint32_t> code_points) {
    std::vector<std::uint32_t> kept;
    for (std::uint32_t cp : code_points)
        if (cp >= 1 && cp <= 0xFFFF) kept.push_back(cp);
    return kept;
}

std::vector<std::string> format_code_points_hex(std::span<const std::uint32_t> code_points) {
    std::vector<std::string> texts;
    texts.reserve(code_points.size());
    for (std::uint32_t cp : code_points) texts.push_back(hex_upper(cp));
    return texts;
}

std::optional<SubsetFont> read_cff_subset_answer(std::string font_bytes, std::string_view json_text) {
    try {
        auto parsed = read_json(json_text);
        if (!parsed || !parsed->is_object()) return std::nullopt;
        const auto upem_it = parsed->find("upem");
        const auto glyphs_it = parsed->find("glyphs");
        if (upem_it == parsed->end() || glyphs_it == parsed->end()) return std::nullopt;
        const auto upem = non_negative_integer(*upem_it);
        if (!upem || !glyphs_it->is_array()) return std::nullopt;
        SubsetFont font;
        for (const auto& element : *glyphs_it) {
            if (!element.is_object()) return std::nullopt;
            const auto cp = element.find("cp"), cid = element.find("cid"), adv = element.find("adv");
            if (cp == element.end() || cid == element.end() || adv == element.end()) return std::nullopt;
            const auto cp_value = non_negative_integer(*cp), cid_value = non_negative_integer(*cid),
                       adv_value = non_negative_integer(*adv);
            if (!cp_value || !cid_value || !adv_value) return std::nullopt;
            font.glyphs[static_cast<std::uint32_t>(*cp_value)] =
                SubsetGlyph{static_cast<std::uint16_t>(*cid_value), static_cast<std::uint16_t>(*adv_value)};
        }
        if (font.glyphs.empty()) return std::nullopt;
        font.units_per_em = std::max<std::uint16_t>(static_cast<std::uint16_t>(*upem), 1);
        font.font_bytes = std::move(font_bytes);
        return font;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<SubsetFont> subset_cff_font_external(const std::string& font_path, std::uint32_t face,
                                                   std::span<const std::uint32_t> code_points,
                                                   std::chrono::milliseconds time_limit) {
    try {
        std::vector<std::uint32_t> codes = filter_subset_code_points(code_points);
        codes.push_back(0x20);
        std::sort(codes.begin(), codes.end());
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        std::string code_text;
        for (const auto& hex : format_code_points_hex(codes)) {
            if (!code_text.empty()) code_text += ',';
            code_text += hex;
        }

        // The child works in its own directory, so a relative font path must
        // be made absolute against ours.
        std::error_code ec;
        const std::filesystem::path source = std::filesystem::absolute(font_path, ec);
        if (ec) return std::nullopt;

        const auto directory = PrivateDirectory::create();
        if (!directory) return std::nullopt;
        const std::uint64_t n = g_sequence.fetch_add(1);
        const std::string stem = "zvk-cff-" + to_decimal(static_cast<std::uint64_t>(::getpid())) + "-" + to_decimal(n);
        const std::string out_font = (std::filesystem::path(directory->path()) / (stem + ".otf")).string();
        const std::string out_json = (std::filesystem::path(directory->path()) / (stem + ".json")).string();

        const std::vector<std::string> args = {"python3",        "-c",      std::string(kCffSubsetProgram),
                                               source.string(),  to_decimal(face), code_text,
                                               out_font,         out_json};
        if (!run_child(args, directory->path(), time_limit)) return std::nullopt;
        auto font_bytes = read_regular_file(out_font, kMaxAnswerBytes);
        auto json_text = read_regular_file(out_json, kMaxAnswerBytes);
        if (!font_bytes || !json_text) return std::nullopt;
        return read_cff_subset_answer(std::move(*font_bytes), *json_text);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace zvk::font

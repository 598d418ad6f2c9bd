#include "font/predefined_cids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace zvk::font {
namespace {

std::string program(const std::string& body) {
    return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n" + body +
           "\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

PredefinedCMap named(const char* name) {
    auto cmap = parse_predefined_cmap_name(name);
    EXPECT_TRUE(cmap) << name;
    return cmap.value_or(PredefinedCMap{});
}

TEST(PredefinedCMapName, FileNameAndCollection) {
    struct Case {
        const char* name;
        const char* file;
        const char* collection;
    } cases[] = {
        {"UniJIS-UTF16-V", "UniJIS-UTF16-V", "Adobe-Japan1"},
        {"UniJIS-UCS2", "UniJIS-UCS2-H", "Adobe-Japan1"},
        {"UniGB-UCS2-H", "UniGB-UCS2-H", "Adobe-GB1"},
        {"KSCms-UHC-HW-V", "KSCms-UHC-HW-V", "Adobe-Korea1"},
        {"ETenms-B5-H", "ETenms-B5-H", "Adobe-CNS1"},
        {"EUC-H", "EUC-H", "Adobe-Japan1"},
        {"GBpc-EUC-V", "GBpc-EUC-V", "Adobe-GB1"},
    };
    for (const auto& c : cases) {
        PredefinedCMap cmap = named(c.name);
        EXPECT_EQ(cmap.file_name(), c.file) << c.name;
        EXPECT_EQ(cmap.collection, c.collection) << c.name;
    }
}

// Japan1 CMaps in a chain, each using the next; only the last maps a CID.
// A chain of kMaxUseCMapChain CMaps is followed, a longer one refused.
TEST(LoadPredefinedCids, UsecmapChainIsBounded) {
    const std::vector<std::string> names = {"UniJIS-UCS2-H", "UniJIS-UCS2-V", "UniJIS-UTF16-H",
                                            "UniJIS-UTF16-V", "UniJIS-UTF32-H", "UniJIS-UTF32-V",
                                            "90ms-RKSJ-H",   "90ms-RKSJ-V",   "90msp-RKSJ-H"};
    ASSERT_EQ(names.size(), kMaxUseCMapChain + 1);
    for (std::size_t length : {kMaxUseCMapChain, kMaxUseCMapChain + 1}) {
        test::TempDir dir;
        for (std::size_t i = 0; i + 1 < length; ++i) dir.write(names[i], program("/" + names[i + 1] + " usecmap"));
        dir.write(names[length - 1], program("1 begincidchar\n<41> 34\nendcidchar"));
        auto cids = load_predefined_cids(named(names[0].c_str()), {dir.path().string()});
        if (length <= kMaxUseCMapChain) {
            ASSERT_TRUE(cids) << length;
            EXPECT_EQ(cids->cid_of(0x41), 34u);
            EXPECT_EQ(cids->cid_of(0x42), 0u) << "a code no CMap maps selects notdef";
        } else {
            EXPECT_FALSE(cids) << length;
        }
    }
}

TEST(LoadPredefinedCids, OwnMappingWinsOverTheUsedOne) {
    test::TempDir dir;
    dir.write("UniJIS-UTF16-H", program("2 begincidchar\n<3001> 634\n<0041> 34\nendcidchar"));
    dir.write("UniJIS-UTF16-V", program("/UniJIS-UTF16-H usecmap\n1 begincidrange\n<3001> <3002> 7887\nendcidrange"));
    auto cids = load_predefined_cids(named("UniJIS-UTF16-V"), {dir.path().string()});
    ASSERT_TRUE(cids);
    EXPECT_EQ(cids->cid_of(0x3001), 7887u);
    EXPECT_EQ(cids->cid_of(0x41), 34u);
    // A program that names its used CMap twice, or other than by a name, is refused.
    for (const char* uses : {"/UniJIS-UTF16-H usecmap /UniJIS-UTF16-H usecmap", "(UniJIS-UTF16-H) usecmap"}) {
        test::TempDir other;
        other.write("UniJIS-UTF16-H", program("1 begincidchar\n<0041> 34\nendcidchar"));
        other.write("UniJIS-UTF16-V", program(std::string(uses) + "\n1 begincidchar\n<3001> 7887\nendcidchar"));
        EXPECT_FALSE(load_predefined_cids(named("UniJIS-UTF16-V"), {other.path().string()})) << uses;
    }
}

// Fonts may be loaded on several threads at once: every thread gets the
// same CIDs, and each file is read once however many ask for it.
TEST(LoadPredefinedCids, EachFileIsReadOncePerProcess) {
    test::TempDir dir;
    dir.write("UniGB-UCS2-H", program("1 begincidrange\n<0020> <007e> 1\nendcidrange"));
    dir.write("UniGB-UCS2-V", program("/UniGB-UCS2-H usecmap\n1 begincidchar\n<3001> 22353\nendcidchar"));
    const std::size_t before = cmap_files_read();
    std::vector<std::thread> threads;
    std::vector<std::uint32_t> found(8, 0);
    for (std::size_t t = 0; t < found.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                auto cids = load_predefined_cids(named("UniGB-UCS2-V"), {dir.path().string()});
                found[t] = cids ? cids->cid_of(0x41) + cids->cid_of(0x3001) : 0;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (std::uint32_t cid_sum : found) EXPECT_EQ(cid_sum, 34u + 22353u);
    EXPECT_EQ(cmap_files_read() - before, 2u);
}

// With ZVK_CMAP_DIR set the system's directory is not searched: the chosen
// directory replaces it, so results never mix two sets of files.
TEST(CMapDirectories, ChosenDirectoryReplacesTheSystemOne) {
    const char* old = std::getenv(kCMapDirVariable);
    const std::string saved = old ? old : "";
    ::setenv(kCMapDirVariable, "/some/where", 1);
    EXPECT_EQ(cmap_directories(), std::vector<std::string>{"/some/where"});
    ::setenv(kCMapDirVariable, "", 1);
    EXPECT_EQ(cmap_directories(), std::vector<std::string>{std::string(kSystemCMapDir)});
    if (old) {
        ::setenv(kCMapDirVariable, saved.c_str(), 1);
    } else {
        ::unsetenv(kCMapDirVariable);
    }
}

// The files the system installs (Debian's poppler-data), read by the same
// code: CIDs as the files give them, across the four collections.
TEST(LoadPredefinedCids, SystemFilesGiveTheirCids) {
    const std::string system(kSystemCMapDir);
    if (!std::filesystem::exists(system + "/Adobe-Japan1/UniJIS-UTF16-H")) {
        GTEST_SKIP() << "no CMap files at " << system;
    }
    struct Case {
        const char* name;
        std::uint32_t code;
        std::uint32_t cid;
    } cases[] = {
        {"UniJIS-UTF16-H", 0x41, 34},          {"UniJIS-UTF16-H", 0x3042, 843},
        {"UniJIS-UTF16-H", 0x4E00, 1200},      {"UniJIS-UTF16-H", 0xD840DC0B, 13839},
        {"UniJIS-UTF16-V", 0x3001, 7887},      {"UniJIS-UTF16-V", 0x41, 34},
        {"90ms-RKSJ-H", 0x82A0, 843},          {"90ms-RKSJ-H", 0x41, 264},
        {"UniGB-UCS2-H", 0x4E2D, 4559},        {"UniGB-UCS2-H", 0x41, 34},
        {"UniCNS-UTF16-H", 0x4E2D, 661},       {"UniKS-UTF16-H", 0x4E2D, 6922},
    };
    for (const auto& c : cases) {
        auto cids = load_predefined_cids(named(c.name), {system});
        ASSERT_TRUE(cids) << c.name;
        EXPECT_EQ(cids->cid_of(c.code), c.cid) << c.name << " " << std::hex << c.code;
    }
}

}  // namespace
}  // namespace zvk::font

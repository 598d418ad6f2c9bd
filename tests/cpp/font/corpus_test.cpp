// Every font of the real-world corpus loads and decodes without fault, and
// whatever text it yields is valid UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/utf8.h"
#include "font/decode.h"
#include "font/font_loader.h"
#include "pdf/objects.h"

namespace zvk::font {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct SweepCounts {
    std::size_t fonts = 0;
    std::size_t texts = 0;
};

// Loads the fonts of every page's own Font resources (and of the forms those
// pages draw, one level deep) and decodes sample codes through each.
void sweep(const pdf::Document& doc, SweepCounts& counts, const std::string& file) {
    FontCache cache;
    auto visit_resources = [&](const pdf::Object& resources) {
        for (const auto& [name, entry] : read_resource_category(doc, resources, "Font")) {
            auto font = cache.font_for(doc, name, entry);
            ++counts.fonts;
            for (std::uint32_t sample = 0; sample < 0x10000; sample += 37) {
                std::string bytes;
                bytes.push_back(static_cast<char>(sample >> 8));
                bytes.push_back(static_cast<char>(sample & 0xFF));
                for (const auto& code : split_shown_string(*font, bytes)) {
                    auto decoded = decode_char_code(*font, code.code, bytes.substr(code.position, code.byte_length));
                    if (!decoded.unicode) continue;
                    ++counts.texts;
                    ASSERT_TRUE(is_valid_utf8(*decoded.unicode)) << file << " font " << name;
                }
            }
        }
    };
    for (const auto& id : doc.page_ids()) {
        pdf::Object resources = resolve_object(doc, doc.object(id).get("Resources"));
        if (!resources.is_dictionary()) continue;
        visit_resources(resources);
        for (const auto& [name, entry] : read_resource_category(doc, resources, "XObject")) {
            pdf::Object xobject = resolve_object(doc, entry);
            if (!xobject.is_stream()) continue;
            pdf::Object form_resources = resolve_object(doc, xobject.stream_dict().get("Resources"));
            if (form_resources.is_dictionary()) visit_resources(form_resources);
        }
    }
}

TEST(FontCorpus, EveryFontLoadsAndDecodesToValidText) {
    const fs::path corpus(ZVK_CORPUS_DIR);
    if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    SweepCounts counts;
    std::size_t files = 0;
    for (const auto& folder : {"pdfjs", "pdfminer", "papers"}) {
        for (const auto& item : fs::directory_iterator(corpus / folder)) {
            if (item.path().extension() != ".pdf") continue;
            auto doc = pdf::Document::from_bytes(read_file(item.path()), pdf::LoadSettings{});
            if (!doc) continue;
            ++files;
            sweep(*doc, counts, item.path().filename().string());
        }
    }
    // The corpus holds hundreds of files with fonts of every kind.
    EXPECT_GT(files, 500u);
    EXPECT_GT(counts.fonts, 1000u);
    EXPECT_GT(counts.texts, 100000u);
}

}  // namespace
}  // namespace zvk::font

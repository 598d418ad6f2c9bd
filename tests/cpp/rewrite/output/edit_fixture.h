// Small documents extracted for the content-editing tests: the glyphs with
// their stream ranges, the operation map and id index the editing reads, and
// word lookups and word boxes read back by pdftotext -bbox.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "content/document_interpreter.h"
#include "content/pdf_fixture.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "support/pdf_builder.h"
#include "support/temp_dir.h"

namespace zvk::rewrite::test_support {

struct Extracted {
    std::unique_ptr<pdf::Document> doc;
    ExtractedDocument extracted;
    GlyphIdIndex index;
    OperatorGlyphs operators;
};

inline Extracted extract_pdf(const std::string& bytes) {
    Extracted out;
    out.doc = zvk::test::load_pdf(bytes);
    if (!out.doc) return out;
    out.extracted = interpret_document(*out.doc, ExtractLimits{});
    out.index = GlyphIdIndex(out.extracted.glyphs);
    for (const Glyph& g : out.extracted.glyphs) {
        if (auto key = operator_key_of(g.source)) out.operators[*key].push_back(g.id);
    }
    return out;
}

inline const std::string kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// Catalog 1, Pages 2, the pages from 3 on (`pages` page bodies given
// without their Parent), then `more` objects.
inline std::string pdf_with_pages(const std::vector<std::string>& pages, const std::vector<std::string>& more) {
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + i) + " 0 R ";
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                        "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                            std::to_string(pages.size()) + " >>"};
    for (const std::string& page : pages) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " + page + " >>");
    }
    for (const std::string& o : more) objects.push_back(o);
    return zvk::test::build_pdf(objects);
}

// One page: content object 4 (Flate-compressed unless `plain`), Helvetica
// as F1 in object 5.
inline std::string one_page_pdf(const std::string& content, bool plain = false) {
    const std::string stream = plain ? zvk::test::pdf_stream("", content)
                                     : zvk::test::pdf_stream("/Filter /FlateDecode", zvk::test::deflate(content));
    return pdf_with_pages({"/Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R"}, {stream, kHelvetica});
}

// The ids of the `occurrence`-th run of consecutive glyphs whose texts join
// to `word`.
inline std::vector<std::uint32_t> word_ids(const ExtractedDocument& d, std::string_view word, int occurrence = 0) {
    const auto& g = d.glyphs;
    for (std::size_t i = 0; i < g.size(); ++i) {
        std::string joined;
        std::vector<std::uint32_t> ids;
        for (std::size_t j = i; j < g.size() && joined.size() < word.size(); ++j) {
            joined += g[j].unicode;
            ids.push_back(g[j].id);
        }
        if (joined == word && occurrence-- == 0) return ids;
    }
    ADD_FAILURE() << "no glyphs spell " << word;
    return {};
}

inline std::string stream_text(const pdf::Document& doc, std::uint32_t number) {
    return doc.decode_stream(doc.object({number, 0}), 1 << 20).value_or("<none>");
}

struct WordBox {
    std::string text;
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
};

// The words pdftotext -bbox finds on every page; none when the tool is
// missing or fails.
inline std::optional<std::vector<WordBox>> word_boxes(pdf::Document& doc) {
    zvk::test::TempDir dir;
    const std::string pdf = dir.file("out.pdf");
    const std::string html = dir.file("out.html");
    if (!doc.save(pdf)) return std::nullopt;
    const std::string command = "pdftotext -q -bbox '" + pdf + "' '" + html + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    const std::string text = zvk::test::read_file(html);
    static const std::regex word(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
    std::vector<WordBox> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        out.push_back({m[5].str(), std::stod(m[1].str()), std::stod(m[2].str()), std::stod(m[3].str()),
                       std::stod(m[4].str())});
    }
    return out;
}

inline bool have_tool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace zvk::rewrite::test_support

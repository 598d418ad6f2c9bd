// Documents for the reference-section tests: lines of Helvetica text placed
// on pages, written as a PDF with the shared builder and extracted, with a
// way back from every glyph to the line that drew it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "api/pdf_files.h"
#include "pdf/document.h"
#include "support/pdf_builder.h"

namespace zvk::test {

struct PlacedLine {
    std::uint32_t page = 0;
    float x = 72;
    float y = 700;
    std::string text;  // ASCII: one glyph per byte
    float size = 10;
    bool bold = false;
    bool sideways = false;  // drawn turned by 90 degrees, as margin notes are
};

inline std::string pdf_literal(const std::string& text) {
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out + ")";
}

// US Letter pages, as many as the lines name; each line is one text
// operation of its own.
inline std::string placed_lines_pdf(const std::vector<PlacedLine>& lines) {
    std::uint32_t pages = 1;
    for (const PlacedLine& l : lines) pages = std::max(pages, l.page + 1);
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
    };
    std::string kids;
    for (std::uint32_t p = 0; p < pages; ++p) {
        std::string content;
        for (const PlacedLine& l : lines) {
            if (l.page != p) continue;
            const std::string matrix = l.sideways ? "0 1 -1 0 " : "1 0 0 1 ";
            content += "BT /" + std::string(l.bold ? "F2 " : "F1 ") + std::to_string(l.size) + " Tf " + matrix +
                       std::to_string(l.x) + " " + std::to_string(l.y) + " Tm " + pdf_literal(l.text) + " Tj ET\n";
        }
        const std::size_t page_object = objects.size() + 1;
        kids += std::to_string(page_object) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R "
                          "/F2 4 0 R >> >> /Contents " +
                          std::to_string(page_object + 1) + " 0 R >>");
        objects.push_back(pdf_stream("", content));
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    return build_pdf(objects);
}

struct PlacedDocument {
    ExtractedDocument extraction;
    std::vector<std::size_t> line_of;  // per glyph, the line that drew it
};

inline std::optional<PlacedDocument> extract_placed_lines(const std::vector<PlacedLine>& lines) {
    auto document = pdf::Document::from_bytes(placed_lines_pdf(lines), pdf::LoadSettings{});
    if (!document) {
        ADD_FAILURE() << document.error().display();
        return std::nullopt;
    }
    auto extraction = extract_document_default_limits(*document);
    if (!extraction) {
        ADD_FAILURE() << extraction.error().display();
        return std::nullopt;
    }
    PlacedDocument out;
    out.extraction = std::move(*extraction);
    // Glyphs come page by page, line by line, a glyph per byte.
    for (std::uint32_t p = 0;; ++p) {
        bool any = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].page != p) continue;
            any = true;
            out.line_of.insert(out.line_of.end(), lines[i].text.size(), i);
        }
        if (!any && std::none_of(lines.begin(), lines.end(), [&](const PlacedLine& l) { return l.page > p; })) break;
    }
    if (out.line_of.size() != out.extraction.glyphs.size()) {
        ADD_FAILURE() << "fixture drew " << out.extraction.glyphs.size() << " glyphs for " << out.line_of.size()
                      << " bytes of text";
        return std::nullopt;
    }
    return out;
}

}  // namespace zvk::test

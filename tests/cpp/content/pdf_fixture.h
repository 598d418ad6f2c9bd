// Small PDF documents for content tests, written from object bodies with a
// correct cross-reference table so that fixtures stay readable in the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pdf/document.h"

namespace zvk::test {

// A stream object body: dictionary entries (without << >>) and data; /Length is added.
inline std::string pdf_stream(const std::string& dict_entries, const std::string& data) {
    return "<< " + dict_entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
           data + "\nendstream";
}

// objects[i] becomes object i + 1, generation 0.
inline std::string build_pdf(const std::vector<std::string>& objects,
                             const std::string& trailer_entries = "/Root 1 0 R") {
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " " + trailer_entries +
           " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

inline std::unique_ptr<pdf::Document> load_pdf(const std::string& bytes) {
    auto doc = pdf::Document::from_bytes(bytes, pdf::LoadSettings{});
    if (!doc) {
        ADD_FAILURE() << "fixture does not load: " << doc.error().display();
        return nullptr;
    }
    return std::make_unique<pdf::Document>(std::move(*doc));
}

}  // namespace zvk::test

// Whole-document extraction over fixture PDFs, with short text forms of the
// results for table rows.
#pragma once

#include <string>
#include <vector>

#include "content/document_interpreter.h"
#include "content/operand_text.h"
#include "content/pdf_fixture.h"

namespace zvk::test {

inline ExtractedDocument extract_objects(const std::vector<std::string>& objects,
                                         const ExtractLimits& limits = {},
                                         const PageBudgetLimits& budget = {}) {
    auto doc = load_pdf(build_pdf(objects));
    if (!doc) return {};
    return interpret_document(*doc, limits, budget);
}

// One page: object 3 the page, 4 its resources, 5 its content; `more` from 6 on.
inline std::vector<std::string> one_page(const std::string& content, const std::string& resources,
                                         const std::vector<std::string>& more = {},
                                         const std::string& page_entries = "") {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Resources 4 0 R /Contents 5 0 R " + page_entries + " >>",
        resources,
        pdf_stream("", content),
    };
    objects.insert(objects.end(), more.begin(), more.end());
    return objects;
}

inline std::vector<std::string> messages_of(const ExtractedDocument& doc) {
    std::vector<std::string> out;
    for (const auto& d : doc.diagnostics) out.push_back(d.message);
    return out;
}

inline std::string box_text(const Box& b) {
    std::string out;
    for (float v : b) out += (out.empty() ? "" : " ") + float_text(v);
    return "[" + out + "]";
}

// "kind [x0 y0 x1 y1];" per region, in order.
inline std::string regions_of(const ExtractedDocument& doc) {
    std::string out;
    for (const auto& r : doc.regions) out += r.kind + " " + box_text(r.bbox) + ";";
    return out;
}

}  // namespace zvk::test

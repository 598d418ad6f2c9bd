// Small PDF documents for content tests: the shared builder writes them from
// object bodies, and load_pdf opens them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "pdf/document.h"
#include "support/pdf_builder.h"

namespace zvk::test {

inline std::unique_ptr<pdf::Document> load_pdf(const std::string& bytes) {
    auto doc = pdf::Document::from_bytes(bytes, pdf::LoadSettings{});
    if (!doc) {
        ADD_FAILURE() << "fixture does not load: " << doc.error().display();
        return nullptr;
    }
    return std::make_unique<pdf::Document>(std::move(*doc));
}

}  // namespace zvk::test

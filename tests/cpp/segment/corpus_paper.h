// The corpus papers the segmentation tests read, extracted with the default
// limits. Tests skip when the corpus is absent.
#pragma once

#include <filesystem>
#include <optional>
#include <utility>

#include "api/pdf_files.h"

namespace zvk::test {

inline const std::filesystem::path kPapers = std::filesystem::path(ZVK_CORPUS_DIR) / "papers";

// The extraction of a paper (a path, or a file name under kPapers); none when
// it cannot be loaded or extracted.
inline std::optional<ExtractedDocument> extract_paper(const std::filesystem::path& path) {
    const std::filesystem::path full = path.is_absolute() ? path : kPapers / path;
    auto document = load_pdf_document(full.string(), LoadOptions{});
    if (!document) return std::nullopt;
    auto extraction = extract_document_default_limits(*document);
    if (!extraction) return std::nullopt;
    return std::move(*extraction);
}

}  // namespace zvk::test

// The JSON text that extract returns (and that translate extends).
#pragma once

#include <string>

#include "base/core_error.h"
#include "base/json_writer.h"
#include "content/records.h"

namespace zvk {

// The extraction JSON, pretty-printed, with no line break after the last brace.
Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction);

// The same text handed to a sink in pieces, for callers that build their own
// copy (the Python string) without holding ours whole. The summaries are
// computed once here and may be written any number of times.
class ExtractionJson {
public:
    explicit ExtractionJson(const ExtractedDocument& extraction);
    void write(JsonSink& sink) const;

private:
    const ExtractedDocument& extraction_;
    std::string plain_text_;
};

}  // namespace zvk

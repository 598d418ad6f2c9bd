#include "font/pdf_fixture.h"

#include <cstdio>

#include <stdexcept>

namespace zvk::font::test {

std::string make_pdf(const std::map<std::uint32_t, FixtureObject>& objects) {
    std::map<std::uint32_t, FixtureObject> all = objects;
    all[1] = {"<< /Type /Catalog /Pages 2 0 R >>", std::nullopt};
    all[2] = {"<< /Type /Pages /Kids [] /Count 0 >>", std::nullopt};
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::uint32_t highest = all.rbegin()->first;
    std::map<std::uint32_t, std::size_t> offsets;
    for (const auto& [number, object] : all) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n";
        if (object.stream) {
            std::string dict = object.body;
            std::size_t close = dict.rfind(">>");
            if (close == std::string::npos) throw std::invalid_argument("stream body must be a dictionary");
            dict.insert(close, " /Length " + std::to_string(object.stream->size()) + " ");
            out += dict + "\nstream\n" + *object.stream + "\nendstream\n";
        } else {
            out += object.body + "\n";
        }
        out += "endobj\n";
    }
    std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(highest + 1) + "\n";
    out += "0000000000 65535 f \n";
    for (std::uint32_t n = 1; n <= highest; ++n) {
        char line[32];
        if (auto it = offsets.find(n); it != offsets.end()) {
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", it->second);
        } else {
            std::snprintf(line, sizeof line, "0000000000 00000 f \n");
        }
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(highest + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

pdf::Document load_pdf(const std::map<std::uint32_t, FixtureObject>& objects) {
    auto doc = pdf::Document::from_bytes(make_pdf(objects), pdf::LoadSettings{});
    if (!doc) throw std::runtime_error("fixture PDF does not load: " + doc.error().display());
    return std::move(*doc);
}

pdf::Object stored_entry(const pdf::Document& doc, std::uint32_t holder, const std::string& key) {
    return doc.object({holder, 0}).get(key);
}

std::string hex_bytes(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

}  // namespace zvk::font::test

#include "font/pdf_fixture.h"

#include <stdexcept>
#include <vector>

#include "support/pdf_builder.h"

namespace zvk::font::test {

std::string make_pdf(const std::map<std::uint32_t, FixtureObject>& objects) {
    std::map<std::uint32_t, FixtureObject> all = objects;
    all[1] = {"<< /Type /Catalog /Pages 2 0 R >>", std::nullopt};
    all[2] = {"<< /Type /Pages /Kids [] /Count 0 >>", std::nullopt};
    // Numbers the case leaves out become null objects, which is what a
    // reference to a missing object reads as anyway.
    std::vector<std::string> bodies(all.rbegin()->first, "null");
    for (const auto& [number, object] : all) {
        std::string body = object.body;
        if (object.stream) {
            std::size_t open = body.find("<<");
            std::size_t close = body.rfind(">>");
            if (open == std::string::npos || close == std::string::npos || close < open) {
                throw std::invalid_argument("stream body must be a dictionary");
            }
            body = zvk::test::pdf_stream(body.substr(open + 2, close - open - 2), *object.stream);
        }
        bodies[number - 1] = std::move(body);
    }
    return zvk::test::build_pdf(bodies);
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

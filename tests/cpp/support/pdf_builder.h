// Builds small PDF files for tests from object bodies, with a correct
// cross-reference table, so fixtures stay readable in the test source.
#pragma once

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zvk::test {

// `data` compressed as a /FlateDecode stream holds it; bombs ask for the
// best compression.
inline std::string deflate(const std::string& data, int level = Z_DEFAULT_COMPRESSION) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    out.resize(size);
    return out;
}

// A stream object body: the dictionary entries (without << >>) and the data;
// /Length is added.
inline std::string pdf_stream(const std::string& dict_entries, const std::string& data) {
    return "<< " + dict_entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
           data + "\nendstream";
}

// objects[i] becomes object i + 1 (generation 0). The trailer's /Root is
// object 1 unless `trailer_entries` says otherwise.
inline std::string build_pdf(const std::vector<std::string>& objects,
                             const std::string& trailer_entries = "/Root 1 0 R") {
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    std::size_t xref = out.size();
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

// A one-page document whose page has the given extra entries and content.
inline std::string single_page_pdf(const std::string& page_entries, const std::string& content) {
    return build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + page_entries + " >>",
        pdf_stream("", content),
    });
}

}  // namespace zvk::test

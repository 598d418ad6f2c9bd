#include "font/shown_text.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "font/decode.h"
#include "font/font_loader.h"
#include "pdf/objects.h"

namespace zvk::font::test {

namespace {

struct Token {
    enum Kind { String, Name, Number, Operator, ArrayStart, ArrayEnd, Other } kind;
    std::string text;
};

bool is_space(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool is_delim(char c) { return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }

std::vector<Token> lex(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (is_space(c)) { ++i; continue; }
        if (c == '%') { while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i; continue; }
        if (c == '(') {
            std::string bytes;
            int depth = 1;
            ++i;
            while (i < s.size()) {
                char d = s[i++];
                if (d == '\\' && i < s.size()) {
                    char e = s[i++];
                    switch (e) {
                    case 'n': bytes += '\n'; break;
                    case 'r': bytes += '\r'; break;
                    case 't': bytes += '\t'; break;
                    case 'b': bytes += '\b'; break;
                    case 'f': bytes += '\f'; break;
                    case '\r': if (i < s.size() && s[i] == '\n') ++i; break;
                    case '\n': break;
                    default:
                        if (e >= '0' && e <= '7') {
                            int v = e - '0';
                            for (int k = 0; k < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k) v = v * 8 + (s[i++] - '0');
                            bytes += static_cast<char>(v & 0xFF);
                        } else {
                            bytes += e;
                        }
                    }
                    continue;
                }
                if (d == '(') ++depth;
                if (d == ')' && --depth == 0) break;
                bytes += d;
            }
            out.push_back({Token::String, bytes});
            continue;
        }
        if (c == '<' && i + 1 < s.size() && s[i + 1] == '<') { out.push_back({Token::Other, "<<"}); i += 2; continue; }
        if (c == '>' && i + 1 < s.size() && s[i + 1] == '>') { out.push_back({Token::Other, ">>"}); i += 2; continue; }
        if (c == '<') {
            std::string digits;
            ++i;
            while (i < s.size() && s[i] != '>') {
                if (std::isxdigit(static_cast<unsigned char>(s[i]))) digits += s[i];
                ++i;
            }
            ++i;
            if (digits.size() % 2) digits += '0';
            std::string bytes;
            for (std::size_t k = 0; k < digits.size(); k += 2) bytes += static_cast<char>(std::stoi(digits.substr(k, 2), nullptr, 16));
            out.push_back({Token::String, bytes});
            continue;
        }
        if (c == '[') { out.push_back({Token::ArrayStart, "["}); ++i; continue; }
        if (c == ']') { out.push_back({Token::ArrayEnd, "]"}); ++i; continue; }
        if (c == '/') {
            std::size_t start = ++i;
            while (i < s.size() && !is_space(s[i]) && !is_delim(s[i])) ++i;
            std::string name;
            for (std::size_t k = start; k < i; ++k) {
                if (s[k] == '#' && k + 2 < i) {
                    name += static_cast<char>(std::stoi(std::string(s.substr(k + 1, 2)), nullptr, 16));
                    k += 2;
                } else {
                    name += s[k];
                }
            }
            out.push_back({Token::Name, name});
            continue;
        }
        std::size_t start = i;
        while (i < s.size() && !is_space(s[i]) && !is_delim(s[i])) ++i;
        if (i == start) { ++i; continue; }
        std::string word(s.substr(start, i - start));
        bool number = std::string_view("+-.0123456789").find(word[0]) != std::string_view::npos;
        out.push_back({number ? Token::Number : Token::Operator, word});
        if (word == "ID") {
            // Inline image data runs to the EI that stands alone.
            std::size_t end = s.find("EI", i);
            while (end != std::string_view::npos && !(is_space(s[end - 1]) && (end + 2 >= s.size() || is_space(s[end + 2])))) {
                end = s.find("EI", end + 1);
            }
            i = end == std::string_view::npos ? s.size() : end + 2;
        }
    }
    return out;
}

pdf::Object inherited_resources(const pdf::Document& doc, pdf::Object node) {
    for (int depth = 0; depth < 32 && node.is_dictionary(); ++depth) {
        pdf::Object resources = resolve_object(doc, node.get("Resources"));
        if (resources.is_dictionary()) return resources;
        node = resolve_object(doc, node.get("Parent"));
    }
    return {};
}

struct Scanner {
    const pdf::Document& doc;
    FontCache& cache;
    std::string text;

    void run(std::string_view content, const pdf::Object& resources, int depth) {
        ResourceMap fonts = read_resource_category(doc, resources, "Font");
        ResourceMap xobjects = read_resource_category(doc, resources, "XObject");
        std::shared_ptr<const PdfFont> font;
        std::vector<Token> operands;
        std::vector<std::string> array;
        bool in_array = false;
        auto show = [&](const std::string& bytes) {
            if (!font) return;
            for (const auto& code : split_shown_string(*font, bytes)) {
                auto decoded = decode_char_code(*font, code.code, bytes.substr(code.position, code.byte_length));
                if (decoded.unicode) text += *decoded.unicode;
            }
        };
        for (const auto& token : lex(content)) {
            if (token.kind == Token::ArrayStart) { in_array = true; array.clear(); continue; }
            if (token.kind == Token::ArrayEnd) { in_array = false; operands.push_back({Token::Other, "array"}); continue; }
            if (in_array) {
                if (token.kind == Token::String) array.push_back(token.text);
                continue;
            }
            if (token.kind != Token::Operator) { operands.push_back(token); continue; }
            const std::string& op = token.text;
            if (op == "Tf" && operands.size() >= 2 && operands[operands.size() - 2].kind == Token::Name) {
                const std::string& name = operands[operands.size() - 2].text;
                auto it = fonts.find(name);
                font = it == fonts.end() ? nullptr : cache.font_for(doc, name, it->second);
            } else if ((op == "Tj" || op == "'") && !operands.empty() && operands.back().kind == Token::String) {
                show(operands.back().text);
            } else if (op == "\"" && !operands.empty() && operands.back().kind == Token::String) {
                show(operands.back().text);
            } else if (op == "TJ") {
                for (const auto& s : array) show(s);
            } else if (op == "Do" && depth < 1 && !operands.empty() && operands.back().kind == Token::Name) {
                auto it = xobjects.find(operands.back().text);
                if (it != xobjects.end()) {
                    auto form = load_stream_data(doc, it->second, 64 << 20);
                    if (form && object_as_name(form->dictionary.get("Subtype")) == "Form") {
                        pdf::Object own = resolve_object(doc, form->dictionary.get("Resources"));
                        run(form->data, own.is_dictionary() ? own : resources, depth + 1);
                    }
                }
            } else if (op == "ET") {
                text += '\n';
            }
            operands.clear();
        }
    }
};

}  // namespace

std::string decoded_document_text(const pdf::Document& doc) {
    FontCache cache;
    Scanner scanner{doc, cache, {}};
    for (const auto& id : doc.page_ids()) {
        pdf::Object page = doc.object(id);
        pdf::Object resources = inherited_resources(doc, page);
        std::string content;
        pdf::Object contents = page.get("Contents");
        pdf::Object resolved = resolve_object(doc, contents);
        std::vector<pdf::Object> parts;
        if (resolved.is_array()) {
            parts = resolved.array_items();
        } else {
            parts.push_back(contents);
        }
        for (const auto& part : parts) {
            if (auto data = load_stream_data(doc, part, 64 << 20)) content += data->data + "\n";
        }
        scanner.run(content, resources, 0);
    }
    return scanner.text;
}

std::string without_whitespace(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!is_space(c)) out += c;
    }
    return out;
}

bool corpus_available() { return std::filesystem::is_directory(ZVK_CORPUS_DIR); }

pdf::Document load_corpus_pdf(const std::string& relative_path) {
    std::filesystem::path path = std::filesystem::path(ZVK_CORPUS_DIR) / relative_path;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("corpus file missing: " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    auto doc = pdf::Document::from_bytes(bytes.str(), pdf::LoadSettings{});
    if (!doc) throw std::runtime_error("corpus file does not load: " + path.string());
    return std::move(*doc);
}

}  // namespace zvk::font::test

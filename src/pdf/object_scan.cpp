#include "pdf/object_scan.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "base/pdf_syntax.h"

namespace zvk::pdf {

namespace {

bool is_regular(unsigned char c) { return !is_pdf_white_space(c) && !is_pdf_delimiter(c); }

// Only the few keys and values we compare are kept; longer names are cut,
// which can only make them compare unequal.
constexpr std::size_t kMaxNameKept = 32;

enum class Token { End, Name, Word, DictOpen, DictClose, ArrayOpen, ArrayClose, String, Bad };

// Reads the tokens of one object's text. In a file that text ends at the
// next object's header, so the walks of all objects together read each byte
// a bounded number of times. Running into the end inside a token reads as
// End: the object was cut short.
class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text), pos_(0), end_(text.size()) {}

    Token next() {
        skip_space();
        if (pos_ >= end_) return Token::End;
        unsigned char c = at(pos_);
        switch (c) {
            case '/': return read_name();
            case '(': return read_literal_string();
            case '<':
                if (pos_ + 1 < end_ && at(pos_ + 1) == '<') {
                    pos_ += 2;
                    return Token::DictOpen;
                }
                return read_hex_string();
            case '>':
                if (pos_ + 1 < end_ && at(pos_ + 1) == '>') {
                    pos_ += 2;
                    return Token::DictClose;
                }
                return Token::Bad;
            case '[': ++pos_; return Token::ArrayOpen;
            case ']': ++pos_; return Token::ArrayClose;
            case ')':
            case '{':
            case '}': return Token::Bad;
            default: break;
        }
        std::size_t start = pos_;
        while (pos_ < end_ && is_regular(at(pos_))) ++pos_;
        word_ = s_.substr(start, pos_ - start);
        return Token::Word;
    }

    const std::string& name() const { return name_; }
    std::string_view word() const { return word_; }
    std::size_t pos() const { return pos_; }
    void seek(std::size_t pos) { pos_ = pos; }

private:
    unsigned char at(std::size_t i) const { return static_cast<unsigned char>(s_[i]); }

    void skip_space() {
        while (pos_ < end_) {
            unsigned char c = at(pos_);
            if (is_pdf_white_space(c)) {
                ++pos_;
            } else if (c == '%') {
                while (pos_ < end_ && at(pos_) != '\n' && at(pos_) != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

    Token read_name() {
        ++pos_;
        name_.clear();
        while (pos_ < end_ && is_regular(at(pos_))) {
            unsigned char c = at(pos_++);
            if (c == '#' && pos_ + 1 < end_) {
                int hi = hex_digit_value(at(pos_));
                int lo = hex_digit_value(at(pos_ + 1));
                if (hi >= 0 && lo >= 0) {
                    c = static_cast<unsigned char>(hi * 16 + lo);
                    pos_ += 2;
                }
            }
            if (name_.size() < kMaxNameKept) name_.push_back(static_cast<char>(c));
        }
        return Token::Name;
    }

    Token read_literal_string() {
        ++pos_;
        int depth = 1;
        while (pos_ < end_) {
            unsigned char c = at(pos_++);
            if (c == '\\') {
                ++pos_;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return Token::String;
            }
        }
        pos_ = end_;
        return Token::End;
    }

    Token read_hex_string() {
        ++pos_;
        while (pos_ < end_) {
            unsigned char c = at(pos_++);
            if (c == '>') return Token::String;
            if (!is_pdf_white_space(c) && hex_digit_value(c) < 0) return Token::Bad;
        }
        return Token::End;
    }

    std::string_view s_;
    std::size_t pos_;
    std::size_t end_;
    std::string name_;
    std::string_view word_;
};

bool is_unsigned_integer(std::string_view w) {
    if (w.empty()) return false;
    for (char c : w) {
        if (!is_ascii_digit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

ObjectRole classify_object(std::string_view text) {
    Lexer lex(text);
    if (lex.next() != Token::DictOpen) return ObjectRole::None;
    std::string type;
    std::string filter;
    bool info_key = false;
    bool foreign_key = false;
    for (;;) {
        Token key = lex.next();
        if (key == Token::DictClose) break;
        if (key != Token::Name) return ObjectRole::None;
        std::string key_name = lex.name();
        Token value = lex.next();
        if (value == Token::Name) {
            if (key_name == "Type") type = lex.name();
            if (key_name == "Filter") filter = lex.name();
        } else if (value == Token::DictOpen || value == Token::ArrayOpen) {
            // Nested values are skipped whole; only their balance matters.
            int depth = 1;
            while (depth > 0) {
                Token t = lex.next();
                if (t == Token::DictOpen || t == Token::ArrayOpen) {
                    ++depth;
                } else if (t == Token::DictClose || t == Token::ArrayClose) {
                    --depth;
                } else if (t == Token::End || t == Token::Bad) {
                    return ObjectRole::None;
                }
            }
        } else if (value == Token::Word) {
            // A reference is three words: number, generation, R.
            if (is_unsigned_integer(lex.word())) {
                std::size_t mark = lex.pos();
                bool reference = lex.next() == Token::Word && is_unsigned_integer(lex.word()) &&
                                 lex.next() == Token::Word && lex.word() == "R";
                if (!reference) lex.seek(mark);
            }
        } else if (value != Token::String) {
            return ObjectRole::None;
        }
        if (key_name == "Producer" || key_name == "Creator" || key_name == "CreationDate" ||
            key_name == "ModDate") {
            info_key = true;
        }
        if (key_name == "Type" || key_name == "Subtype" || key_name == "Parent" ||
            key_name == "Rect") {
            foreign_key = true;
        }
    }
    bool stream = lex.next() == Token::Word && lex.word() == "stream";
    if (stream) return type == "ObjStm" ? ObjectRole::ObjectStream : ObjectRole::None;
    // Catalogs, information and encryption dictionaries are never streams.
    if (type == "Catalog") return ObjectRole::Catalog;
    if (filter == "Standard") return ObjectRole::Encrypt;
    if (info_key && !foreign_key) return ObjectRole::Info;
    return ObjectRole::None;
}

namespace {

struct Header {
    std::size_t start = 0;  // first byte of the object number
    std::size_t body = 0;   // just past "obj"
    ObjectRef ref;
};

// Reads the unsigned integer that ends just before `end`, not reaching back
// before `floor`; sets `start` to its first digit.
std::optional<std::uint64_t> integer_before(std::string_view s, std::size_t floor, std::size_t end,
                                            std::size_t& start) {
    std::size_t i = end;
    while (i > floor && is_ascii_digit(static_cast<unsigned char>(s[i - 1])) && end - i < 10) --i;
    if (i == end) return std::nullopt;
    std::uint64_t value = 0;
    std::from_chars(s.data() + i, s.data() + end, value);
    start = i;
    return value;
}

std::size_t white_before(std::string_view s, std::size_t floor, std::size_t end) {
    std::size_t i = end;
    while (i > floor && is_pdf_white_space(static_cast<unsigned char>(s[i - 1]))) --i;
    return i;
}

// Finds the next `N G obj` header from `from` on. `floor` is where the last
// candidate "obj" ended: looking back never passes it, which keeps the whole
// scan linear however long the runs of white space or digits are.
std::optional<Header> next_header(std::string_view s, std::size_t& from, std::size_t& floor) {
    while (from < s.size()) {
        std::size_t k = s.find("obj", from);
        if (k == std::string_view::npos) {
            from = s.size();
            return std::nullopt;
        }
        std::size_t after = k + 3;
        from = after;
        std::size_t look_floor = floor;
        floor = after;
        if (after < s.size() && is_regular(static_cast<unsigned char>(s[after]))) continue;
        std::size_t gen_end = white_before(s, look_floor, k);
        if (gen_end == k) continue;
        std::size_t gen_start = 0;
        auto gen = integer_before(s, look_floor, gen_end, gen_start);
        if (!gen) continue;
        std::size_t num_end = white_before(s, look_floor, gen_start);
        if (num_end == gen_start) continue;
        std::size_t num_start = 0;
        auto num = integer_before(s, look_floor, num_end, num_start);
        if (!num) continue;
        if (num_start > 0 && is_regular(static_cast<unsigned char>(s[num_start - 1]))) continue;
        // Numbers the reader cannot hold are not objects it will find.
        if (*num == 0 || *num > 0x7FFFFFFF || *gen > 0xFFFF) continue;
        return Header{num_start, after,
                      {static_cast<std::uint32_t>(*num), static_cast<std::uint32_t>(*gen)}};
    }
    return std::nullopt;
}

}  // namespace

ObjectScan scan_objects(std::string_view bytes) {
    // Only objects that were once a candidate are tracked: a later header
    // with the same number and generation replaces the definition, as the
    // reader's reconstruction does, whatever that later object holds.
    std::unordered_map<std::uint64_t, Candidate> tracked;
    ObjectScan scan;

    std::size_t from = 0;
    std::size_t floor = 0;
    auto header = next_header(bytes, from, floor);
    while (header) {
        auto following = next_header(bytes, from, floor);
        std::size_t end = following ? following->start : bytes.size();
        scan.highest = std::max(scan.highest, header->ref.number);
        ObjectRole role = classify_object(bytes.substr(header->body, end - header->body));
        std::uint64_t key = (std::uint64_t{header->ref.number} << 16) | header->ref.generation;
        if (role != ObjectRole::None) {
            tracked[key] = {header->ref, {header->start, 0}, role};
        } else if (auto it = tracked.find(key); it != tracked.end()) {
            it->second.role = ObjectRole::None;
        }
        header = following;
    }
    for (const auto& [key, candidate] : tracked) {
        if (candidate.role != ObjectRole::None) scan.candidates.push_back(candidate);
    }
    // In file order, whatever order the table kept.
    std::sort(scan.candidates.begin(), scan.candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.position < b.position; });
    return scan;
}

std::optional<Candidate> newest(const std::vector<Candidate>& candidates, ObjectRole role) {
    std::optional<Candidate> best;
    for (const auto& c : candidates) {
        if (c.role == role && (!best || c.position > best->position)) best = c;
    }
    return best;
}

namespace {

std::string reference(const ObjectRef& r) {
    return std::to_string(r.number) + " " + std::to_string(r.generation) + " R";
}

std::string trailer_entries_text(const TrailerEntries& entries) {
    std::string out;
    if (entries.root) out += " /Root " + reference(*entries.root);
    if (entries.info) out += " /Info " + reference(*entries.info);
    if (entries.encrypt) out += " /Encrypt " + reference(*entries.encrypt);
    return out;
}

int bytes_for(std::uint64_t value) {
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0) ++n;
    return n;
}

void put_big_endian(std::string& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string trailer_text(const TrailerEntries& entries, std::uint64_t size) {
    return "\ntrailer\n<< /Size " + std::to_string(size) + trailer_entries_text(entries) + " >>\n";
}

std::string xref_stream_text(const std::vector<XrefEntry>& entries, const TrailerEntries& trailer,
                             std::uint32_t number, std::uint64_t offset) {
    // The stream's own entry comes last: its number is above every other.
    std::vector<XrefEntry> all = entries;
    all.push_back({number, 1, offset + 1, 0});
    std::uint64_t max2 = 0;
    std::uint64_t max3 = 0;
    for (const auto& e : all) {
        max2 = std::max(max2, e.field2);
        max3 = std::max(max3, e.field3);
    }
    int w2 = bytes_for(max2);
    int w3 = bytes_for(max3);
    std::string data;
    std::string index;
    std::size_t run_start = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        put_big_endian(data, all[i].type, 1);
        put_big_endian(data, all[i].field2, w2);
        put_big_endian(data, all[i].field3, w3);
        bool run_ends = i + 1 == all.size() || all[i + 1].number != all[i].number + 1;
        if (run_ends) {
            index += " " + std::to_string(all[run_start].number) + " " +
                     std::to_string(i + 1 - run_start);
            run_start = i + 1;
        }
    }
    std::string out = "\n" + std::to_string(number) + " 0 obj\n<< /Type /XRef /Size " +
                      std::to_string(std::uint64_t{number} + 1) + " /W [1 " + std::to_string(w2) +
                      " " + std::to_string(w3) + "] /Index [" + index + " ]" +
                      trailer_entries_text(trailer) + " /Length " + std::to_string(data.size()) +
                      " >>\nstream\n";
    out += data;
    out += "\nendstream\nendobj\nstartxref\n" + std::to_string(offset + 1) + "\n%%EOF\n";
    return out;
}

}  // namespace zvk::pdf

#include "json_value.h"

#include <charconv>
#include <stdexcept>

#include "cli/json_writer.h"

namespace kestrel::cli::test {

const Json& Json::operator[](std::string_view key) const {
    for (const auto& [name, value] : members)
        if (name == key) return value;
    throw std::out_of_range("no member \"" + std::string(key) + "\"");
}

bool Json::has(std::string_view key) const {
    for (const auto& member : members)
        if (member.first == key) return true;
    return false;
}

std::vector<std::string> Json::keys() const {
    std::vector<std::string> names;
    for (const auto& member : members) names.push_back(member.first);
    return names;
}

std::vector<double> Json::numbers() const {
    std::vector<double> values;
    for (const auto& item : items) {
        if (item.kind != Kind::Number) throw std::invalid_argument("not an array of numbers");
        values.push_back(item.number);
    }
    return values;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text(text) {}

    Json document() {
        Json value = parseValue();
        skipBlanks();
        if (pos != text.size()) fail("text after the document");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& why) {
        throw std::runtime_error(why + " at byte " + std::to_string(pos));
    }
    void skipBlanks() {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
            ++pos;
    }
    bool take(char c) {
        skipBlanks();
        if (pos < text.size() && text[pos] == c) return ++pos, true;
        return false;
    }
    void expect(char c) {
        if (!take(c)) fail(std::string("expected '") + c + "'");
    }
    bool takeWord(std::string_view word) {
        if (text.substr(pos, word.size()) != word) return false;
        pos += word.size();
        return true;
    }

    Json parseValue() {
        if (++depth > 64) fail("nested too deeply");
        skipBlanks();
        Json value;
        if (pos == text.size()) fail("unexpected end");
        const char c = text[pos];
        if (c == '{') {
            value.kind = Json::Kind::Object;
            ++pos;
            if (!take('}')) {
                do {
                    skipBlanks();
                    std::string name = parseString();
                    expect(':');
                    value.members.emplace_back(std::move(name), parseValue());
                } while (take(','));
                expect('}');
            }
        } else if (c == '[') {
            value.kind = Json::Kind::Array;
            ++pos;
            if (!take(']')) {
                do value.items.push_back(parseValue());
                while (take(','));
                expect(']');
            }
        } else if (c == '"') {
            value.kind = Json::Kind::String;
            value.string = parseString();
        } else if (takeWord("true") || takeWord("false")) {
            value.kind = Json::Kind::Bool;
            value.boolean = c == 't';
        } else if (takeWord("null")) {
            value.kind = Json::Kind::Null;
        } else {
            value.kind = Json::Kind::Number;
            value.number = parseNumber();
        }
        --depth;
        return value;
    }

    double parseNumber() {
        const std::size_t start = pos;
        const auto digits = [&] {
            const std::size_t first = pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
            return pos - first;
        };
        if (pos < text.size() && text[pos] == '-') ++pos;
        const std::size_t integerStart = pos;
        const std::size_t integerDigits = digits();
        if (integerDigits == 0 || (integerDigits > 1 && text[integerStart] == '0')) fail("bad number");
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            if (digits() == 0) fail("bad fraction");
        }
        if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
            ++pos;
            if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
            if (digits() == 0) fail("bad exponent");
        }
        double value = 0;
        const auto result = std::from_chars(text.data() + start, text.data() + pos, value);
        if (result.ec != std::errc{} || result.ptr != text.data() + pos) fail("bad number");
        return value;
    }

    unsigned hex4() {
        if (pos + 4 > text.size()) fail("short \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[pos++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= c - '0';
            else if (c >= 'a' && c <= 'f')
                value |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                value |= c - 'A' + 10;
            else
                fail("bad \\u escape");
        }
        return value;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string parseString() {
        if (pos >= text.size() || text[pos] != '"') fail("expected a string");
        ++pos;
        std::string out;
        while (true) {
            if (pos >= text.size()) fail("unterminated string");
            const auto c = static_cast<unsigned char>(text[pos]);
            if (c == '"') break;
            if (c < 0x20) fail("raw control character in a string");
            if (c >= 0x80) {
                const std::size_t length = utf8SequenceLength(text, pos);
                if (length == 0) fail("invalid UTF-8");
                out.append(text.substr(pos, length));
                pos += length;
                continue;
            }
            ++pos;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos >= text.size()) fail("unterminated escape");
            switch (text[pos++]) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned code = hex4();
                    if (code >= 0xD800 && code <= 0xDBFF) {
                        if (!takeWord("\\u")) fail("lone high surrogate");
                        const unsigned low = hex4();
                        if (low < 0xDC00 || low > 0xDFFF) fail("bad low surrogate");
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code <= 0xDFFF) {
                        fail("lone low surrogate");
                    }
                    appendUtf8(out, code);
                    break;
                }
                default:
                    fail("unknown escape");
            }
        }
        ++pos;
        return out;
    }

    std::string_view text;
    std::size_t pos = 0;
    int depth = 0;
};

}  // namespace

std::optional<Json> parseJson(std::string_view text, std::string* error) {
    try {
        return Parser(text).document();
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
}

}  // namespace kestrel::cli::test

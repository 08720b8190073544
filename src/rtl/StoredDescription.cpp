#include "StoredDescription.h"

#include "Classes.h"

#include "winapi/Gbk.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

[[noreturn]] void Fail(int line, const std::string& text) {
    throw EReadError("line " + std::to_string(line) + ": " + text);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    Parser(std::string_view text, std::string baseDir, std::vector<std::string>* filesRead,
           const std::map<std::string, std::string>& variables)
        : text_(text), baseDir_(std::move(baseDir)), filesRead_(filesRead), variables_(variables) {}

    TObjectDescription ParseRoot() {
        SkipSpace();
        TObjectDescription root = ParseObject();
        SkipSpace();
        if (pos_ < text_.size())
            Fail(line_, "text after the final end");
        return root;
    }

private:
    TObjectDescription ParseObject() {
        TObjectDescription d;
        d.line = line_;
        std::string keyword = Ident();
        if (keyword != "object")
            Fail(d.line, "expected object, found " + (keyword.empty() ? Rest() : keyword));
        d.name = Ident();
        if (d.name.empty())
            Fail(line_, "expected a component name");
        Expect(':');
        d.className = Ident();
        if (d.className.empty())
            Fail(line_, "expected a class name");
        while (true) {
            SkipSpace();
            size_t save = pos_;
            int saveLine = line_;
            std::string word = Ident();
            if (word.empty())
                Fail(line_, "expected a property, object or end, found " + Rest());
            if (word == "end")
                return d;
            if (word == "object") {
                pos_ = save;
                line_ = saveLine;
                d.children.push_back(ParseObject());
                continue;
            }
            d.properties.push_back(ParsePropertyAfterName(word, saveLine));
        }
    }

    TPropertyDescription ParsePropertyAfterName(const std::string& name, int line) {
        TPropertyDescription p;
        p.name = name;
        p.line = line;
        Expect('=');
        p.value = ParseValue();
        return p;
    }

    TValue ParseValue() {
        SkipSpace();
        if (pos_ >= text_.size())
            Fail(line_, "expected a value");
        TValue v;
        char c = text_[pos_];
        if (c == '\'' || c == '#') {
            v.kind = TValue::Kind::String;
            v.text = ToGbk(ParseString());
        } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = TValue::Kind::Integer;
            v.integer = ParseInteger();
        } else if (c == '[') {
            ++pos_;
            v.kind = TValue::Kind::Set;
            v.names = ParseSetElements();
        } else if (c == '{') {
            ++pos_;
            v.kind = TValue::Kind::Binary;
            v.bytes = ParseHex();
        } else if (c == '<') {
            ++pos_;
            v.kind = TValue::Kind::Collection;
            v.items = ParseCollectionItems();
        } else {
            v = ParseWordValue();
        }
        return v;
    }

    // After "[": the element names up to and with "]".
    std::vector<std::string> ParseSetElements() {
        std::vector<std::string> names;
        SkipSpace();
        if (Peek() == ']') {
            ++pos_;
            return names;
        }
        while (true) {
            std::string name = Ident();
            if (name.empty())
                Fail(line_, "expected a set element");
            names.push_back(name);
            SkipSpace();
            if (Peek() != ',')
                break;
            ++pos_;
        }
        Expect(']');
        return names;
    }

    // After "<": the items, each "item <properties> end", up to and with ">".
    std::vector<TItemDescription> ParseCollectionItems() {
        std::vector<TItemDescription> items;
        while (true) {
            SkipSpace();
            if (Peek() == '>') {
                ++pos_;
                return items;
            }
            if (Ident() != "item")
                Fail(line_, "expected item or >");
            TItemDescription item;
            while (true) {
                SkipSpace();
                int line = line_;
                std::string word = Ident();
                if (word.empty())
                    Fail(line_, "expected a property or end, found " + Rest());
                if (word == "end")
                    break;
                item.properties.push_back(ParsePropertyAfterName(word, line));
            }
            items.push_back(std::move(item));
        }
    }

    // A bare word: an identifier, or file('path') for the bytes of a file beside the text.
    TValue ParseWordValue() {
        TValue v;
        std::string word = Ident();
        if (word.empty())
            Fail(line_, "unexpected " + Rest());
        SkipSpace();
        if (word == "file" && Peek() == '(') {
            ++pos_;
            SkipSpace();
            std::string path = ParseString();
            Expect(')');
            v.kind = TValue::Kind::Binary;
            v.bytes = ReadFile(path);
        } else {
            v.kind = TValue::Kind::Ident;
            v.text = word;
        }
        return v;
    }

    std::string ParseString() {
        std::string utf8;
        bool any = false;
        while (true) {
            char c = Peek();
            if (c == '\'') {
                ++pos_;
                while (true) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n')
                        Fail(line_, "unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            utf8 += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    utf8 += text_[pos_++];
                }
                any = true;
            } else if (c == '#') {
                ++pos_;
                std::int64_t cp = ParseInteger();
                if (cp < 0 || cp > 0x10FFFF)
                    Fail(line_, "character code out of range");
                AppendUtf8(utf8, static_cast<std::uint32_t>(cp));
                any = true;
            } else {
                // 'a' + 'b' continues a string over lines.
                size_t save = pos_;
                int saveLine = line_;
                SkipSpace();
                if (any && Peek() == '+') {
                    ++pos_;
                    SkipSpace();
                    continue;
                }
                pos_ = save;
                line_ = saveLine;
                break;
            }
        }
        if (!any)
            Fail(line_, "expected a string");
        return utf8;
    }

    std::string ToGbk(const std::string& utf8) {
        auto gbkText = gbk::FromUtf8(utf8);
        if (!gbkText)
            Fail(line_, "text cannot be written in GBK: " + utf8);
        return *gbkText;
    }

    std::int64_t ParseInteger() {
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++pos_;
        }
        int base = 10;
        if (Peek() == '$') {
            base = 16;
            ++pos_;
        }
        size_t start = pos_;
        std::int64_t value = 0;
        while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
            char c = text_[pos_];
            int digit =
                std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
            if (digit >= base)
                break;
            value = value * base + digit;
            if (value > 0xFFFFFFFFFFll)
                Fail(line_, "number too large");
            ++pos_;
        }
        if (pos_ == start)
            Fail(line_, "expected a number");
        return negative ? -value : value;
    }

    TBytes ParseHex() {
        TBytes bytes;
        int high = -1;
        while (true) {
            if (pos_ >= text_.size())
                Fail(line_, "unterminated binary block");
            char c = text_[pos_++];
            if (c == '}')
                break;
            if (c == '\n')
                ++line_;
            if (std::isspace(static_cast<unsigned char>(c)))
                continue;
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                Fail(line_, "bad character in binary block");
            int digit =
                std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0)
            Fail(line_, "odd number of hex digits");
        return bytes;
    }

    std::string Expand(const std::string& path) {
        std::string out;
        size_t i = 0;
        while (i < path.size()) {
            if (path.compare(i, 2, "${") == 0) {
                size_t close = path.find('}', i);
                if (close == std::string::npos)
                    Fail(line_, "unterminated variable in " + path);
                std::string name = path.substr(i + 2, close - i - 2);
                auto it = variables_.find(name);
                if (it == variables_.end())
                    Fail(line_, "unknown variable " + name);
                out += it->second;
                i = close + 1;
            } else {
                out += path[i++];
            }
        }
        return out;
    }

    TBytes ReadFile(const std::string& given) {
        std::string path = Expand(given);
        std::string full = !path.empty() && path[0] == '/' ? path : baseDir_ + "/" + path;
        std::ifstream in(full, std::ios::binary);
        if (!in)
            Fail(line_, "cannot read " + full);
        TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (filesRead_)
            filesRead_->push_back(full);
        return bytes;
    }

    std::string Ident() {
        SkipSpace();
        size_t start = pos_;
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            bool ok = std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
                      (pos_ > start && (std::isdigit(static_cast<unsigned char>(c)) || c == '.'));
            if (!ok)
                break;
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    void Expect(char c) {
        SkipSpace();
        if (Peek() != c)
            Fail(line_, std::string("expected ") + c + ", found " + Rest());
        ++pos_;
    }

    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    std::string Rest() const {
        if (pos_ >= text_.size())
            return "end of text";
        std::string_view rest = text_.substr(pos_, 20);
        return std::string(rest.substr(0, rest.find('\n')));
    }

    void SkipSpace() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    std::string_view text_;
    std::string baseDir_;
    std::vector<std::string>* filesRead_;
    const std::map<std::string, std::string>& variables_;
    size_t pos_ = 0;
    int line_ = 1;
};

// Binary form: "DSC1", then the root object. Numbers are little-endian.
constexpr char kMagic[4] = {'D', 'S', 'C', '1'};

class Writer {
public:
    TBytes bytes;

    void Object(const TObjectDescription& d) {
        String(d.className);
        String(d.name);
        U32(static_cast<std::uint32_t>(d.properties.size()));
        for (const TPropertyDescription& p : d.properties)
            Property(p);
        U32(static_cast<std::uint32_t>(d.children.size()));
        for (const TObjectDescription& c : d.children)
            Object(c);
    }

    void Raw(const void* data, size_t size) {
        auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }

private:
    void Property(const TPropertyDescription& p) {
        String(p.name);
        Value(p.value);
    }

    void Value(const TValue& v) {
        bytes.push_back(static_cast<std::uint8_t>(v.kind));
        switch (v.kind) {
        case TValue::Kind::Integer:
            for (int i = 0; i < 8; ++i)
                bytes.push_back(
                    static_cast<std::uint8_t>(static_cast<std::uint64_t>(v.integer) >> (8 * i)));
            break;
        case TValue::Kind::String:
        case TValue::Kind::Ident:
            String(v.text);
            break;
        case TValue::Kind::Set:
            U32(static_cast<std::uint32_t>(v.names.size()));
            for (const std::string& n : v.names)
                String(n);
            break;
        case TValue::Kind::Binary:
            U32(static_cast<std::uint32_t>(v.bytes.size()));
            Raw(v.bytes.data(), v.bytes.size());
            break;
        case TValue::Kind::Collection:
            U32(static_cast<std::uint32_t>(v.items.size()));
            for (const TItemDescription& item : v.items) {
                U32(static_cast<std::uint32_t>(item.properties.size()));
                for (const TPropertyDescription& p : item.properties)
                    Property(p);
            }
            break;
        }
    }

    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }

    void String(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        Raw(s.data(), s.size());
    }
};

class BinaryReader {
public:
    explicit BinaryReader(std::span<const std::uint8_t> data) : data_(data) {}

    TObjectDescription Read() {
        if (data_.size() < 4 || std::memcmp(data_.data(), kMagic, 4) != 0)
            Bad();
        pos_ = 4;
        TObjectDescription root = Object(0);
        if (pos_ != data_.size())
            Bad();
        return root;
    }

private:
    [[noreturn]] static void Bad() { throw EReadError("Invalid stream format"); }

    TObjectDescription Object(int depth) {
        if (depth > 64)
            Bad();
        TObjectDescription d;
        d.className = String();
        d.name = String();
        for (std::uint32_t n = Count(); n > 0; --n)
            d.properties.push_back(Property(depth));
        for (std::uint32_t n = Count(); n > 0; --n)
            d.children.push_back(Object(depth + 1));
        return d;
    }

    TPropertyDescription Property(int depth) {
        TPropertyDescription p;
        p.name = String();
        p.value = Value(depth);
        return p;
    }

    TValue Value(int depth) {
        TValue v;
        std::uint8_t kind = Byte();
        if (kind > static_cast<std::uint8_t>(TValue::Kind::Collection))
            Bad();
        v.kind = static_cast<TValue::Kind>(kind);
        switch (v.kind) {
        case TValue::Kind::Integer: {
            std::uint64_t u = 0;
            for (int i = 0; i < 8; ++i)
                u |= static_cast<std::uint64_t>(Byte()) << (8 * i);
            v.integer = static_cast<std::int64_t>(u);
            break;
        }
        case TValue::Kind::String:
        case TValue::Kind::Ident:
            v.text = String();
            break;
        case TValue::Kind::Set:
            for (std::uint32_t n = Count(); n > 0; --n)
                v.names.push_back(String());
            break;
        case TValue::Kind::Binary: {
            std::uint32_t size = U32();
            Need(size);
            v.bytes.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                           data_.begin() + static_cast<std::ptrdiff_t>(pos_ + size));
            pos_ += size;
            break;
        }
        case TValue::Kind::Collection:
            if (depth > 64)
                Bad();
            for (std::uint32_t n = Count(); n > 0; --n) {
                TItemDescription item;
                for (std::uint32_t m = Count(); m > 0; --m)
                    item.properties.push_back(Property(depth + 1));
                v.items.push_back(std::move(item));
            }
            break;
        }
        return v;
    }

    void Need(size_t n) {
        if (n > data_.size() - pos_)
            Bad();
    }

    std::uint8_t Byte() {
        Need(1);
        return data_[pos_++];
    }

    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return v;
    }

    // An element count can't exceed the bytes left (every element takes at least one).
    std::uint32_t Count() {
        std::uint32_t n = U32();
        Need(n);
        return n;
    }

    std::string String() {
        std::uint32_t size = U32();
        Need(size);
        std::string s(reinterpret_cast<const char*>(data_.data() + pos_), size);
        pos_ += size;
        return s;
    }

    std::span<const std::uint8_t> data_;
    size_t pos_ = 0;
};

} // namespace

TObjectDescription ParseDescription(std::string_view text, const std::string& baseDir,
                                    std::vector<std::string>* filesRead,
                                    const std::map<std::string, std::string>& variables) {
    return Parser(text, baseDir, filesRead, variables).ParseRoot();
}

TBytes WriteBinaryDescription(const TObjectDescription& description) {
    Writer w;
    w.Raw(kMagic, sizeof kMagic);
    w.Object(description);
    return std::move(w.bytes);
}

TObjectDescription ReadBinaryDescription(std::span<const std::uint8_t> data) {
    return BinaryReader(data).Read();
}
